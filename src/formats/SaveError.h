#pragma once
// Why saving an item failed: an unknown save type, an item that cannot be written in the
// type asked for, a damaged item, or the file system refusing the write.

#include <stdexcept>
#include <string>

namespace pellmark::formats {

class SaveError : public std::runtime_error {
  public:
    explicit SaveError(const std::string& what) : std::runtime_error(what) {}
};

}  // namespace pellmark::formats
