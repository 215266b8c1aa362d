#include "export/OutputNaming.h"

#include "base/Text.h"

#include <algorithm>
#include <cctype>
#include <string_view>

namespace pellmark::exporting {

namespace {

// The UTF-8 length of the invisible format character at `i` (zero-width characters, the
// bidirectional marks, embeddings, overrides and isolates, the byte order mark), else 0. An
// override can make "gpj.exe" show as "exe.jpg"; none of them has any business in a name.
std::size_t invisibleAt(const std::string& s, std::size_t i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[i + k]); };
    if (i + 1 < s.size() && byte(0) == 0xC2 && byte(1) == 0xAD) return 2;  // soft hyphen
    if (i + 1 < s.size() && byte(0) == 0xD8 && byte(1) == 0x9C) return 2;  // U+061C
    if (i + 2 >= s.size()) return 0;
    if (byte(0) == 0xEF && byte(1) == 0xBB && byte(2) == 0xBF) return 3;  // U+FEFF
    if (byte(0) != 0xE2) return 0;
    const unsigned code = 0x2000 + ((byte(1) & 0x3F) << 6) + (byte(2) & 0x3F);
    if (byte(1) < 0x80 || byte(1) > 0x81) return 0;
    const bool invisible = (code >= 0x200B && code <= 0x200F) ||
                           (code >= 0x202A && code <= 0x202E) ||
                           (code >= 0x2060 && code <= 0x2064) || (code >= 0x2066 && code <= 0x206F);
    return invisible ? 3 : 0;
}

// NUL, the C0 controls and DEL can break terminals and tools reading the names; '/' would
// start a new path component; invisible format characters are dropped.
std::string withoutUnsafeBytes(const std::string& name) {
    std::string out;
    out.reserve(name.size());
    for (std::size_t i = 0; i < name.size();) {
        if (const std::size_t skip = invisibleAt(name, i)) {
            i += skip;
            continue;
        }
        const char c = name[i++];
        const auto byte = static_cast<unsigned char>(c);
        out += byte < 0x20 || byte == 0x7f || c == '/' ? '_' : c;
    }
    return out;
}

// Windows reserves these names, with any extension, in every directory.
bool isReservedOnWindows(const std::string& name) {
    std::string base = name.substr(0, name.find('.'));
    while (!base.empty() && base.back() == ' ') base.pop_back();
    for (char& c : base) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (base == "CON" || base == "PRN" || base == "AUX" || base == "NUL") return true;
    return base.size() == 4 && (base.rfind("COM", 0) == 0 || base.rfind("LPT", 0) == 0) &&
           base[3] >= '1' && base[3] <= '9';
}

// A file or directory name that Windows file systems take as it is, so that an export copied
// to a USB stick keeps every file: the characters they refuse become '_', as do trailing
// blanks and dots (which they drop); a name that would be hidden (a leading '.') or is
// reserved gets a '_' in front.
std::string portable(std::string name) {
    for (char& c : name) {
        if (std::string_view(":*?<>|\"\\").find(c) != std::string_view::npos) c = '_';
    }
    for (std::size_t i = name.size(); i > 0 && (name[i - 1] == ' ' || name[i - 1] == '.'); --i) {
        name[i - 1] = '_';
    }
    if (name.empty() || name.front() == '.' || isReservedOnWindows(name)) {
        name.insert(name.begin(), '_');
    }
    return name;
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

std::string exportRootFor(const std::string& chosenDirectory) {
    std::string root = chosenDirectory;
    if (root.empty() || root.back() != '/') root += '/';
    return base::trimmed(root) + kExportDirectoryName + '/';
}

std::string fileStem(const std::string& source) {
    std::string stem = source;
    for (char removed : std::string_view(":?\\/*\"<>|")) {
        stem.erase(std::remove(stem.begin(), stem.end(), removed), stem.end());
    }
    stem = withoutUnsafeBytes(stem);
    // The number follows the stem, so only the start of the name can make it hidden.
    if (!stem.empty() && stem.front() == '.') stem.insert(stem.begin(), '_');
    return stem;
}

std::string cutToBytes(const std::string& text, std::size_t maxBytes) {
    if (text.size() <= maxBytes) return text;
    std::size_t end = maxBytes;
    // Step back over continuation bytes (10xxxxxx) to the start of the cut character.
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    return text.substr(0, end);
}

std::string safeDirectoryName(const std::string& name) {
    std::string safe = withoutUnsafeBytes(name);
    if (safe.empty() || safe == "." || safe == "..") return std::string(safe.size() + 1, '_');
    return cutToBytes(portable(std::move(safe)), kMaxNameBytes);
}

std::string safeAttachmentName(const std::string& name) {
    std::string safe = withoutUnsafeBytes(name);
    if (safe.empty() || safe == "." || safe == "..") return std::string(safe.size() + 1, '_');
    return numberedName(portable(std::move(safe)), 1);
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
    const std::string name = fitted(stem, tail + extension);
    // "COM" and the number 1 make a name Windows reserves.
    return isReservedOnWindows(name) ? fitted("_" + stem, tail + extension) : name;
}

}  // namespace pellmark::exporting
