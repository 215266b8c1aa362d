#pragma once
// The records of one item's files: its lines in the manifest and, in an export for review, its
// documents: an id for the item and for each attachment written beside it, and the family's
// rows in the load file. Written before the files take their names, and taken back when they
// cannot take them.

#include <optional>
#include <string>
#include <vector>

#include "base/Digests.h"
#include "export/AttachmentLinks.h"
#include "export/FolderOutput.h"
#include "export/LoadFile.h"
#include "export/Manifest.h"
#include "store/MailStore.h"

namespace pellmark::exporting {

class Production;

// What an export for review adds to an item's records.
struct ReviewRecord {
    Production& production;
    LoadFile* loadFile;  // null without a load file
    const std::string& custodian;
    const store::DocumentFacts& facts;
    const std::string& contentHash;
    const base::FileDigests& digests;                    // of the item's file
    const std::vector<RenderedAttachment>& attachments;  // written beside it
};

class ItemLedger : public Ledger {
  public:
    // `recovered` says how a recovered item was found (empty for the others).
    ItemLedger(Manifest* manifest, store::MailItem& item, const std::string& folderPath,
               const std::string& recovered, std::optional<ReviewRecord> review = std::nullopt)
        : manifest_(manifest),
          item_(item),
          folderPath_(folderPath),
          recovered_(recovered),
          review_(std::move(review)) {}

    // The files are the attachments written (as the review's `attachments` has them, the
    // failed ones left out), then the item's own file.
    void record(const std::vector<PlacedFile>& files) override;
    void retract() override;
    // The item's document id, once recorded in an export for review.
    const std::string& documentId() const { return documentId_; }

  private:
    void recordReview(const std::vector<PlacedFile>& files, std::vector<Manifest::Entry>& entries,
                      const std::string& entryId, const std::string& subject);

    Manifest* manifest_;
    store::MailItem& item_;
    const std::string& folderPath_;
    const std::string& recovered_;
    std::optional<ReviewRecord> review_;
    std::string documentId_;
};

// The row of an item in the load file, with what `facts` tell of it.
LoadFile::Document loadFileDocument(const store::DocumentFacts& facts, const std::string& subject);

}  // namespace pellmark::exporting
