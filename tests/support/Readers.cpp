#include "support/Readers.h"

#include <map>
#include <mutex>

#include <gtest/gtest.h>

namespace pellmark::test {
namespace {

// Where scripts/install-deps.sh test puts the Node.js modules the tests read files with.
constexpr const char* kNodeModules = "NODE_PATH=/opt/pellmark-tests/node_modules";

struct Probe {
    const char* name;
    const char* command;  // exits 0 only when the reader can do its work
    const char* package;
};

// Each command makes the reader load everything it needs. msgconvert is compiled (perl -c
// loads every module it uses): it cannot start without Email::Address, which its package only
// recommends, and its --help exits 1 even when it works.
const Probe& probeOf(Reader reader) {
    static const std::map<Reader, Probe> probes = {
        {Reader::Python,
         {"python3", "/usr/bin/python3 -c 'import email.policy, email.parser'", "python3"}},
        {Reader::Vobject, {"vobject", "/usr/bin/python3 -c 'import vobject'", "python3-vobject"}},
        {Reader::Olefile, {"olefile", "/usr/bin/python3 -c 'import olefile'", "python3-olefile"}},
        {Reader::Msgconvert,
         {"msgconvert", "perl -c \"$(command -v msgconvert)\"",
          "libemail-outlook-message-perl libemail-address-perl"}},
        {Reader::Unrtf, {"unrtf", "unrtf --version", "unrtf"}},
        {Reader::Chromium, {"chromium", "/usr/bin/chromium --version", "chromium"}},
        {Reader::Pffexport, {"pffexport", "pffexport -V", "pff-tools"}},
        {Reader::Readpst, {"readpst", "readpst -V", "pst-utils"}},
        {Reader::Mutt, {"mutt", "mutt -v", "mutt"}},
        {Reader::Dovecot, {"dovecot", "/usr/sbin/dovecot --version", "dovecot-imapd"}},
        {Reader::Msgreader,
         {"@kenjiuno/msgreader",
          "NODE_PATH=/opt/pellmark-tests/node_modules node -e 'require(\"@kenjiuno/msgreader\")'",
          "nodejs, and @kenjiuno/msgreader in /opt/pellmark-tests/node_modules"}},
        {Reader::IcalJs,
         {"ical.js", "NODE_PATH=/opt/pellmark-tests/node_modules node -e 'require(\"ical.js\")'",
          "nodejs, and ical.js in /opt/pellmark-tests/node_modules"}},
        {Reader::Radicale, {"radicale", "/usr/bin/python3 -m radicale --version", "radicale"}},
    };
    return probes.at(reader);
}

}  // namespace

std::optional<std::string> readerProblem(Reader reader) {
    static std::mutex mutex;
    static std::map<Reader, std::optional<std::string>> known;
    const std::lock_guard lock(mutex);
    if (auto it = known.find(reader); it != known.end()) return it->second;
    const Probe& probe = probeOf(reader);
    std::optional<std::string> problem;
    if (runCommand(std::string(probe.command) + " >/dev/null 2>&1 </dev/null").status != 0) {
        problem = std::string(probe.name) + " cannot run here (`" + probe.command +
                  "` failed): install the Debian package(s) " + probe.package +
                  " (scripts/install-deps.sh test)";
    }
    return known[reader] = problem;
}

void requireReader(Reader reader) {
    if (auto problem = readerProblem(reader)) throw ReaderMissing(*problem);
}

CommandResult runPythonTool(const std::string& tool, const std::string& args) {
    requireReader(Reader::Python);
    if (tool == "vcard_summary.py") requireReader(Reader::Vobject);
    if (tool == "ole_listing.py") requireReader(Reader::Olefile);
    return runCommand("/usr/bin/python3 " + shellQuote((scriptsDir() / tool).string()) + " " +
                      args);
}

CommandResult runNodeTool(const std::string& tool, const std::string& args) {
    requireReader(tool == "ics_occurrences.js" ? Reader::IcalJs : Reader::Msgreader);
    return runCommand(std::string(kNodeModules) + " node " +
                      shellQuote((scriptsDir() / tool).string()) + " " + args);
}

namespace {
std::string summary(const char* tool, const std::string& args) {
    auto r = runPythonTool(tool, args);
    EXPECT_EQ(r.status, 0) << tool << " failed on " << args;
    return r.out;
}
}  // namespace

std::string htmlSummary(const std::filesystem::path& page) {
    return summary("html_summary.py", shellQuote(page.string()));
}

std::string mimeSummary(const std::filesystem::path& file, const std::filesystem::path& dumpDir) {
    std::string args = shellQuote(file.string());
    if (!dumpDir.empty()) args += " --dump " + shellQuote(dumpDir.string());
    return summary("mime_summary.py", args);
}

std::string vcardSummary(const std::filesystem::path& file) {
    return summary("vcard_summary.py", shellQuote(file.string()));
}

std::string icalJsOccurrences(const std::filesystem::path& ics) {
    auto r = runNodeTool("ics_occurrences.js", shellQuote(ics.string()) + " 2>&1");
    EXPECT_EQ(r.status, 0) << "ics_occurrences.js failed on " << ics << ": " << r.out;
    return r.out;
}

std::string unrtf(const std::filesystem::path& rtf, const std::string& mode) {
    requireReader(Reader::Unrtf);
    std::string out =
        runCommand("unrtf " + mode + " " + shellQuote(rtf.string()) + " 2>/dev/null").out;
    // --text starts with "###" banner lines and a dashed rule.
    const size_t rule = out.find("-----------------\n");
    if (mode == "--text" && rule != std::string::npos) out.erase(0, rule + 18);
    return out;
}

}  // namespace pellmark::test
