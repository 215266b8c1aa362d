#pragma once
// A subnode's data as a stream, read block by block.

#include "mapi/ByteStream.h"
#include "pst/ndb/DataTree.h"

namespace pellmark::pst {

class DataTreeStream : public mapi::ByteStream {
  public:
    explicit DataTreeStream(DataTree tree) : tree_(std::move(tree)) {}
    uint64_t size() const override { return tree_.size(); }
    size_t read(std::span<uint8_t> out) override;

  private:
    DataTree tree_;
    uint64_t pos_ = 0;
};

}  // namespace pellmark::pst
