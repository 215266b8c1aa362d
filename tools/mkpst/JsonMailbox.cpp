#include "mkpst/JsonMailbox.h"

#include <map>

#include "mapi/Tags.h"
#include "mkpst/JsonCalendar.h"
#include "mkpst/JsonProperties.h"
#include "pstwriter/GeneratedContent.h"
#include "pstwriter/ltp/ValueEncoder.h"
#include "pstwriter/messaging/ItemKinds.h"

namespace pellmark::pstwriter {
namespace {

namespace prop = mapi::prop;

constexpr int64_t kMaxRepeat = 1000000;
constexpr int64_t kMaxAttachmentSize = 0xFFFFFFFFll;

// A distribution list whose members name contacts of its folder: filled once the whole
// document is read, when the contacts and the messages' places in the file are known.
struct PendingDistList {
    JsonCursor item;
    Message* message;
    const Folder* folder;
    int64_t n;
};

// What reading the folders leaves for the end. Null for embedded messages, whose lists cannot
// name a folder's contacts.
struct LoadState {
    std::vector<PendingDistList> lists;
};

void readMessage(const JsonCursor& c, Message& m, int64_t n, LoadState* state,
                 const Folder* folder);

const char* defaultClass(const std::string& kind) {
    if (kind == "contact") return "IPM.Contact";
    if (kind == "distlist") return "IPM.DistList";
    if (kind == "appointment") return "IPM.Appointment";
    if (kind == "task") return "IPM.Task";
    if (kind == "note") return "IPM.StickyNote";
    if (kind == "journal") return "IPM.Activity";
    return "IPM.Note";
}

// The class of the item `c` describes: its own, or its kind's usual one.
std::string itemClass(const JsonCursor& c) {
    c.requireObject();
    return c.optString("class").value_or(defaultClass(c.optString("kind").value_or("mail")));
}

// "{n}" in texts of a repeated message becomes the copy's number, from 1.
std::string expand(std::string s, int64_t n) {
    for (size_t at = s.find("{n}"); at != std::string::npos; at = s.find("{n}", at)) {
        s.replace(at, 3, std::to_string(n));
    }
    return s;
}

void readPerson(const JsonCursor& c, std::string& name, std::string& email) {
    c.allowOnly({"name", "email", "type", "properties"});
    name = c.optString("name").value_or("");
    email = c.optString("email").value_or("");
}

void readRecipients(const JsonCursor& c, Message& m) {
    const std::pair<const char*, RecipientType> lists[] = {
        {"to", RecipientType::To}, {"cc", RecipientType::Cc}, {"bcc", RecipientType::Bcc}};
    for (auto [key, type] : lists) {
        for (const JsonCursor& r : c.arrayField(key)) {
            std::string name, email;
            readPerson(r, name, email);
            if (r.has("type")) r.field("type").fail("not allowed here; the list gives the type");
            readProperties(r, m.addRecipient(name, email, type));
        }
    }
}

void readAttachment(const JsonCursor& c, Message& m, int64_t n) {
    c.allowOnly(
        {"name", "mime", "text", "base64", "size", "seed", "contentId", "message", "properties"});
    int sources = 0;
    for (const char* k : {"text", "base64", "size", "message"}) sources += c.has(k);
    if (sources > 1) c.fail("give at most one of text, base64, size and message");
    if (c.has("seed") && !c.has("size")) c.field("seed").fail("only allowed with size");
    Attachment* a = nullptr;
    if (c.has("message")) {
        const JsonCursor item = c.field("message");
        Message& inner =
            m.addEmbeddedMessage(itemClass(item), expand(c.optString("name").value_or(""), n));
        readMessage(item, inner, n, nullptr, nullptr);
        a = m.attachments().back().get();
    } else {
        ByteVec bytes;
        if (c.has("text")) {
            const std::string t = expand(c.field("text").string(), n);
            bytes.assign(t.begin(), t.end());
        } else if (c.has("base64")) {
            bytes = c.field("base64").base64();
        }
        const std::string name = expand(c.optString("name").value_or(""), n);
        if (c.has("size")) {
            const auto size = static_cast<uint64_t>(c.field("size").integer(0, kMaxAttachmentSize));
            const auto seed = static_cast<uint64_t>(c.optInteger("seed", 0, INT64_MAX).value_or(1));
            a = &m.addAttachment(name, std::make_shared<GeneratedContent>(size, seed));
        } else {
            a = &m.addAttachment(name, std::move(bytes));
        }
    }
    if (auto mime = c.optString("mime")) a->setMimeType(*mime);
    if (auto cid = c.optString("contentId")) a->setContentId(*cid);
    readProperties(c, *a);
}

PostalAddress readAddress(const JsonCursor& c) {
    c.allowOnly({"street", "city", "state", "postalCode", "country"});
    return {c.optString("street").value_or(""), c.optString("city").value_or(""),
            c.optString("state").value_or(""), c.optString("postalCode").value_or(""),
            c.optString("country").value_or("")};
}

void readContact(const JsonCursor& c, Message& m, int64_t n) {
    ContactInfo info;
    const std::pair<const char*, std::string*> texts[] = {{"givenName", &info.givenName},
                                                          {"middleName", &info.middleName},
                                                          {"surname", &info.surname},
                                                          {"prefix", &info.prefix},
                                                          {"suffix", &info.suffix},
                                                          {"nickname", &info.nickname},
                                                          {"displayName", &info.displayName},
                                                          {"company", &info.company},
                                                          {"department", &info.department},
                                                          {"jobTitle", &info.jobTitle},
                                                          {"businessPhone", &info.businessPhone},
                                                          {"homePhone", &info.homePhone},
                                                          {"mobilePhone", &info.mobilePhone},
                                                          {"businessFax", &info.businessFax},
                                                          {"webPage", &info.webPage},
                                                          {"notes", &info.notes}};
    for (auto [key, target] : texts) *target = expand(c.optString(key).value_or(""), n);
    for (const JsonCursor& e : c.arrayField("emails")) info.emails.push_back(expand(e.string(), n));
    if (info.emails.size() > 3)
        c.field("emails").fail("a contact has at most three e-mail addresses");
    if (c.has("businessAddress")) info.business = readAddress(c.field("businessAddress"));
    if (c.has("homeAddress")) info.home = readAddress(c.field("homeAddress"));
    info.birthday = c.optTime("birthday");
    if (c.has("picture")) {
        const JsonCursor p = c.field("picture");
        info.picture = p.string() == "sample" ? samplePng() : p.base64();
    }
    fillContact(m, info);
}

// The members of a distribution list; those naming a contact need `contacts`, the folder's
// contacts by display name, and the file's message node ids.
std::vector<DistListMember> readMembers(const JsonCursor& c, int64_t n,
                                        const std::map<std::string, const Message*>* contacts,
                                        const PstBuilder* builder,
                                        const std::map<const Message*, uint32_t>* ids) {
    std::vector<DistListMember> members;
    for (const JsonCursor& p : c.arrayField("members")) {
        DistListMember member;
        if (p.has("contact")) {
            p.allowOnly({"contact"});
            const std::string name = expand(p.field("contact").string(), n);
            if (!contacts) continue;
            auto it = contacts->find(name);
            if (it == contacts->end())
                p.field("contact").fail("no contact named '" + name + "' in this folder");
            const Message& contact = *it->second;
            member.name = contact.getString(prop::kDisplayName);
            const PropValue* email = contact.get(lid::address(0x8083));
            if (!email || !email->text() || email->text()->empty())
                p.field("contact").fail("the contact '" + name + "' has no e-mail address");
            member.email = *email->text();
            member.contactEntryId = builder->entryIdOf(contact, *ids);
        } else {
            readPerson(p, member.name, member.email);
            member.name = expand(member.name, n);
            member.email = expand(member.email, n);
        }
        members.push_back(member);
    }
    return members;
}

bool namesContacts(const JsonCursor& c) {
    for (const JsonCursor& p : c.arrayField("members")) {
        if (p.has("contact")) return true;
    }
    return false;
}

void readKind(const JsonCursor& c, Message& m, const std::string& kind, int64_t n, LoadState* state,
              const Folder* folder) {
    if (kind == "contact") {
        readContact(c, m, n);
    } else if (kind == "distlist") {
        const std::string name = expand(c.field("name").string(), n);
        if (namesContacts(c)) {
            if (!state) c.field("members").fail("contacts can be named only by a folder's lists");
            state->lists.push_back({c, &m, folder, n});
        }
        fillDistList(m, name, readMembers(c, n, nullptr, nullptr, nullptr));
    } else if (kind == "appointment") {
        readAppointment(c, m, n, expand);
    } else if (kind == "task") {
        readTask(c, m, n, expand);
    } else if (kind == "note") {
        fillNote(m, {c.field("text").string(),
                     static_cast<int32_t>(c.optInteger("color", 0, 4).value_or(3))});
    } else if (kind == "journal") {
        fillJournal(m, {c.optString("subject").value_or(""), c.optString("body").value_or(""),
                        c.optString("type").value_or("Phone call"), c.field("start").time(),
                        static_cast<int32_t>(c.optInteger("duration", 0, INT32_MAX).value_or(0))});
    }
}

// Fills the lists that name contacts, now that every message has its place.
void resolveDistLists(const LoadState& state, const PstBuilder& builder) {
    if (state.lists.empty()) return;
    const auto ids = builder.messageNodeIds();
    std::map<const Folder*, std::map<std::string, const Message*>> byFolder;
    for (const PendingDistList& p : state.lists) {
        auto [at, added] = byFolder.try_emplace(p.folder);
        if (added) {
            for (const auto& msg : p.folder->messages()) {
                if (msg->getString(prop::kMessageClass).rfind("IPM.Contact", 0) == 0)
                    at->second.emplace(msg->getString(prop::kDisplayName), msg.get());
            }
        }
        fillDistList(*p.message, expand(p.item.field("name").string(), p.n),
                     readMembers(p.item, p.n, &at->second, &builder, &ids));
        readProperties(p.item, *p.message);  // still the last word
    }
}

void checkKeys(const JsonCursor& c, const std::string& kind) {
    if (kind == "mail") {
        c.allowOnly({"kind", "class", "subject", "from", "to", "cc", "bcc", "date", "read", "body",
                     "html", "rtf", "attachments", "properties", "repeat", "deletedItem"});
    } else if (kind == "contact") {
        c.allowOnly({"kind",        "class",       "givenName", "middleName",    "surname",
                     "prefix",      "suffix",      "nickname",  "displayName",   "company",
                     "department",  "jobTitle",    "emails",    "businessPhone", "homePhone",
                     "mobilePhone", "businessFax", "webPage",   "notes",         "businessAddress",
                     "homeAddress", "birthday",    "picture",   "attachments",   "properties",
                     "repeat",      "deletedItem"});
    } else if (kind == "distlist") {
        c.allowOnly({"kind", "class", "name", "members", "properties", "repeat", "deletedItem"});
    } else if (kind == "appointment") {
        c.allowOnly({"kind",       "class",       "subject",   "location",       "body",
                     "start",      "end",         "allDay",    "busyStatus",     "timeZone",
                     "recurrence", "organizer",   "attendees", "globalObjectId", "reminder",
                     "categories", "sensitivity", "sequence",  "attachments",    "properties",
                     "repeat",     "deletedItem"});
    } else if (kind == "task") {
        c.allowOnly({"kind", "class", "subject", "body", "start", "due", "status",
                     "percentComplete", "recurrence", "completed", "priority", "categories",
                     "attachments", "properties", "repeat", "deletedItem"});
    } else if (kind == "note") {
        c.allowOnly({"kind", "class", "text", "color", "properties", "repeat", "deletedItem"});
    } else if (kind == "journal") {
        c.allowOnly({"kind", "class", "subject", "type", "body", "start", "duration", "attachments",
                     "properties", "repeat", "deletedItem"});
    } else {
        c.field("kind").fail("unknown kind '" + kind +
                             "' (mail, contact, distlist, appointment, task, note, journal)");
    }
}

void readMessage(const JsonCursor& c, Message& m, int64_t n, LoadState* state,
                 const Folder* folder) {
    c.requireObject();
    const std::string kind = c.optString("kind").value_or("mail");
    checkKeys(c, kind);
    if (kind == "mail") {
        if (auto s = c.optString("subject")) m.setSubject(expand(*s, n));
        if (c.has("from")) {
            std::string name, email;
            readPerson(c.field("from"), name, email);
            m.setSender(name, email);
        }
        readRecipients(c, m);
        if (auto d = c.optTime("date")) m.setDate(*d);
        if (auto r = c.optBool("read")) m.setRead(*r);
        if (auto b = c.optString("body")) m.setBody(expand(*b, n));
        if (auto h = c.optString("html")) m.setHtml(expand(*h, n));
        if (auto r = c.optString("rtf")) m.setRtf(expand(*r, n));
    } else {
        readKind(c, m, kind, n, state, folder);
    }
    for (const JsonCursor& a : c.arrayField("attachments")) readAttachment(a, m, n);
    readProperties(c, m);
}

void readFolder(const JsonCursor& c, Folder& f, LoadState& state) {
    for (const JsonCursor& mc : c.arrayField("messages")) {
        const std::string cls = itemClass(mc);
        const int64_t repeat = mc.optInteger("repeat", 1, kMaxRepeat).value_or(1);
        const bool deleted = mc.optBool("deletedItem").value_or(false);
        for (int64_t n = 1; n <= repeat; ++n) {
            Message& m = f.addMessage(cls);
            readMessage(mc, m, n, &state, &f);
            m.deleted = deleted;
        }
    }
    readProperties(c, f.properties());
    for (const JsonCursor& sub : c.arrayField("folders")) {
        sub.allowOnly({"name", "class", "folders", "messages", "properties"});
        readFolder(sub, f.addFolder(sub.field("name").string(), sub.optString("class")), state);
    }
}

}  // namespace

std::optional<CryptMethod> parseCryptMethod(std::string_view name) {
    if (name == "none") return CryptMethod::None;
    if (name == "permute" || name == "compressible") return CryptMethod::Permute;
    if (name == "cyclic" || name == "high") return CryptMethod::Cyclic;
    return std::nullopt;
}

LoadedMailbox loadMailboxJsonText(const std::string& text, const std::string& sourceName) {
    const JsonCursor doc = JsonCursor::parse(text, sourceName);
    doc.allowOnly({"format", "encoding", "store", "folders", "hiddenFolders"});
    LoadedMailbox out;
    LoadState state;
    if (auto f = doc.optString("format")) {
        if (*f == "unicode")
            out.variant.format = Format::Unicode;
        else if (*f == "ansi")
            out.variant.format = Format::Ansi;
        else
            doc.field("format").fail("must be unicode or ansi");
    }
    if (auto e = doc.optString("encoding")) {
        auto c = parseCryptMethod(*e);
        if (!c) doc.field("encoding").fail("must be none, permute or cyclic");
        out.variant.crypt = *c;
    }
    if (doc.has("store")) {
        const JsonCursor s = doc.field("store");
        s.allowOnly({"name", "codepage"});
        if (auto n = s.optString("name")) out.builder.options().storeName = *n;
        if (auto cp = s.optInteger("codepage", 1, 65535)) {
            try {
                toCodepage("", static_cast<int>(*cp));
            } catch (const std::invalid_argument&) {
                s.field("codepage").fail("unknown code page");
            }
            out.builder.options().codepage = static_cast<int>(*cp);
        }
    }
    for (const JsonCursor& f : doc.arrayField("folders")) {
        f.allowOnly({"name", "class", "folders", "messages", "properties"});
        const std::string name = f.field("name").string();
        // The Deleted Items folder exists in every file; a folder of that name fills it.
        Folder& target = name == out.builder.options().deletedItemsName
                             ? out.builder.deletedItems()
                             : out.builder.root().addFolder(name, f.optString("class"));
        readFolder(f, target, state);
    }
    for (const JsonCursor& f : doc.arrayField("hiddenFolders")) {
        f.allowOnly({"name", "class", "folders", "messages", "properties"});
        readFolder(
            f, out.builder.storeRoot().addFolder(f.field("name").string(), f.optString("class")),
            state);
    }
    resolveDistLists(state, out.builder);
    return out;
}

LoadedMailbox loadMailboxJson(const std::filesystem::path& file) {
    return loadMailboxJsonText(JsonCursor::readDocument(file), file.string());
}

}  // namespace pellmark::pstwriter
