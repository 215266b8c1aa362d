#pragma once
// A calendar, task or journal folder as one iCalendar file (the folder's name and ".ics") in its
// output directory: each item, written as a whole calendar, is joined into the file's one
// VCALENDAR, its time zones once (formats/calendar/CalendarFile). The file is a whole calendar
// after every item: an item's bytes go in before the closing line, which follows them. Like an
// mbox entry, each item is recorded with its offset before its bytes go in, and the file goes
// back to its last whole item when they cannot. Anything else the folder holds (a contact's
// vCard) is a file of its own beside it.

#include <string>

#include "export/FolderOutput.h"
#include "formats/calendar/CalendarFile.h"

namespace pellmark::exporting {

class CalendarFileOutput : public FolderOutput {
  public:
    // `directory` as FolderOutput's; `folderName` names the file.
    CalendarFileOutput(std::string directory, bool fresh, std::string folderName);
    ~CalendarFileOutput() override;

    Written place(Placing file, Ledger& ledger, store::MailItem* item) override;

  private:
    // Makes the file with its first item; returns the offset of that item.
    uint64_t create(const std::string& entry, Ledger& ledger, const Written& record);

    std::string stem_;
    std::string path_;
    int fd_ = -1;
    uint64_t end_ = 0;  // where the next item goes: the closing line's offset
    formats::calendar::CalendarFile calendar_;
};

}  // namespace pellmark::exporting
