#pragma once
// How an export lays out what it writes: one file per item in a directory per folder, or each
// folder as a mailbox of a mail program (MailboxOutput). Each output format says which.

#include "formats/OutputFormats.h"

namespace pellmark::exporting {

using MailboxLayout = formats::Container;

}  // namespace pellmark::exporting
