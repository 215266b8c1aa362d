#pragma once
// The file header and its ROOT structure ([MS-PST] 2.2.2.6, 2.2.2.5).

#include <cstdint>

#include "pst/io/ByteView.h"
#include "pst/io/Encoding.h"
#include "pst/ndb/Format.h"
#include "pst/ndb/Ids.h"

namespace pellmark::pst {

// A reference to a B-tree page or block: its id and file offset ([MS-PST] 2.2.2.4).
struct BlockRef {
    BlockId bid;
    uint64_t ib = 0;
};

struct Header {
    Format format = Format::Unicode;
    uint16_t version = 0;
    uint16_t clientMagic = 0;  // "SM" for .pst, "SO" for .ost
    CryptMethod crypt = CryptMethod::None;
    uint64_t fileEof = 0;  // ibFileEof: the size the file claims
    BlockRef nbtRoot;      // node B-tree
    BlockRef bbtRoot;      // block B-tree
    // A header whose CRC does not match is still used when its B-tree roots are sound (repair
    // tools leave such files); the reader reports it as a warning.
    bool crcValid = true;
    // fAMapValid of the ROOT: whether the allocation maps may be trusted to tell free space.
    bool amapValid = false;

    static constexpr size_t kReadSize = 564;  // enough for every variant
    static constexpr uint16_t kMagicPst = 0x4D53;
    static constexpr uint16_t kMagicOst = 0x4F53;

    // Parses the first bytes of a file. Throws PstError(NotAPst) for anything that is not an
    // Outlook data file, (UnsupportedVersion) for a version we do not read and (BadHeader)
    // for a damaged one.
    static Header parse(Bytes data);
};

}  // namespace pellmark::pst
