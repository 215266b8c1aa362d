// The .msg writer on real items: every item of the sample .pst files read back whole, Outlook's
// own .msg files written again with the same layout, msgconvert and @kenjiuno/msgreader
// (independent readers) showing what the items hold, and attached messages saved through the
// component.

#include <gtest/gtest.h>
#include <stdio.h>

#include <functional>
#include <set>
#include <sstream>

#include "base/Sha256.h"
#include "formats/MsgFileReader.h"
#include "formats/MsgItemCompare.h"
#include "formats/SaveMessage.h"
#include "formats/msg/MsgBytes.h"
#include "formats/msg/MsgWriter.h"
#include "mapi/Tags.h"
#include "pst/messaging/Folder.h"
#include "pst/messaging/Items.h"
#include "pst/messaging/PstFile.h"
#include "pststore/PstStore.h"
#include "support/Readers.h"
#include "support/TestFiles.h"

namespace pellmark::formats {
namespace {

using MessageFn = std::function<void(const mapi::Item&, const std::string& where)>;

void forEachMessage(const std::shared_ptr<pst::PstFile>& file, const pst::Folder& folder,
                    const std::string& where, const MessageFn& fn) {
    for (pst::NodeId id : folder.messageIds()) {
        fn(*pst::itemOf(file->message(id)), where + " item " + std::to_string(id.value));
    }
    for (pst::NodeId id : folder.subfolderIds()) {
        forEachMessage(file, file->folder(id), where, fn);
    }
}

void forEachSampleMessage(const std::filesystem::path& dir, const std::vector<std::string>& files,
                          const MessageFn& fn) {
    for (const auto& name : files) {
        auto file = pst::PstFile::open(dir / name);
        forEachMessage(file, file->rootFolder(), name, fn);
    }
}

std::vector<std::string> sampleFiles(const std::filesystem::path& dir) {
    std::vector<std::string> out;
    for (const auto& e : std::filesystem::directory_iterator(dir)) {
        out.push_back(e.path().filename().string());
    }
    std::sort(out.begin(), out.end());
    return out;
}

TEST(MsgSamples, EveryPropertyOfEveryPstItemReadsBack) {
    PELLMARK_SAMPLE_OR_SKIP(dir, "pst");
    test::TempDir tmp;
    int items = 0;
    forEachSampleMessage(dir, sampleFiles(dir), [&](const mapi::Item& m, const std::string& where) {
        const auto path = tmp / "item.msg";
        saveMessage(m, SaveFormat::Msg, path);
        expectSameItem(m, test::readMsgFile(path), where);
        for (const auto& line : test::msgLayout(path)) {
            EXPECT_NE(line.rfind("bad size", 0), 0u) << where << ": " << line;
        }
        ++items;
    });
    EXPECT_GT(items, 300);
}

void expectSameLines(const std::vector<std::string>& a, const std::vector<std::string>& b,
                     const std::string& where) {
    std::vector<std::string> onlyA, onlyB;
    std::set_difference(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(onlyA));
    std::set_difference(b.begin(), b.end(), a.begin(), a.end(), std::back_inserter(onlyB));
    std::string diff;
    for (const auto& l : onlyA) diff += "\n  Outlook: " + l;
    for (const auto& l : onlyB) diff += "\n  ours:    " + l;
    EXPECT_TRUE(diff.empty()) << where << diff;
}

// Outlook's Unicode files, one of each kind of item: read as an item and written again, they
// come out with the same storages, streams, stream sizes, property entries and flags.
TEST(MsgSamples, OutlookFilesWrittenAgainKeepTheirLayout) {
    PELLMARK_SAMPLE_OR_SKIP(dir, "msg");
    test::TempDir tmp;
    for (const char* name : {
             "tika__testMSG_forwarded.msg",    // mail
             "tika__testMSG_att_doc.msg",      // mail with attachments
             "tika__test-outlook2003.msg",     // mail with eleven attachments
             "tika__testMSG_att_msg.msg",      // embedded message
             "tika__testMSG_Contact.msg",      // contact
             "rubymsg__contact-unicode.msg",   // contact
             "tika__testMSG_Appointment.msg",  // appointment
             "tika__testMSG_Task.msg",         // task
             "tika__testMSG_StickyNote.msg",   // note
             "tika__testMSG_Post.msg",         // post
         }) {
        const auto original = dir / name;
        writeMsgFile(test::readMsgFile(original), tmp / name);
        expectSameLines(test::msgLayout(original), test::msgLayout(tmp / name), name);
    }
}

// Every Outlook file, ANSI ones included, holds the same item again once written by us.
TEST(MsgSamples, OutlookFilesWrittenAgainHoldTheSameItems) {
    PELLMARK_SAMPLE_OR_SKIP(dir, "msg");
    test::TempDir tmp;
    for (const auto& name : sampleFiles(dir)) {
        const test::PlainItem original = test::readMsgFile(dir / name);
        writeMsgFile(original, tmp / name);
        expectSameItem(original, test::readMsgFile(tmp / name), name);
    }
}

// What msgconvert shows of a .msg, read through Python's email package: key, then the hex
// of each value.
const char kShowMail[] = R"(
import sys, email, email.policy
m = email.message_from_binary_file(sys.stdin.buffer, policy=email.policy.default)
def out(*f): print('\t'.join(str(x).encode('utf-8').hex() if isinstance(x, str) else x.hex() for x in f))
out('subject', str(m['subject'] or ''))
out('from', str(m['from'] or ''))
out('to', str(m['to'] or '') + ', ' + str(m['cc'] or ''))
for p in m.walk():
    if p.get_content_type() == 'message/rfc822': out('message', str(p.get_payload(0)['subject']))
    if p.is_multipart(): continue
    data = p.get_payload(decode=True) or b''
    if p.get_filename(): out('attachment', p.get_filename(), data)
    elif p.get_content_type() == 'text/plain': out('text', data)
)";

std::string unhex(const std::string& hex) {
    std::string out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) {
        out += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    }
    return out;
}

