// libFuzzer target: reads the input as a compound file, every storage and stream, and copies
// what reads whole through the writer (fuzz/WalkCompoundFile.h).

#include <cstdint>

#include "WalkCompoundFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    pellmark::fuzz::walkCompoundFile({data, data + size});
    return 0;
}
