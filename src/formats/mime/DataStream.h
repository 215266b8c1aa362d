#pragma once
// A GMime stream over an item's data (an attachment's bytes), read from the mail file while
// GMime encodes it: an attachment of any size passes through in blocks and is never held
// whole. GMime resets a content stream before and after writing it, so the stream reopens its
// source on reset rather than keeping what it read.

#include <gmime/gmime.h>

#include <exception>
#include <functional>
#include <memory>

#include "pst/ltp/ByteStream.h"

namespace pellmark::formats {

using DataOpener = std::function<std::unique_ptr<pst::ByteStream>()>;

// A new read-only stream (one reference, the caller's) over what `open` returns.
GMimeStream* newDataStream(DataOpener open);

// GMime sees a failed read as -1 only; the reason is kept here for the writer to rethrow.
// Returns and clears the first failure since the last call (on this thread).
std::exception_ptr takeDataStreamError();

}  // namespace pellmark::formats
