#pragma once

#include <stdexcept>

namespace pellmark::base {

// A file could not be written or read; what() says which and why.
class FileError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

}  // namespace pellmark::base