std::multimap<std::string, std::vector<std::string>> msgconvertShows(
    const std::filesystem::path& msg) {
    test::requireReader(test::Reader::Msgconvert);
    test::requireReader(test::Reader::Python);
    test::TempDir dir;
    test::writeFile(dir / "show.py", kShowMail);
    const std::string command = "cd '" + dir.path().string() + "' && msgconvert --outfile - '" +
                                msg.string() + "' 2>/dev/null | /usr/bin/python3 show.py";
    std::multimap<std::string, std::vector<std::string>> out;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return out;
    std::string text;
    char buf[4096];
    for (size_t n; (n = fread(buf, 1, sizeof buf, pipe)) > 0;) text.append(buf, n);
    pclose(pipe);
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        std::vector<std::string> fields;
        std::istringstream f(line);
        for (std::string field; std::getline(f, field, '\t');) fields.push_back(unhex(field));
        if (!fields.empty()) out.emplace(fields[0], fields);
    }
    return out;
}

std::string normalizedText(std::string s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '\r') out += s[i];
    }
    while (!out.empty() && (out.back() == '\n' || out.back() == ' ')) out.pop_back();
    return out;
}

std::string lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string field(const std::multimap<std::string, std::vector<std::string>>& shown,
                  const std::string& key) {
    auto it = shown.find(key);
    return it == shown.end() || it->second.size() < 2 ? std::string() : it->second[1];
}

// Samples with attachments, attached messages, CJK text and recipients of every kind.
const std::vector<std::string> kSampleFiles = {"pstsdk__sample1.pst", "pstsdk__sample2.pst",
                                               "hht__Hello_CJK.pst", "rubymsg__attachAndInline.pst",
                                               "tika__testPST.pst"};

TEST(MsgSamples, MsgconvertShowsSubjectSenderRecipientsBodyAndAttachments) {
    PELLMARK_SAMPLE_OR_SKIP(dir, "pst");
    test::TempDir tmp;
    int attachments = 0;
    forEachSampleMessage(dir, kSampleFiles, [&](const mapi::Item& m, const std::string& where) {
        const auto path = tmp / "item.msg";
        saveMessage(m, SaveFormat::Msg, path);
        const auto shown = msgconvertShows(path);
        ASSERT_FALSE(shown.empty()) << where << ": msgconvert read nothing";
        EXPECT_EQ(field(shown, "subject"), m.subject()) << where;
        const std::string sender = m.string(mapi::prop::kSenderName).value_or("");
        EXPECT_NE(field(shown, "from").find(sender), std::string::npos) << where;
        for (const auto& r : m.recipients()) {
            // msgconvert shows a recipient by name or by address, as the transport headers
            // have it where the item keeps them.
            const std::string to = lower(field(shown, "to"));
            bool found = false;
            for (uint16_t id :
                 {mapi::prop::kDisplayName, mapi::prop::kEmailAddress, mapi::prop::kSmtpAddress}) {
                const std::string text = lower(r.text(id));
                found |= !text.empty() && to.find(text) != std::string::npos;
            }
            EXPECT_TRUE(found) << where << " " << r.text(mapi::prop::kDisplayName);
        }
        EXPECT_EQ(normalizedText(field(shown, "text")),
                  normalizedText(m.string(mapi::prop::kBody).value_or("")))
            << where;
        for (size_t i = 0; i < m.attachmentCount(); ++i) {
            const auto att = m.attachment(i);
            ++attachments;
            if (att->isEmbeddedMessage()) {
                const auto message = shown.find("message");
                ASSERT_NE(message, shown.end()) << where;
                EXPECT_EQ(message->second.at(1), att->embeddedMessage()->subject());
                continue;
            }
            std::string data(att->dataSize(), '\0');
            att->openData()->read({reinterpret_cast<uint8_t*>(data.data()), data.size()});
            bool found = false;
            for (auto [it, end] = shown.equal_range("attachment"); it != end; ++it) {
                found |= it->second.size() == 3 && it->second[1] == att->fileName() &&
                         it->second[2] == data;
            }
            EXPECT_TRUE(found) << where << " attachment " << att->fileName();
        }
    });
    EXPECT_GE(attachments, 8);
}

