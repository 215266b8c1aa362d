#include "formats/msg/OleWriter.h"

#include <utility>
#include <vector>

#include "cfb/CompoundFileReader.h"
#include "formats/SaveError.h"

namespace pellmark::formats {
namespace {

// Pieces in which stream contents travel: large enough to be fast, small enough that an
// attachment of any size costs no more memory than this.
constexpr size_t kChunk = 256 * 1024;

// Runs `step`, telling a compound-file error as the .msg file's.
template <class Step>
auto saving(Step&& step) -> decltype(step()) {
    try {
        return step();
    } catch (const cfb::CfbError& e) {
        throw SaveError(std::string("cannot write the .msg file: ") + e.what());
    }
}

}  // namespace

OleStorage OleStorage::storage(const std::string& name) {
    return saving([&] { return OleStorage(*file_, file_->addStorage(id_, name)); });
}

void OleStorage::writeStream(const std::string& name, std::span<const uint8_t> data) {
    saving([&] { file_->addStream(id_, name, data); });
}

uint64_t OleStorage::writeStream(const std::string& name, mapi::ByteStream& in, uint64_t limit) {
    return saving([&] {
        file_->beginStream(id_, name);
        std::vector<uint8_t> buf(kChunk);
        uint64_t total = 0;
        while (const size_t n = in.read(buf)) {
            total += n;
            if (total > limit) {
                throw SaveError("the value of " + name + " is larger than a .msg file can hold");
            }
            file_->write({buf.data(), n});
        }
        file_->endStream();
        return total;
    });
}

void OleStorage::setClassId(const ClassId& id) {
    saving([&] { file_->setClassId(id_, id); });
}

bool OleStorage::copyCompoundFile(const std::string& name, std::FILE* file) {
    std::optional<cfb::CompoundFileReader> object;
    try {
        object.emplace(cfb::CompoundFileReader::fromDescriptor(fileno(file)));
    } catch (const cfb::CfbError&) {
        return false;
    }
    try {
        cfb::copyStorage(*object, object->root(), *file_, file_->addStorage(id_, name));
    } catch (const cfb::CfbError& e) {
        throw SaveError(std::string("cannot copy the OLE object: ") + e.what());
    }
    return true;
}

OleFile::OleFile(const std::filesystem::path& path)
    : file_(saving([&] { return std::make_unique<cfb::CompoundFileWriter>(path); })),
      root_(new OleStorage(*file_, file_->root())) {}

OleFile::~OleFile() = default;

void OleFile::commit() {
    saving([&] { file_->commit(); });
}

}  // namespace pellmark::formats
