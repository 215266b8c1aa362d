#pragma once
// The reader's messages as the item model (mapi/Message.h) that every writer reads: a message
// of the file, or one embedded in an attachment, with its properties read from its property
// context as asked for, its recipients and attachments, and named properties through the file's
// name-to-id map.

#include <memory>

#include "mapi/Item.h"
#include "pst/messaging/Message.h"

namespace pellmark::pst {

std::unique_ptr<mapi::Item> itemOf(Message message);

}  // namespace pellmark::pst