// The subject of each message msgconvert wrote, and of every message attached to it at any
// depth, in Python's walk order: file name, then the subjects, hex-encoded after an "x" (so
// that an empty subject is a field too).
const char kShowSubjects[] = R"(
import sys, glob, email, email.policy
def subject(m):
    s = str(m['subject'] or '')
    # msgconvert folds a long Subject before its first word; the parser keeps the fold's blank.
    raw = next((v for k, v in m.raw_items() if k.lower() == 'subject'), '')
    return s[1:] if raw[:1] in ('\r', '\n') and s.startswith(' ') else s
for path in sorted(glob.glob('*.eml')):
    m = email.message_from_binary_file(open(path, 'rb'), policy=email.policy.default)
    subjects = [subject(m)] + [subject(p.get_payload(0)) for p in m.walk()
                               if p.get_content_type() == 'message/rfc822']
    print('\t'.join([path[:-4]] + ['x' + s.encode('utf-8').hex() for s in subjects]))
)";

// The subject of `m` and of the messages attached to it, depth first, as msgconvert nests them.
void collectSubjects(const mapi::Item& m, std::vector<std::string>& out) {
    out.push_back(m.subject());
    for (size_t i = 0; i < m.attachmentCount(); ++i) {
        const auto a = m.attachment(i);
        if (a->isEmbeddedMessage()) collectSubjects(*a->embeddedMessage(), out);
    }
}

// Every subject of every sample item, embedded ones too, as an independent reader reads it
// from the .msg: exactly the item's subject, with no marker or control character before it.
// What msgconvert shows of every .msg file in `dir`: by file stem, the subject of the
// message and of each attached one.
std::map<std::string, std::vector<std::string>> msgconvertSubjects(
    const std::filesystem::path& dir) {
    test::requireReader(test::Reader::Msgconvert);
    test::requireReader(test::Reader::Python);
    test::writeFile(dir / "show.py", kShowSubjects);
    const auto shown =
        test::runCommand("cd " + test::shellQuote(dir.string()) +
                         " && msgconvert *.msg 2>/dev/null; /usr/bin/python3 show.py");
    std::map<std::string, std::vector<std::string>> out;
    std::istringstream lines(shown.out);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream f(line);
        std::string name, field;
        std::getline(f, name, '\t');
        while (std::getline(f, field, '\t')) out[name].push_back(unhex(field.substr(1)));
    }
    return out;
}

// Every subject of every sample item, embedded ones too, as an independent reader reads it
// from the .msg: exactly the item's subject, with no marker or control character before it.
TEST(MsgSamples, MsgconvertReadsEverySubjectAsTheItemShowsIt) {
    PELLMARK_SAMPLE_OR_SKIP(dir, "pst");
    test::TempDir tmp;
    std::map<std::string, std::pair<std::string, std::vector<std::string>>> expected;
    forEachSampleMessage(dir, sampleFiles(dir), [&](const mapi::Item& m, const std::string& where) {
        const std::string name = std::to_string(expected.size());
        saveMessage(m, SaveFormat::Msg, tmp / (name + ".msg"));
        collectSubjects(m, expected[name].second);
        expected[name].first = where;
    });
    const auto shown = msgconvertSubjects(tmp.path());
    EXPECT_EQ(shown.size(), expected.size()) << "msgconvert did not read every file";
    EXPECT_GT(shown.size(), 300u);
    for (const auto& [name, subjects] : shown) {
        const auto& [where, want] = expected.at(name);
        ASSERT_EQ(subjects.size(), want.size()) << where;
        for (size_t i = 0; i < want.size(); ++i) {
            if (want[i] == "0" && subjects[i].empty()) continue;  // Perl takes "0" for none
            EXPECT_EQ(subjects[i], want[i]) << where << " message " << i;
        }
    }
}

