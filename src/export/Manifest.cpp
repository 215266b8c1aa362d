#include "export/Manifest.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <map>
#include <optional>
#include <sstream>

#include "base/Printable.h"
#include "base/Sha256.h"
#include "export/FolderOutput.h"

namespace pellmark::exporting {
namespace {

constexpr const char* kHeader = "entry_id\tfolder\tsubject\tfile\tsize\tsha256\n";
constexpr const char* kHeaderWithOffsets =
    "entry_id\tfolder\tsubject\tfile\tsize\tsha256\toffset\n";

std::string lineOf(const Manifest::Entry& e) {
    return base::printable(e.entryId) + '\t' + base::printable(e.folderPath) + '\t' +
           base::printable(e.subject) + '\t' + base::printable(e.file) + '\t' +
           std::to_string(e.size) + '\t' + e.sha256 +
           (e.offset ? '\t' + std::to_string(*e.offset) : std::string()) + '\n';
}

std::optional<Manifest::Entry> parse(const std::string& line) {
    std::vector<std::string> fields;
    std::istringstream in(line);
    for (std::string field; std::getline(in, field, '\t');) fields.push_back(field);
    if (fields.size() < 6 || fields.size() > 7 || fields[0] == "entry_id") return std::nullopt;
    Manifest::Entry e{fields[0], fields[1], fields[2], fields[3], 0, fields[5]};
    try {
        e.size = std::stoull(fields[4]);
        if (fields.size() == 7) e.offset = std::stoull(fields[6]);
    } catch (const std::exception&) {
        return std::nullopt;
    }
    return e;
}

// The file of `e` is there as it was written.
bool intact(const std::string& root, const Manifest::Entry& e) {
    // An entry of a shared file (an mbox) is never taken as a file of its own.
    if (e.offset) return false;
    const std::string path = root + e.file;
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    if (static_cast<uint64_t>(st.st_size) != e.size) return false;
    try {
        return base::sha256OfFile(path) == e.sha256;
    } catch (const base::FileError&) {
        return false;
    }
}

}  // namespace

Manifest::Manifest(std::string exportRoot, bool withOffsets) : root_(std::move(exportRoot)) {
    const std::string path = root_ + kFileName;
    std::error_code ec;
    const bool fresh =
        !std::filesystem::exists(path, ec) || std::filesystem::file_size(path, ec) == 0;
    out_.open(path, std::ios::binary | std::ios::app);
    if (fresh && withOffsets) out_ << kHeaderWithOffsets << std::flush;
    if (fresh && !withOffsets) out_ << kHeader << std::flush;
    if (!out_) throw WriteError("cannot write the manifest " + path + ": " + std::strerror(errno));
}

void Manifest::add(const Entry& entry) {
    Entry relative = entry;
    if (relative.file.rfind(root_, 0) == 0) relative.file.erase(0, root_.size());
    out_ << lineOf(relative) << std::flush;
    if (!out_) throw WriteError("cannot write the manifest in " + root_);
}

std::vector<Manifest::Entry> Manifest::read(const std::string& exportRoot) {
    std::vector<Entry> entries;
    std::ifstream in(exportRoot + kFileName, std::ios::binary);
    for (std::string line; std::getline(in, line);) {
        if (auto e = parse(line)) entries.push_back(std::move(*e));
    }
    return entries;
}

ResumePoint::ResumePoint(const std::string& exportRoot) {
    std::map<std::string, std::vector<Manifest::Entry>> byItem;
    for (auto& e : Manifest::read(exportRoot)) byItem[e.entryId].push_back(std::move(e));
    std::string kept = kHeader;
    for (const auto& [id, files] : byItem) {
        std::vector<bool> whole;
        for (const auto& f : files) whole.push_back(intact(exportRoot, f));
        if (!id.empty() && std::find(whole.begin(), whole.end(), false) == whole.end()) {
            done_.insert(id);
            for (const auto& f : files) kept += lineOf(f);
            continue;
        }
        // An item that did not come out whole is exported again; what it left goes first.
        for (std::size_t i = 0; i < files.size(); ++i) {
            if (whole[i]) std::filesystem::remove(exportRoot + files[i].file);
        }
    }
    // Written aside and moved over the old one, so that no moment leaves no record.
    const std::string path = exportRoot + Manifest::kFileName;
    {
        std::ofstream rewritten(path + ".new", std::ios::binary | std::ios::trunc);
        rewritten << kept;
        if (!rewritten) throw WriteError("cannot rewrite the manifest " + path);
    }
    std::error_code ec;
    std::filesystem::rename(path + ".new", path, ec);
    if (ec) throw WriteError("cannot rewrite the manifest " + path + ": " + ec.message());
}

}  // namespace pellmark::exporting
