#include "export/Manifest.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <sstream>

#include "base/Printable.h"
#include "base/Sha256.h"
#include "export/Faults.h"
#include "export/FolderOutput.h"
#include "export/SafePaths.h"

namespace pellmark::exporting {
namespace {

std::string headerOf(Manifest::Layout layout) {
    return std::string("entry_id\tfolder\tsubject\tfile\tsize\tsha256") +
           (layout.offsets ? "\toffset" : "") + (layout.recovered ? "\trecovered" : "") + '\n';
}

// The layout a header line names; nullopt for a line that is no header.
std::optional<Manifest::Layout> layoutOf(const std::string& header) {
    for (bool offsets : {false, true}) {
        for (bool recovered : {false, true}) {
            if (header + '\n' == headerOf({offsets, recovered})) {
                return Manifest::Layout{offsets, recovered};
            }
        }
    }
    return std::nullopt;
}

// The optional fields are on every line of a manifest whose header names them, empty where
// they do not apply.
std::string lineOf(const Manifest::Entry& e, Manifest::Layout layout) {
    std::string line = base::printable(e.entryId) + '\t' + base::printable(e.folderPath) + '\t' +
                       base::printable(e.subject) + '\t' + base::printable(e.file) + '\t' +
                       std::to_string(e.size) + '\t' + e.sha256;
    if (e.offset) {
        line += '\t' + std::to_string(*e.offset);
    } else if (layout.offsets) {
        line += '\t';
    }
    if (layout.recovered) line += '\t' + base::printable(e.recovered);
    return line + '\n';
}

std::optional<Manifest::Entry> parse(const std::string& line, Manifest::Layout layout) {
    std::vector<std::string> fields;
    std::istringstream in(line);
    for (std::string field; std::getline(in, field, '\t');) fields.push_back(field);
    if (!line.empty() && line.back() == '\t') fields.emplace_back();
    const size_t expected = 6 + (layout.offsets ? 1 : 0) + (layout.recovered ? 1 : 0);
    if (fields.size() != expected || fields[0] == "entry_id") return std::nullopt;
    Manifest::Entry e{fields[0], fields[1], fields[2], fields[3], 0, fields[5]};
    try {
        e.size = std::stoull(fields[4]);
        if (layout.offsets && !fields[6].empty()) e.offset = std::stoull(fields[6]);
    } catch (const std::exception&) {
        return std::nullopt;
    }
    if (layout.recovered) e.recovered = fields.back();
    return e;
}

// The layout of the manifest of `exportRoot` by its header line; the plain one when it has
// none.
Manifest::Layout layoutIn(const std::string& exportRoot) {
    std::ifstream in(exportRoot + Manifest::kFileName, std::ios::binary);
    std::string first;
    if (!std::getline(in, first)) return {};
    return layoutOf(first).value_or(Manifest::Layout{});
}

// The file of `e` is there as it was written, reached through real directories.
bool intact(const std::string& root, const Manifest::Entry& e) {
    // An entry of a shared file (an mbox) is never taken as a file of its own.
    if (e.offset) return false;
    const std::string path = root + e.file;
    struct stat st {};
    if (!reachedWithoutLinks(root, e.file) || ::lstat(path.c_str(), &st) != 0 ||
        !S_ISREG(st.st_mode)) {
        return false;
    }
    if (static_cast<uint64_t>(st.st_size) != e.size) return false;
    try {
        return base::sha256OfFile(path) == e.sha256;
    } catch (const base::FileError&) {
        return false;
    }
}

WriteError manifestError(const std::string& path, int error) {
    return WriteError("cannot write the manifest " + path + ": " + std::strerror(error));
}

// Writes `bytes` whole, or fails with the errno of the write that did not.
int writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return errno;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return 0;
}

}  // namespace

