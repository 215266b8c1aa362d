#pragma once
// The independent PST readers of Debian (pffexport from pff-tools, readpst from pst-utils) run
// over a written file, their output folded into one comparable view: folders by path below
// the top of the visible tree, with each item's subject and attachment files.

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace pellmark::test {

struct PeerItem {
    std::string kind;  // pffexport's item kind ("Message", "Contact", ...); "" for readpst
    std::string subject;
    std::map<std::string, std::string> attachments;  // file name -> bytes
};

struct PeerRun {
    int exitCode = 0;
    std::string errors;                                    // what the tool wrote to stderr
    std::map<std::string, std::vector<PeerItem>> folders;  // "Inbox/Projects" -> items
};

// Runs `pffexport -f all` into `work`.
PeerRun runPffexport(const std::filesystem::path& pst, const std::filesystem::path& work);
// Runs `readpst -j 0 -S -D` into `work`.
PeerRun runReadpst(const std::filesystem::path& pst, const std::filesystem::path& work);

// Drops the two-character prefix marker a stored subject may start with.
std::string withoutPrefixMarker(const std::string& subject);

}  // namespace pellmark::test
