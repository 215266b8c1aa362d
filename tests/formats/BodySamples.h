#pragma once
// Test helpers for the body conversions: the RTF bodies of the .msg samples, and what
// unrtf, an RTF reader independent of ours, shows for a document.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace pellmark::test {

// The bytes of one stream at the top of an OLE compound file; nullopt when it is missing.
std::optional<std::string> readOleStream(const std::filesystem::path& file,
                                         const std::string& name);

// The .msg samples that carry a compressed RTF body, with the stream's bytes.
struct MsgRtf {
    std::string name;
    std::string compressed;
};
std::vector<MsgRtf> sampleCompressedRtfs();

// unrtf's rendering of the document (`--text` or `--html`) without its banner lines.
std::string unrtfOf(const std::string& rtf, const std::string& mode);

// Whitespace runs collapsed to one space, ends trimmed: for comparing what two readers show.
std::string squeezeSpaces(const std::string& s);

}  // namespace pellmark::test
