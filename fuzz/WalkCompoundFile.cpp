#include "WalkCompoundFile.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

#include "cfb/CompoundFileWriter.h"

namespace pellmark::fuzz {
namespace {

using cfb::CfbError;
using cfb::CompoundFileReader;
using cfb::EntryId;

// Every stream by path; storages as paths with their class ids. Damaged streams count as
// errors and are left out.
using Contents = std::map<std::string, std::vector<uint8_t>>;

Contents read(const CompoundFileReader& file, CompoundWalk& walk) {
    Contents out;
    std::vector<std::pair<EntryId, std::string>> todo{{file.root(), ""}};
    while (!todo.empty()) {
        auto [storage, path] = todo.back();
        todo.pop_back();
        const auto id = file.classId(storage);
        out["storage " + path] = {id.begin(), id.end()};
        ++walk.storages;
        for (const EntryId child : file.children(storage)) {
            const std::string name = path + "/" + file.name(child);
            if (file.isStorage(child)) {
                todo.emplace_back(child, name);
                continue;
            }
            try {
                auto whole = file.readStream(child);
                // In pieces that cross sector and mini-sector edges.
                std::vector<uint8_t> piece(509);
                for (uint64_t at = 0; at < whole.size();) {
                    const size_t n = file.readStream(child, at, piece);
                    if (n == 0 || !std::equal(piece.begin(), piece.begin() + n,
                                              whole.begin() + static_cast<std::ptrdiff_t>(at))) {
                        std::fprintf(stderr, "%s reads differently in pieces\n", name.c_str());
                        std::abort();
                    }
                    at += n;
                }
                ++walk.streams;
                walk.bytes += whole.size();
                out["stream " + name] = std::move(whole);
            } catch (const CfbError&) {
                ++walk.errors;
            }
        }
    }
    return out;
}

}  // namespace

CompoundWalk walkCompoundFile(const std::vector<uint8_t>& bytes) {
    CompoundWalk walk;
    Contents contents;
    try {
        contents = read(CompoundFileReader::fromBytes(bytes), walk);
    } catch (const CfbError&) {
        ++walk.errors;
        return walk;
    }
    if (walk.errors > 0) return walk;
    // What was read whole goes through the writer and must read back the same. Names that
    // the writer refuses (two alike in a storage, characters it does not write) end here.
    static const int fd = memfd_create("cfb-walk", 0);
    if (fd < 0 || ftruncate(fd, 0) != 0) return walk;
    const std::string path = "/proc/self/fd/" + std::to_string(fd);
    try {
        const auto source = CompoundFileReader::fromBytes(bytes);
        cfb::CompoundFileWriter writer(path);
        cfb::copyStorage(source, source.root(), writer, writer.root());
        writer.commit();
    } catch (const CfbError&) {
        return walk;
    }
    CompoundWalk again;
    Contents copy;
    try {
        copy = read(CompoundFileReader::open(path), again);
    } catch (const CfbError& e) {
        std::fprintf(stderr, "the copy does not read: %s\n", e.what());
        std::abort();
    }
    if (copy != contents) {
        std::fprintf(stderr, "the copy holds other contents than the file\n");
        std::abort();
    }
    return walk;
}

}  // namespace pellmark::fuzz
