#pragma once
// A subject as a .pst stores it: PR_SUBJECT may start with U+0001 and one character whose
// code, less one, is the length in characters of the prefix ("RE: ", "Antwort: ") that
// follows. The marker is the store's own bookkeeping, no part of the subject's text.

#include <string>
#include <string_view>

namespace pellmark::mapi {

struct StoredSubject {
    std::string subject;     // the whole subject, the marker dropped
    std::string prefix;      // the prefix the marker counts; empty without a marker
    std::string normalized;  // the subject after that prefix
    bool marked = false;     // whether the stored value carried the marker
};

// Splits a stored subject, given in UTF-8. A marker whose count runs past the text counts
// the whole text as the prefix.
StoredSubject splitStoredSubject(std::string_view stored);

}  // namespace pellmark::mapi
