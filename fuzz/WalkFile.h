#pragma once
// Reads everything the reader can give of a file: every folder, item, property, recipient,
// attachment byte and embedded message. The fuzz target runs it on mutated files; the test suite
// runs it on every input the fuzzer ever crashed on.

#include <cstddef>
#include <filesystem>

namespace pellmark::fuzz {

struct WalkStats {
    size_t folders = 0;
    size_t messages = 0;
    size_t properties = 0;
    size_t attachmentBytes = 0;
    size_t errors = 0;  // objects that raised PstError (expected on damaged input)
};

// Never throws for a damaged file: PstError is counted and the walk goes on. `budget` bounds
// the number of objects visited, so a file that fans out (many rows naming the same
// subtree) ends in bounded time.
WalkStats walkFile(const std::filesystem::path& path, size_t budget = 20000);

}  // namespace pellmark::fuzz
