#include "msgstore/MsgStore.h"

#include <array>
#include <fstream>
#include <system_error>

#include "base/AsciiCase.h"
#include "msgstore/MsgFolder.h"

namespace pellmark::msgstore {

namespace fs = std::filesystem;

MsgStore::MsgStore(std::shared_ptr<const MsgMailbox> mailbox) : mailbox_(std::move(mailbox)) {}

std::string MsgStore::entryId() {
    return storeId(mailbox_->root);
}

std::unique_ptr<store::Folder> MsgStore::rootFolder() {
    return topFolder(mailbox_);
}

std::unique_ptr<store::Folder> MsgStore::folderFromId(const std::string& entryId) {
    const auto relative = relativeOf('D', entryId);
    if (!relative) throw store::StoreError("not a folder entry identifier: " + entryId);
    return folderAt(mailbox_, fs::path(*relative));
}

std::unique_ptr<MsgStore> openMsgStore(const std::string& path) {
    std::error_code ec;
    fs::path root = fs::absolute(path, ec).lexically_normal();
    if (ec) throw store::StoreError("cannot resolve " + path + ": " + ec.message());
    if (root.filename().empty()) root = root.parent_path();  // "dir/" names "dir"
    auto mailbox = std::make_shared<MsgMailbox>();
    const fs::file_status status = fs::status(root, ec);
    if (ec) throw store::StoreError(path + ": " + ec.message());
    if (fs::is_directory(status)) {
        mailbox->directory = true;
        mailbox->name = root.filename().string();
        // A directory that cannot be listed fails here, not item by item.
        fs::directory_iterator probe(root, ec);
        if (ec) throw store::StoreError(path + ": " + ec.message());
    } else if (fs::is_regular_file(status)) {
        mailbox->name = root.stem().string();
    } else {
        throw store::StoreError(path + ": not a regular file or a directory");
    }
    if (mailbox->name.empty()) mailbox->name = root.string();  // the file system's root
    mailbox->root = std::move(root);
    return std::make_unique<MsgStore>(std::move(mailbox));
}

bool isMsgFileName(const fs::path& path) {
    return base::equalsNoCase(path.extension().string(), ".msg");
}

bool looksLikeCompoundFile(const fs::path& path) {
    static constexpr std::array<unsigned char, 8> kSignature{0xD0, 0xCF, 0x11, 0xE0,
                                                             0xA1, 0xB1, 0x1A, 0xE1};
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) return false;  // never open a pipe or a device
    std::ifstream in(path, std::ios::binary);
    std::array<unsigned char, 8> head{};
    in.read(reinterpret_cast<char*>(head.data()), head.size());
    return in.gcount() == static_cast<std::streamsize>(head.size()) && head == kSignature;
}

bool holdsMsgFiles(const fs::path& directory) {
    std::error_code ec;
    // Links to directories are not followed: a link back up would never end.
    for (fs::recursive_directory_iterator
             it(directory, fs::directory_options::skip_permission_denied, ec),
         end;
         !ec && it != end; it.increment(ec)) {
        if (isMsgFileName(it->path()) && !it->is_directory(ec)) return true;
    }
    return false;
}

}  // namespace pellmark::msgstore
