#include "export/CalendarFileOutput.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

#include "base/Sha256.h"
#include "base/Text.h"
#include "export/Faults.h"
#include "export/OutputNaming.h"

namespace pellmark::exporting {

namespace {

using formats::calendar::calendarHead;
using formats::calendar::calendarTail;

[[noreturn]] void fail(const std::string& what, const std::string& path, int error) {
    throw WriteError(what + " " + path + ": " + std::strerror(error));
}

void writeAt(int fd, std::string_view bytes, uint64_t offset, const std::string& path) {
    while (!bytes.empty()) {
        const ssize_t n = ::pwrite(fd, bytes.data(), bytes.size(), static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) fail("cannot write", path, n < 0 ? errno : EIO);
        bytes.remove_prefix(static_cast<size_t>(n));
        offset += static_cast<uint64_t>(n);
    }
}

std::string readScratch(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    if (!in) fail("cannot read", path, errno ? errno : EIO);
    return std::move(text).str();
}

bool isCalendar(const std::string& path) {
    return path.size() > 4 && path.compare(path.size() - 4, 4, ".ics") == 0;
}

}  // namespace

CalendarFileOutput::CalendarFileOutput(std::string directory, bool fresh, std::string folderName)
    : FolderOutput(std::move(directory), fresh), stem_(fileStem(folderName)) {
    if (base::trimmed(stem_).empty()) stem_ = "Calendar";
}

CalendarFileOutput::~CalendarFileOutput() {
    if (fd_ >= 0) ::close(fd_);
}

FolderOutput::Written CalendarFileOutput::place(Placing file, Ledger& ledger,
                                                store::MailItem* item) {
    if (!isCalendar(file.scratch)) return FolderOutput::place(std::move(file), ledger, item);
    formats::calendar::CalendarFile::Entry entry;
    try {
        entry = calendar_.entryOf(readScratch(file.scratch));
    } catch (const WriteError&) {
        discard(file.scratch);
        throw;
    } catch (const std::exception& error) {
        discard(file.scratch);
        throw WriteError(error.what());
    }
    discard(file.scratch);
    base::Sha256 sha;
    sha.update(entry.text);
    Written written{path_, entry.text.size(), sha.hex(), end_};
    if (fd_ < 0) {
        written.offset = create(entry.text, ledger, written);
    } else {
        // The item's record goes first, so its bytes are never in the file without it.
        ledger.record({written});
        try {
            if (const int error = injectedFault(FaultPoint::BeforeMoves)) {
                fail("cannot write", path_, error);
            }
            writeAt(fd_, entry.text + std::string(calendarTail()), end_, path_);
        } catch (...) {
            // The file goes back to its last whole item.
            if (::ftruncate(fd_, static_cast<off_t>(end_)) == 0) {
                try {
                    writeAt(fd_, calendarTail(), end_, path_);
                } catch (const WriteError&) {
                    // the next item that goes in writes the closing line again
                }
            }
            ledger.retract();
            throw;
        }
    }
    written.path = path_;
    end_ = *written.offset + entry.text.size();
    calendar_.keep(entry);
    return written;
}

uint64_t CalendarFileOutput::create(const std::string& entry, Ledger& ledger,
                                    const Written& record) {
    Placing name{{}, [&](int attempt) { return numberedName(stem_ + ".ics", attempt + 1); }};
    claim(name);
    Written first = record;
    first.path = name.path;
    first.offset = calendarHead().size();
    try {
        ledger.record({first});
    } catch (...) {
        unclaim(name);
        throw;
    }
    try {
        if (const int error = injectedFault(FaultPoint::BeforeMoves)) {
            fail("cannot create", name.path, error);
        }
        // Made with its first item: no file without a recorded item in it.
        fd_ = ::open(name.path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd_ < 0) fail("cannot create", name.path, errno);
        writeAt(fd_, std::string(calendarHead()) + entry + std::string(calendarTail()), 0,
                name.path);
    } catch (...) {
        if (fd_ >= 0) {
            ::close(fd_);
            fd_ = -1;
            ::unlink(name.path.c_str());
        }
        ledger.retract();
        unclaim(name);
        throw;
    }
    path_ = name.path;
    return *first.offset;
}

}  // namespace pellmark::exporting
