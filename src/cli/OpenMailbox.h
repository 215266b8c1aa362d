#pragma once
// Which store reads a MAILBOX: a directory or a .msg file (by its name, or by the compound
// file it is) the store over .msg files, anything else the .pst reader.

#include <memory>
#include <string>

#include "store/MailStore.h"

namespace pellmark::cli {

// Throws StoreError when the mailbox cannot be opened.
std::unique_ptr<store::Store> openMailbox(const std::string& path);

}  // namespace pellmark::cli
