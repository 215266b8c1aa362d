#pragma once
// A MIME entity as the writers assemble it: its header lines, ready to write, and a body that is
// text already in its transfer encoding, attachment data base64-encoded while it is read from
// the mail file (an attachment of any size passes through in blocks and is never held whole),
// the parts of a multipart, or an attached message. A message is the entity of its body with
// the message's own headers in front.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "mapi/ByteStream.h"

namespace pellmark::formats {

using DataOpener = std::function<std::unique_ptr<mapi::ByteStream>()>;

struct MimePart {
    enum class Kind { Text, Data, Multipart, Message };
    Kind kind = Kind::Text;
    std::string headers;          // whole lines, each ending in CRLF
    std::string body;             // Text: the body in its transfer encoding
    DataOpener data;              // Data: the bytes, written base64-encoded
    std::string boundary;         // Multipart
    std::vector<MimePart> parts;  // Multipart: its parts; Message: the message alone
};

}  // namespace pellmark::formats
