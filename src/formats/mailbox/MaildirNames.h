#pragma once
// Names in a Maildir++ tree as IMAP servers read it: folder directories ".Parent.Child" whose
// names are in IMAP's modified UTF-7 (RFC 3501 5.1.3), with the characters the layout
// reserves ('.', '\' and a leading '~') written as "\NN" hex escapes, Dovecot's listescape
// form; and the flags part of a message file's name.

#include <string>
#include <vector>

#include "store/ItemFacts.h"

namespace pellmark::formats {

// `utf8` in IMAP's modified UTF-7: printable ASCII stays, '&' becomes "&-", everything else
// is UTF-16 in modified Base64 between '&' and '-'.
std::string imapUtf7(const std::string& utf8);

// The directory of the folder with these names from the top down: ".A.B". An empty name
// becomes "_", and a '/' in a name '_': '/' is the hierarchy separator IMAP clients see, and
// Dovecot reads an escaped one as one, listing the folder below a parent that does not exist.
// Maildir++ puts the whole path into one directory entry, so the entry is cut to fit 255
// bytes: a name that does not fit keeps as many of its characters as do, and a mark of its
// whole name (shortenedMark), so names that start alike stay apart, and leaves room for
// subfolders. A folder whose parent's entry leaves no room for a name goes below the nearest
// folder above that does, named with the names between them ("Child › Sub" below Parent), or
// with as much of them as fits ("Chi… › Sub" and the mark).
// Each folder's entry depends on its names only, so a later run finds the same directories.
std::string maildirFolderDirectory(const std::vector<std::string>& names);

// The mark that ends a name cut to fit: '~' and the first six hex digits of the SHA-256 of
// the whole name.
std::string shortenedMark(const std::string& wholeName);

// The flags of a message file, after ":2,", in the ASCII order Maildir wants: D (draft),
// F (flagged), P (passed on: forwarded), R (replied), S (seen: read), then the letter of the
// folder's "$Forwarded" keyword (`forwardedKeyword`, 0: none; see MaildirKeywords) for a
// forwarded item: IMAP servers read no P.
std::string maildirFlags(const store::ItemFacts& facts, char forwardedKeyword = 0);

}  // namespace pellmark::formats
