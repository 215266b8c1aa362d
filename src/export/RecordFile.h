#pragma once
// A file of records kept in an export root, appended to one record at a time: the manifest and
// the load file. Each record is written in one write and can be taken back while it is the
// last; a write that fails leaves no part of its record behind, and a record cut short by a
// killed run ends where it is, so the next starts on a line of its own.

#include <cstdint>
#include <string>
#include <string_view>

namespace pellmark::exporting {

class RecordFile {
  public:
    // Opens `path` to append to it (never through a symbolic link), writing `header` first
    // when the file is new or empty; `lineEnd` ends a record left cut short. Throws
    // WriteError.
    RecordFile(std::string path, std::string_view header, std::string_view lineEnd);
    ~RecordFile();
    RecordFile(const RecordFile&) = delete;
    RecordFile& operator=(const RecordFile&) = delete;

    // Appends one record whole, or nothing of it; `injected` is an error to act out (a full
    // disk takes half of the write) instead of writing. Throws WriteError.
    void append(std::string_view record, int injected = 0);
    // Takes back the last record appended.
    void retract();

    const std::string& path() const { return path_; }

  private:
    std::string path_;
    int fd_ = -1;
    uint64_t end_ = 0;         // the size of the file after the last whole record
    uint64_t lastRecord_ = 0;  // where the last record starts
};

// Writes `bytes` whole to `fd`, or returns the errno of the write that did not.
int writeAll(int fd, std::string_view bytes);

}  // namespace pellmark::exporting
