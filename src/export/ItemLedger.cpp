#include "export/ItemLedger.h"

#include <chrono>
#include <ctime>

#include "export/Production.h"

namespace pellmark::exporting {
namespace {

// What the records can do without: an entry id or subject that cannot be read is left empty.
template <class Read>
std::string readOrEmpty(Read read) {
    try {
        return read();
    } catch (const std::exception&) {
        return {};
    }
}

// "2024-05-01T09:30:00Z"; empty for no time.
std::string isoTime(const std::optional<store::ItemFacts::Time>& time) {
    if (!time) return {};
    const std::time_t t = std::chrono::system_clock::to_time_t(*time);
    std::tm tm{};
    if (!gmtime_r(&t, &tm)) return {};
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &tm);
    return text;
}

std::string fileNameOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string extensionOf(const std::string& name) {
    const std::size_t dot = name.rfind('.');
    return dot == std::string::npos || dot == 0 ? std::string() : name.substr(dot + 1);
}

void describeFile(LoadFile::Document& d, const PlacedFile& file, const base::FileDigests& digests) {
    d.nativePath = file.path;
    d.fileSize = std::to_string(file.bytes);
    d.md5 = digests.md5;
    d.sha1 = digests.sha1;
    d.sha256 = digests.sha256;
}

}  // namespace

LoadFile::Document loadFileDocument(const store::DocumentFacts& f, const std::string& subject) {
    LoadFile::Document d;
    d.from = f.from;
    d.to = f.to;
    d.cc = f.cc;
    d.bcc = f.bcc;
    d.subject = subject;
    d.dateSent = isoTime(f.sent);
    d.dateReceived = isoTime(f.received);
    d.messageId = f.messageId;
    d.conversationIndex = f.conversationIndex;
    d.attachmentCount = std::to_string(f.attachments);
    return d;
}

void ItemLedger::record(const std::vector<PlacedFile>& files) {
    const std::string id = readOrEmpty([&] { return item_.entryId(); });
    const std::string subject = readOrEmpty([&] { return item_.subject(); });
    std::vector<Manifest::Entry> entries;
    for (const PlacedFile& f : files) {
        Manifest::Entry& e = entries.emplace_back(
            Manifest::Entry{id, folderPath_, subject, f.path, f.bytes, f.sha256, f.offset});
        e.recovered = recovered_;
    }
    if (review_) recordReview(files, entries, id, subject);
    try {
        if (manifest_) manifest_->record(entries);
    } catch (...) {
        if (review_ && review_->loadFile) review_->loadFile->retract();
        throw;
    }
}

void ItemLedger::retract() {
    if (manifest_) manifest_->retract();
    if (review_ && review_->loadFile) review_->loadFile->retract();
}

// The family in order: the item, then its attachments by their order in the item (the files
// have them the other way round).
void ItemLedger::recordReview(const std::vector<PlacedFile>& files,
                              std::vector<Manifest::Entry>& entries, const std::string& entryId,
                              const std::string& subject) {
    ReviewRecord& r = *review_;
    std::vector<const RenderedAttachment*> written;
    for (const RenderedAttachment& a : r.attachments) {
        if (a.failure.empty()) written.push_back(&a);
    }
    if (written.size() + 1 != files.size()) throw WriteError("the item's files are amiss");
    // The family in order: the item, then its attachments by their order in the item.
    documentId_ = r.production.nextId();
    std::vector<std::string> ids(written.size());
    for (std::size_t i = written.size(); i-- > 0;) ids[i] = r.production.nextId();
    const std::string last = ids.empty() ? documentId_ : ids.front();
    std::vector<LoadFile::Document> family;
    LoadFile::Document& item = family.emplace_back(loadFileDocument(r.facts, subject));
    item.begDoc = item.endDoc = item.begAttach = documentId_;
    item.endAttach = last;
    item.custodian = r.custodian;
    item.folderPath = folderPath_;
    item.fileName = fileNameOf(files.back().path);
    item.fileExtension = extensionOf(item.fileName);
    describeFile(item, files.back(), r.digests);
    item.entryId = entryId;
    item.contentHash = r.contentHash;
    entries.back().contentHash = r.contentHash;
    entries.back().docId = documentId_;
    for (std::size_t i = written.size(); i-- > 0;) {
        LoadFile::Document& a = family.emplace_back();
        a.begDoc = a.endDoc = ids[i];
        a.begAttach = documentId_;
        a.endAttach = last;
        a.parentDocId = documentId_;
        a.custodian = r.custodian;
        a.folderPath = folderPath_;
        a.fileName = written[i]->fileName;
        a.fileExtension = extensionOf(a.fileName);
        describeFile(a, files[i], written[i]->digests);
        entries[i].docId = ids[i];
    }
    for (Manifest::Entry& e : entries) e.custodian = r.custodian;
    if (r.loadFile) r.loadFile->record(std::move(family));
}

}  // namespace pellmark::exporting
