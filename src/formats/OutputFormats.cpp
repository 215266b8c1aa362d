#include "formats/OutputFormats.h"

#include <stdexcept>

#include "base/AsciiCase.h"

namespace pellmark::formats {

// The writers, each in its family's folder.
void writeMsg(const mapi::Item&, const std::filesystem::path&);
void writeEml(const mapi::Item&, base::ByteSink&);
void writeTxt(const mapi::Item&, base::ByteSink&);
void writeVcf(const mapi::Item&, base::ByteSink&);
void writeRtf(const mapi::Item&, base::ByteSink&);
void writeHtml(const mapi::Item&, base::ByteSink&);
void writeMht(const mapi::Item&, base::ByteSink&);
void writeIcs(const mapi::Item&, base::ByteSink&);
void writePdf(const mapi::Item&, base::ByteSink&);

namespace {

using store::SaveFormat;

// The compound-file writer writes a .msg's bytes, its header last: they are read back for
// their hash.
constexpr OutputFormat kFormats[] = {
    {"msg", ".msg", SaveFormat::Msg, Container::Files, nullptr, &writeMsg, false, true,
     "Outlook message files, every property kept"},
    {"eml", ".eml", SaveFormat::Eml, Container::Files, &writeEml, nullptr, false, true,
     "MIME messages, for Thunderbird and other mail programs"},
    {"txt", ".txt", SaveFormat::Txt, Container::Files, &writeTxt, nullptr, false, true,
     "plain text: a header block and the body"},
    {"vcf", ".vcf", SaveFormat::Vcf, Container::Files, &writeVcf, nullptr, false, true,
     "vCards of contacts (contact folders only)"},
    {"rtf", ".rtf", SaveFormat::Rtf, Container::Files, &writeRtf, nullptr, false, true,
     "rich text: the RTF body with a header block"},
    {"html", ".html", SaveFormat::Html, Container::Files, &writeHtml, nullptr, true, true,
     "HTML pages, attachments written beside each page"},
    {"mht", ".mht", SaveFormat::Mht, Container::Files, &writeMht, nullptr, false, true,
     "MIME HTML: a page with its images and attachments"},
    {"mbox", ".eml", SaveFormat::Eml, Container::Mbox, &writeEml, nullptr, false, false,
     "an mbox file (mboxrd) per folder, Thunderbird's layout"},
    {"maildir", ".eml", SaveFormat::Eml, Container::Maildir, &writeEml, nullptr, false, false,
     "a Maildir++ tree per store, for an IMAP server"},
    // One file per item for now: a folder's calendar as one file wants a container of its own.
    {"ics", ".ics", SaveFormat::Ics, Container::Files, &writeIcs, nullptr, false, false,
     "iCalendar: calendar, task and journal folders"},
    {"pdf", ".pdf", SaveFormat::Pdf, Container::Files, &writePdf, nullptr, false, false,
     "PDF pages as the html format shows them, attachments inside"},
};

}  // namespace

std::span<const OutputFormat> outputFormats() {
    return kFormats;
}

const OutputFormat* outputFormatNamed(std::string_view name) {
    if (!name.empty() && name.front() == '.') name.remove_prefix(1);
    for (const OutputFormat& format : kFormats) {
        if (!name.empty() && base::equalsNoCase(format.name, name)) return &format;
    }
    return nullptr;
}

const OutputFormat& outputFormatOf(store::SaveFormat save) {
    for (const OutputFormat& format : kFormats) {
        if (format.save == save && format.container == Container::Files) return format;
    }
    throw std::invalid_argument("no output of save code " + std::to_string(static_cast<int>(save)));
}

std::string outputFormatNames() {
    std::string names;
    for (std::size_t i = 0; i < std::size(kFormats); ++i) {
        if (i > 0) names += i + 1 == std::size(kFormats) ? " or " : ", ";
        names += kFormats[i].name;
    }
    return names;
}

namespace {
thread_local WriteNotes* currentNotes = nullptr;

class StringSink : public base::ByteSink {
  public:
    StringSink() : base::ByteSink(buffer_) {}
    std::string take() {
        flush();
        return std::move(out_);
    }

  private:
    void consume(std::string_view bytes) override { out_.append(bytes); }
    std::string buffer_;
    std::string out_;
};
}  // namespace

std::string emlOf(const mapi::Item& message) {
    StringSink eml;
    writeEml(message, eml);
    return eml.take();
}

WriteNotes::WriteNotes() : outer_(currentNotes) {
    currentNotes = this;
}

WriteNotes::~WriteNotes() {
    currentNotes = outer_;
}

void noteLeftOut(std::string what) {
    if (currentNotes) currentNotes->notes_.push_back(std::move(what));
}

}  // namespace pellmark::formats
