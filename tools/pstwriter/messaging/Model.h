#pragma once
// What a mailbox is made of, as tests and the command-line tool describe it: folders holding
// messages, messages holding recipients, attachments and embedded messages, each a bag of
// properties. Nothing here knows the file format; PstWriter turns it into one.

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "pstwriter/ltp/PropValue.h"

namespace pellmark::pstwriter {

class PropertyBag {
  public:
    void set(uint16_t id, PropValue value) { tagged_[id] = std::move(value); }
    void set(const NamedProp& name, PropValue value);
    void setString(uint16_t id, std::string utf8) { set(id, PropValue::string(std::move(utf8))); }
    void setInt(uint16_t id, int32_t v) { set(id, PropValue::int32(v)); }
    void setBool(uint16_t id, bool v) { set(id, PropValue::boolean(v)); }
    void setTime(uint16_t id, uint64_t fileTime) { set(id, PropValue::time(fileTime)); }

    const PropValue* get(uint16_t id) const;
    const PropValue* get(const NamedProp& name) const;
    std::string getString(uint16_t id) const;
    const std::map<uint16_t, PropValue>& tagged() const { return tagged_; }
    const std::vector<std::pair<NamedProp, PropValue>>& named() const { return named_; }

  private:
    std::map<uint16_t, PropValue> tagged_;
    std::vector<std::pair<NamedProp, PropValue>> named_;
};

enum class RecipientType : int32_t { To = 1, Cc = 2, Bcc = 3 };

struct Recipient : PropertyBag {};

class Message;

struct Attachment : PropertyBag {
    // By-value content: bytes or a generated stream. An embedded message instead when set.
    PropValue content = PropValue::binary(ByteVec{});
    std::unique_ptr<Message> embedded;

    Attachment& setFileName(const std::string& name);
    Attachment& setMimeType(const std::string& mime);
    // Marks the attachment as an inline image referenced from the HTML body as cid:<id>.
    Attachment& setContentId(const std::string& id);
};

class Message : public PropertyBag {
  public:
    explicit Message(std::string messageClass = "IPM.Note");

    // Written, then deleted: no folder lists it, its blocks stay in free space
    // (PstWriter::addDeletedMessage).
    bool deleted = false;

    std::vector<Recipient>& recipients() { return recipients_; }
    const std::vector<Recipient>& recipients() const { return recipients_; }
    std::vector<std::unique_ptr<Attachment>>& attachments() { return attachments_; }
    const std::vector<std::unique_ptr<Attachment>>& attachments() const { return attachments_; }

    Message& setSubject(const std::string& subject);
    Message& setBody(const std::string& text);
    Message& setHtml(const std::string& html);
    // RTF text, stored as PR_RTF_COMPRESSED.
    Message& setRtf(const std::string& rtf);
    Message& setSender(const std::string& name, const std::string& email);
    // Sets the submit and delivery times.
    Message& setDate(uint64_t fileTime);
    Message& setRead(bool read);
    Recipient& addRecipient(const std::string& name, const std::string& email,
                            RecipientType type = RecipientType::To);
    Attachment& addAttachment(const std::string& fileName, ByteVec bytes);
    Attachment& addAttachment(const std::string& fileName,
                              std::shared_ptr<const ContentSource> src);
    // An attachment holding an embedded message of the given class, returned for filling.
    Message& addEmbeddedMessage(const std::string& messageClass = "IPM.Note",
                                const std::string& displayName = "");

  private:
    std::vector<Recipient> recipients_;
    std::vector<std::unique_ptr<Attachment>> attachments_;
};

class Folder {
  public:
    Folder(std::string name, std::optional<std::string> containerClass)
        : name_(std::move(name)), containerClass_(std::move(containerClass)) {}

    const std::string& name() const { return name_; }
    const std::optional<std::string>& containerClass() const { return containerClass_; }
    // Further folder properties (PR_COMMENT, ...).
    PropertyBag& properties() { return props_; }
    const PropertyBag& properties() const { return props_; }

    Folder& addFolder(const std::string& name, std::optional<std::string> containerClass = {});
    Message& addMessage(const std::string& messageClass = "IPM.Note");

    const std::vector<std::unique_ptr<Folder>>& folders() const { return folders_; }
    const std::vector<std::unique_ptr<Message>>& messages() const { return messages_; }
    Folder* findFolder(const std::string& name) const;

  private:
    std::string name_;
    std::optional<std::string> containerClass_;
    PropertyBag props_;
    std::vector<std::unique_ptr<Folder>> folders_;
    std::vector<std::unique_ptr<Message>> messages_;
};

}  // namespace pellmark::pstwriter
