#include "pststore/Profile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "base/Text.h"
#include "store/MailStore.h"

namespace pellmark::pststore {

namespace fs = std::filesystem;

namespace {

constexpr const char* kNewProfileHeader =
    "; Pellmark's configured mailboxes: the path of one Outlook data file (.pst or .ost) a\n"
    "; line. Lines starting with ';' are comments. Files opened in the window are added here.\n";

store::StoreError unreadable(const fs::path& path) {
    return store::StoreError("the profile " + path.string() + " cannot be read");
}

store::StoreError unwritable(const fs::path& path, const char* step) {
    return store::StoreError("the profile " + path.string() + " cannot be written (" + step + ": " +
                             std::strerror(errno) + ")");
}

std::vector<std::string> profileLines(std::istream& in) {
    std::vector<std::string> paths;
    for (std::string line; std::getline(in, line);) {
        while (!line.empty() &&
               (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) {
            line.pop_back();
        }
        const size_t start = line.find_first_not_of(" \t");
        if (start == std::string::npos || line[start] == ';') continue;
        paths.push_back(line.substr(start));
    }
    return paths;
}

// Whether a profile line names `dataFile`: the line as the session resolves it, or another
// name of the same file (a link, a path through one).
bool listsFile(const std::vector<std::string>& lines, const fs::path& dataFile) {
    for (const std::string& line : lines) {
        std::error_code ec;
        const fs::path listed = fs::absolute(line, ec).lexically_normal();
        if (ec) continue;
        if (listed == dataFile || fs::equivalent(listed, dataFile, ec)) return true;
    }
    return false;
}

class Descriptor {
  public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }

  private:
    int fd_;
};

// The whole file from its start; the descriptor is opened for appending, so its offset is moot.
bool readWhole(int fd, std::string& content) {
    char buffer[8192];
    for (off_t offset = 0;;) {
        const ssize_t n = ::pread(fd, buffer, sizeof buffer, offset);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) return true;
        content.append(buffer, static_cast<size_t>(n));
        offset += n;
    }
}

bool writeWhole(int fd, std::string_view text) {
    while (!text.empty()) {
        const ssize_t n = ::write(fd, text.data(), text.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        text.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

// A path the profile can give back as it was written: one line, no blanks that the reader
// would trim, not taken for a comment.
bool fitsOneLine(const fs::path& dataFile) {
    const std::string text = dataFile.string();
    return dataFile.is_absolute() && text.find_first_of("\r\n") == std::string::npos &&
           base::trimmed(text, " \t") == text;
}

}  // namespace

fs::path profilePath() {
    fs::path base;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg == '/') {
        base = xdg;
    } else if (const char* home = std::getenv("HOME"); home && *home) {
        base = fs::path(home) / ".config";
    } else {
        base = "/nonexistent";
    }
    return base / "pellmark" / "profile";
}

std::vector<std::string> readProfile(const fs::path& path) {
    std::error_code ec;
    const auto status = fs::status(path, ec);
    if (status.type() == fs::file_type::not_found) return {};
    std::ifstream in(path);
    if (ec || !fs::is_regular_file(status) || !in) throw unreadable(path);
    std::vector<std::string> paths = profileLines(in);
    if (in.bad()) throw unreadable(path);
    return paths;
}

Remembered rememberDataFile(const fs::path& dataFile, const fs::path& path) {
    if (!fitsOneLine(dataFile)) {
        throw store::StoreError("the path " + dataFile.string() +
                                " cannot be kept as a line of the profile");
    }
    // A profile that cannot be read is never written: its lines would be unknown.
    if (listsFile(readProfile(path), dataFile)) return Remembered::AlreadyListed;
    std::error_code ec;
    fs::create_directories(path.parent_path(), ec);
    if (ec) {
        throw store::StoreError("the profile's directory " + path.parent_path().string() +
                                " cannot be made: " + ec.message());
    }
    // Appending never rewrites the lines there, and keeps a profile that is a link a link.
    const Descriptor fd(::open(path.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC, 0600));
    if (fd.get() < 0) throw unwritable(path, "open");
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) throw unreadable(path);
    if (::flock(fd.get(), LOCK_EX) != 0) throw unwritable(path, "lock");
    // Another program may have changed the profile since it was read: decide on what it holds
    // now that it is locked.
    std::string content;
    if (!readWhole(fd.get(), content)) throw unreadable(path);
    std::istringstream lines(content);
    if (listsFile(profileLines(lines), dataFile)) return Remembered::AlreadyListed;
    std::string text;
    if (content.empty()) {
        text = kNewProfileHeader;
    } else if (content.back() != '\n') {
        text = "\n";  // the last line was left open
    }
    text += dataFile.string() + '\n';
    if (!writeWhole(fd.get(), text)) {
        const store::StoreError error = unwritable(path, "write");
        // No half line stays behind; what was there before is left as it was.
        if (::ftruncate(fd.get(), static_cast<off_t>(content.size())) != 0) {
            // the error below says what failed; the profile's reader passes over a torn line
        }
        throw error;
    }
    if (::fsync(fd.get()) != 0) throw unwritable(path, "sync");
    return Remembered::Added;
}

}  // namespace pellmark::pststore
