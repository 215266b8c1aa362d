// Every .msg file Outlook wrote among the samples, read by our reader and by olefile: subject,
// sender, recipients, body, attachment names and bytes, OLE objects' streams, attached messages
// to any depth, 8-bit text in the file's code page.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <span>

#include "base/Sha256.h"
#include "cfb/CompoundFileReader.h"
#include "mapi/Tags.h"
#include "msgfile/MsgFile.h"
#include "support/Readers.h"
#include "support/TestFiles.h"

namespace pellmark::msgfile {
namespace {

namespace prop = mapi::prop;

std::string hashOf(mapi::ByteStream& in, uint64_t& size) {
    base::Sha256 sha;
    std::vector<uint8_t> buf(65536);
    size = 0;
    while (const size_t n = in.read(buf)) {
        sha.update(std::string_view(reinterpret_cast<const char*>(buf.data()), n));
        size += n;
    }
    return sha.hex();
}

std::string hashOf(std::string_view bytes) {
    base::Sha256 sha;
    sha.update(bytes);
    return sha.hex();
}

// The streams of an OLE object's compound file, by path, as msg_summary.py lists them.
void objectLines(mapi::ByteStream& data, const std::string& indent, std::string& out) {
    std::vector<uint8_t> bytes(data.size());
    data.read(bytes);
    const auto file = cfb::CompoundFileReader::fromBytes(std::move(bytes));
    std::vector<std::pair<std::vector<std::string>, cfb::EntryId>> streams;
    std::function<void(cfb::EntryId, std::vector<std::string>)> walk = [&](cfb::EntryId dir,
                                                                           auto path) {
        for (const cfb::EntryId child : file.children(dir)) {
            auto p = path;
            p.push_back(file.name(child));
            if (file.isStorage(child)) walk(child, p);
            if (file.isStream(child)) streams.emplace_back(p, child);
        }
    };
    walk(file.root(), {});
    std::sort(streams.begin(), streams.end());
    for (const auto& [path, id] : streams) {
        const auto content = file.readStream(id);
        std::string joined;
        for (const auto& p : path) joined += (joined.empty() ? "" : "/") + p;
        out += indent + "  object " + joined + " " + std::to_string(content.size()) + " " +
               hashOf({reinterpret_cast<const char*>(content.data()), content.size()}) + "\n";
    }
}

// What the item holds, in the lines of tests/scripts/msg_summary.py.
void summary(const mapi::Item& item, const std::string& indent, std::string& out) {
    out += indent + "subject " + item.string(prop::kSubject).value_or("") + "\n";
    out += indent + "sender " + item.string(prop::kSenderName).value_or("") + " " +
           item.string(prop::kSenderEmailAddress).value_or("") + "\n";
    for (const mapi::Recipient& r : item.recipients()) {
        out += indent + "recipient " + std::to_string(r.type()) + " " + r.text(prop::kDisplayName) +
               " " + r.text(prop::kEmailAddress) + "\n";
    }
    if (const std::string body = item.string(prop::kBody).value_or(""); !body.empty()) {
        out += indent + "body " + std::to_string(body.size()) + " " + hashOf(body) + "\n";
    }
    for (size_t i = 0; i < item.attachmentCount(); ++i) {
        const auto a = item.attachment(i);
        out += indent + "attachment " + a->fileName() + " " + std::to_string(a->method()) + "\n";
        if (a->typeOf(prop::kAttachData) == mapi::PropType::Binary) {
            uint64_t size = 0;
            const std::string hash = hashOf(*a->openData(), size);
            out += indent + "  data " + std::to_string(size) + " " + hash + "\n";
        }
        if (const auto message = a->embeddedMessage()) {
            out += indent + "  message\n";
            summary(*message, indent + "    ", out);
        } else if (const auto data = a->objectData()) {
            objectLines(*data, indent, out);
        }
    }
}

TEST(MsgSamples, EverySampleReadsAsOlefileReadsIt) {
    PELLMARK_SAMPLE_OR_SKIP(dir, "msg");
    std::vector<std::filesystem::path> files;
    for (const auto& e : std::filesystem::directory_iterator(dir)) files.push_back(e.path());
    std::sort(files.begin(), files.end());
    ASSERT_FALSE(files.empty());
    for (const auto& file : files) {
        SCOPED_TRACE(file.filename().string());
        const auto theirs = test::runPythonTool("msg_summary.py", test::shellQuote(file.string()));
        ASSERT_EQ(theirs.status, 0);
        std::string ours;
        summary(*readMsg(file), "", ours);
        EXPECT_EQ(ours, theirs.out);
    }
}

// msgconvert reads 8-bit text in no code page and cannot read one of the contacts: the subject is
// compared where its text is whole, and every attachment we give data for must be a part it
// names.
TEST(MsgSamples, SubjectsAndAttachmentsAsMsgconvertShowsThem) {
    PELLMARK_SAMPLE_OR_SKIP(dir, "msg");
    test::requireReader(test::Reader::Msgconvert);
    int compared = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir)) {
        SCOPED_TRACE(e.path().filename().string());
        const auto theirs =
            test::runPythonTool("msgconvert_summary.py", test::shellQuote(e.path().string()));
        if (theirs.status != 0) continue;
        const auto item = readMsg(e.path());
        // Blanks at the start of a subject are left out: msgconvert's header folding adds one.
        auto trimmed = [](std::string s) { return s.erase(0, s.find_first_not_of(' ')); };
        const std::string subject = trimmed(theirs.out.substr(8, theirs.out.find('\n') - 8));
        if (subject.find("\xEF\xBF\xBD") == std::string::npos) {
            EXPECT_EQ(trimmed(item->string(prop::kSubject).value_or("")), subject);
            ++compared;
        }
        for (size_t i = 0; i < item->attachmentCount(); ++i) {
            const auto a = item->attachment(i);
            if (a->typeOf(prop::kAttachData) != mapi::PropType::Binary) continue;
            EXPECT_NE(theirs.out.find("\nattachment " + a->fileName() + "\n"), std::string::npos)
                << a->fileName() << " is not among\n"
                << theirs.out;
        }
    }
    EXPECT_GT(compared, 30);
}

