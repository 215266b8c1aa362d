#include "msgfile/MsgFile.h"

#include <unistd.h>

#include <cstdio>

#include "cfb/CompoundFileWriter.h"

#include "mapi/CodepageText.h"
#include "mapi/Tags.h"
#include "msgfile/MsgNameMap.h"
#include "msgfile/MsgObject.h"

namespace pellmark::msgfile {
namespace {

constexpr std::string_view kRecipientPrefix = "__recip_version1.0_#";
constexpr std::string_view kAttachmentPrefix = "__attach_version1.0_#";
constexpr std::string_view kAttachedObject = "__substg1.0_3701000D";

// What every object of one file shares: the open file and the root's name mapping.
struct OpenFile {
    std::shared_ptr<const cfb::CompoundFileReader> file;
    MsgNameMap names;
};

// The object's internet code page, else its message code page, as the Windows page its 8-bit
// text is in; `fallback` when it names neither.
uint32_t codepageOf(const MsgObject& object, uint32_t fallback) {
    for (uint16_t id : {mapi::prop::kInternetCodepage, mapi::prop::kMessageCodepage}) {
        if (auto v = object.get(id); v && v->asInteger() && *v->asInteger() > 0) {
            return mapi::windowsCodepage(static_cast<uint32_t>(*v->asInteger()));
        }
    }
    return fallback;
}

// A compound file spooled to a temporary file, read back in pieces; the file is unlinked as
// soon as it is open, so nothing is left behind whatever happens.
class SpooledFile : public mapi::ByteStream {
  public:
    explicit SpooledFile(const cfb::CompoundFileReader& source, cfb::EntryId storage) {
        std::string path =
            (std::filesystem::temp_directory_path() / "pellmark-ole-XXXXXX").string();
        const int fd = ::mkstemp(path.data());
        if (fd < 0) throw MsgError("cannot create a temporary file for an OLE object");
        ::close(fd);
        try {
            cfb::CompoundFileWriter writer(path, cfb::Version::V3);
            cfb::copyStorage(source, storage, writer, writer.root());
            writer.commit();
            file_ = std::fopen(path.c_str(), "rb");
        } catch (...) {
            ::unlink(path.c_str());
            throw;
        }
        ::unlink(path.c_str());
        if (!file_) throw MsgError("cannot read back the temporary file of an OLE object");
        std::fseek(file_, 0, SEEK_END);
        size_ = static_cast<uint64_t>(std::ftell(file_));
        std::fseek(file_, 0, SEEK_SET);
    }
    ~SpooledFile() override { std::fclose(file_); }
    SpooledFile(const SpooledFile&) = delete;
    SpooledFile& operator=(const SpooledFile&) = delete;

    uint64_t size() const override { return size_; }
    size_t read(std::span<uint8_t> out) override {
        return std::fread(out.data(), 1, out.size(), file_);
    }

  private:
    std::FILE* file_ = nullptr;
    uint64_t size_ = 0;
};

template <class Base>
class ObjectProperties : public Base {
  public:
    ObjectProperties(MsgObject object, uint32_t parentCodepage)
        : object_(std::move(object)), codepage_(codepageOf(object_, parentCodepage)) {}

    std::vector<mapi::PropTag> tags() const override { return object_.tags(); }
    std::optional<mapi::PropValue> get(uint16_t propId) const override {
        return object_.get(propId);
    }
    uint32_t codepage() const override { return codepage_; }
    std::optional<mapi::PropType> typeOf(uint16_t propId) const override {
        return object_.typeOf(propId);
    }
    uint64_t sizeOf(uint16_t propId) const override { return object_.sizeOf(propId); }
    std::unique_ptr<mapi::ByteStream> stream(uint16_t propId) const override {
        return object_.stream(propId);
    }

  protected:
    MsgObject object_;
    uint32_t codepage_;
};

class MsgItem : public ObjectProperties<mapi::Item> {
  public:
    MsgItem(std::shared_ptr<const OpenFile> open, cfb::EntryId storage, ObjectKind kind,
            uint32_t parentCodepage)
        : ObjectProperties(MsgObject(open->file, storage, kind), parentCodepage),
          open_(std::move(open)),
          attachments_(object_.numbered(kAttachmentPrefix)) {}

