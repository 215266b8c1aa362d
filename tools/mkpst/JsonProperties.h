#pragma once
// Property lists of the JSON description: tagged and named properties with their types.

#include "mkpst/JsonCursor.h"
#include "pstwriter/messaging/Model.h"

namespace pellmark::pstwriter {

// Reads `owner`'s optional "properties" array into `bag`.
void readProperties(const JsonCursor& owner, PropertyBag& bag);

}  // namespace pellmark::pstwriter
