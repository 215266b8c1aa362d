#pragma once
// The mailbox (RFC 5322 3.4) an address of the item becomes in a header. Every address comes
// out as a display name and an addr-spec that every reader parses: an SMTP address as it is,
// any other address type IMCEA-encapsulated, a display name that is itself an address as both,
// and a name without any address with a stand-in that says so.

#include <string>
#include <string_view>

#include "formats/ItemView.h"

namespace pellmark::formats {

struct Mailbox {
    std::string name;      // the display name, UTF-8; may be empty
    std::string addrSpec;  // local-part "@" domain, ASCII
};

// The domain of every address made up here: RFC 6761 reserves "invalid", so no mail can ever
// go to an address that stands in for one the item does not hold.
inline constexpr char kStandInDomain[] = "invalid";
// The addr-spec of a name that has no address at all.
inline constexpr char kNoAddress[] = "no-address@invalid";

// atext of RFC 5322 3.2.3: the characters of an atom.
bool isAtext(char c);

// Whether `text` is a plain addr-spec: a dot-atom or quoted local part, "@", a dot-atom domain.
bool isAddrSpec(std::string_view text);

// `addrSpec` with its local part as a quoted string (RFC 5322 3.4.1; backslashes and quotes
// escaped) where it is no dot-atom (UTF-8 allowed, RFC 6532): Exchange gave addresses of its
// own as "Enron Global Technology@ENRON", of which readers take "Technology@ENRON" unquoted.
std::string quotedAddrSpec(std::string_view addrSpec);

// [MS-OXCMAIL] 2.1.3.1.8: "IMCEA" type "-" the address with "/" as "_" and every byte but
// letters, digits, "-" and "=" as "+" and two hex digits, "@" a domain.
std::string imceaAddress(std::string_view type, std::string_view address);

// The mailbox of `address`; an empty Address gives an empty addrSpec.
Mailbox mailboxOf(const Address& address);

}  // namespace pellmark::formats
