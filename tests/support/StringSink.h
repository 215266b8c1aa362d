#pragma once
// A sink that keeps what it is given, for tests of writers and filters.

#include <string>
#include <string_view>

#include "base/ByteSink.h"

namespace pellmark::test {

class StringSink : public base::ByteSink {
  public:
    StringSink() : base::ByteSink(buffer_) {}
    std::string out;  // what was passed on (call flush() first)

  protected:
    void consume(std::string_view bytes) override { out.append(bytes); }

  private:
    std::string buffer_;
};

}  // namespace pellmark::test