    std::vector<mapi::Recipient> recipients() const override {
        std::vector<mapi::Recipient> out;
        for (const cfb::EntryId id : object_.numbered(kRecipientPrefix)) {
            const MsgObject row(open_->file, id, ObjectKind::RecipientOrAttachment);
            out.emplace_back(row.values(), codepage_);
        }
        return out;
    }
    size_t attachmentCount() const override { return attachments_.size(); }
    std::unique_ptr<mapi::Attachment> attachment(size_t index) const override;

    std::optional<mapi::NamedProperty> nameOf(uint16_t propId) const override {
        return open_->names.nameOf(propId);
    }
    std::optional<uint16_t> idOf(const mapi::Guid& set, uint32_t lid) const override {
        return open_->names.idOf(set, lid);
    }
    std::optional<uint16_t> idOf(const mapi::Guid& set, const std::string& name) const override {
        return open_->names.idOf(set, name);
    }

  private:
    std::shared_ptr<const OpenFile> open_;
    std::vector<cfb::EntryId> attachments_;
};

class MsgAttachment : public ObjectProperties<mapi::Attachment> {
  public:
    MsgAttachment(std::shared_ptr<const OpenFile> open, cfb::EntryId storage,
                  uint32_t parentCodepage)
        : ObjectProperties(MsgObject(open->file, storage, ObjectKind::RecipientOrAttachment),
                           parentCodepage),
          open_(std::move(open)) {}

    std::unique_ptr<mapi::Item> embeddedMessage() const override {
        if (!isEmbeddedMessage()) return nullptr;
        const auto storage = object_.storage(kAttachedObject);
        if (!storage) {
            throw MsgError("an attached message's storage is missing from " +
                           open_->file->name(object_.id()));
        }
        return std::make_unique<MsgItem>(open_, *storage, ObjectKind::AttachedMessage, codepage_);
    }

    // The storage of an OLE object, as the compound file of its own the model takes it as.
    std::unique_ptr<mapi::ByteStream> objectData() const override {
        if (typeOf(mapi::prop::kAttachData) != mapi::PropType::Object || isEmbeddedMessage()) {
            return nullptr;
        }
        const auto storage = object_.storage(kAttachedObject);
        if (!storage) {
            throw MsgError("the storage of an attached OLE object is missing from " +
                           open_->file->name(object_.id()));
        }
        return std::make_unique<SpooledFile>(*open_->file, *storage);
    }

  private:
    std::shared_ptr<const OpenFile> open_;
};

std::unique_ptr<mapi::Attachment> MsgItem::attachment(size_t index) const {
    if (index >= attachments_.size()) {
        throw MsgError("no attachment " + std::to_string(index) + " in the message");
    }
    return std::make_unique<MsgAttachment>(open_, attachments_[index], codepage_);
}

}  // namespace

std::unique_ptr<mapi::Item> readMsg(std::shared_ptr<const cfb::CompoundFileReader> file,
                                    cfb::EntryId storage) {
    auto open = std::make_shared<OpenFile>();
    open->names = MsgNameMap::read(*file);
    open->file = std::move(file);
    const ObjectKind kind =
        storage == open->file->root() ? ObjectKind::TopMessage : ObjectKind::AttachedMessage;
    return std::make_unique<MsgItem>(std::move(open), storage, kind, mapi::kCodepageDefault);
}

std::unique_ptr<mapi::Item> readMsg(const std::filesystem::path& path) {
    try {
        auto file =
            std::make_shared<const cfb::CompoundFileReader>(cfb::CompoundFileReader::open(path));
        const cfb::EntryId root = file->root();
        return readMsg(std::move(file), root);
    } catch (const cfb::CfbError& e) {
        throw MsgError(path.string() + ": not a readable compound file: " + e.what());
    } catch (const MsgError& e) {
        throw MsgError(path.string() + ": not a readable Outlook message: " + e.what());
    }
}

}  // namespace pellmark::msgfile
