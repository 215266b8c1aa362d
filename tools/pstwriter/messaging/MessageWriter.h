#pragma once
// Writes one message ([MS-PST] 2.4.5): its property context, the recipient table (subnode
// 0x692), the attachment table (0x671) and one subnode per attachment, an embedded message
// being a message of its own inside its attachment's subnodes, to any depth.

#include <cstdint>
#include <vector>

#include "pstwriter/messaging/Model.h"
#include "pstwriter/messaging/NameMap.h"
#include "pstwriter/ndb/NodeBuilder.h"

namespace pellmark::pstwriter {

struct WriteContext {
    NdbWriter& ndb;
    NameMap& names;
    TextCodec codec;
    uint64_t defaultTime;            // creation and modification time when a message has none
    uint32_t embeddedIndex = 0x400;  // node ids of embedded messages within their attachment
};

struct WrittenMessage {
    BlockId data;
    BlockId sub;
    uint32_t size = 0;
    bool read = true;
    std::vector<StoredProp> summary;  // the values a contents-table row shows
};

WrittenMessage writeMessage(WriteContext& ctx, const Message& message);

// The stored form of every property of `bag`, named ones mapped to their ids.
std::vector<StoredProp> storeBag(WriteContext& ctx, const PropertyBag& bag, int codepage);

}  // namespace pellmark::pstwriter
