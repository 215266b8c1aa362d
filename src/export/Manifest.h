#pragma once
// The record an export keeps in its root, export-manifest.tsv: a header line, then one line
// per file written (item files and the attachments written beside HTML pages), each with the
// item's entry identifier, its folder path, its subject, the file's path below the export
// root, its size and its SHA-256, separated by TABs. A message of an mbox export names the
// folder's mbox file, and a seventh field gives the byte offset of its entry in that file (the
// size and hash are the entry's; the field is empty on the lines of other files). An export
// that recovers deleted items has a last field, "recovered", saying how an item no folder
// lists was found (empty for the others).
//
// A file is in the export root if and only if its line is: an item's lines are written, in
// one write, before its files take their names, and taken back when they cannot. So a run
// that ends at any moment, a killed one included, leaves at worst lines whose files are not
// there, which a resumed run finds and writes again; never a file the record does not know.
// It serves anyone handing mail over as evidence, and a resumed export reads it to pass over
// the items already out.

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

namespace pellmark::exporting {

// The optional fields a manifest's lines have, as its header line names them.
struct ManifestLayout {
    bool offsets = false;
    bool recovered = false;
};

class Manifest {
  public:
    static constexpr const char* kFileName = "export-manifest.tsv";

    struct Entry {
        std::string entryId;
        std::string folderPath;
        std::string subject;
        std::string file;  // below the export root
        uint64_t size = 0;
        std::string sha256;
        std::optional<uint64_t> offset = {};  // of an entry in a shared file
        std::string recovered = {};           // how a recovered item was found
    };
    using Layout = ManifestLayout;

    // Opens the manifest of `exportRoot` (ending with '/') to append to it, creating it with
    // its header line when there is none (naming the optional fields `layout` asks for); an
    // existing one keeps the fields its header names. Throws WriteError.
    explicit Manifest(std::string exportRoot, Layout layout = {});
    ~Manifest();
    Manifest(const Manifest&) = delete;
    Manifest& operator=(const Manifest&) = delete;

    // Appends the lines of one item's files in one write; each `entry.file` is the file's full
    // path. A write that fails leaves no part of them behind. Throws WriteError.
    void record(const std::vector<Entry>& entries);
    // Takes back the lines of the last record(), whose files did not take their names.
    void retract();

    const std::string& exportRoot() const { return root_; }

    // The entries of the manifest of `exportRoot`; lines that cannot be parsed are passed over.
    static std::vector<Entry> read(const std::string& exportRoot);

  private:
    std::string root_;
    Layout layout_;
    int fd_ = -1;
    uint64_t end_ = 0;         // the size of the file after the last whole record
    uint64_t lastRecord_ = 0;  // where the last record starts
};

// What a resumed export passes over: the items whose every file the manifest lists is still
// there with its size and hash, reached through real directories of the export root. The
// manifest is rewritten to hold only those items' lines; the files of items that did not come
// out whole are removed when still as written, so that nothing is written twice.
class ResumePoint {
  public:
    explicit ResumePoint(const std::string& exportRoot);
    bool done(const std::string& entryId) const { return done_.count(entryId) > 0; }
    std::size_t doneItems() const { return done_.size(); }

  private:
    std::unordered_set<std::string> done_;
};

}  // namespace pellmark::exporting
