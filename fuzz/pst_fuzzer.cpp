// libFuzzer target: opens the input as a data file and reads all of it.

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <string>

#include "WalkFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The reader reads from a path; an in-memory file keeps the disk out of the loop.
    static const int fd = memfd_create("pst-fuzz", 0);
    if (ftruncate(fd, 0) != 0) return 0;
    if (size > 0 && pwrite(fd, data, size, 0) != static_cast<ssize_t>(size)) return 0;
    pellmark::fuzz::walkFile("/proc/self/fd/" + std::to_string(fd));
    return 0;
}
