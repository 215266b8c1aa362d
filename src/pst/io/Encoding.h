#pragma once
// Block encodings of [MS-PST] 5.1 and 5.2. Only external data blocks are encoded; the
// internal blocks (data trees, subnode trees) and the B-tree pages never are.

#include <cstdint>
#include <span>

namespace pellmark::pst {

enum class CryptMethod : uint8_t { None = 0, Permute = 1, Cyclic = 2 };

void decodePermute(std::span<uint8_t> data);
void encodePermute(std::span<uint8_t> data);
// The cyclic method is its own inverse; the key is the low 32 bits of the block id.
void cryptCyclic(std::span<uint8_t> data, uint32_t key);

void decodeBlock(CryptMethod method, std::span<uint8_t> data, uint64_t bid);
void encodeBlock(CryptMethod method, std::span<uint8_t> data, uint64_t bid);

}  // namespace pellmark::pst
