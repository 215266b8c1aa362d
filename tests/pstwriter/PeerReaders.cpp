#include "PeerReaders.h"

#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <sstream>

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

// pffexport writes one directory per item (Message00001, Contact00002, ...) and one per folder.
void walkPff(const fs::path& dir, const std::string& path, PeerRun& out) {
    static const std::regex kItem("(Message|Contact|Appointment|Task|Note|Activity|"
                                  "DistributionList|Meeting|Document|RSSFeed)(\\d{5})");
    auto& items = out.folders[path];
    std::vector<fs::path> entries;
    for (const auto& e : fs::directory_iterator(dir)) entries.push_back(e.path());
    std::sort(entries.begin(), entries.end());
    for (const fs::path& e : entries) {
        if (!fs::is_directory(e)) continue;
        std::smatch m;
        const std::string name = e.filename().string();
        if (!std::regex_match(name, m, kItem)) {
            walkPff(e, path.empty() ? name : path + "/" + name, out);
            continue;
        }
        PeerItem item;
        item.kind = m[1];
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
    static const std::regex kWord("=\\?utf-8\\?B\\?([^?]*)\\?=", std::regex::icase);
    std::string out;
    auto begin = std::sregex_iterator(value.begin(), value.end(), kWord);
    size_t last = 0;
    for (auto it = begin; it != std::sregex_iterator(); ++it) {
        out += value.substr(last, static_cast<size_t>(it->position()) - last);
        out += decodeBase64((*it)[1]);
        last = static_cast<size_t>(it->position() + it->length());
    }
    return out + value.substr(last);
}

void walkReadpst(const fs::path& dir, const std::string& path, PeerRun& out) {
    static const std::regex kItemFile("(\\d+)");
    static const std::regex kAttachment("(\\d+)-(.*)");
    auto& items = out.folders[path];
    std::map<std::string, PeerItem> byNumber;
    for (const auto& e : fs::directory_iterator(dir)) {
        const std::string name = e.path().filename().string();
        std::smatch m;
        if (e.is_directory()) {
            walkReadpst(e.path(), path.empty() ? name : path + "/" + name, out);
        } else if (std::regex_match(name, m, kItemFile)) {
            std::string text = readFile(e.path());
            byNumber[name].subject = decodeHeader(fieldAfter(text.substr(0, text.find("\n\n")), "Subject:"));
        } else if (std::regex_match(name, m, kAttachment)) {
            byNumber[m[1]].attachments[m[2]] = readFile(e.path());
        }
    }
    for (auto& [n, item] : byNumber) items.push_back(std::move(item));
}

}  // namespace

bool haveTool(const char* name) {
    return std::system((std::string("command -v ") + name + " >/dev/null 2>&1").c_str()) == 0;
}

PeerRun runPffexport(const fs::path& pst, const fs::path& work) {
    PeerRun out;
    fs::create_directories(work);
    const fs::path target = work / "pff";
    out.exitCode = run("pffexport -q -f all -t " + quote(target.string()) + " " + quote(pst.string()),
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
    PeerRun out;
    const fs::path target = work / "readpst";
    fs::create_directories(target);
    out.exitCode = run("readpst -j 0 -S -D -q -o " + quote(target.string()) + " " + quote(pst.string()),
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
