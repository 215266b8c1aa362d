#include "export/ExportRoot.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include "export/LoadFile.h"
#include "export/Manifest.h"
#include "export/OutputDirectories.h"
#include "export/SafePaths.h"

namespace pellmark::exporting {
namespace {

namespace fs = std::filesystem;

// "<time>.P<pid>Q<n>R<16 hex digits>.<host>", a Maildir name as the export draws them.
bool isDeliveryName(const std::string& name) {
    std::size_t i = 0;
    auto digits = [&] {
        const std::size_t start = i;
        while (i < name.size() && name[i] >= '0' && name[i] <= '9') ++i;
        return i > start;
    };
    auto is = [&](char c) { return i < name.size() && name[i++] == c; };
    if (!digits() || !is('.') || !is('P') || !digits() || !is('Q') || !digits() || !is('R')) {
        return false;
    }
    for (int n = 0; n < 16; ++n, ++i) {
        if (i >= name.size() || !std::isxdigit(static_cast<unsigned char>(name[i]))) return false;
    }
    return is('.');
}

// Names of what a run writes only for a while.
bool isLeftover(const fs::path& path) {
    const std::string name = path.filename().string();
    if (name.rfind(".pellmark-partial-", 0) == 0 || name.rfind(".pellmark-save-", 0) == 0) {
        return true;
    }
    if (name == std::string(Manifest::kFileName) + ".new" ||
        name == std::string(LoadFile::kFileName) + ".new" ||
        name == std::string(ExportRoot::kIdentityFile) + ".new") {
        return true;
    }
    // A Maildir delivery written in tmp/ under its final name by an earlier version, and
    // never moved to cur/.
    return path.parent_path().filename() == "tmp" && isDeliveryName(name);
}

}  // namespace

ExportRoot::ExportRoot(std::string path) : path_(std::move(path)) {
    if (path_.empty() || path_.back() != '/') path_ += '/';
    makeDirectories(path_);
    fd_ = ::open(path_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd_ < 0) throw WriteError("cannot open " + path_ + ": " + std::strerror(errno));
    if (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        // File systems without locks (some network ones) cannot tell; the run goes on.
        if (error == EWOULDBLOCK) {
            ::close(fd_);
            throw RootBusy("another export is writing into " + path_ +
                           " now; start this one when it has ended");
        }
    }
    std::error_code ec;
    heldAnything_ = !fs::is_empty(path_, ec) && !ec;
}

ExportRoot::~ExportRoot() {
    if (fd_ >= 0) ::close(fd_);  // and with it the lock
}

std::optional<ExportIdentity> ExportRoot::identity() const {
    std::ifstream in(path_ + kIdentityFile, std::ios::binary);
    if (!in) return std::nullopt;
    ExportIdentity identity;
    for (std::string line; std::getline(in, line);) {
        const std::size_t tab = line.find('\t');
        if (tab == std::string::npos) continue;
        const std::string key = line.substr(0, tab);
        const std::string value = line.substr(tab + 1);
        if (key == "format") identity.format = value;
        if (key == "mailbox") identity.mailbox = value;
        if (key == "file") identity.file = value;
        if (key == "review") identity.review = value;
    }
    if (identity.format.empty()) return std::nullopt;
    return identity;
}

void ExportRoot::setIdentity(const ExportIdentity& identity) {
    auto oneLine = [](std::string s) {
        for (char& c : s) {
            if (c == '\n' || c == '\r' || c == '\t') c = ' ';
        }
        return s;
    };
    const std::string path = path_ + kIdentityFile;
    writeWholeFile(path + ".new",
                   "format\t" + oneLine(identity.format) + "\nmailbox\t" +
                       oneLine(identity.mailbox) + "\nfile\t" + oneLine(identity.file) + "\n" +
                       (identity.review.empty() ? std::string()
                                                : "review\t" + oneLine(identity.review) + "\n"));
    if (::rename((path + ".new").c_str(), path.c_str()) != 0) {
        throw WriteError("cannot write " + path + ": " + std::strerror(errno));
    }
}

void ExportRoot::removeLeftovers() {
    std::error_code ec;
    std::vector<fs::path> found;
    // Links are not followed: what lies behind one is not the export's.
    for (fs::recursive_directory_iterator it(path_, ec), end; !ec && it != end; it.increment(ec)) {
        if (isLeftover(it->path())) {
            found.push_back(it->path());
            if (it->is_directory(ec)) it.disable_recursion_pending();
        }
    }
    for (const fs::path& path : found) fs::remove_all(path, ec);
}

}  // namespace pellmark::exporting
