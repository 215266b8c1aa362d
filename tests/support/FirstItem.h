#pragma once
// Finding an item to test on in a store as the component shows it.

#include <memory>
#include <string>

#include "store/MailStore.h"

namespace pellmark::test {

// The first item of the first folder named `folder` (any folder when empty) that has items,
// searched depth first from `root`; nullptr when there is none.
std::unique_ptr<store::MailItem> firstItemIn(store::Folder& root, const std::string& folder);

}  // namespace pellmark::test
