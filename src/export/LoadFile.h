#pragma once
// The load file by which review platforms take in an export: a Concordance DAT,
// export-loadfile.dat, beside the export. UTF-8 with a byte order mark; every field between
// the quote þ (U+00FE), a þ inside one doubled; fields apart by the character 0x14; a line
// break inside a field written ® (U+00AE); rows ending with CR LF. The first row names the
// fields. A row per document: each message (or other item) and each of its attachments,
// written beside it; the attachments' rows follow their message's, and a message with its
// attachments is a family (BEGATTACH to ENDATTACH, PARENT_DOCID on the attachments' rows). A
// copy of a message left out of the export has a row of its own, naming the document it
// duplicates, with no native file.
//
// Kept like the manifest: a family's rows in one write, before its files take their names,
// taken back when they cannot; a resumed export keeps the rows of the items it passes over.

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace pellmark::exporting {

class RecordFile;

class LoadFile {
  public:
    static constexpr const char* kFileName = "export-loadfile.dat";

    // One row. Times are UTC in ISO 8601 ("2024-05-01T09:30:00Z"); hashes lower-case hex.
    struct Document {
        std::string begDoc;
        std::string endDoc;
        std::string begAttach;  // the family's first document
        std::string endAttach;  // and its last
        std::string parentDocId;
        std::string duplicateOf;
        std::string custodian;
        std::string folderPath;
        std::string from;
        std::string to;
        std::string cc;
        std::string bcc;
        std::string subject;
        std::string dateSent;
        std::string dateReceived;
        std::string messageId;
        std::string conversationIndex;
        std::string attachmentCount;
        std::string fileName;
        std::string fileExtension;
        std::string nativePath;  // relative to the load file's directory, '/' between names
        std::string fileSize;
        std::string md5;
        std::string sha1;
        std::string sha256;
        std::string entryId;
        std::string contentHash;
    };

    // Opens the load file in `directory` (ending with '/') to append to it, creating it with
    // its header row when there is none. Throws WriteError.
    explicit LoadFile(std::string directory);
    ~LoadFile();
    LoadFile(const LoadFile&) = delete;
    LoadFile& operator=(const LoadFile&) = delete;

    // Appends one family's rows in one write; a native path below the directory is made
    // relative to it. Throws WriteError.
    void record(std::vector<Document> family);
    // Takes back the rows of the last record().
    void retract();

    // The rows of the load file at `path`; rows that cannot be read are passed over.
    static std::vector<Document> read(const std::string& path);
    // Rewrites the load file of `directory` to hold only the rows of `documents`.
    static void keepOnly(const std::string& directory,
                         const std::unordered_set<std::string>& documents);
    // Writes `rows` as the load file at `path`: aside, then moved over what is there.
    static void writeWhole(const std::string& path, const std::vector<Document>& rows);

    // The byte order mark and the header row.
    static std::string header();
    static std::string rowOf(const Document& document);
    static std::optional<Document> parseRow(std::string_view row);

  private:
    std::string directory_;
    std::unique_ptr<RecordFile> file_;
};

}  // namespace pellmark::exporting
