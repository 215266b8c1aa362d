#pragma once
// Names in a Maildir++ tree as IMAP servers read it: folder directories ".Parent.Child" whose
// names are in IMAP's modified UTF-7 (RFC 3501 5.1.3), with the characters the layout
// reserves ('.', '/', '\' and a leading '~') written as "\NN" hex escapes, Dovecot's
// listescape form; and the flags part of a message file's name.

#include <string>
#include <vector>

#include "store/ItemFacts.h"

namespace pellmark::formats {

// `utf8` in IMAP's modified UTF-7: printable ASCII stays, '&' becomes "&-", everything else
// is UTF-16 in modified Base64 between '&' and '-'.
std::string imapUtf7(const std::string& utf8);

// The directory of the folder with these names from the top down: ".A.B"; an empty name
// becomes "_".
std::string maildirFolderDirectory(const std::vector<std::string>& names);

// The flags of a message file, after ":2,", in the ASCII order Maildir wants: D (draft),
// F (flagged), P (passed on: forwarded), R (replied), S (seen: read), then the letter of the
// folder's "$Forwarded" keyword (`forwardedKeyword`, 0: none; see MaildirKeywords) for a
// forwarded item: IMAP servers read no P.
std::string maildirFlags(const store::ItemFacts& facts, char forwardedKeyword = 0);

}  // namespace pellmark::formats