TEST(MsgSamples, NamedPropertiesMapThroughTheFilesMapping) {
    PELLMARK_SAMPLE_OR_SKIP(file, "msg/hhtmsgreader__A_weekly_1.msg");
    const auto item = readMsg(file);
    // PidLidAppointmentRecur and PidLidLocation of PSETID_Appointment, by number.
    const auto recur = item->named(mapi::psetid::kAppointment, 0x8216);
    ASSERT_TRUE(recur);
    EXPECT_EQ(recur->type, mapi::PropType::Binary);
    EXPECT_GT(recur->bytes.size(), 20u);
    const auto id = item->idOf(mapi::psetid::kAppointment, 0x8216);
    ASSERT_TRUE(id);
    const auto name = item->nameOf(*id);
    ASSERT_TRUE(name);
    EXPECT_EQ(name->lid, 0x8216u);
    EXPECT_FALSE(name->isString);
}

TEST(MsgSamples, AnsiContactIsReadInItsCodePage) {
    PELLMARK_SAMPLE_OR_SKIP(ansi, "msg/hhtmsgreader__contactAnsi.msg");
    PELLMARK_SAMPLE_OR_SKIP(unicode, "msg/hhtmsgreader__contactUnicode.msg");
    const auto a = readMsg(ansi);
    const auto u = readMsg(unicode);
    EXPECT_EQ(a->codepage(), 932u);
    EXPECT_EQ(a->typeOf(prop::kSubject), mapi::PropType::String8);
    EXPECT_EQ(u->typeOf(prop::kSubject), mapi::PropType::Unicode);
    EXPECT_EQ(a->subject(), u->subject());
    EXPECT_EQ(a->string(prop::kSurname), u->string(prop::kSurname));
}

}  // namespace
}  // namespace pellmark::msgfile
