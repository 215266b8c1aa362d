#include "formats/mailbox/MaildirKeywords.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstring>

#include "base/AtomicFile.h"
#include "formats/SaveError.h"

namespace pellmark::formats {
namespace {

[[noreturn]] void fail(const std::string& what, const std::string& path, int error) {
    throw SaveError(what + " " + path + ": " + std::strerror(error));
}

// The file's text; empty when there is none. A symbolic link is refused, not followed.
std::string readKeywordsFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0 && errno == ENOENT) return {};
    if (fd < 0) fail("cannot read", path, errno);
    std::string text;
    char buf[4096];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            const int error = errno;
            ::close(fd);
            if (n < 0) fail("cannot read", path, error);
            return text;
        }
        text.append(buf, static_cast<std::size_t>(n));
    }
}

void writeKeywordsFile(const std::string& path, const std::string& text) {
    try {
        // Replaced whole, never written through a link: a reader sees the old or the new file.
        base::AtomicFile file(path);
        const int fd = ::open(file.tempPath().c_str(),
                              O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0) fail("cannot write", path, errno);
        for (std::string_view rest = text; !rest.empty();) {
            const ssize_t n = ::write(fd, rest.data(), rest.size());
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) {
                const int error = errno;
                ::close(fd);
                fail("cannot write", path, error);
            }
            rest.remove_prefix(static_cast<std::size_t>(n));
        }
        if (::close(fd) != 0) fail("cannot write", path, errno);
        file.commit();
    } catch (const base::FileError& error) {
        throw SaveError(error.what());
    }
}

}  // namespace

MaildirKeywords MaildirKeywords::parse(std::string_view text) {
    MaildirKeywords keywords;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        const std::size_t blank = line.find(' ');
        if (blank == std::string_view::npos || blank + 1 == line.size()) continue;
        std::size_t index = 0;
        const auto [at, error] = std::from_chars(line.data(), line.data() + blank, index);
        const std::string_view name = line.substr(blank + 1);
        if (error != std::errc() || at != line.data() + blank || index >= keywords.names_.size() ||
            !keywords.names_[index].empty() || keywords.letterOf(name)) {
            continue;
        }
        keywords.names_[index] = name;
    }
    return keywords;
}

std::optional<char> MaildirKeywords::letterOf(std::string_view keyword) const {
    for (std::size_t i = 0; i < names_.size(); ++i) {
        if (names_[i] == keyword) return static_cast<char>('a' + i);
    }
    return std::nullopt;
}

std::optional<char> MaildirKeywords::add(std::string_view keyword) {
    if (auto known = letterOf(keyword)) return known;
    for (std::size_t i = 0; i < names_.size(); ++i) {
        if (!names_[i].empty()) continue;
        names_[i] = keyword;
        return static_cast<char>('a' + i);
    }
    return std::nullopt;
}

std::string MaildirKeywords::text() const {
    std::string out;
    for (std::size_t i = 0; i < names_.size(); ++i) {
        if (!names_[i].empty()) out += std::to_string(i) + ' ' + names_[i] + '\n';
    }
    return out;
}

std::optional<char> folderKeywordLetter(const std::string& directory, std::string_view keyword) {
    const std::string path = directory + kDovecotKeywordsFile;
    MaildirKeywords keywords = MaildirKeywords::parse(readKeywordsFile(path));
    if (auto letter = keywords.letterOf(keyword)) return letter;
    const std::optional<char> letter = keywords.add(keyword);
    if (letter) writeKeywordsFile(path, keywords.text());
    return letter;
}

}  // namespace pellmark::formats
