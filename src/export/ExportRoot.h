#pragma once
// The export root of one run, taken for the run's length: a second run into the same root is
// refused while this one holds it (two runs at once would write items twice and leave files out
// of each other's manifests). It also tells what the root held before the run: an earlier
// export, which one (the format it wrote and the mailbox it read, for a resumed run to check
// that it finishes the same export), and what killed runs left behind.

#include <optional>
#include <string>

#include "export/FolderOutput.h"  // WriteError

namespace pellmark::exporting {

// Another run holds the root.
class RootBusy : public WriteError {
  public:
    using WriteError::WriteError;
};

// What an export is.
struct ExportIdentity {
    std::string format;       // "eml", "maildir", ...
    std::string mailbox;      // what the mailbox is known by wherever its file lies
    std::string file;         // where it was read from, for people reading the file
    std::string review = {};  // how it is made for review (Production::identity); empty: not

    // The same export: the same format of the same mailbox, made alike for review, wherever
    // its file was read from.
    bool sameExport(const ExportIdentity& other) const {
        return format == other.format && mailbox == other.mailbox && review == other.review;
    }
};

class ExportRoot {
  public:
    // Beside the manifest: what the export is.
    static constexpr const char* kIdentityFile = ".pellmark-export";

    // Makes the root `path` (ending with '/') with its parents and takes it. Throws RootBusy
    // while another run holds it, WriteError when it cannot be made or opened.
    explicit ExportRoot(std::string path);
    ~ExportRoot();
    ExportRoot(const ExportRoot&) = delete;
    ExportRoot& operator=(const ExportRoot&) = delete;

    const std::string& path() const { return path_; }
    // Whether the root held anything when this run took it.
    bool heldAnything() const { return heldAnything_; }
    // What the export in the root is, when an earlier run said so.
    std::optional<ExportIdentity> identity() const;
    // Says what the export in the root is. Throws WriteError.
    void setIdentity(const ExportIdentity& identity);

    // Removes what runs that could not end cleanly (killed) left anywhere below the root:
    // scratch directories and files, a manifest's unfinished rewrite, Maildir deliveries that
    // never reached cur/. No other run can be using them while this one holds the root.
    void removeLeftovers();

  private:
    std::string path_;
    int fd_ = -1;
    bool heldAnything_ = false;
};

}  // namespace pellmark::exporting