Manifest::Manifest(std::string exportRoot, Layout layout)
    : root_(std::move(exportRoot)), layout_(layout) {
    const std::string path = root_ + kFileName;
    fd_ = ::open(path.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (fd_ < 0) throw manifestError(path, errno);
    struct stat st {};
    if (::fstat(fd_, &st) != 0) throw manifestError(path, errno);
    end_ = static_cast<uint64_t>(st.st_size);
    std::string start;
    if (end_ == 0) {
        start = headerOf(layout);
    } else {
        layout_ = layoutIn(root_);
        // A line cut short (the system stopped in the middle of a write) ends where it is.
        char last = '\n';
        if (::pread(fd_, &last, 1, static_cast<off_t>(end_ - 1)) == 1 && last != '\n') start = '\n';
    }
    if (const int error = writeAll(fd_, start)) {
        ::close(fd_);
        throw manifestError(path, error);
    }
    end_ += start.size();
    lastRecord_ = end_;
}

Manifest::~Manifest() {
    if (fd_ >= 0) ::close(fd_);
}

void Manifest::record(const std::vector<Entry>& entries) {
    std::string lines;
    for (Entry relative : entries) {
        if (relative.file.rfind(root_, 0) == 0) relative.file.erase(0, root_.size());
        lines += lineOf(relative, layout_);
    }
    int error = injectedFault(FaultPoint::ManifestWrite);
    if (error != 0) {
        // A full disk takes part of a write: so does the injected one.
        (void)writeAll(fd_, std::string_view(lines).substr(0, lines.size() / 2));
    } else {
        error = writeAll(fd_, lines);
    }
    if (error != 0) {
        // No part of the item's lines stays: the next record starts on a line of its own.
        if (::ftruncate(fd_, static_cast<off_t>(end_)) != 0) {
            // the read side passes over a line it cannot parse
        }
        throw manifestError(root_ + kFileName, error);
    }
    lastRecord_ = end_;
    end_ += lines.size();
}

void Manifest::retract() {
    if (::ftruncate(fd_, static_cast<off_t>(lastRecord_)) != 0) {
        throw manifestError(root_ + kFileName, errno);
    }
    end_ = lastRecord_;
}

std::vector<Manifest::Entry> Manifest::read(const std::string& exportRoot) {
    std::vector<Entry> entries;
    const Layout layout = layoutIn(exportRoot);
    std::ifstream in(exportRoot + kFileName, std::ios::binary);
    for (std::string line; std::getline(in, line);) {
        if (auto e = parse(line, layout)) entries.push_back(std::move(*e));
    }
    return entries;
}

ResumePoint::ResumePoint(const std::string& exportRoot) {
    std::map<std::string, std::vector<Manifest::Entry>> byItem;
    for (auto& e : Manifest::read(exportRoot)) byItem[e.entryId].push_back(std::move(e));
    // The header stays as it was: with the fields it names.
    const Manifest::Layout layout = layoutIn(exportRoot);
    std::string kept = headerOf(layout);
    std::set<std::string> shared;
    for (const auto& [id, files] : byItem) {
        std::vector<bool> whole;
        for (const auto& f : files) whole.push_back(intact(exportRoot, f));
        if (!id.empty() && std::find(whole.begin(), whole.end(), false) == whole.end()) {
            done_.insert(id);
            for (const auto& f : files) kept += lineOf(f, layout);
            continue;
        }
        // An item that did not come out whole is exported again; what it left goes first.
        for (std::size_t i = 0; i < files.size(); ++i) {
            if (whole[i]) ::unlink((exportRoot + files[i].file).c_str());
            if (files[i].offset) shared.insert(files[i].file);
        }
    }
    // A file shared by items (a folder's calendar) is written again whole, with every item of
    // its folder: the run before may have cut its last one short.
    for (const std::string& file : shared) {
        if (reachedWithoutLinks(exportRoot, file)) ::unlink((exportRoot + file).c_str());
    }
    // Written aside and moved over the old one, so that no moment leaves no record.
    const std::string path = exportRoot + Manifest::kFileName;
    writeWholeFile(path + ".new", kept);
    if (::rename((path + ".new").c_str(), path.c_str()) != 0) {
        throw manifestError(path, errno);
    }
}

}  // namespace pellmark::exporting
