#pragma once
// A mailbox written from a pellmark-mkpst JSON document (docs/mkpst-json.md) for the calendar
// tests: the file, its folders' items as the reader gives them, and its export.

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "mapi/Item.h"

namespace pellmark::pst {
class PstFile;
}

namespace pellmark::test {

class CalendarMailbox {
  public:
    // Writes the mailbox `json` describes to `path`.
    CalendarMailbox(const std::string& json, std::filesystem::path path);
    ~CalendarMailbox();

    const std::filesystem::path& path() const { return path_; }
    // The items of the folder named `folder` below the top of the visible tree, in order.
    std::vector<std::unique_ptr<mapi::Item>> items(const std::string& folder) const;
    // The export root ("Converted Outlook PST") of pellmark-export --format `format` into `dir`.
    std::filesystem::path exportAs(const std::string& format,
                                   const std::filesystem::path& dir) const;

  private:
    std::filesystem::path path_;
    std::shared_ptr<pst::PstFile> file_;
};

// Local minutes since 1601 of "YYYYMMDDTHHMMSSZ" (seconds dropped).
int64_t minutesOfIcsTime(const std::string& text);

}  // namespace pellmark::test
