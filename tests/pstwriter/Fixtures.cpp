#include "Fixtures.h"

#include <iconv.h>

#include "mapi/Tags.h"
#include "pstwriter/GeneratedContent.h"
#include "pstwriter/ltp/ValueEncoder.h"
#include "pstwriter/messaging/ItemKinds.h"

namespace pellmark::test {

using namespace pstwriter;

namespace {

std::string text(const ByteVec& b) {
    return std::string(b.begin(), b.end());
}

Message& mail(ShapedMailbox& box, Folder& f, const std::string& path, const std::string& subject) {
    Message& m = f.addMessage();
    m.setSubject(subject)
        .setSender("Anna Müller", "anna@example.com")
        .setBody("Body of " + subject);
    m.setDate(fileTimeFromUnix(1700000000));
    m.addRecipient("Bob Smith", "bob@example.com");
    box.folders[path].push_back({"Message", subject, {}});
    return m;
}

void addOtherKinds(ShapedMailbox& box);

}  // namespace

ShapedMailbox shapedMailbox() {
    ShapedMailbox box;
    Folder& root = box.builder.root();
    Folder& inbox = root.addFolder("Inbox", "IPF.Note");

    Message& first = mail(box, inbox, "Inbox", "Quarterly numbers");
    first.addRecipient("Carol Jones", "carol@example.com", RecipientType::Cc);
    const ByteVec notes = {'n', 'o', 't', 'e', 's', '\n'};
    const ByteVec big = GeneratedContent(20000, 42).all();
    first.addAttachment("notes.txt", notes).setMimeType("text/plain");
    first.addAttachment("../../x", ByteVec{'e', 'v', 'i', 'l'});
    first.addAttachment("big.bin", std::make_shared<GeneratedContent>(20000, 42));
    box.folders["Inbox"].back().attachments = {{"notes.txt", text(notes)}, {"big.bin", text(big)}};

    Message& second = mail(box, inbox, "Inbox", "Grüße aus Zürich");
    second.addAttachment("image1.png", samplePng())
        .setMimeType("image/png")
        .setContentId("img1@test");
    second.setHtml("<html><body><p>Grüße</p><img src=\"cid:img1@test\"></body></html>");
    box.folders["Inbox"].back().attachments = {{"image1.png", text(samplePng())}};

    Message& third = mail(box, inbox, "Inbox", std::string("\x01\x05RE: Budget"));
    box.folders["Inbox"].back().subject = "RE: Budget";
    third.setRtf("{\\rtf1\\ansi Budget \\b approved\\b0 .\\par}");
    Message& inner = third.addEmbeddedMessage("IPM.Note", "Forwarded");
    inner.setSubject("Inner message").setBody("inner");
    Message& innermost = inner.addEmbeddedMessage();
    innermost.setSubject("Innermost").setBody("deepest");
    innermost.addAttachment("deep.txt", ByteVec{'d'});

    Folder& projects = inbox.addFolder("Projects #1", "IPF.Note");
    mail(box, projects, "Inbox/Projects #1", "Kick-off");
    mail(box, projects, "Inbox/Projects #1", "Déjà vu");

    root.addFolder("Empty", std::nullopt);
    box.folders["Empty"];
    Folder& odd = root.addFolder("Odd class", "IPF.Pellmark.Unknown");
    mail(box, odd, "Odd class", "Strange item");

    addOtherKinds(box);
    mail(box, box.builder.deletedItems(), "Deleted Items", "Old news");
    return box;
}

namespace {

void addOtherKinds(ShapedMailbox& box) {
    Folder& root = box.builder.root();
    Folder& contacts = root.addFolder("Contacts", "IPF.Contact");
    ContactInfo c;
    c.givenName = "Zoë";
    c.surname = "Brontë";
    c.company = "Acme";
    c.emails = {"zoe@example.com", "z.b@example.org"};
    c.businessPhone = "+1 555 0100";
    c.business = {"Main Street 1", "Springfield", "IL", "62701", "USA"};
    c.picture = samplePng();
    addContact(contacts, c);
    std::vector<DistListMember> team(2);
    team[0].name = "Bob Smith";
    team[0].email = "bob@example.com";
    team[1].name = "Carol";
    team[1].email = "carol@example.com";
    addDistList(contacts, "Team", team);
    box.folders["Contacts"] = {{"Contact", "", {}}, {"DistributionList", "", {}}};

    AppointmentInfo review;
    review.subject = "Review";
    review.location = "Room 1";
    review.body = "Agenda";
    review.start = fileTimeFromUnix(1700000000);
    review.end = fileTimeFromUnix(1700003600);
    addAppointment(root.addFolder("Calendar", "IPF.Appointment"), review);
    box.folders["Calendar"] = {{"Appointment", "Review", {}}};
    TaskInfo report;
    report.subject = "File report";
    report.status = 1;
    report.percentComplete = 0.5;
    addTask(root.addFolder("Tasks", "IPF.Task"), report);
    box.folders["Tasks"] = {{"Task", "File report", {}}};
    addNote(root.addFolder("Notes", "IPF.StickyNote"), {"Remember\r\nthe milk", 3});
    box.folders["Notes"] = {{"Note", "Remember", {}}};
    addJournal(root.addFolder("Journal", "IPF.Journal"),
               {"Call with Bob", "", "Phone call", fileTimeFromUnix(1700000000), 15});
    box.folders["Journal"] = {{"Activity", "Call with Bob", {}}};
}

}  // namespace

// What an ANSI file keeps of a text: its windows-1252 form, read back.
std::string textAsStored(const FileVariant& variant, const std::string& utf8) {
    if (variant.format != Format::Ansi) return utf8;
    pstwriter::ByteVec narrow = pstwriter::toCodepage(utf8, 1252);
    iconv_t cd = ::iconv_open("UTF-8", "CP1252");
    std::string out(narrow.size() * 4, '\0');
    char* in = reinterpret_cast<char*>(narrow.data());
    size_t inLeft = narrow.size(), outLeft = out.size();
    char* o = out.data();
    ::iconv(cd, &in, &inLeft, &o, &outLeft);
    ::iconv_close(cd);
    out.resize(out.size() - outLeft);
    return out;
}

std::string variantName(const testing::TestParamInfo<FileVariant>& info) {
    const char* crypt[] = {"None", "Permute", "Cyclic"};
    const char* format[] = {"Ansi", "Unicode", "Unicode4k"};
    return std::string(format[static_cast<int>(info.param.format)]) +
           crypt[static_cast<int>(info.param.crypt)];
}

}  // namespace pellmark::test