test::PlainItem markedMail(mapi::PropType type, const std::string& storedSubject) {
    test::PlainItem m;
    const std::vector<uint8_t> text =
        type == mapi::PropType::Unicode
            ? formats::utf16le(storedSubject)
            : std::vector<uint8_t>(storedSubject.begin(), storedSubject.end());
    m.set(mapi::makeTag(mapi::prop::kSubject, type), text);
    m.set(mapi::makeTag(mapi::prop::kMessageClass, mapi::PropType::Unicode),
          formats::utf16le("IPM.Note"));
    return m;
}

// A stored subject's marker counts the prefix after it, a line feed (0x0A) counting nine
// characters; an embedded message, in an 8-bit string, loses its marker too. The prefix and
// normalized subject come out apart, as Outlook writes them, unless the item has its own.
// What an item should show in any .msg reader: subject, sender, text body, recipients' names,
// attachments by name and the SHA-256 of their bytes, attached messages by subject.
struct Shown {
    std::string subject;
    std::string sender;
    std::string body;
    std::multiset<std::string> recipients;
    std::multiset<std::pair<std::string, std::string>> attachments;
    std::multiset<std::string> messages;
    std::string error;
};

Shown shownOf(const mapi::Item& m) {
    Shown shown;
    shown.subject = m.subject();
    shown.sender = m.string(mapi::prop::kSenderName).value_or("");
    shown.body = normalizedText(m.string(mapi::prop::kBody).value_or(""));
    for (const auto& r : m.recipients()) shown.recipients.insert(r.text(mapi::prop::kDisplayName));
    for (size_t i = 0; i < m.attachmentCount(); ++i) {
        const auto att = m.attachment(i);
        if (att->isEmbeddedMessage()) {
            shown.messages.insert(att->embeddedMessage()->subject());
            continue;
        }
        std::string data(att->dataSize(), '\0');
        att->openData()->read({reinterpret_cast<uint8_t*>(data.data()), data.size()});
        base::Sha256 hash;
        hash.update(data);
        shown.attachments.insert({att->fileName(), hash.hex()});
    }
    return shown;
}

// @kenjiuno/msgreader, the .msg reader of Node.js mail tools, on every file at once.
std::vector<Shown> msgreaderShows(const std::vector<std::filesystem::path>& files) {
    std::string args;
    for (const auto& file : files) args += " " + test::shellQuote(file.string());
    const auto result = test::runNodeTool("msgreader_summary.js", args);
    EXPECT_EQ(result.status, 0) << result.out;
    std::vector<Shown> shown(files.size());
    std::istringstream lines(result.out);
    for (std::string line; std::getline(lines, line);) {
        std::vector<std::string> f;
        std::istringstream fields(line);
        for (std::string field; std::getline(fields, field, '\t');) f.push_back(field);
        if (f.size() < 2) continue;
        Shown& s = shown.at(std::stoul(f[0]));
        const std::string key = f[1];
        const auto value = [&](size_t i) { return i < f.size() ? unhex(f[i]) : std::string(); };
        if (key == "subject") s.subject = value(2);
        if (key == "sender") s.sender = value(2);
        if (key == "body") s.body = normalizedText(value(2));
        if (key == "recipient") s.recipients.insert(value(2));
        if (key == "message") s.messages.insert(value(2));
        if (key == "attachment") s.attachments.insert({value(2), f.size() > 3 ? f[3] : ""});
        if (key == "error") s.error = value(2);
    }
    return shown;
}

TEST(MsgSamples, MsgreaderShowsSubjectSenderRecipientsBodyAndAttachments) {
    PELLMARK_SAMPLE_OR_SKIP(dir, "pst");
    // The module comes from the npm registry, not from Debian: where it could not be fetched,
    // the test says so and skips instead of failing the suite.
    if (const auto problem = test::readerProblem(test::Reader::Msgreader)) GTEST_SKIP() << *problem;
    test::TempDir tmp;
    std::vector<std::filesystem::path> files;
    std::vector<Shown> expected;
    std::vector<std::string> places;
    forEachSampleMessage(dir, sampleFiles(dir), [&](const mapi::Item& m, const std::string& where) {
        files.push_back(tmp / (std::to_string(files.size()) + ".msg"));
        saveMessage(m, SaveFormat::Msg, files.back());
        expected.push_back(shownOf(m));
        places.push_back(where);
    });
    ASSERT_GT(files.size(), 300u);
    const std::vector<Shown> shown = msgreaderShows(files);
    size_t attachments = 0;
    for (size_t i = 0; i < files.size(); ++i) {
        SCOPED_TRACE(places[i]);
        const Shown& want = expected[i];
        const Shown& got = shown[i];
        ASSERT_EQ(got.error, "");
        EXPECT_EQ(got.subject, want.subject);
        EXPECT_EQ(got.sender, want.sender);
        EXPECT_EQ(got.body, want.body);
        EXPECT_EQ(got.recipients, want.recipients);
        EXPECT_EQ(got.attachments, want.attachments);
        EXPECT_EQ(got.messages, want.messages);
        attachments += want.attachments.size() + want.messages.size();
    }
    EXPECT_GE(attachments, 8u);
}

