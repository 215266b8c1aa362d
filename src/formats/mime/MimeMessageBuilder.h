#pragma once
// An item as an internet message (RFC 5322, MIME): its headers, its text and HTML bodies as
// alternatives with the images the HTML shows as related parts, its other attachments, and
// its embedded messages as attached messages built the same way. Items that are no mail
// (contacts, appointments, tasks, notes, ...) carry their fields readably in both bodies.

#include <memory>
#include <vector>

#include "formats/ItemView.h"
#include "formats/mime/InlineImageParts.h"
#include "mapi/Item.h"

namespace pellmark::formats {

class MimeMessageBuilder {
  public:
    // Messages embedded deeper than this are taken for a damaged file.
    static constexpr int kMaxNesting = 64;

    explicit MimeMessageBuilder(const mapi::Item& message, int nesting = 0);
    ~MimeMessageBuilder();

    // Throws SaveError, or the reader's PstError for a damaged item.
    MimePart build();

  private:
    struct State;
    std::unique_ptr<State> state_;
};

// Every attachment of `item` but the images `shown` shows, as parts: data as attachment
// parts, embedded messages as message/rfc822 parts built the same way, one level deeper than
// `nesting`.
std::vector<MimePart> attachmentParts(const ItemView& item, const InlineImageParts& shown,
                                      int nesting);

// Whether an item of this kind is read as mail (its headers tell who and when) rather than
// by its own fields.
bool isMailKind(ItemKind kind);

}  // namespace pellmark::formats
