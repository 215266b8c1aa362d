#include "msgstore/MsgFolder.h"

#include <algorithm>
#include <array>
#include <system_error>

#include "base/AsciiCase.h"
#include "msgfile/MsgFile.h"

namespace pellmark::msgstore {
namespace {

namespace fs = std::filesystem;

constexpr std::array<uint8_t, 16> kStoreUid{0x7A, 0x3C, 0x51, 0x0E, 0x94, 0x2B, 0x4D, 0x16,
                                            0xA8, 0x63, 0x0F, 0xC2, 0x5B, 0x91, 0xE4, 0x27};

std::string hexOf(const std::string& bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : bytes) {
        const auto b = static_cast<uint8_t>(c);
        out += kDigits[b >> 4];
        out += kDigits[b & 0xF];
    }
    return out;
}

std::optional<std::string> bytesOf(const std::string& hex) {
    if (hex.size() % 2 != 0) return std::nullopt;
    auto digit = [](char c) {
        return c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
    };
    std::string out;
    for (size_t i = 0; i < hex.size(); i += 2) {
        const int hi = digit(hex[i]), lo = digit(hex[i + 1]);
        if (hi < 0 || lo < 0) return std::nullopt;
        out += static_cast<char>(hi << 4 | lo);
    }
    return out;
}

std::string prefix() {
    return std::string(4, '\0') + std::string(kStoreUid.begin(), kStoreUid.end());
}

std::string generic(const fs::path& relative) {
    return relative.generic_string();
}

// The .msg files directly in `directory`, and its subdirectories that hold some, by name.
struct Listing {
    std::vector<std::string> files;
    std::vector<std::string> directories;
};

Listing listingOf(const fs::path& directory) {
    Listing out;
    std::error_code ec;
    for (fs::directory_iterator it(directory, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        std::error_code linkError;
        if (it->is_directory(linkError) && !it->is_symlink(linkError)) {
            if (holdsMsgFiles(it->path())) out.directories.push_back(name);
        } else if (isMsgFileName(it->path()) && !it->is_directory(linkError)) {
            // Whatever its kind: one that is no regular file fails when read, and is named.
            out.files.push_back(name);
        }
    }
    if (ec) throw store::StoreError(directory.string() + ": " + ec.message());
    std::sort(out.files.begin(), out.files.end());
    std::sort(out.directories.begin(), out.directories.end());
    return out;
}

std::unique_ptr<store::MailItem> openItem(const MsgMailbox& mailbox, const std::string& relative) {
    return formats::storeGuarded([&] {
        const fs::path path = mailbox.directory ? mailbox.root / relative : mailbox.root;
        std::error_code ec;
        if (!fs::is_regular_file(path, ec)) {
            throw store::StoreError(path.string() + ": not a regular file");
        }
        std::shared_ptr<const mapi::Item> item = msgfile::readMsg(path);
        return std::make_unique<MsgMailItem>(std::move(item), relative);
    });
}

class MsgItemEnumerator : public store::ItemEnumerator {
  public:
    MsgItemEnumerator(std::shared_ptr<const MsgMailbox> mailbox, std::vector<std::string> files)
        : mailbox_(std::move(mailbox)), files_(std::move(files)) {}

    std::unique_ptr<store::MailItem> next() override {
        if (pos_ >= files_.size()) return nullptr;
        return openItem(*mailbox_, files_[pos_++]);
    }

  private:
    std::shared_ptr<const MsgMailbox> mailbox_;
    std::vector<std::string> files_;
    size_t pos_ = 0;
};

class MsgItems : public store::Items {
  public:
    MsgItems(std::shared_ptr<const MsgMailbox> mailbox, std::vector<std::string> files)
        : mailbox_(std::move(mailbox)), files_(std::move(files)) {}

    int64_t count() override { return static_cast<int64_t>(files_.size()); }
    std::unique_ptr<store::MailItem> item(int64_t index) override {
        if (index < 1 || index > count()) {
            throw store::StoreError("no item " + std::to_string(index));
        }
        return openItem(*mailbox_, files_[static_cast<size_t>(index - 1)]);
    }
    std::unique_ptr<store::ItemEnumerator> enumerate() override {
        return std::make_unique<MsgItemEnumerator>(mailbox_, files_);
    }

  private:
    std::shared_ptr<const MsgMailbox> mailbox_;
    std::vector<std::string> files_;
};

class MsgFolderEnumerator : public store::FolderEnumerator {
  public:
    MsgFolderEnumerator(std::shared_ptr<const MsgMailbox> mailbox, fs::path parent,
                        std::vector<store::PathStep> steps, std::vector<std::string> names)
        : mailbox_(std::move(mailbox)),
          parent_(std::move(parent)),
          steps_(std::move(steps)),
          names_(std::move(names)) {}

    std::unique_ptr<store::Folder> next() override {
        if (pos_ >= names_.size()) return nullptr;
        const std::string& name = names_[pos_++];
        const fs::path relative = parent_ / name;
        std::vector<store::PathStep> steps = steps_;
        steps.push_back({name, generic(relative)});
        return std::make_unique<MsgFolder>(mailbox_, relative, std::move(steps));
    }

  private:
    std::shared_ptr<const MsgMailbox> mailbox_;
    fs::path parent_;
    std::vector<store::PathStep> steps_;
    std::vector<std::string> names_;
    size_t pos_ = 0;
};

class MsgFolders : public store::Folders {
  public:
    MsgFolders(std::shared_ptr<const MsgMailbox> mailbox, fs::path parent,
               std::vector<store::PathStep> steps, std::vector<std::string> names)
        : mailbox_(std::move(mailbox)),
          parent_(std::move(parent)),
          steps_(std::move(steps)),
          names_(std::move(names)) {}

    int32_t count() override { return static_cast<int32_t>(names_.size()); }
    std::unique_ptr<store::FolderEnumerator> enumerate() override {
        return std::make_unique<MsgFolderEnumerator>(mailbox_, parent_, steps_, names_);
    }

  private:
    std::shared_ptr<const MsgMailbox> mailbox_;
    fs::path parent_;
    std::vector<store::PathStep> steps_;
    std::vector<std::string> names_;
};

}  // namespace

MsgFolder::MsgFolder(std::shared_ptr<const MsgMailbox> mailbox, fs::path relative,
                     std::vector<store::PathStep> steps)
    : mailbox_(std::move(mailbox)), relative_(std::move(relative)), steps_(std::move(steps)) {}

std::string MsgFolder::entryId() {
    return objectId('D', generic(relative_));
}

std::string MsgFolder::folderPath() {
    std::string path = "\\";
    for (const store::PathStep& step : steps_) path += "\\" + step.name;
    return path;
}

std::string MsgFolder::defaultMessageClass() {
    if (kind_) return *kind_;
    const std::unique_ptr<store::Items> all = items();
    bool contacts = all->count() > 0;
    for (int64_t i = 1; contacts && i <= all->count(); ++i) {
        try {
            const std::string cls = all->item(i)->messageClass();
            contacts = base::startsWithNoCase(cls, "IPM.Contact") ||
                       base::startsWithNoCase(cls, "IPM.DistList");
        } catch (const store::StoreError&) {
            contacts = false;  // a file that cannot be read fails as an item of a mail folder
        }
    }
    kind_ = contacts ? "IPM.Contact" : "IPM.Note";
    return *kind_;
}

std::unique_ptr<store::Items> MsgFolder::items() {
    if (!mailbox_->directory) {
        return std::make_unique<MsgItems>(
            mailbox_, std::vector<std::string>{mailbox_->root.filename().string()});
    }
    Listing listing = listingOf(mailbox_->root / relative_);
    for (std::string& file : listing.files) file = generic(relative_ / file);
    return std::make_unique<MsgItems>(mailbox_, std::move(listing.files));
}

std::unique_ptr<store::Folders> MsgFolder::folders() {
    std::vector<std::string> names;
    if (mailbox_->directory) names = listingOf(mailbox_->root / relative_).directories;
    return std::make_unique<MsgFolders>(mailbox_, relative_, steps_, std::move(names));
}

MsgMailItem::MsgMailItem(std::shared_ptr<const mapi::Item> item, std::string relative)
    : ModelMailItem(std::move(item)), relative_(std::move(relative)) {}

std::string MsgMailItem::entryId() {
    return objectId('M', relative_);
}

std::unique_ptr<MsgFolder> topFolder(std::shared_ptr<const MsgMailbox> mailbox) {
    std::vector<store::PathStep> steps{{mailbox->name, ""}};
    return std::make_unique<MsgFolder>(std::move(mailbox), fs::path(), std::move(steps));
}

std::unique_ptr<MsgFolder> folderAt(std::shared_ptr<const MsgMailbox> mailbox,
                                    const fs::path& relative) {
    if (relative.empty()) return topFolder(std::move(mailbox));
    std::vector<store::PathStep> steps{{mailbox->name, ""}};
    fs::path so_far;
    for (const fs::path& part : relative) {
        const std::string name = part.string();
        if (name.empty() || name == "." || name == ".." || part.is_absolute()) {
            throw store::StoreError("no folder " + relative.string() + " in the mailbox");
        }
        so_far /= part;
        steps.push_back({name, generic(so_far)});
    }
    std::error_code ec;
    if (!mailbox->directory || !fs::is_directory(mailbox->root / relative, ec)) {
        throw store::StoreError("no folder " + relative.string() + " in " + mailbox->root.string());
    }
    return std::make_unique<MsgFolder>(std::move(mailbox), relative, std::move(steps));
}

std::string storeId(const fs::path& root) {
    return hexOf(prefix() + root.string());
}

std::string objectId(char kind, const std::string& relative) {
    return hexOf(prefix() + kind + relative);
}

std::optional<std::string> relativeOf(char kind, const std::string& id) {
    const auto bytes = bytesOf(id);
    const std::string head = prefix() + kind;
    if (!bytes || bytes->rfind(head, 0) != 0) return std::nullopt;
    return bytes->substr(head.size());
}

}  // namespace pellmark::msgstore
