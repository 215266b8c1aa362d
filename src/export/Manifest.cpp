#include "export/Manifest.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <sstream>

#include "base/Printable.h"
#include "base/Sha256.h"
#include "export/Faults.h"
#include "export/FolderOutput.h"
#include "export/RecordFile.h"
#include "export/SafePaths.h"

namespace pellmark::exporting {
namespace {

constexpr const char* kHeader = "entry_id\tfolder\tsubject\tfile\tsize\tsha256";
constexpr const char* kOffsetField = "\toffset";
constexpr const char* kReviewFields = "\tdoc_id\tduplicate_of\tcustodian\tcontent_hash";
constexpr const char* kRecoveredField = "\trecovered";

// The line is parsed by the fields the header names; a line with other fields is passed over.
std::optional<Manifest::Entry> parse(const std::string& line, Manifest::Layout layout) {
    std::vector<std::string> fields;
    std::istringstream in(line);
    for (std::string field; std::getline(in, field, '\t');) fields.push_back(field);
    if (!line.empty() && line.back() == '\t') fields.emplace_back();
    const bool offsets = layout.fields != Manifest::Fields::Plain;
    const bool review = layout.fields == Manifest::Fields::Review;
    const std::size_t expected =
        6 + (offsets ? 1 : 0) + (review ? 4 : 0) + (layout.recovered ? 1 : 0);
    if (fields.size() != expected || fields[0] == "entry_id") return std::nullopt;
    Manifest::Entry e{fields[0], fields[1], fields[2], fields[3], 0, fields[5]};
    try {
        e.size = std::stoull(fields[4]);
        if (offsets && !fields[6].empty()) e.offset = std::stoull(fields[6]);
    } catch (const std::exception&) {
        return std::nullopt;
    }
    if (review) {
        e.docId = fields[7];
        e.duplicateOf = fields[8];
        e.custodian = fields[9];
        e.contentHash = fields[10];
    }
    if (layout.recovered) e.recovered = fields.back();
    return e;
}

// The file of `e` is there as it was written, reached through real directories.
bool intact(const std::string& root, const Manifest::Entry& e) {
    // An entry of a shared file (an mbox) is never taken as a file of its own.
    if (e.offset) return false;
    const std::string path = root + e.file;
    struct stat st {};
    if (!reachedWithoutLinks(root, e.file) || ::lstat(path.c_str(), &st) != 0 ||
        !S_ISREG(st.st_mode)) {
        return false;
    }
    if (static_cast<uint64_t>(st.st_size) != e.size) return false;
    try {
        return base::sha256OfFile(path) == e.sha256;
    } catch (const base::FileError&) {
        return false;
    }
}

}  // namespace

std::string Manifest::header(Layout layout) {
    std::string line = kHeader;
    if (layout.fields != Fields::Plain) line += kOffsetField;
    if (layout.fields == Fields::Review) line += kReviewFields;
    if (layout.recovered) line += kRecoveredField;
    return line + '\n';
}

// The optional fields are on every line of a manifest whose header names them, empty where
// they do not apply: a manifest with offsets gives every line the seventh field, empty where
// there is no offset.
std::string Manifest::lineOf(const Entry& e, Layout layout) {
    const Fields fields = layout.fields;
    std::string line = base::printable(e.entryId) + '\t' + base::printable(e.folderPath) + '\t' +
                       base::printable(e.subject) + '\t' + base::printable(e.file) + '\t' +
                       std::to_string(e.size) + '\t' + e.sha256;
    if (e.offset) {
        line += '\t' + std::to_string(*e.offset);
    } else if (fields != Fields::Plain) {
        line += '\t';
    }
    if (fields == Fields::Review) {
        line += '\t' + base::printable(e.docId) + '\t' + base::printable(e.duplicateOf) + '\t' +
                base::printable(e.custodian) + '\t' + e.contentHash;
    }
    if (layout.recovered) line += '\t' + base::printable(e.recovered);
    return line + '\n';
}

Manifest::Manifest(std::string exportRoot, Layout layout)
    : root_(std::move(exportRoot)),
      layout_(layoutOf(root_).value_or(layout)),
      file_(std::make_unique<RecordFile>(root_ + kFileName, header(layout_), "\n")) {}

Manifest::~Manifest() = default;

void Manifest::record(const std::vector<Entry>& entries) {
    std::string lines;
    for (Entry relative : entries) {
        if (relative.file.rfind(root_, 0) == 0) relative.file.erase(0, root_.size());
        lines += lineOf(relative, layout_);
    }
    file_->append(lines, injectedFault(FaultPoint::ManifestWrite));
}

void Manifest::retract() {
    file_->retract();
}

std::vector<Manifest::Entry> Manifest::read(const std::string& exportRoot) {
    std::vector<Entry> entries;
    const Layout layout = layoutOf(exportRoot).value_or(Layout{});
    std::ifstream in(exportRoot + kFileName, std::ios::binary);
    for (std::string line; std::getline(in, line);) {
        if (auto e = parse(line, layout)) entries.push_back(std::move(*e));
    }
    return entries;
}

std::optional<Manifest::Layout> Manifest::layoutOf(const std::string& exportRoot) {
    std::ifstream in(exportRoot + kFileName, std::ios::binary);
    std::string first;
    if (!std::getline(in, first)) return std::nullopt;
    first += '\n';
    for (Fields f : {Fields::Plain, Fields::Offsets, Fields::Review}) {
        for (bool recovered : {false, true}) {
            if (first == header({f, recovered})) return Layout{f, recovered};
        }
    }
    return std::nullopt;
}

namespace {

// The one line of a copy left out of the export for the document it duplicates.
bool isLeftOutCopy(const std::vector<Manifest::Entry>& lines) {
    return lines.size() == 1 && lines[0].file.empty() && !lines[0].duplicateOf.empty();
}

bool allListed(const std::vector<Manifest::Entry>& lines, const ResumePoint::Checks& checks) {
    if (!checks.listed) return true;
    return std::all_of(lines.begin(), lines.end(), [&](const Manifest::Entry& e) {
        return !e.docId.empty() && checks.listed->count(e.docId) > 0;
    });
}

}  // namespace

ResumePoint::ResumePoint(const std::string& exportRoot, const Checks& checks) {
    std::map<std::string, std::vector<Manifest::Entry>> byItem;
    for (auto& e : Manifest::read(exportRoot)) byItem[e.entryId].push_back(std::move(e));
    // The header stays as it was: with the fields it names.
    const Manifest::Layout layout = Manifest::layoutOf(exportRoot).value_or(Manifest::Layout{});
    std::string kept = Manifest::header(layout);
    auto keep = [&](const std::string& id, const std::vector<Manifest::Entry>& lines) {
        done_.insert(id);
        for (const auto& f : lines) {
            kept += Manifest::lineOf(f, layout);
            if (!f.docId.empty()) keptDocuments_.insert(f.docId);
            if (!f.contentHash.empty() && f.duplicateOf.empty() && f.recovered.empty()) {
                keptOriginals_.emplace_back(f.contentHash, f.docId);
            }
        }
    };
    std::set<std::string> shared;
    std::vector<const decltype(byItem)::value_type*> copies;
    for (const auto& item : byItem) {
        const auto& [id, files] = item;
        if (isLeftOutCopy(files)) {
            copies.push_back(&item);
            continue;
        }
        std::vector<bool> whole;
        for (const auto& f : files) whole.push_back(intact(exportRoot, f));
        if (!id.empty() && std::find(whole.begin(), whole.end(), false) == whole.end() &&
            allListed(files, checks)) {
            keep(id, files);
            continue;
        }
        // An item that did not come out whole is exported again; what it left goes first.
        for (std::size_t i = 0; i < files.size(); ++i) {
            if (whole[i]) ::unlink((exportRoot + files[i].file).c_str());
            if (files[i].offset) shared.insert(files[i].file);
        }
    }
    // A copy left out stays left out while the document it duplicates is still there;
    // otherwise it is exported again, and may then be the one that is written.
    for (const auto* item : copies) {
        const Manifest::Entry& line = item->second.front();
        const bool original = keptDocuments_.count(line.duplicateOf) > 0 ||
                              (checks.keptElsewhere && checks.keptElsewhere(line.duplicateOf));
        if (!item->first.empty() && original && allListed(item->second, checks)) {
            keep(item->first, item->second);
        }
    }
    // A file shared by items (a folder's calendar) is written again whole, with every item of
    // its folder: the run before may have cut its last one short.
    for (const std::string& file : shared) {
        if (reachedWithoutLinks(exportRoot, file)) ::unlink((exportRoot + file).c_str());
    }
    // Written aside and moved over the old one, so that no moment leaves no record.
    const std::string path = exportRoot + Manifest::kFileName;
    writeWholeFile(path + ".new", kept);
    if (::rename((path + ".new").c_str(), path.c_str()) != 0) {
        throw WriteError("cannot write the manifest " + path + ": " + std::strerror(errno));
    }
}

}  // namespace pellmark::exporting
