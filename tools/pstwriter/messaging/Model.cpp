#include "pstwriter/messaging/Model.h"

#include <algorithm>

#include "mapi/Tags.h"
#include "pstwriter/messaging/RtfBody.h"

namespace pellmark::pstwriter {

namespace prop = mapi::prop;

void PropertyBag::set(const NamedProp& name, PropValue value) {
    for (auto& [n, v] : named_) {
        if (n == name) {
            v = std::move(value);
            return;
        }
    }
    named_.emplace_back(name, std::move(value));
}

const PropValue* PropertyBag::get(uint16_t id) const {
    auto it = tagged_.find(id);
    return it == tagged_.end() ? nullptr : &it->second;
}

const PropValue* PropertyBag::get(const NamedProp& name) const {
    for (const auto& [n, v] : named_) {
        if (n == name) return &v;
    }
    return nullptr;
}

std::string PropertyBag::getString(uint16_t id) const {
    const PropValue* v = get(id);
    return v && v->text() ? *v->text() : std::string();
}

Attachment& Attachment::setFileName(const std::string& name) {
    setString(prop::kAttachLongFilename, name);
    setString(prop::kAttachFilename, name);
    setString(prop::kDisplayName, name);
    const size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot + 1 < name.size()) {
        setString(prop::kAttachExtension, name.substr(dot));
    }
    return *this;
}

Attachment& Attachment::setMimeType(const std::string& mime) {
    setString(prop::kAttachMimeTag, mime);
    return *this;
}

Attachment& Attachment::setContentId(const std::string& id) {
    setString(prop::kAttachContentId, id);
    setInt(prop::kAttachFlags, 4);  // ATT_MHTML_REF: referenced from the HTML body
    setBool(prop::kAttachmentHidden, true);
    return *this;
}

Message::Message(std::string messageClass) {
    setString(prop::kMessageClass, std::move(messageClass));
}

Message& Message::setSubject(const std::string& subject) {
    setString(prop::kSubject, subject);
    // The conversation topic is the subject without its prefix marker and prefix.
    std::string topic = subject;
    if (topic.size() >= 2 && topic[0] == '\x01') {
        topic =
            topic.substr(std::min<size_t>(topic.size(), 2 + static_cast<uint8_t>(topic[1]) - 1));
    }
    setString(prop::kConversationTopic, topic);
    return *this;
}

Message& Message::setBody(const std::string& text) {
    setString(prop::kBody, text);
    return *this;
}

Message& Message::setHtml(const std::string& html) {
    set(prop::kBodyHtml, PropValue::binary(html));
    if (!get(prop::kInternetCodepage)) setInt(prop::kInternetCodepage, 65001);
    return *this;
}

Message& Message::setRtf(const std::string& rtf) {
    set(prop::kRtfCompressed, PropValue::binary(encodeRtfBody(rtf)));
    setBool(prop::kRtfInSync, true);
    return *this;
}

Message& Message::setSender(const std::string& name, const std::string& email) {
    for (uint16_t id : {prop::kSenderName, prop::kSentRepresentingName}) setString(id, name);
    for (uint16_t id : {prop::kSenderEmailAddress, prop::kSentRepresentingEmailAddress,
                        prop::kSenderSmtpAddress, prop::kSentRepresentingSmtpAddress}) {
        setString(id, email);
    }
    setString(prop::kSenderAddrType, "SMTP");
    setString(prop::kSentRepresentingAddrType, "SMTP");
    return *this;
}

Message& Message::setDate(uint64_t fileTime) {
    setTime(prop::kClientSubmitTime, fileTime);
    setTime(prop::kMessageDeliveryTime, fileTime);
    return *this;
}

Message& Message::setRead(bool read) {
    const PropValue* flags = get(prop::kMessageFlags);
    int32_t f = flags && flags->integer() ? static_cast<int32_t>(*flags->integer()) : 0;
    setInt(prop::kMessageFlags, read ? (f | 1) : (f & ~1));
    return *this;
}

Recipient& Message::addRecipient(const std::string& name, const std::string& email,
                                 RecipientType type) {
    Recipient& r = recipients_.emplace_back();
    r.setInt(prop::kRecipientType, static_cast<int32_t>(type));
    r.setString(prop::kDisplayName, name);
    r.setString(prop::kEmailAddress, email);
    r.setString(prop::kAddrType, "SMTP");
    r.setString(prop::kSmtpAddress, email);
    return r;
}

Attachment& Message::addAttachment(const std::string& fileName, ByteVec bytes) {
    auto& a = *attachments_.emplace_back(std::make_unique<Attachment>());
    a.setInt(prop::kAttachMethod, prop::kAttachByValue);
    a.setFileName(fileName);
    a.content = PropValue::binary(std::move(bytes));
    return a;
}

Attachment& Message::addAttachment(const std::string& fileName,
                                   std::shared_ptr<const ContentSource> src) {
    Attachment& a = addAttachment(fileName, ByteVec{});
    a.content = PropValue::stream(std::move(src));
    return a;
}

Message& Message::addEmbeddedMessage(const std::string& messageClass,
                                     const std::string& displayName) {
    auto& a = *attachments_.emplace_back(std::make_unique<Attachment>());
    a.setInt(prop::kAttachMethod, prop::kAttachEmbeddedMessage);
    if (!displayName.empty()) a.setString(prop::kDisplayName, displayName);
    a.embedded = std::make_unique<Message>(messageClass);
    return *a.embedded;
}

Folder& Folder::addFolder(const std::string& name, std::optional<std::string> containerClass) {
    return *folders_.emplace_back(std::make_unique<Folder>(name, std::move(containerClass)));
}

Message& Folder::addMessage(const std::string& messageClass) {
    return *messages_.emplace_back(std::make_unique<Message>(messageClass));
}

Folder* Folder::findFolder(const std::string& name) const {
    for (const auto& f : folders_) {
        if (f->name() == name) return f.get();
    }
    return nullptr;
}

}  // namespace pellmark::pstwriter
