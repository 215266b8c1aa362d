#include "formats/msg/MsgWriter.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <map>
#include <memory>

#include "formats/OutputFormats.h"
#include "formats/SaveError.h"
#include "formats/msg/MsgBytes.h"
#include "formats/msg/MsgNameTable.h"
#include "formats/msg/MsgValueWriter.h"
#include "mapi/StoredSubject.h"
#include "mapi/Tags.h"

namespace pellmark::formats {
namespace {

using mapi::PropType;

// CLSID_MailMessage {00020D0B-0000-0000-C000-000000000046}, the root storage's class.
constexpr ClassId kMessageClassId = {0x0B, 0x0D, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                     0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
constexpr uint16_t kStoreSupportMask = 0x340D;
constexpr uint16_t kMessageCodepage = 0x3FFD;   // PR_MESSAGE_CODEPAGE
constexpr uint16_t kInternetCodepage = 0x3FDE;  // PR_INTERNET_CPID
constexpr uint32_t kStoreUnicodeOk = 0x00040000;
constexpr uint16_t kFirstNamedId = 0x8000;
constexpr size_t kSpoolChunk = 256 * 1024;

bool isMessage(MsgObject kind) {
    return kind == MsgObject::Message || kind == MsgObject::EmbeddedMessage;
}

std::string childName(const char* prefix, size_t index) {
    return prefix + hex8(static_cast<uint32_t>(index));
}

// A temporary file that goes away with the object.
struct TempFile {
    std::FILE* file = std::tmpfile();
    ~TempFile() {
        if (file) std::fclose(file);
    }
};

class MsgFileWriter {
  public:
    explicit MsgFileWriter(const mapi::Item& top) : top_(top) {}

    void write(OleStorage& root) {
        root.setClassId(kMessageClassId);
        writeMessage(top_, root, MsgObject::Message);
        // Written last: it holds the names every object above has used.
        OleStorage names = root.storage(kNameStorageName);
        for (const auto& [name, bytes] : names_.streams()) names.writeStream(name, bytes);
        names.close();
    }

  private:
    void writeMessage(const mapi::Item& item, OleStorage& storage, MsgObject kind) {
        const auto recipients = item.recipients();
        for (size_t i = 0; i < recipients.size(); ++i) {
            OleStorage child = storage.storage(childName("__recip_version1.0_#", i));
            MsgPropertyStream entries(MsgObject::Recipient);
            writeProperties(recipients[i], child, entries, nullptr);
            child.writeStream(kPropertyStreamName, entries.bytes());
            child.close();
        }
        const size_t attachments = item.attachmentCount();
        for (size_t i = 0; i < attachments; ++i) {
            const auto attachment = item.attachment(i);
            OleStorage child = storage.storage(childName("__attach_version1.0_#", i));
            MsgPropertyStream entries(MsgObject::Attachment);
            writeProperties(*attachment, child, entries, attachment.get());
            child.writeStream(kPropertyStreamName, entries.bytes());
            child.close();
        }
        MsgPropertyStream entries(kind);
        entries.setCounts(static_cast<uint32_t>(recipients.size()),
                          static_cast<uint32_t>(attachments));
        writeProperties(item, storage, entries, nullptr);
        storage.writeStream(kPropertyStreamName, entries.bytes());
    }

    void writeProperties(const mapi::Properties& source, OleStorage& storage,
                         MsgPropertyStream& entries, const mapi::Attachment* attachment) {
        MsgValueWriter values(storage, entries, source.codepage(), MsgTypesAsStored::active());
        const auto tags = source.tags();
        const auto stored = [&](uint16_t id) {
            return std::any_of(tags.begin(), tags.end(),
                               [id](mapi::PropTag t) { return mapi::tagId(t) == id; });
        };
        // 8-bit strings stay 8-bit, in the item's code page: the file names it where the item
        // does not, and does not declare its strings Unicode.
        const bool eightBit = MsgTypesAsStored::active() &&
                              std::any_of(tags.begin(), tags.end(), [](mapi::PropTag t) {
                                  return mapi::baseType(mapi::tagType(t)) == PropType::String8;
                              });
        for (const mapi::PropTag tag : tags) {
            if (isPstInternalProperty(mapi::tagId(tag))) continue;
            const auto id = fileId(mapi::tagId(tag));
            if (!id || entries.has(*id)) continue;
            if (mapi::tagType(tag) == PropType::Object) {
                if (attachment && *id == mapi::prop::kAttachData) {
                    writeAttachedObject(*attachment, storage, entries);
                }
                continue;  // other object values have no form outside the store
            }
            if (*id == mapi::prop::kSubject && isMessage(entries.kind()) &&
                writeMarkedSubject(source, tag, values)) {
                continue;
            }
            if (*id == kStoreSupportMask && mapi::tagType(tag) == PropType::Int32 && !eightBit) {
                markUnicode(msgValue(source, tag), entries);
                continue;
            }
            values.write(source, tag, *id);
        }
        if (entries.kind() != MsgObject::Recipient && !entries.has(kStoreSupportMask) &&
            !eightBit) {
            markUnicode({PropType::Int32, {0, 0, 0, 0}}, entries);
        }
        if (eightBit && isMessage(entries.kind()) && !stored(kMessageCodepage) &&
            !stored(kInternetCodepage)) {
            const uint32_t cp = source.codepage();
            const std::array<uint8_t, 4> le{static_cast<uint8_t>(cp), static_cast<uint8_t>(cp >> 8),
                                            static_cast<uint8_t>(cp >> 16),
                                            static_cast<uint8_t>(cp >> 24)};
            entries.addFixed(mapi::makeTag(kMessageCodepage, PropType::Int32), le);
        }
    }

    // A stored subject's prefix marker is the .pst's own bookkeeping: a .msg holds the subject
    // as Outlook shows it, and its prefix and normalized subject apart ([MS-OXCMSG] 2.2.1.9,
    // 2.2.1.10), as Outlook writes them. False when the subject carries no marker.
    static bool writeMarkedSubject(const mapi::Properties& source, mapi::PropTag tag,
                                   MsgValueWriter& values) {
        const mapi::PropType base = mapi::baseType(mapi::tagType(tag));
        if (mapi::isMultiValued(mapi::tagType(tag)) ||
            (base != PropType::Unicode && base != PropType::String8)) {
            return false;
        }
        const mapi::PropValue value = msgValue(source, tag);
        const auto parts = mapi::splitStoredSubject(value.asString(source.codepage()));
        if (!parts.marked) return false;
        if (base == PropType::String8 && MsgTypesAsStored::active()) {
            // The marker is two bytes: U+0001 and the prefix's length.
            values.writeString8(
                mapi::prop::kSubject,
                mapi::Bytes(value.bytes).subspan(std::min<size_t>(2, value.bytes.size())));
        } else {
            values.writeText(mapi::prop::kSubject, parts.subject);
        }
        const auto tags = source.tags();
        for (const auto& [id, text] :
             {std::pair{mapi::prop::kSubjectPrefix, &parts.prefix},
              std::pair{mapi::prop::kNormalizedSubject, &parts.normalized}}) {
            const bool stored = std::any_of(tags.begin(), tags.end(), [id = id](mapi::PropTag t) {
                return mapi::tagId(t) == id;
            });
            if (!stored) values.writeText(id, *text);
        }
        return true;
    }

    // PR_STORE_SUPPORT_MASK with STORE_UNICODE_OK tells readers that every string of the file
    // is Unicode ([MS-OXMSG] 2.1.1.1); the other bits are kept as the item has them.
    static void markUnicode(mapi::PropValue mask, MsgPropertyStream& entries) {
        mask.bytes.resize(4, 0);
        mask.bytes[2] |= static_cast<uint8_t>(kStoreUnicodeOk >> 16);
        entries.addFixed(mapi::makeTag(kStoreSupportMask, PropType::Int32), mask.bytes);
    }

    void writeAttachedObject(const mapi::Attachment& attachment, OleStorage& storage,
                             MsgPropertyStream& entries) {
        const mapi::PropTag objectTag = mapi::makeTag(mapi::prop::kAttachData, PropType::Object);
        const std::string name = msgStreamName(objectTag);
        if (auto message = attachment.embeddedMessage()) {
            // An attached message is a message storage of its own, without a name mapping:
            // it shares the top-level one ([MS-OXMSG] 2.2.3).
            OleStorage child = storage.storage(name);
            writeMessage(*message, child, MsgObject::EmbeddedMessage);
            child.close();
            return entries.addStreamed(objectTag, 0xFFFFFFFFu);
        }
        auto data = attachment.objectData();
        if (!data) return;
        TempFile spool;
        if (!spool.file) throw SaveError("cannot create a temporary file for an OLE object");
        std::vector<uint8_t> buf(kSpoolChunk);
        while (const size_t n = data->read(buf)) {
            if (std::fwrite(buf.data(), 1, n, spool.file) != n) {
                throw SaveError("cannot spool an OLE object to a temporary file");
            }
        }
        if (std::fflush(spool.file) != 0) {
            throw SaveError("cannot spool an OLE object to a temporary file");
        }
        if (storage.copyCompoundFile(name, spool.file)) {
            return entries.addStreamed(objectTag, 0xFFFFFFFFu);
        }
        // Object data that is no compound file is kept as the binary value it is.
        auto again = attachment.objectData();
        const mapi::PropTag binaryTag = mapi::makeTag(mapi::prop::kAttachData, PropType::Binary);
        const uint64_t size = storage.writeStream(msgStreamName(binaryTag), *again, 0xFFFFFFFFu);
        entries.addStreamed(binaryTag, static_cast<uint32_t>(size));
    }

    // The id of a property in the file: named properties get the ids of the file's own
    // mapping; one the item's name map does not know cannot be named and is left out.
    std::optional<uint16_t> fileId(uint16_t id) {
        if (id < kFirstNamedId) return id;
        auto [it, added] = namedIds_.try_emplace(id);
        if (added) {
            if (auto name = top_.nameOf(id)) it->second = names_.idOf(*name);
        }
        return it->second;
    }

    const mapi::Item& top_;
    MsgNameTable names_;
    std::map<uint16_t, std::optional<uint16_t>> namedIds_;
};

}  // namespace

namespace {
thread_local bool typesAsStored = false;
}

MsgTypesAsStored::MsgTypesAsStored() : outer_(typesAsStored) {
    typesAsStored = true;
}

MsgTypesAsStored::~MsgTypesAsStored() {
    typesAsStored = outer_;
}

bool MsgTypesAsStored::active() {
    return typesAsStored;
}

bool isPstInternalProperty(uint16_t id) {
    // 0x6700-0x6706 and 0x6770-0x6771: the file's path, encryption, passwords and
    // configuration; 0x67F0-0x67FF: row ids and versions of the file's tables
    // (PR_LTP_ROW_ID, PR_LTP_ROW_VER), synchronisation ids, the password checksum.
    return (id >= 0x6700 && id <= 0x6706) || id == 0x6770 || id == 0x6771 ||
           (id >= 0x67F0 && id <= 0x67FF);
}

void writeMsgFile(const mapi::Item& item, const std::filesystem::path& path) {
    OleFile file(path);
    MsgFileWriter(item).write(file.root());
    file.commit();
}

// The compound-file writer writes the bytes to the file itself.
void writeMsg(const mapi::Item& message, const std::filesystem::path& path) {
    writeMsgFile(message, path);
}

}  // namespace pellmark::formats
