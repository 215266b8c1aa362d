#include "CalendarMailbox.h"

#include <gtest/gtest.h>

#include <sstream>

#include "cli/ExportCommand.h"
#include "formats/calendar/CalendarTime.h"
#include "mkpst/JsonMailbox.h"
#include "pst/messaging/Folder.h"
#include "pst/messaging/Items.h"
#include "pst/messaging/Message.h"
#include "pst/messaging/PstFile.h"

namespace pellmark::test {

CalendarMailbox::CalendarMailbox(const std::string& json, std::filesystem::path path)
    : path_(std::move(path)) {
    pstwriter::LoadedMailbox m = pstwriter::loadMailboxJsonText(json, "mailbox.json");
    m.builder.write(path_, m.variant);
    file_ = pst::PstFile::open(path_);
}

CalendarMailbox::~CalendarMailbox() = default;

std::vector<std::unique_ptr<mapi::Item>> CalendarMailbox::items(const std::string& folder) const {
    std::vector<std::unique_ptr<mapi::Item>> out;
    for (pst::NodeId id : file_->ipmSubtree().subfolderIds()) {
        pst::Folder f = file_->folder(id);
        if (f.displayName() != folder) continue;
        for (pst::NodeId m : f.messageIds()) out.push_back(pst::itemOf(file_->message(m)));
    }
    return out;
}

std::filesystem::path CalendarMailbox::exportAs(const std::string& format,
                                                const std::filesystem::path& dir) const {
    std::ostringstream out, err;
    const int status = cli::runExport({format, {}, path_.string(), dir.string(), false}, out, err);
    EXPECT_EQ(status, 0) << format << ": " << out.str() << err.str();
    return dir / "Converted Outlook PST";
}

int64_t minutesOfIcsTime(const std::string& t) {
    return formats::calendar::minutesOf(std::stoi(t.substr(0, 4)), std::stoul(t.substr(4, 2)),
                                        std::stoul(t.substr(6, 2)), std::stoul(t.substr(9, 2)),
                                        std::stoul(t.substr(11, 2)));
}

}  // namespace pellmark::test
