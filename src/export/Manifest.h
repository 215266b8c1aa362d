#pragma once
// The record an export keeps in its root, export-manifest.tsv: a header line, then one line
// per file written (item files and the attachments written beside them), each with the
// item's entry identifier, its folder path, its subject, the file's path below the export
// root, its size and its SHA-256, separated by TABs. A message of an mbox export names the
// folder's mbox file, and a seventh field gives the byte offset of its entry in that file (the
// size and hash are the entry's; the field is empty on the lines of other files).
//
// An export made for review (with a load file or with duplicates left out) adds four fields:
// each file's document id, the document id a left-out copy duplicates, the custodian and the
// item's content hash (on its own file's line). A copy left out has one line without a file,
// which names the document it duplicates.
//
// An export that recovers deleted items has a last field, "recovered", saying how an item no
// folder lists was found (empty for the others). The header line names the fields a manifest
// has, and its lines are read by it.
//
// A file is in the export root if and only if its line is: an item's lines are written, in
// one write, before its files take their names, and taken back when they cannot. So a run
// that ends at any moment, a killed one included, leaves at worst lines whose files are not
// there, which a resumed run finds and writes again; never a file the record does not know.
// It serves anyone handing mail over as evidence, and a resumed export reads it to pass over
// the items already out.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

namespace pellmark::exporting {

class RecordFile;

enum class ManifestFields {
    Plain,    // the six fields
    Offsets,  // and the offset
    Review,   // and the offset and the review fields
};

// The fields of a manifest's lines, as its header line names them.
struct ManifestLayout {
    ManifestFields fields = ManifestFields::Plain;
    bool recovered = false;  // and the last field, recovered
    bool operator==(const ManifestLayout&) const = default;
};

class Manifest {
  public:
    static constexpr const char* kFileName = "export-manifest.tsv";

    struct Entry {
        std::string entryId;
        std::string folderPath;
        std::string subject;
        std::string file;  // below the export root; empty on a left-out copy's line
        uint64_t size = 0;
        std::string sha256;
        std::optional<uint64_t> offset = {};  // of an entry in a shared file
        // The review fields.
        std::string docId = {};
        std::string duplicateOf = {};
        std::string custodian = {};
        std::string contentHash = {};
        std::string recovered = {};  // how a recovered item was found
    };

    using Fields = ManifestFields;
    using Layout = ManifestLayout;

    // Opens the manifest of `exportRoot` (ending with '/') to append to it, creating it with
    // its header line when there is none (naming the fields `layout` asks for); an existing one
    // keeps the fields its header names. Throws WriteError.
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
    // The fields the manifest of `exportRoot` has, by its header; nullopt when it has none.
    static std::optional<Layout> layoutOf(const std::string& exportRoot);
    // Its header line with `layout`, ending with '\n'.
    static std::string header(Layout layout);
    // One line of it.
    static std::string lineOf(const Entry& entry, Layout layout);

  private:
    std::string root_;
    Layout layout_;
    std::unique_ptr<RecordFile> file_;
};

// What a resumed export passes over: the items whose every file the manifest lists is still
// there with its size and hash, reached through real directories of the export root. The
// manifest is rewritten to hold only those items' lines; the files of items that did not come
// out whole are removed when still as written, so that nothing is written twice.
class ResumePoint {
  public:
    // What a review export asks beyond whole files.
    struct Checks {
        // The documents the export's load file lists: an item with a document it does not
        // list is written again. Null: the export keeps no load file.
        const std::unordered_set<std::string>* listed = nullptr;
        // Whether a document of another mailbox of the run, exported before this one, is
        // still there: a copy left out for it is passed over only then.
        std::function<bool(const std::string& docId)> keptElsewhere = {};
    };

    explicit ResumePoint(const std::string& exportRoot) : ResumePoint(exportRoot, Checks{}) {}
    ResumePoint(const std::string& exportRoot, const Checks& checks);
    bool done(const std::string& entryId) const { return done_.count(entryId) > 0; }
    std::size_t doneItems() const { return done_.size(); }
    // The documents of the items passed over.
    const std::unordered_set<std::string>& keptDocuments() const { return keptDocuments_; }
    // The content hash and document id of each item passed over that is no left-out copy and
    // no recovered item (which is never the original of a copy).
    const std::vector<std::pair<std::string, std::string>>& keptOriginals() const {
        return keptOriginals_;
    }

  private:
    std::unordered_set<std::string> done_;
    std::unordered_set<std::string> keptDocuments_;
    std::vector<std::pair<std::string, std::string>> keptOriginals_;
};

}  // namespace pellmark::exporting
