#include "export/SafePaths.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "export/FolderOutput.h"

namespace pellmark::exporting {

bool reachedWithoutLinks(const std::string& root, const std::string& relative) {
    std::string path = root;
    if (!path.empty() && path.back() != '/') path += '/';
    for (std::size_t start = 0; start < relative.size();) {
        std::size_t end = relative.find('/', start);
        if (end == std::string::npos) end = relative.size();
        path += relative.substr(start, end - start);
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0) return true;  // nothing there to follow
        if (S_ISLNK(st.st_mode)) return false;
        path += '/';
        start = end + 1;
    }
    return true;
}

MadeDirectory makeRealDirectory(const std::string& path) {
    if (::mkdir(path.c_str(), 0777) == 0) return MadeDirectory::Made;
    const int error = errno;
    struct stat existing {};
    if (error == EEXIST && ::lstat(path.c_str(), &existing) == 0) {
        return S_ISDIR(existing.st_mode) ? MadeDirectory::WasThere : MadeDirectory::NameTaken;
    }
    throw WriteError("cannot create the directory " + path + ": " + std::strerror(error));
}

void writeWholeFile(const std::string& path, const std::string& content) {
    const int fd =
        ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) throw WriteError("cannot write " + path + ": " + std::strerror(errno));
    std::size_t done = 0;
    while (done < content.size()) {
        const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            const int error = errno;
            ::close(fd);
            throw WriteError("cannot write " + path + ": " + std::strerror(error));
        }
        done += static_cast<std::size_t>(n);
    }
    if (::close(fd) != 0) throw WriteError("cannot write " + path + ": " + std::strerror(errno));
}

}  // namespace pellmark::exporting
