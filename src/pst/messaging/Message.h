#pragma once
// A message ([MS-PST] 2.4.5): its properties, its recipient table and its attachments. The same
// type serves messages of the node B-tree and messages embedded in attachments.

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "mapi/Recipient.h"
#include "pst/ltp/PropertyContext.h"

namespace pellmark::pst {

class PstFile;
class Attachment;

class Message {
  public:
    // With `readableOnly`, properties whose values cannot be read are left out (what is
    // recovered of a deleted message whose subnodes are lost).
    Message(std::shared_ptr<const PstFile> file, const Node& node, bool readableOnly = false);

    NodeId id() const { return node_.id(); }
    const std::shared_ptr<const PstFile>& file() const { return file_; }
    const PropertyContext& props() const { return *props_; }
    // The code page of this item's 8-bit text: its internet code page, else its message code
    // page, else the store's.
    uint32_t codepage() const { return codepage_; }

    std::optional<mapi::PropValue> get(uint16_t propId) const { return props_->get(propId); }
    // A string property as UTF-8, or nullopt when absent or not a string.
    std::optional<std::string> string(uint16_t propId) const;
    std::string messageClass() const;
    // The subject without the two-character prefix marker some writers store before it.
    std::string subject() const;

    std::vector<mapi::Recipient> recipients() const;
    size_t attachmentCount() const;
    // Attachments in the order of the attachment table; index from 0.
    Attachment attachment(size_t index) const;

  private:
    std::shared_ptr<const PstFile> file_;
    Node node_;
    std::shared_ptr<const PropertyContext> props_;
    uint32_t codepage_;
};

class Attachment {
  public:
    Attachment(std::shared_ptr<const PstFile> file, const Node& node, uint32_t codepage);

    NodeId id() const { return node_.id(); }
    const PropertyContext& props() const { return *props_; }
    uint32_t codepage() const { return codepage_; }

    // The message of a PtypObject data value; throws PstError(NotFound) when there is none.
    // What else an attachment tells (its file name, method and data) the item model reads
    // from its properties (pst/messaging/Items.h).
    Message embeddedMessage() const;

  private:
    std::shared_ptr<const PstFile> file_;
    Node node_;
    std::shared_ptr<const PropertyContext> props_;
    uint32_t codepage_;
};

}  // namespace pellmark::pst
