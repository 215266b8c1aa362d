#include "formats/BodySamples.h"

#include <stdio.h>

#include <algorithm>

#include "cfb/CompoundFileReader.h"
#include "support/Readers.h"
#include "support/TestFiles.h"

namespace pellmark::test {

std::optional<std::string> readOleStream(const std::filesystem::path& file,
                                         const std::string& name) {
    try {
        const auto ole = cfb::CompoundFileReader::open(file);
        const auto stream = ole.child(ole.root(), name);
        if (!stream || !ole.isStream(*stream)) return std::nullopt;
        const auto bytes = ole.readStream(*stream);
        return std::string(bytes.begin(), bytes.end());
    } catch (const cfb::CfbError&) {
        return std::nullopt;
    }
}

std::vector<MsgRtf> sampleCompressedRtfs() {
    std::vector<MsgRtf> out;
    const auto dir = samplesDir() / "msg";
    if (samplesDir().empty() || !std::filesystem::is_directory(dir)) return out;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        if (entry.path().extension() != ".msg") continue;
        if (auto rtf = readOleStream(entry.path(), "__substg1.0_10090102"))
            out.push_back({entry.path().stem().string(), std::move(*rtf)});
    }
    std::sort(out.begin(), out.end(), [](const auto& a, const auto& b) { return a.name < b.name; });
    return out;
}

std::string unrtfOf(const std::string& rtf, const std::string& mode) {
    TempDir dir;
    writeFile(dir / "in.rtf", rtf);
    return unrtf(dir / "in.rtf", mode);
}

std::string squeezeSpaces(const std::string& s) {
    std::string out;
    bool space = false;
    for (char c : s) {
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
            space = !out.empty();
        } else {
            if (space) out += ' ';
            space = false;
            out += c;
        }
    }
    return out;
}

}  // namespace pellmark::test
