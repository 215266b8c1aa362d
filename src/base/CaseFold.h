#pragma once
// File names as the file systems that ignore letter case compare them (NTFS, FAT, APFS, ext4
// with casefold): an export copied there must not have two names that differ in case only.

#include <cstdint>
#include <string_view>

namespace pellmark::base {

// A key equal for names that differ in letter case only (Unicode simple case folding to lower
// case, by the C.UTF-8 locale's tables). Equal keys of different names are as unlikely as a
// 64-bit hash collision.
uint64_t caseFoldedKey(std::string_view utf8Name);

}  // namespace pellmark::base
