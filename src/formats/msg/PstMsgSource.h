#pragma once
// A message of the PST reader as the .msg writer reads it: properties from its property
// context, recipients from its recipient table, attachments with their embedded messages and
// OLE objects, and the names of its named properties from the file's name map.

#include <memory>

#include "formats/msg/MsgSource.h"
#include "pst/messaging/Message.h"

namespace pellmark::formats {

std::unique_ptr<MsgItem> pstMsgItem(const pst::Message& message);

}  // namespace pellmark::formats