TEST(MsgSubjects, MarkerIsDroppedAndTheSubjectsPartsWritten) {
    test::TempDir tmp;
    test::PlainItem top = markedMail(mapi::PropType::Unicode,
                                     "\x01\x0a"
                                     "Antwort: Hallo Welt");
    auto inner =
        std::make_shared<test::PlainItem>(markedMail(mapi::PropType::String8, "\x01\x05RE: Hi"));
    inner->set(mapi::makeTag(mapi::prop::kNormalizedSubject, mapi::PropType::String8),
               {'H', 'i', ' ', 'o', 'w', 'n'});
    test::PlainAttachment attachment;
    attachment.set(mapi::makeTag(mapi::prop::kAttachMethod, mapi::PropType::Int32), {5, 0, 0, 0});
    attachment.set(mapi::makeTag(mapi::prop::kAttachData, mapi::PropType::Object), {});
    attachment.embedded = inner;
    top.attachmentList.push_back(std::move(attachment));
    writeMsgFile(top, tmp / "0.msg");

    const auto shown = msgconvertSubjects(tmp.path());
    EXPECT_EQ(shown.at("0"), (std::vector<std::string>{"Antwort: Hallo Welt", "RE: Hi"}));
    const test::PlainItem back = test::readMsgFile(tmp / "0.msg");
    auto text = [](const test::PlainItem& m, uint16_t id) {
        const mapi::PropValue* v = m.find(id);
        return v ? v->asString(0) : std::string("(none)");
    };
    EXPECT_EQ(text(back, mapi::prop::kSubjectPrefix), "Antwort: ");
    EXPECT_EQ(text(back, mapi::prop::kNormalizedSubject), "Hallo Welt");
    const test::PlainItem& embedded = *back.attachmentList.at(0).embedded;
    EXPECT_EQ(text(embedded, mapi::prop::kSubject), "RE: Hi");
    EXPECT_EQ(text(embedded, mapi::prop::kSubjectPrefix), "RE: ");
    EXPECT_EQ(text(embedded, mapi::prop::kNormalizedSubject), "Hi own");  // the item's own
}

std::unique_ptr<store::MailItem> firstItemWithAttachments(store::Folder& folder) {
    auto items = folder.items();
    for (int64_t i = 1; i <= items->count(); ++i) {
        auto item = items->item(i);
        if (item->attachments()->count() > 0) return item;
    }
    auto subfolders = folder.folders()->enumerate();
    while (auto sub = subfolders->next()) {
        if (auto item = firstItemWithAttachments(*sub)) return item;
    }
    return nullptr;
}

// The HTML export saves attachments through the component; an attached message becomes a
// .msg file holding the message whole, with the message attached to it in turn.
TEST(MsgSamples, AttachedMessagesSaveAsMsgFilesThroughTheComponent) {
    PELLMARK_SAMPLE_OR_SKIP(path, "pst/hht__msgInMsgInMsg.pst");
    test::TempDir tmp;
    auto store = pststore::openStore(path.string());
    auto item = firstItemWithAttachments(*store->rootFolder());
    ASSERT_TRUE(item);
    auto attachments = item->attachments();
    int saved = 0;
    for (int32_t i = 1; i <= attachments->count(); ++i) {
        const std::string name = attachments->item(i)->fileName();
        if (name.size() < 4 || name.substr(name.size() - 4) != ".msg") continue;
        const auto file = tmp / name;
        attachments->item(i)->saveAsFile(file.string());
        const test::PlainItem back = test::readMsgFile(file);
        EXPECT_EQ(back.find(mapi::prop::kSubject)->asString(0) + ".msg", name);
        const bool nested = std::any_of(back.attachmentList.begin(), back.attachmentList.end(),
                                        [](const auto& a) { return a.embedded != nullptr; });
        EXPECT_TRUE(nested) << name;
        ++saved;
    }
    EXPECT_EQ(saved, 1);
}

}  // namespace
}  // namespace pellmark::formats
