#pragma once
// How an export lays out what it writes: one file per item in a directory per folder (the
// seven formats), or each folder as a mailbox of a mail program (MailboxOutput).

namespace pellmark::exporting {

enum class MailboxLayout { Files, Mbox, Maildir };

}  // namespace pellmark::exporting
