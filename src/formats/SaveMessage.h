#pragma once
// Saving one item in one of the seven save types. Every writer gets a temporary path and the
// result is moved onto the target only when the writer succeeded.

#include <cstdint>
#include <filesystem>
#include <optional>

#include "pst/messaging/Message.h"

namespace pellmark::formats {

enum class SaveFormat : int16_t {
    Txt = 0,
    Rtf = 1,
    Msg = 3,
    Html = 5,
    Vcf = 6,
    Eml = 1024,
    Mht = 1027,
};

std::optional<SaveFormat> saveFormatFromCode(int16_t code);

// Writes `message` to `path` in `format`, whole, or throws SaveError and leaves no file there.
void saveMessage(const pst::Message& message, SaveFormat format, const std::filesystem::path& path);

}  // namespace pellmark::formats
