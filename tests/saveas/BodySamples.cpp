#include "saveas/BodySamples.h"

#include <gsf/gsf.h>
#include <stdio.h>

#include <algorithm>

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

std::optional<std::string> unrtf(const std::string& rtf, const std::string& mode) {
    if (std::system("unrtf --version >/dev/null 2>&1") != 0) return std::nullopt;
    TempDir dir;
    writeFile(dir / "in.rtf", rtf);
    const std::string command =
        "unrtf " + mode + " '" + (dir / "in.rtf").string() + "' 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return std::nullopt;
    std::string out;
    char buf[4096];
    for (size_t n; (n = fread(buf, 1, sizeof buf, pipe)) > 0;) out.append(buf, n);
    pclose(pipe);
    // --text starts with "###" banner lines and a dashed rule.
    const size_t rule = out.find("-----------------\n");
    if (mode == "--text" && rule != std::string::npos) out.erase(0, rule + 18);
    return out;
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
