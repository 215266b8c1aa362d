#pragma once
// Values that property and table contexts store out of line: an HNID names either a heap
// allocation or a subnode of the context's node ([MS-PST] 2.3.3.2).

#include <cstdint>
#include <memory>
#include <vector>

#include "mapi/ByteStream.h"
#include "mapi/PropValue.h"
#include "pst/ltp/Heap.h"

namespace pellmark::pst {

// Values larger than this are not loaded whole by get(); callers stream them instead.
inline constexpr uint64_t kMaxLoadedValue = uint64_t{1} << 30;

uint64_t hnidSize(const Heap& heap, uint32_t hnid);
std::vector<uint8_t> readHnid(const Heap& heap, uint32_t hnid, uint64_t limit = kMaxLoadedValue);
std::unique_ptr<mapi::ByteStream> openHnid(const Heap& heap, uint32_t hnid);

// Builds the value of `type` from its stored form: `inlineBytes` when the context stored the
// value itself (fixed-size types that fit), else the HNID in `hnid`.
mapi::PropValue makeValue(const Heap& heap, mapi::PropType type, bool isInline, Bytes inlineBytes,
                          uint32_t hnid);

}  // namespace pellmark::pst
