#pragma once
// Checks that a .msg read back holds its source item again: every property with its value
// (8-bit strings as the same text in Unicode, named properties under the ids of the file's own
// map), every recipient and attachment, embedded messages at any depth.

#include <string>

#include "mapi/Item.h"

namespace pellmark::test {

// Adds a test failure, naming `where`, for every difference.
void expectSameItem(const mapi::Item& source, const mapi::Item& written, const std::string& where);

}  // namespace pellmark::test
