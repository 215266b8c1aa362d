#include "PeerReaders.h"

#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "support/Readers.h"
#include "support/TestFiles.h"

namespace pellmark::test {
namespace fs = std::filesystem;
namespace {

std::string quote(const std::string& s) {
    std::string out = "'";
    for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

int run(const std::string& command, const fs::path& errFile) {
    const int status = std::system((command + " >/dev/null 2>" + quote(errFile.string())).c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string fieldAfter(const std::string& text, const std::string& key) {
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (line.rfind(key, 0) == 0) {
            size_t at = key.size();
            while (at < line.size() && (line[at] == '\t' || line[at] == ' ')) ++at;
            return line.substr(at);
        }
    }
    return {};
}

bool allDigits(const std::string& s) {
    return !s.empty() &&
           std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// pffexport names item directories by kind and number (Message00001, Contact00002, ...); the
// kind, or "" for a folder's directory.
std::string pffItemKind(const std::string& name) {
    static const char* kKinds[] = {"Message",  "Contact",  "Appointment",      "Task",
                                   "Note",     "Activity", "DistributionList", "Meeting",
                                   "Document", "RSSFeed"};
    for (const char* k : kKinds) {
        const std::string kind = k;
        if (name.size() == kind.size() + 5 && name.rfind(kind, 0) == 0 &&
            allDigits(name.substr(kind.size()))) {
            return kind;
        }
    }
    return "";
}

void walkPff(const fs::path& dir, const std::string& path, PeerRun& out) {
    auto& items = out.folders[path];
    std::vector<fs::path> entries;
    for (const auto& e : fs::directory_iterator(dir)) entries.push_back(e.path());
    std::sort(entries.begin(), entries.end());
    for (const fs::path& e : entries) {
        if (!fs::is_directory(e)) continue;
        const std::string name = e.filename().string();
        PeerItem item;
        item.kind = pffItemKind(name);
        if (item.kind.empty()) {
            walkPff(e, path.empty() ? name : path + "/" + name, out);
            continue;
        }
        if (fs::exists(e / "OutlookHeaders.txt")) {
            item.subject = fieldAfter(readFile(e / "OutlookHeaders.txt"), "Subject:");
        }
        if (fs::is_directory(e / "Attachments")) {
            for (const auto& a : fs::directory_iterator(e / "Attachments")) {
                if (!fs::is_regular_file(a.path())) continue;
                const std::string f = a.path().filename().string();
                item.attachments[f.substr(f.find('_') + 1)] = readFile(a.path());
            }
        }
        items.push_back(std::move(item));
    }
}

std::string decodeBase64(const std::string& in) {
    static const std::string kAlphabet =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    unsigned buffer = 0;
    int bits = 0;
    for (char c : in) {
        const size_t v = kAlphabet.find(c);
        if (v == std::string::npos) continue;
        buffer = buffer << 6 | static_cast<unsigned>(v);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out.push_back(static_cast<char>((buffer >> bits) & 0xFF));
        }
    }
    return out;
}

// readpst writes subjects as RFC 2047 UTF-8 base64 words when they are not plain ASCII.
std::string decodeHeader(const std::string& value) {
    static const std::string kOpen = "=?utf-8?B?";
    std::string out;
    size_t last = 0;
    for (size_t at = value.find(kOpen); at != std::string::npos; at = value.find(kOpen, last)) {
        const size_t end = value.find("?=", at + kOpen.size());
        if (end == std::string::npos) break;
        out += value.substr(last, at - last) +
               decodeBase64(value.substr(at + kOpen.size(), end - at - kOpen.size()));
        last = end + 2;
    }
    return out + value.substr(last);
}

// readpst writes each item as a file named by its number, its attachments as "number-name".
void walkReadpst(const fs::path& dir, const std::string& path, PeerRun& out) {
    auto& items = out.folders[path];
    std::map<std::string, PeerItem> byNumber;
    for (const auto& e : fs::directory_iterator(dir)) {
        const std::string name = e.path().filename().string();
        const size_t dash = name.find('-');
        if (e.is_directory()) {
            walkReadpst(e.path(), path.empty() ? name : path + "/" + name, out);
        } else if (allDigits(name)) {
            std::string text = readFile(e.path());
            byNumber[name].subject =
                decodeHeader(fieldAfter(text.substr(0, text.find("\n\n")), "Subject:"));
        } else if (dash != std::string::npos && allDigits(name.substr(0, dash))) {
            byNumber[name.substr(0, dash)].attachments[name.substr(dash + 1)] = readFile(e.path());
        }
    }
    for (auto& [n, item] : byNumber) items.push_back(std::move(item));
}

}  // namespace

PeerRun runPffexport(const fs::path& pst, const fs::path& work) {
    requireReader(Reader::Pffexport);
    PeerRun out;
    fs::create_directories(work);
    const fs::path target = work / "pff";
    out.exitCode =
        run("pffexport -q -f all -t " + quote(target.string()) + " " + quote(pst.string()),
            work / "pff.err");
    out.errors = readFile(work / "pff.err");
    const fs::path exported = work / "pff.export";
    if (!fs::is_directory(exported)) return out;
    for (const auto& top : fs::directory_iterator(exported)) {
        // The top of the visible tree holds the folders a mailbox is made of.
        if (top.is_directory() && top.path().filename() != "Search Root") {
            walkPff(top.path(), "", out);
        }
    }
    if (out.folders.count("") && out.folders.at("").empty()) out.folders.erase("");
    return out;
}

PeerRun runReadpst(const fs::path& pst, const fs::path& work) {
    requireReader(Reader::Readpst);
    PeerRun out;
    const fs::path target = work / "readpst";
    fs::create_directories(target);
    out.exitCode =
        run("readpst -j 0 -S -D -q -o " + quote(target.string()) + " " + quote(pst.string()),
            work / "readpst.err");
    out.errors = readFile(work / "readpst.err");
    for (const auto& top : fs::directory_iterator(target)) {
        if (top.is_directory()) walkReadpst(top.path(), "", out);
    }
    if (out.folders.count("") && out.folders.at("").empty()) out.folders.erase("");
    return out;
}

std::string withoutPrefixMarker(const std::string& subject) {
    if (subject.size() >= 2 && subject[0] == '\x01') return subject.substr(2);
    return subject;
}

}  // namespace pellmark::test
