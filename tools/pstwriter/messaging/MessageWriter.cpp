#include "pstwriter/messaging/MessageWriter.h"

#include <algorithm>
#include <cctype>
#include <set>

#include "mapi/Tags.h"
#include "pstwriter/ltp/TableTemplates.h"
#include "pstwriter/ltp/TableWriter.h"
#include "pstwriter/messaging/ItemKinds.h"

namespace pellmark::pstwriter {
namespace {

namespace prop = mapi::prop;

constexpr int32_t kFlagRead = 0x01;
constexpr int32_t kFlagHasAttach = 0x10;
constexpr int32_t kObjectMailUser = 6;

bool has(const std::vector<StoredProp>& props, uint16_t id) {
    return std::any_of(props.begin(), props.end(), [&](const StoredProp& p) { return p.id == id; });
}

const StoredProp* find(const std::vector<StoredProp>& props, uint16_t id) {
    for (const StoredProp& p : props) {
        if (p.id == id) return &p;
    }
    return nullptr;
}

void add(std::vector<StoredProp>& props, WriteContext& ctx, uint16_t id, const PropValue& v,
         int codepage) {
    props.push_back(storeValue(id, v, ctx.codec, codepage));
}

// The code page of an object's 8-bit text: its message code page, else its internet code page
// unless that only describes a UTF-8 HTML body, else the store's.
int messageCodepage(const WriteContext& ctx, const PropertyBag& m) {
    const PropValue* cp = m.get(prop::kMessageCodepage);
    if (cp && cp->integer()) return static_cast<int>(*cp->integer());
    const PropValue* internet = m.get(prop::kInternetCodepage);
    if (internet && internet->integer() && *internet->integer() != 65001) {
        return static_cast<int>(*internet->integer());
    }
    return ctx.codec.codepage();
}

void completeRecipient(WriteContext& ctx, std::vector<StoredProp>& r, const Recipient& src,
                       int cp) {
    const std::string name = src.getString(prop::kDisplayName);
    const std::string email = src.getString(prop::kEmailAddress);
    if (!has(r, prop::kRecipientType)) add(r, ctx, prop::kRecipientType, PropValue::int32(1), cp);
    if (!has(r, prop::kObjectType)) {
        add(r, ctx, prop::kObjectType, PropValue::int32(kObjectMailUser), cp);
    }
    if (!has(r, prop::kDisplayType)) add(r, ctx, prop::kDisplayType, PropValue::int32(0), cp);
    if (!has(r, prop::kResponsibility)) {
        add(r, ctx, prop::kResponsibility, PropValue::boolean(false), cp);
    }
    if (!has(r, prop::kSendRichInfo))
        add(r, ctx, prop::kSendRichInfo, PropValue::boolean(false), cp);
    if (!has(r, prop::kEntryId)) {
        add(r, ctx, prop::kEntryId, PropValue::binary(oneOffEntryId(name, email)), cp);
    }
    if (!has(r, prop::kSearchKey) && !email.empty()) {
        std::string key = "SMTP:" + email;
        std::transform(key.begin(), key.end(), key.begin(),
                       [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
        key.push_back('\0');
        add(r, ctx, prop::kSearchKey, PropValue::binary(key), cp);
    }
    if (!has(r, prop::kTransmittableDisplayName) && !name.empty()) {
        add(r, ctx, prop::kTransmittableDisplayName, PropValue::string(name), cp);
    }
}

void writeRecipients(WriteContext& ctx, NodeBuilder& msg, const Message& m, int cp) {
    std::vector<std::vector<StoredProp>> rows;
    std::vector<PropTag> columns = templates::recipients(ctx.codec.unicode());
    for (const Recipient& r : m.recipients()) {
        std::vector<StoredProp>& row = rows.emplace_back(storeBag(ctx, r, cp));
        completeRecipient(ctx, row, r, cp);
        for (const StoredProp& p : row) {
            if (std::find(columns.begin(), columns.end(), p.tag()) == columns.end()) {
                columns.push_back(p.tag());
            }
        }
    }
    NodeBuilder node(ctx.ndb);
    TableWriter table(node, columns);
    for (size_t i = 0; i < rows.size(); ++i) table.addRow(static_cast<uint32_t>(i), rows[i]);
    const BlockId data = table.finish();
    msg.subnodes().add(pst::nid::kRecipientTable, data, node.finishSubnodes());
}

std::vector<PropTag> attachmentColumns(bool unicode) {
    std::vector<PropTag> c = templates::attachments(unicode);
    const PropType text = storedType(PropType::Unicode, unicode);
    for (uint16_t id : {prop::kAttachLongFilename, prop::kDisplayName, prop::kAttachMimeTag,
                        prop::kAttachContentId}) {
        c.push_back(mapi::makeTag(id, text));
    }
    c.push_back(mapi::makeTag(prop::kAttachFlags, PropType::Int32));
    c.push_back(mapi::makeTag(prop::kAttachmentHidden, PropType::Boolean));
    return c;
}

// Writes one attachment subnode; returns its properties for the attachment table row.
std::vector<StoredProp> writeAttachment(WriteContext& ctx, NodeBuilder& msg, NodeId nid,
                                        const Attachment& a, int cp, uint32_t& size) {
    NodeBuilder node(ctx.ndb);
    std::vector<StoredProp> props = storeBag(ctx, a, cp);
    if (a.embedded) {
        WrittenMessage em = writeMessage(ctx, *a.embedded);
        const NodeId enid(NodeType::NormalMessage, ++ctx.embeddedIndex);
        node.subnodes().add(enid, em.data, em.sub);
        ByteBuffer obj;
        obj.u32(enid.value);
        obj.u32(em.size);
        StoredProp p{prop::kAttachData, PropType::Object, obj.take(), nullptr};
        props.push_back(std::move(p));
        size = em.size;
        if (!has(props, prop::kDisplayName)) {
            const StoredProp* subject = find(em.summary, prop::kSubject);
            if (subject)
                props.push_back({prop::kDisplayName, subject->type, subject->bytes, nullptr});
        }
    } else {
        props.push_back(storeValue(prop::kAttachData, a.content, ctx.codec, cp));
        size = static_cast<uint32_t>(std::min<uint64_t>(a.content.binarySize(), 0xFFFFFFFFu));
    }
    if (!has(props, prop::kAttachMethod)) {
        add(props, ctx, prop::kAttachMethod, PropValue::int32(prop::kAttachByValue), cp);
    }
    if (!has(props, prop::kRenderingPosition)) {
        add(props, ctx, prop::kRenderingPosition, PropValue::int32(-1), cp);
    }
    if (!has(props, prop::kAttachSize)) {
        add(props, ctx, prop::kAttachSize, PropValue::int32(static_cast<int32_t>(size)), cp);
    }
    const BlockId data = writePropertyContext(node, props);
    msg.subnodes().add(nid, data, node.finishSubnodes());
    return props;
}

uint32_t writeAttachments(WriteContext& ctx, NodeBuilder& msg, const Message& m, int cp) {
    NodeBuilder node(ctx.ndb);
    TableWriter table(node, attachmentColumns(ctx.codec.unicode()));
    uint64_t total = 0;
    uint32_t index = 0x400;
    for (const auto& a : m.attachments()) {
        const NodeId nid(NodeType::Attachment, ++index);
        uint32_t size = 0;
        std::vector<StoredProp> row = writeAttachment(ctx, msg, nid, *a, cp, size);
        for (StoredProp& p : row) {
            if (p.id == prop::kAttachData) p = StoredProp{};  // no content in the table
        }
        table.addRow(nid.value, row);
        total += size;
    }
    const BlockId data = table.finish();
    msg.subnodes().add(pst::nid::kAttachmentTable, data, node.finishSubnodes());
    return static_cast<uint32_t>(std::min<uint64_t>(total, 0x7FFFFFFF));
}

std::string joinNames(const Message& m, RecipientType type) {
    std::string out;
    for (const Recipient& r : m.recipients()) {
        const PropValue* t = r.get(prop::kRecipientType);
        const int64_t rt = t && t->integer() ? *t->integer() : 1;
        if (rt != static_cast<int64_t>(type)) continue;
        if (!out.empty()) out += "; ";
        out += r.getString(prop::kDisplayName);
    }
    return out;
}

void addDefaults(WriteContext& ctx, std::vector<StoredProp>& p, const Message& m, int cp,
                 uint32_t size) {
    int32_t flags = kFlagRead;
    if (const PropValue* f = m.get(prop::kMessageFlags); f && f->integer()) {
        flags = static_cast<int32_t>(*f->integer());
    }
    if (!m.attachments().empty()) flags |= kFlagHasAttach;
    p.erase(std::remove_if(p.begin(), p.end(),
                           [](const StoredProp& s) { return s.id == prop::kMessageFlags; }),
            p.end());
    add(p, ctx, prop::kMessageFlags, PropValue::int32(flags), cp);
    if (!has(p, prop::kMessageSize)) {
        add(p, ctx, prop::kMessageSize, PropValue::int32(static_cast<int32_t>(size)), cp);
    }
    const std::pair<uint16_t, RecipientType> displays[] = {{prop::kDisplayTo, RecipientType::To},
                                                           {prop::kDisplayCc, RecipientType::Cc},
                                                           {prop::kDisplayBcc, RecipientType::Bcc}};
    for (auto [id, type] : displays) {
        if (!has(p, id)) add(p, ctx, id, PropValue::string(joinNames(m, type)), cp);
    }
    for (uint16_t id : {prop::kCreationTime, prop::kLastModificationTime}) {
        if (has(p, id)) continue;
        const StoredProp* delivered = find(p, prop::kMessageDeliveryTime);
        if (delivered)
            p.push_back({id, PropType::SysTime, delivered->bytes, nullptr});
        else
            add(p, ctx, id, PropValue::time(ctx.defaultTime), cp);
    }
    if (!ctx.codec.unicode() && !has(p, prop::kMessageCodepage)) {
        add(p, ctx, prop::kMessageCodepage, PropValue::int32(cp), cp);
    }
}

// In an ANSI file all of a message's text shares one code page, the one its 8-bit strings are
// written in: readers take PR_INTERNET_CPID for them where it is present, so an HTML body given
// as UTF-8 is converted and the code page named to match.
void alignAnsiCodepage(WriteContext& ctx, std::vector<StoredProp>& p, int cp) {
    if (ctx.codec.unicode() || cp == 65001) return;
    for (StoredProp& s : p) {
        if (s.id == prop::kBodyHtml && !s.stream) {
            const std::string html(s.bytes.begin(), s.bytes.end());
            s = storeValue(prop::kBodyHtml, PropValue::binary(toCodepage(html, cp)), ctx.codec, cp);
        }
    }
    p.erase(std::remove_if(p.begin(), p.end(),
                           [](const StoredProp& s) { return s.id == prop::kInternetCodepage; }),
            p.end());
    add(p, ctx, prop::kInternetCodepage, PropValue::int32(cp), cp);
}

}  // namespace

std::vector<StoredProp> storeBag(WriteContext& ctx, const PropertyBag& bag, int codepage) {
    std::vector<StoredProp> out;
    for (const auto& [id, value] : bag.tagged()) {
        out.push_back(storeValue(id, value, ctx.codec, codepage));
    }
    for (const auto& [name, value] : bag.named()) {
        out.push_back(storeValue(ctx.names.idFor(name), value, ctx.codec, codepage));
    }
    return out;
}

WrittenMessage writeMessage(WriteContext& ctx, const Message& m) {
    const int cp = messageCodepage(ctx, m);
    NodeBuilder node(ctx.ndb);
    std::vector<StoredProp> props = storeBag(ctx, m, cp);
    alignAnsiCodepage(ctx, props, cp);
    writeRecipients(ctx, node, m, cp);
    uint64_t size = 0;
    if (!m.attachments().empty()) size += writeAttachments(ctx, node, m, cp);
    for (const StoredProp& p : props) size += p.size();
    size += 200 * m.recipients().size();
    addDefaults(ctx, props, m, cp, static_cast<uint32_t>(std::min<uint64_t>(size, 0x7FFFFFFF)));

    WrittenMessage out;
    out.size = static_cast<uint32_t>(std::min<uint64_t>(size, 0x7FFFFFFF));
    const StoredProp* flags = find(props, prop::kMessageFlags);
    out.read = flags && !flags->bytes.empty() && (flags->bytes[0] & kFlagRead);
    out.data = writePropertyContext(node, props);
    out.sub = node.finishSubnodes();
    // Large values never appear in contents tables; keep what a row can show.
    const std::set<uint16_t> skip = {prop::kBody, prop::kBodyHtml, prop::kRtfCompressed,
                                     prop::kTransportMessageHeaders};
    for (StoredProp& p : props) {
        if (!skip.count(p.id) && !p.stream && p.bytes.size() <= 1024) {
            out.summary.push_back(std::move(p));
        }
    }
    return out;
}

}  // namespace pellmark::pstwriter
