#pragma once
// Which code page 8-bit text of an object is in.

#include <cstdint>

#include "pst/ltp/PropertyContext.h"

namespace pellmark::pst {

// The Windows code page in which Outlook keeps the 8-bit text of an item whose internet code
// page is `cp`: 7-bit and stateful internet encodings map to the Windows page of their script.
uint32_t windowsCodepage(uint32_t cp);

// The object's internet code page, else its message code page (as Windows code pages), else
// `fallback`.
uint32_t codepageOf(const PropertyContext& pc, uint32_t fallback);
// The same without a fallback: 0 when the object names no code page.
uint32_t namedCodepage(const PropertyContext& pc);

}  // namespace pellmark::pst
