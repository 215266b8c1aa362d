#pragma once
// The one exception type of the body conversions: a damaged compressed RTF stream, or input
// that is not the document it claims to be. Absent content is std::optional, never an error.

#include <stdexcept>
#include <string>

namespace pellmark::formats {

class BodyError : public std::runtime_error {
  public:
    explicit BodyError(const std::string& what) : std::runtime_error(what) {}
};

}  // namespace pellmark::formats
