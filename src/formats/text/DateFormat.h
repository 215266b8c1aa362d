#pragma once
// Times of an item as a person reads them: local time, written out in English
// ("Monday, December 7, 2026 9:41 AM"), and in the RFC 5322 form mail headers need.

#include <cstdint>
#include <string>

namespace pellmark::formats {

// FILETIME (100-ns intervals since 1601 UTC) to seconds since 1970.
int64_t unixTime(uint64_t filetime);

std::string formatDateTime(uint64_t filetime);
// A date without a time (birthdays, due dates). Such values are midnight somewhere; the
// nearest UTC day is the one the user entered.
std::string formatDate(uint64_t filetime);
// "Mon, 07 Dec 2026 09:41:00 +0100", in local time.
std::string formatRfc5322(uint64_t filetime);

}  // namespace pellmark::formats
