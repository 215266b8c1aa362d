#pragma once
// The calendar kinds of the JSON description (docs/mkpst-json.md): appointments and meetings
// with their time zone and recurrence, and tasks. Mistakes are JsonInputErrors naming their
// place, as everywhere in the document.

#include <cstdint>
#include <string>

#include "mkpst/JsonCursor.h"
#include "pstwriter/messaging/Model.h"

namespace pellmark::pstwriter {

// `expand` turns "{n}" in a repeated item's texts into its copy number.
using TextExpander = std::string (*)(std::string, int64_t);

void readAppointment(const JsonCursor& c, Message& m, int64_t n, TextExpander expand);
void readTask(const JsonCursor& c, Message& m, int64_t n, TextExpander expand);

}  // namespace pellmark::pstwriter
