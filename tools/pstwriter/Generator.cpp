#include "pstwriter/Generator.h"

#include <memory>
#include <vector>

#include "mapi/Tags.h"
#include "pstwriter/GeneratedContent.h"
#include "pstwriter/SampleText.h"
#include "pstwriter/messaging/ItemKinds.h"

namespace pellmark::pstwriter {
namespace {

namespace prop = mapi::prop;

enum class Kind { Mail, Contact, Appointment, Task, Note, Journal, None };

struct PlanFolder {
    const char* name;
    const char* containerClass;  // null: none
    Kind kind;
    unsigned weight;  // share of the items
    int parent;       // index in the plan; -1 the top of the tree, -2 Deleted Items
};

// Folders are written in this order; a parent always comes before its subfolders.
const PlanFolder kPlan[] = {
    {"Inbox", "IPF.Note", Kind::Mail, 30, -1},
    {"Projects", "IPF.Note", Kind::Mail, 8, 0},
    {"Überprojekt Ω", "IPF.Note", Kind::Mail, 4, 1},
    {"領収書", "IPF.Note", Kind::Mail, 4, 0},
    {"Sent Items", "IPF.Note", Kind::Mail, 12, -1},
    {"Drafts", "IPF.Note", Kind::Mail, 2, -1},
    {"Archive", "IPF.Note", Kind::Mail, 3, -1},
    {"2019", "IPF.Note", Kind::Mail, 6, 6},
    {"2020 #2", "IPF.Note", Kind::Mail, 6, 6},
    {"Contacts", "IPF.Contact", Kind::Contact, 6, -1},
    {"Calendar", "IPF.Appointment", Kind::Appointment, 5, -1},
    {"Tasks", "IPF.Task", Kind::Task, 3, -1},
    {"Notes", "IPF.StickyNote", Kind::Note, 2, -1},
    {"Journal", "IPF.Journal", Kind::Journal, 2, -1},
    {"Empty folder", "IPF.Note", Kind::None, 0, -1},
    {"Custom data", "IPF.Pellmark.Custom", Kind::Mail, 1, -1},
    {"Old stuff", nullptr, Kind::Mail, 3, -2},
};
constexpr size_t kPlanSize = sizeof(kPlan) / sizeof(kPlan[0]);

// Attachment sizes: mostly small, a few large, about 60 KB on average.
uint64_t attachmentSize(Rng& rng) {
    const uint64_t r = rng.below(100);
    if (r < 39) return rng.between(3, 900);
    if (r < 89) return rng.between(1000, 50000);
    if (r < 99) return rng.between(50000, 300000);
    return rng.between(500000, 5000000);
}

class MailboxGenerator {
  public:
    MailboxGenerator(const GenerateOptions& o) : options_(o), rng_(o.seed), text_(rng_) {}
    GenerateSummary run(const std::filesystem::path& path);

  private:
    void writeFolder(size_t index, FolderHandle parent, const std::string& parentPath);
    void writeItems(size_t index, FolderHandle folder);
    void writeItem(Kind kind, FolderHandle folder, const PlanFolder& plan, uint64_t n);
    void writeBigAttachment(FolderHandle folder);
    uint64_t date() {
        return fileTimeFromUnix(1420070400 + static_cast<int64_t>(rng_.below(315360000)));
    }
    void fillMail(Message& m, bool allowEmbedded, int depth);
    void addAttachments(Message& m);
    void addInlineImage(Message& m, std::string& html);
    ContactInfo contact();
    Message contactItem(uint64_t n);
    Message appointmentItem();
    TaskInfo generatedTask();

