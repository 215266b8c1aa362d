#pragma once
// Writes files into one output directory without ever replacing a file that is already there,
// from an earlier run or an earlier item. Each file is first written under a private scratch
// directory inside the output directory, then moved to its name by an operation that refuses
// to replace; when the name is taken the next candidate name is tried. So no half-written file
// ever carries a final name and no race can overwrite one.

#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>

#include "store/MailStore.h"

namespace pellmark::exporting {

// A file could not be written; what() says why.
class WriteError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

class FolderOutput {
  public:
    struct Written {
        std::string path;  // the file's full path
        uint64_t bytes = 0;
        // Set by outputs that change what they place (mailbox files): the SHA-256 of the bytes
        // written, and where in a shared file (an mbox) they start.
        std::string sha256 = {};
        std::optional<uint64_t> offset = {};
    };
    // Writes the file's content to the path it is given.
    using Writer = std::function<void(const std::string& scratchPath)>;
    // The name to try at attempt 0, 1, ...
    using Namer = std::function<std::string(int attempt)>;

    // `directory` ends with '/' and exists (or writes fail).
    explicit FolderOutput(std::string directory);
    virtual ~FolderOutput();
    FolderOutput(const FolderOutput&) = delete;
    FolderOutput& operator=(const FolderOutput&) = delete;

    const std::string& directory() const { return directory_; }

    // Runs `writer`, then gives its file the first free name from `nameFor`. The scratch file
    // the writer gets ends with `extension`, like the final name. Throws WriteError when the
    // directory is unusable, when no file was written or no free name was found; an exception
    // of `writer` passes through. No file is left behind on any failure. `item` is the item
    // the file holds, for outputs that place files by what the item is (MailboxOutput).
    Written write(const Writer& writer, const Namer& nameFor, const std::string& extension = {},
                  store::MailItem* item = nullptr);

    // The two halves of write(), for files written on other threads: a scratch path of its own
    // for each file (ending with `extension`; safe to call from any thread), and the move of a
    // written scratch file to its first free name. place() removes the scratch file on failure.
    std::string reserveScratch(const std::string& extension);
    Written place(const std::string& scratchPath, const Namer& nameFor,
                  store::MailItem* item = nullptr) {
        return placeFile(scratchPath, nameFor, item);
    }
    // Removes a scratch file whose writing failed.
    void discard(const std::string& scratchPath);

    static constexpr int kMaxAttempts = 10000;
    static constexpr uint64_t kScratchDirectories = 4;

  protected:
    // Moves the scratch file to its name in this directory; a mailbox output puts messages into
    // its mailbox instead.
    virtual Written placeFile(const std::string& scratchPath, const Namer& nameFor,
                              store::MailItem* item);

  private:
    const std::string& scratchDirectory();

    std::string directory_;
    std::mutex scratchMutex_;
    std::string scratch_;
    uint64_t scratchFiles_ = 0;
};

}  // namespace pellmark::exporting
