#pragma once
// Which code page 8-bit text of an object is in.

#include <cstdint>

#include "pst/ltp/PropertyContext.h"

namespace pellmark::pst {

// The object's internet code page, else its message code page (as Windows code pages), else
// `fallback`.
uint32_t codepageOf(const PropertyContext& pc, uint32_t fallback);
// The same without a fallback: 0 when the object names no code page.
uint32_t namedCodepage(const PropertyContext& pc);

}  // namespace pellmark::pst
