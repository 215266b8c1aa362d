#pragma once
// What a data file still holds of deleted items and of replaced versions of its items (see
// pst/messaging/DeletedMessages.h), as the store shows them: by the folder that held them.

#include <memory>

#include "pst/messaging/PstFile.h"
#include "store/MailStore.h"

namespace pellmark::pststore {

store::DeletedItems deletedItemsOf(const std::shared_ptr<const pst::PstFile>& file);

}  // namespace pellmark::pststore
