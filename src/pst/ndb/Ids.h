#pragma once
// Node and block identifiers ([MS-PST] 2.2.2.1, 2.2.2.2) as small types of their own.

#include <compare>
#include <cstdint>

namespace pellmark::pst {

// The five low bits of a node id give its type ([MS-PST] 2.2.2.1).
enum class NodeType : uint8_t {
    Hid = 0x00,
    Internal = 0x01,
    NormalFolder = 0x02,
    SearchFolder = 0x03,
    NormalMessage = 0x04,
    Attachment = 0x05,
    SearchUpdateQueue = 0x06,
    SearchCriteriaObject = 0x07,
    AssocMessage = 0x08,
    ContentsTableIndex = 0x0A,
    ReceiveFolderTable = 0x0B,
    OutgoingQueueTable = 0x0C,
    HierarchyTable = 0x0D,
    ContentsTable = 0x0E,
    AssocContentsTable = 0x0F,
    SearchContentsTable = 0x10,
    AttachmentTable = 0x11,
    RecipientTable = 0x12,
    SearchTableIndex = 0x13,
    Ltp = 0x1F,
};

struct NodeId {
    uint32_t value = 0;

    constexpr NodeId() = default;
    constexpr explicit NodeId(uint32_t v) : value(v) {}
    constexpr NodeId(NodeType type, uint32_t index)
        : value((index << 5) | static_cast<uint32_t>(type)) {}

    constexpr NodeType type() const { return static_cast<NodeType>(value & 0x1F); }
    constexpr uint32_t index() const { return value >> 5; }
    // The node of the same index with another type: a folder's hierarchy and contents
    // tables share the folder's index.
    constexpr NodeId withType(NodeType t) const { return NodeId(t, index()); }

    constexpr auto operator<=>(const NodeId&) const = default;
};

// Well-known node ids ([MS-PST] 2.4.1).
namespace nid {
inline constexpr NodeId kMessageStore{0x21};
inline constexpr NodeId kNameToIdMap{0x61};
inline constexpr NodeId kRootFolder{0x122};
inline constexpr NodeId kAttachmentTable{0x671};
inline constexpr NodeId kRecipientTable{0x692};
}  // namespace nid

struct BlockId {
    uint64_t value = 0;

    constexpr BlockId() = default;
    constexpr explicit BlockId(uint64_t v) : value(v) {}

    // Bit 0 is reserved and ignored by readers; bit 1 marks internal blocks (data and subnode
    // trees), which are never encoded.
    constexpr uint64_t key() const { return value & ~uint64_t{1}; }
    constexpr bool internal() const { return (value & 2) != 0; }
    constexpr bool null() const { return key() == 0; }

    constexpr bool operator==(const BlockId& o) const { return key() == o.key(); }
};

}  // namespace pellmark::pst
