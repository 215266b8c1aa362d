#pragma once
// What the mailboxes of one run share when their export is made for review: the document ids,
// a prefix and a running number handed out in export order across every mailbox, and the
// messages written so far by their content hash, so that a copy of one in any folder or
// mailbox of the run is left out and listed with the document it duplicates.

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>

namespace pellmark::exporting {

struct ProductionOptions {
    bool loadFile = false;  // a load file beside the export, and attachments written beside
    bool dedupe = false;    // copies of a message written before are left out
    std::string prefix = "DOC";
    // Shard `shard` of `shards` (from 1) of a run split over machines: its document ids carry
    // the shard's number, so that no two shards hand out the same one. 0: not split.
    int shard = 0;
    int shards = 0;
};

class Production {
  public:
    explicit Production(ProductionOptions options);

    const ProductionOptions& options() const { return options_; }

    // The next document id: the prefix, the shard's number and a dash when split, and a
    // running number of eight digits (more when it outgrows them).
    std::string nextId();
    // The running number of `id` when it is one of this production's; makes nextId() hand out
    // only later ones, so that no id is ever handed out twice, also across resumed runs.
    void passOver(const std::string& id);
    // Passes over every document id the export root's manifest and load file name.
    void passOverExport(const std::string& exportRoot);

    // The document a message of `contentHash` was written as, when one was.
    std::optional<std::string> originalOf(const std::string& contentHash) const;
    // Whether `docId` is a document written as an original (not a copy) so far.
    bool isOriginal(const std::string& docId) const;
    // Notes that the message of `contentHash` was written as `docId`; the first stays.
    void written(const std::string& contentHash, const std::string& docId);

    // What the export's identity records of the production, so that a resumed run is made
    // alike: the load file, the dedupe, the prefix, the shard and the custodian.
    std::string identity(const std::string& custodian) const;

  private:
    std::string idPrefix() const;

    ProductionOptions options_;
    uint64_t next_ = 1;
    std::unordered_map<std::string, std::string> originals_;  // content hash to document
    std::unordered_map<std::string, std::string> documents_;  // document to content hash
};

// The shard (from 1) of `shards` that the mailbox known by `key` falls in: by the first eight
// bytes of the key's SHA-256, so that every machine of a run reckons it alike.
int shardOf(const std::string& key, int shards);

}  // namespace pellmark::exporting