    GenerateOptions options_;
    Rng rng_;
    SampleText text_;
    std::unique_ptr<PstWriter> writer_;
    std::vector<uint64_t> counts_;
    std::vector<unsigned> weights_;
    unsigned totalWeight_ = 0;
    unsigned weightDone_ = 0;
    GenerateSummary summary_;
    uint64_t imageCounter_ = 0;
};

void MailboxGenerator::fillMail(Message& m, bool allowEmbedded, int depth) {
    const Person from = text_.person();
    const Person to = text_.person();
    std::string subject = text_.subject();
    if (rng_.percent(10)) subject = std::string("\x01\x05RE: ") + subject;  // prefix marker
    m.setSubject(subject).setSender(from.name(), from.email).setDate(date());
    m.addRecipient(to.name(), to.email);
    for (uint64_t i = rng_.below(3); i > 0; --i) {
        const Person p = text_.person();
        m.addRecipient(p.name(), p.email, rng_.percent(60) ? RecipientType::To : RecipientType::Cc);
    }
    const std::string body = text_.plainBody(to.given, options_.small ? 1 : rng_.between(1, 4));
    m.setBody(body);
    if (options_.small) return;
    const uint64_t kind = rng_.below(100);
    if (kind < 40) {
        std::string html = "<html><head><meta charset=\"utf-8\"></head><body><p>" +
                           SampleText::htmlEscape(body) + "</p>";
        if (rng_.percent(25)) addInlineImage(m, html);
        m.setHtml(html + "</body></html>");
    } else if (kind < 60) {
        m.setRtf("{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0 Calibri;}}\\f0\\fs22 " +
                 SampleText::rtfEscape(body) + "}");
    }
    if (rng_.percent(12)) addAttachments(m);
    if (allowEmbedded && rng_.percent(depth == 0 ? 1 : 30)) {
        Message& inner = m.addEmbeddedMessage();
        fillMail(inner, depth < 2, depth + 1);
    }
}

void MailboxGenerator::addInlineImage(Message& m, std::string& html) {
    const std::string cid = "image" + std::to_string(++imageCounter_) + "@pellmark.test";
    m.addAttachment("image" + std::to_string(imageCounter_) + ".png", samplePng())
        .setMimeType("image/png")
        .setContentId(cid);
    html += "<p><img src=\"cid:" + cid + "\" alt=\"inline\"></p>";
}

void MailboxGenerator::addAttachments(Message& m) {
    static const char* kTypes[][2] = {{".txt", "text/plain"},
                                      {".pdf", "application/pdf"},
                                      {".jpg", "image/jpeg"},
                                      {".zip", "application/zip"},
                                      {".docx", "application/octet-stream"}};
    for (uint64_t i = rng_.between(1, 3); i > 0; --i) {
        const auto& type = kTypes[rng_.below(5)];
        const bool text = type[0] == std::string(".txt");
        auto content = std::make_shared<GeneratedContent>(attachmentSize(rng_), rng_.next(), text);
        m.addAttachment(text_.fileName(type[0]), content).setMimeType(type[1]);
    }
}

ContactInfo MailboxGenerator::contact() {
    const Person p = text_.person();
    ContactInfo c;
    c.givenName = p.given;
    c.surname = p.surname;
    c.company = text_.company();
    c.jobTitle = rng_.percent(50) ? "Manager" : "Ingénieur";
    c.emails.push_back(p.email);
    if (rng_.percent(30)) c.emails.push_back(text_.person().email);
    c.businessPhone = text_.phone();
    c.mobilePhone = text_.phone();
    c.business = {text_.street(), text_.city(), "", std::to_string(rng_.between(10000, 99999)),
                  "Deutschland"};
    if (rng_.percent(40)) c.home = {text_.street(), text_.city(), "", "12345", "France"};
    c.notes = text_.paragraph();
    c.birthday = fileTimeFromUnix(static_cast<int64_t>(rng_.below(946684800)));
    if (rng_.percent(20)) c.picture = samplePng();
    return c;
}

// One contact list in fifty items, the rest contacts.
Message MailboxGenerator::contactItem(uint64_t n) {
    if (n % 50 != 0) {
        Message m("IPM.Contact");
        fillContact(m, contact());
        return m;
    }
    Message m("IPM.DistList");
    std::vector<DistListMember> members;
    for (uint64_t k = rng_.between(2, 8); k > 0; --k) {
        const Person p = text_.person();
        DistListMember member;
        member.name = p.name();
        member.email = p.email;
        members.push_back(member);
    }
    fillDistList(m, "Team " + text_.city() + " " + std::to_string(n), members);
    return m;
}

Message MailboxGenerator::appointmentItem() {
    Message m("IPM.Appointment");
    const uint64_t start = date();
    const bool allDay = rng_.percent(10);
    const uint64_t length = allDay ? 864000000000ull : rng_.between(1, 6) * 18000000000ull;
    AppointmentInfo a;
    a.subject = text_.subject();
    a.location = text_.city();
    a.body = text_.paragraph();
    a.start = start;
    a.end = start + length;
    a.allDay = allDay;
    fillAppointment(m, a);
    return m;
}

TaskInfo MailboxGenerator::generatedTask() {
    TaskInfo t;
    t.subject = text_.subject();
    t.body = text_.paragraph();
    t.start = date();
    t.due = date();
    t.status = static_cast<int32_t>(rng_.below(5));
    t.percentComplete = 0.25 * static_cast<double>(rng_.below(5));
    return t;
}

void MailboxGenerator::writeItem(Kind kind, FolderHandle folder, const PlanFolder& plan,
                                 uint64_t n) {
    Message m(plan.containerClass && std::string(plan.containerClass) == "IPF.Pellmark.Custom"
                  ? "IPM.Pellmark.Custom"
                  : "IPM.Note");
    switch (kind) {
        case Kind::Mail:
            fillMail(m, true, 0);
            if (std::string(plan.name) == "Inbox" && rng_.percent(20)) m.setRead(false);
            break;
        case Kind::Contact:
            m = contactItem(n);
            break;
        case Kind::Appointment:
            m = appointmentItem();
            break;
        case Kind::Task:
            m = Message("IPM.Task");
            fillTask(m, generatedTask());
            break;
        case Kind::Note:
            m = Message("IPM.StickyNote");
            fillNote(m, {text_.subject() + "\r\n" + text_.paragraph(),
                         static_cast<int32_t>(rng_.below(5))});
            break;
        case Kind::Journal:
            m = Message("IPM.Activity");
            fillJournal(m, {text_.subject(), text_.paragraph(), "Phone call", date(),
                            static_cast<int32_t>(rng_.between(1, 90))});
            break;
        case Kind::None:
            return;
    }
    summary_.attachments += m.attachments().size();
    writer_->addMessage(folder, m);
    ++summary_.items;
    if (options_.progress && summary_.items % 256 == 0) {
        options_.progress(summary_.items, writer_->bytesWritten());
    }
}

void MailboxGenerator::writeFolder(size_t index, FolderHandle parent,
                                   const std::string& parentPath) {
    const PlanFolder& plan = kPlan[index];
    const std::string path = (parentPath.empty() ? "" : parentPath + "/") + plan.name;
    const FolderHandle h = writer_->openFolder(
        parent, plan.name,
        plan.containerClass ? std::optional<std::string>(plan.containerClass) : std::nullopt);
    const uint64_t before = summary_.items;
    if (index == 0 && options_.bigAttachment > 0) writeBigAttachment(h);
    writeItems(index, h);
    summary_.folders[path] = summary_.items - before;
    for (size_t child = index + 1; child < kPlanSize; ++child) {
        if (kPlan[child].parent == static_cast<int>(index)) writeFolder(child, h, path);
    }
    writer_->closeFolder(h);
}

// A folder's items: its share of the count, or of the bytes, taken in the order folders are
// written, so that each stops where the file has reached the shares written so far.
void MailboxGenerator::writeItems(size_t index, FolderHandle folder) {
    const PlanFolder& plan = kPlan[index];
    if (options_.targetBytes == 0) {
        for (uint64_t n = 0; n < counts_[index]; ++n) writeItem(plan.kind, folder, plan, n);
        return;
    }
    weightDone_ += weights_[index];
    const uint64_t until = static_cast<uint64_t>(static_cast<double>(options_.targetBytes) *
                                                 weightDone_ / totalWeight_);
    if (weights_[index] == 0) return;
    for (uint64_t n = 0; writer_->bytesWritten() < until; ++n)
        writeItem(plan.kind, folder, plan, n);
}

void MailboxGenerator::writeBigAttachment(FolderHandle folder) {
    Message m("IPM.Note");
    const Person from = text_.person();
    m.setSubject(kBigAttachmentSubject).setSender(from.name(), from.email).setDate(date());
    m.addRecipient(from.name(), from.email);
    m.setBody("The attachment is " + std::to_string(options_.bigAttachment) + " bytes.\r\n");
    m.addAttachment(kBigAttachmentName, bigAttachmentContent(options_))
        .setMimeType("application/octet-stream");
    ++summary_.attachments;
    writer_->addMessage(folder, m);
    ++summary_.items;
    if (options_.progress) options_.progress(summary_.items, writer_->bytesWritten());
}

GenerateSummary MailboxGenerator::run(const std::filesystem::path& path) {
    WriteOptions w;
    w.format = options_.variant.format;
    w.crypt = options_.variant.crypt;
    writer_ = std::make_unique<PstWriter>(path, w);
    for (size_t i = 0; i < kPlanSize; ++i) {
        weights_.push_back(options_.oneFolder ? (i == 0 ? 1 : 0) : kPlan[i].weight);
        totalWeight_ += weights_.back();
    }
    uint64_t given = 0;
    for (unsigned weight : weights_) {
        counts_.push_back(options_.items * weight / totalWeight_);
        given += counts_.back();
    }
    counts_[0] += options_.items - given;  // the rest to the Inbox
    for (size_t i = 0; i < kPlanSize; ++i) {
        if (kPlan[i].parent == -1) writeFolder(i, writer_->ipmSubtree(), "");
        if (kPlan[i].parent == -2) writeFolder(i, writer_->deletedItems(), w.deletedItemsName);
    }
    writer_->finish();
    summary_.bytes = std::filesystem::file_size(path);
    return summary_;
}

}  // namespace

GenerateSummary generateMailbox(const std::filesystem::path& path, const GenerateOptions& options) {
    return MailboxGenerator(options).run(path);
}

std::shared_ptr<const GeneratedContent> bigAttachmentContent(const GenerateOptions& options) {
    return std::make_shared<GeneratedContent>(options.bigAttachment,
                                              mix64(options.seed ^ 0xB16A77AC4ull));
}

}  // namespace pellmark::pstwriter
