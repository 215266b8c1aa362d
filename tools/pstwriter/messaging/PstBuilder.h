#pragma once
// Shapes a small mailbox in memory and writes it in one call; the way tests make fixtures:
//
//     PstBuilder b;
//     auto& inbox = b.root().addFolder("Inbox", "IPF.Note");
//     inbox.addMessage().setSubject("Hello").setBody("Hi there");
//     b.write(dir / "x.pst", {Format::Unicode, CryptMethod::Permute});
//
// root() is the top of the visible folder tree (the IPM subtree); storeRoot() the hidden root
// above it, for folders outside the visible tree.

#include <filesystem>
#include <map>

#include "pstwriter/messaging/Model.h"
#include "pstwriter/messaging/PstWriter.h"

namespace pellmark::pstwriter {

struct FileVariant {
    Format format = Format::Unicode;
    CryptMethod crypt = CryptMethod::Permute;
};

class PstBuilder {
  public:
    PstBuilder();

    Folder& root() { return ipm_; }
    Folder& deletedItems() { return deleted_; }
    Folder& storeRoot() { return hidden_; }
    // Store name, special folder names, code page, times; format and encoding come from write().
    WriteOptions& options() { return options_; }

    // Writes the file; throws std::runtime_error (I/O) or std::invalid_argument (bad content),
    // leaving nothing at `path`.
    void write(const std::filesystem::path& path, FileVariant variant = {}) const;
    // The node id each message of the folders will have in the written file, for entry ids
    // that point from one item to another (a distribution list's contact members).
    std::map<const Message*, uint32_t> messageNodeIds() const;
    // The entry id of `m`, one of the folders' messages, in the written file.
    ByteVec entryIdOf(const Message& m, const std::map<const Message*, uint32_t>& ids) const;

  private:
    WriteOptions options_;
    Folder ipm_;
    Folder deleted_;
    Folder hidden_;
};

// Writes `folder`'s messages and subfolders into the open folder `target`.
void writeFolderContents(PstWriter& writer, FolderHandle target, const Folder& folder);

}  // namespace pellmark::pstwriter
