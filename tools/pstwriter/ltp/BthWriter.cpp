#include "pstwriter/ltp/BthWriter.h"

#include <algorithm>
#include <vector>

namespace pellmark::pstwriter {
Hid writeBth(HeapWriter& heap, uint8_t keySize, uint8_t dataSize, ConstBytes records) {
    uint8_t levels = 0;
    Hid root = 0;
    size_t recordSize = size_t{keySize} + dataSize;
    ByteVec level(records.begin(), records.end());
    while (!level.empty()) {
        const size_t perAlloc = HeapWriter::kMaxAllocation / recordSize * recordSize;
        ByteBuffer up;
        for (size_t off = 0; off < level.size(); off += perAlloc) {
            const size_t n = std::min(perAlloc, level.size() - off);
            const Hid hid = heap.allocate(ConstBytes(level).subspan(off, n));
            up.bytes(ConstBytes(level).subspan(off, keySize));  // the first key of the run
            up.u32(hid);
        }
        if (up.size() == size_t{keySize} + 4) {
            root = static_cast<Hid>(up.vec()[keySize] | up.vec()[keySize + 1] << 8 |
                                    up.vec()[keySize + 2] << 16 |
                                    static_cast<uint32_t>(up.vec()[keySize + 3]) << 24);
            break;
        }
        level = up.take();
        recordSize = size_t{keySize} + 4;
        ++levels;
    }
    ByteBuffer header;
    header.u8(Heap::kTypeBTree);
    header.u8(keySize);
    header.u8(dataSize);
    header.u8(levels);
    header.u32(root);
    return heap.allocate(header.span());
}

}  // namespace pellmark::pstwriter
