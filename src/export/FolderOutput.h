#pragma once
// Writes files into one output directory without ever replacing a file that is already there,
// from an earlier run or an earlier item, and never a file its ledger (the manifest) does not
// record. Each file is first written under a private scratch directory inside the output
// directory; it then gets its name, its record is written, and it is moved to the name by an
// operation that refuses to replace. So no half-written file ever carries a final name, no race
// can overwrite one, and a run that ends at any moment leaves no file without its record.

#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <unordered_set>
#include <vector>

#include "store/MailStore.h"

namespace pellmark::exporting {

// A file could not be written; what() says why.
class WriteError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// A file in its place.
struct PlacedFile {
    std::string path;  // the file's full path
    uint64_t bytes = 0;
    std::string sha256 = {};  // when known
    // Where in a shared file (an mbox) the item's bytes start.
    std::optional<uint64_t> offset = {};
};

// Where the files of an item are recorded before they take their names.
class Ledger {
  public:
    virtual ~Ledger() = default;
    // Records one item's files, all at once; throws WriteError when it cannot.
    virtual void record(const std::vector<PlacedFile>& files) = 0;
    // Takes back the last record: its files did not take their names after all.
    virtual void retract() = 0;
};

// For outputs that keep no record.
class NoLedger : public Ledger {
  public:
    void record(const std::vector<PlacedFile>&) override {}
    void retract() override {}
};

class FolderOutput {
  public:
    using Written = PlacedFile;
    // Writes the file's content to the path it is given.
    using Writer = std::function<void(const std::string& scratchPath)>;
    // The name to try at attempt 0, 1, ...
    using Namer = std::function<std::string(int attempt)>;

    // A file written under a scratch name, waiting for its name.
    struct Placing {
        std::string scratch;
        Namer nameFor;
        std::string sha256 = {};  // of the scratch file, when it is to be recorded
        std::string path = {};    // its name, once claimed
    };

    // `directory` ends with '/' and exists (or writes fail). `fresh`: this run made it, so no
    // file was there before it and none is put there but by this output.
    explicit FolderOutput(std::string directory, bool fresh = false);
    virtual ~FolderOutput();
    FolderOutput(const FolderOutput&) = delete;
    FolderOutput& operator=(const FolderOutput&) = delete;

    const std::string& directory() const { return directory_; }

    // A scratch path of its own for each file (ending with `extension`); safe to call from any
    // thread.
    std::string reserveScratch(const std::string& extension);
    // Removes a scratch file whose writing or placing failed.
    void discard(const std::string& scratchPath);

    // Chooses the file's name: the first from its namer that no entry of the directory holds
    // and that differs by more than letter case from every name this output gave. Throws
    // WriteError when there is none.
    void claim(Placing& file);
    // Frees the name of a claimed file that will not be placed.
    void unclaim(const Placing& file);
    // Records the claimed `files` (one item's) with `ledger`, then moves them to their names,
    // all or none: when a move fails, those done go back, the record is taken back and the
    // names are free again. The scratch files stay for the caller to discard on failure.
    // Throws WriteError.
    std::vector<Written> commit(std::vector<Placing>& files, Ledger& ledger);

    // One item's one file: claimed and committed. A mailbox output puts a message into its
    // mailbox instead (`item` tells it the message's state). The scratch file is gone
    // whether this succeeds or throws.
    virtual Written place(Placing file, Ledger& ledger, store::MailItem* item = nullptr);

    // Runs `writer` on a scratch file, then places it unrecorded (tests and one-off files).
    // An exception of `writer` passes through; no file is left behind on any failure.
    Written write(const Writer& writer, const Namer& nameFor, const std::string& extension = {},
                  store::MailItem* item = nullptr);

    static constexpr int kMaxAttempts = 10000;
    static constexpr uint64_t kScratchDirectories = 4;

  private:
    const std::string& scratchDirectory();
    void release(const std::vector<Placing>& files);

    std::string directory_;
    bool fresh_;
    std::mutex scratchMutex_;
    std::string scratch_;
    uint64_t scratchFiles_ = 0;
    // The case-folded keys of the names given, and of those the directory held before.
    std::unordered_set<uint64_t> given_;
    bool scanned_ = false;
};

}  // namespace pellmark::exporting
