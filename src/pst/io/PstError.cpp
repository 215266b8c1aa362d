#include "pst/io/PstError.h"

#include <cstdio>

namespace pellmark::pst {

const char* errorCodeName(ErrorCode code) {
    switch (code) {
        case ErrorCode::Io:
            return "I/O error";
        case ErrorCode::NotAPst:
            return "not an Outlook data file";
        case ErrorCode::UnsupportedVersion:
            return "unsupported format version";
        case ErrorCode::BadHeader:
            return "damaged header";
        case ErrorCode::OutOfBounds:
            return "value out of bounds";
        case ErrorCode::BadPage:
            return "damaged B-tree page";
        case ErrorCode::BadBlock:
            return "damaged block";
        case ErrorCode::BadCrc:
            return "CRC mismatch";
        case ErrorCode::NotFound:
            return "missing node or block";
        case ErrorCode::Cycle:
            return "cycle in a tree";
        case ErrorCode::TooDeep:
            return "nesting too deep";
        case ErrorCode::BadHeap:
            return "damaged heap";
        case ErrorCode::BadTable:
            return "damaged table";
        case ErrorCode::BadProperty:
            return "damaged property";
        case ErrorCode::Decompress:
            return "damaged compressed block";
    }
    return "error";
}

namespace {
std::string describe(ErrorCode code, const std::string& what, uint64_t offset, uint64_t bid,
                     uint32_t nid) {
    std::string s = errorCodeName(code);
    if (!what.empty()) s += ": " + what;
    char buf[96];
    if (offset != PstError::kNoOffset) {
        std::snprintf(buf, sizeof buf, " (offset 0x%llx)", static_cast<unsigned long long>(offset));
        s += buf;
    }
    if (bid != 0) {
        std::snprintf(buf, sizeof buf, " (block 0x%llx)", static_cast<unsigned long long>(bid));
        s += buf;
    }
    if (nid != 0) {
        std::snprintf(buf, sizeof buf, " (node 0x%x)", nid);
        s += buf;
    }
    return s;
}
}  // namespace

PstError::PstError(ErrorCode code, std::string what, uint64_t offset, uint64_t bid, uint32_t nid)
    : std::runtime_error(describe(code, what, offset, bid, nid)),
      code_(code),
      offset_(offset),
      bid_(bid),
      nid_(nid),
      detail_(std::move(what)) {}

}  // namespace pellmark::pst
