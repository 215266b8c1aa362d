#include "convert/OutputNaming.h"

#include <algorithm>
#include <string_view>

namespace pellmark::convert {

namespace {

// NUL, the C0 controls and DEL can break terminals and tools reading the names; '/' would
// start a new path component.
std::string withoutUnsafeBytes(const std::string& name) {
    std::string out = name;
    for (char& c : out) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7f || c == '/') c = '_';
    }
    return out;
}

// Where the extension of `name` starts, or npos; a leading dot alone is no extension.
std::size_t extensionStart(const std::string& name) {
    const std::size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0) return std::string::npos;
    // A very long "extension" would leave no room for the stem: treat it as part of the stem.
    if (name.size() - dot > 32) return std::string::npos;
    return dot;
}

// stem + tail fitted into kMaxNameBytes by cutting the stem.
std::string fitted(const std::string& stem, const std::string& tail) {
    if (tail.size() >= kMaxNameBytes) return cutToBytes(tail, kMaxNameBytes);
    return cutToBytes(stem, kMaxNameBytes - tail.size()) + tail;
}

}  // namespace

std::string trimmed(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

std::string exportRootFor(const std::string& chosenDirectory) {
    std::string root = chosenDirectory;
    if (root.empty() || root.back() != '/') root += '/';
    return trimmed(root) + kExportDirectoryName + '/';
}

std::string FileStem(const std::string& source) {
    std::string stem = source;
    for (char removed : std::string_view(":?\\/*\"<>|")) {
        stem.erase(std::remove(stem.begin(), stem.end(), removed), stem.end());
    }
    return withoutUnsafeBytes(stem);
}

std::string cutToBytes(const std::string& text, std::size_t maxBytes) {
    if (text.size() <= maxBytes) return text;
    std::size_t end = maxBytes;
    // Step back over continuation bytes (10xxxxxx) to the start of the cut character.
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    return text.substr(0, end);
}

std::string safeDirectoryName(const std::string& name) {
    std::string safe = cutToBytes(withoutUnsafeBytes(name), kMaxNameBytes);
    if (safe.empty() || safe == "." || safe == "..") return std::string(safe.size() + 1, '_');
    return safe;
}

std::string safeAttachmentName(const std::string& name) {
    const std::string safe = withoutUnsafeBytes(name);
    if (safe.empty() || safe == "." || safe == "..") return std::string(safe.size() + 1, '_');
    return numberedName(safe, 1);
}

std::string folderDirectory(const std::string& exportRoot, const std::string& folderPath) {
    std::string directory = exportRoot;
    if (directory.empty() || directory.back() != '/') directory += '/';
    const std::string relative = folderPath.size() > 2 ? folderPath.substr(2) : std::string();
    if (relative.empty()) return directory;
    std::size_t start = 0;
    while (start <= relative.size()) {
        std::size_t end = relative.find('\\', start);
        if (end == std::string::npos) end = relative.size();
        directory += safeDirectoryName(relative.substr(start, end - start)) + '/';
        start = end + 1;
    }
    return directory;
}

std::string numberedName(const std::string& name, int copy) {
    const std::size_t dot = extensionStart(name);
    const std::string stem = dot == std::string::npos ? name : name.substr(0, dot);
    const std::string extension = dot == std::string::npos ? std::string() : name.substr(dot);
    const std::string suffix = copy > 1 ? " (" + std::to_string(copy) + ")" : std::string();
    return fitted(stem, suffix + extension);
}

std::string itemFileName(const std::string& stem, const std::string& extension, int attempt,
                         int32_t& number, const std::function<int32_t()>& draw) {
    if (attempt < kNumberDraws || number == 0) number = draw();
    const int copy = attempt < kNumberDraws ? 1 : attempt - kNumberDraws + 2;
    std::string tail = std::to_string(number);
    if (copy > 1) tail += " (" + std::to_string(copy) + ")";
    return fitted(stem, tail + extension);
}

}  // namespace pellmark::convert
