#pragma once
// Outlook message files (.msg, [MS-OXMSG]) read as the item model: a compound file whose root
// storage is the message, its properties in `__properties_version1.0` and `__substg1.0_*`
// streams, recipients and attachments in storages of their own, attached messages in their
// attachment's `__substg1.0_3701000D` storage to any depth. Values are read when asked for,
// large ones in pieces. A file that is no message, or whose storages do not hold what a message
// must, throws MsgError naming what is wrong.

#include <filesystem>
#include <memory>
#include <stdexcept>

#include "cfb/CompoundFileReader.h"
#include "mapi/Item.h"

namespace pellmark::msgfile {

class MsgError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The message file at `path`. The item keeps the file open while it or anything read from it
// (an attachment, an attached message) lives.
std::unique_ptr<mapi::Item> readMsg(const std::filesystem::path& path);

// The message held in `storage` of an open compound file: its root (a .msg file) or the storage
// of an attached message. Named properties map through the file's root mapping.
std::unique_ptr<mapi::Item> readMsg(std::shared_ptr<const cfb::CompoundFileReader> file,
                                    cfb::EntryId storage);

}  // namespace pellmark::msgfile
