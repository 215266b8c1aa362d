#include "formats/BodySamples.h"

#include <gsf/gsf.h>
#include <stdio.h>

#include <algorithm>

#include "support/Readers.h"
#include "support/TestFiles.h"

namespace pellmark::test {

std::optional<std::string> readOleStream(const std::filesystem::path& file,
                                         const std::string& name) {
    gsf_init();
    GError* err = nullptr;
    GsfInput* input = gsf_input_stdio_new(file.c_str(), &err);
    if (!input) {
        g_clear_error(&err);
        return std::nullopt;
    }
    std::optional<std::string> result;
    if (GsfInfile* ole = gsf_infile_msole_new(input, &err)) {
        if (GsfInput* stream = gsf_infile_child_by_name(ole, name.c_str())) {
            const auto size = size_t(gsf_input_size(stream));
            const guint8* data = gsf_input_read(stream, size, nullptr);
            if (data || size == 0) result = std::string(reinterpret_cast<const char*>(data), size);
            g_object_unref(stream);
        }
        g_object_unref(ole);
    }
    g_clear_error(&err);
    g_object_unref(input);
    return result;
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
