#include "cli/Merge.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <ostream>
#include <set>
#include <sstream>

#include "base/Printable.h"
#include "cli/ExportCommand.h"
#include "export/FolderOutput.h"
#include "export/LoadFile.h"
#include "export/Manifest.h"
#include "export/OutputNaming.h"
#include "export/SafePaths.h"

namespace pellmark::cli {
namespace {

namespace fs = std::filesystem;
using exporting::LoadFile;
using exporting::Manifest;

// `path` below `directory` as a relative path ending with '/' ("" for the directory itself);
// nullopt when it is not below it.
std::optional<std::string> relativeBelow(const std::string& path, const std::string& directory) {
    std::error_code ec;
    const fs::path from = fs::weakly_canonical(directory, ec);
    const fs::path to = fs::weakly_canonical(path, ec);
    const fs::path relative = to.lexically_relative(from);
    if (relative.empty()) return std::nullopt;
    if (relative == ".") return std::string();
    if (*relative.begin() == "..") return std::nullopt;
    std::string text = relative.generic_string();
    if (text.back() != '/') text += '/';
    return text;
}

void replaceWhole(const std::string& path, const std::string& content) {
    exporting::writeWholeFile(path + ".new", content);
    if (::rename((path + ".new").c_str(), path.c_str()) != 0) {
        throw exporting::WriteError("cannot write " + path + ": " + std::strerror(errno));
    }
}

bool hasManifest(const std::string& root) {
    std::error_code ec;
    return fs::is_regular_file(root + Manifest::kFileName, ec);
}

// What a merge takes in: the export roots in order, and the shards' records.
struct Sources {
    std::vector<std::string> roots;  // each ending with '/'
    std::vector<ShardRecord> shards;
    std::vector<std::string> notExported;  // mailboxes the shards could not export
};

// The export roots of an OUTDIR: its own, and those of its many mailboxes; for a shard's
// OUTDIR those its record names.
void addRootsOf(const std::string& directory, Sources& sources) {
    const std::vector<ShardRecord> records = ShardRecord::readAll(directory);
    const fs::path dir(directory);
    if (!records.empty()) {
        for (const ShardRecord& record : records) {
            for (const ShardRecord::Mailbox& m : record.mailboxes) {
                if (m.status >= 2) {
                    sources.notExported.push_back(m.file);
                    continue;
                }
                sources.roots.push_back(exporting::exportRootFor((dir / m.directory).string()));
            }
            sources.shards.push_back(record);
        }
        return;
    }
    if (const std::string own = exporting::exportRootFor(directory); hasManifest(own)) {
        sources.roots.push_back(own);
    }
    std::vector<std::string> below;
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string root = exporting::exportRootFor(it->path().string());
        if (!it->is_symlink(ec) && it->is_directory(ec) && hasManifest(root)) {
            below.push_back(root);
        }
    }
    std::sort(below.begin(), below.end());
    sources.roots.insert(sources.roots.end(), below.begin(), below.end());
}

// What stands against merging the shards: one missing, run twice, of another split, or not
// run to its end.
std::vector<std::string> shardProblems(const std::vector<ShardRecord>& shards) {
    std::vector<std::string> problems;
    if (shards.empty()) return problems;
    const int n = shards.front().shards;
    std::map<int, int> seen;
    int64_t mailboxes = 0;
    for (const ShardRecord& r : shards) {
        if (r.shards != n || r.mailboxesInRun != shards.front().mailboxesInRun) {
            problems.push_back("shard " + std::to_string(r.shard) + " of " +
                               std::to_string(r.shards) + " is of another run than shard " +
                               std::to_string(shards.front().shard) + " of " + std::to_string(n));
            continue;
        }
        if (++seen[r.shard] == 2) {
            problems.push_back("shard " + std::to_string(r.shard) + " of " + std::to_string(n) +
                               " is there twice");
        }
        if (!r.finished) {
            problems.push_back("shard " + std::to_string(r.shard) + " of " + std::to_string(n) +
                               " was stopped before its end (--resume finishes it)");
        }
        mailboxes += static_cast<int64_t>(r.mailboxes.size());
    }
    for (int k = 1; k <= n; ++k) {
        if (seen.count(k) == 0) {
            problems.push_back("shard " + std::to_string(k) + " of " + std::to_string(n) +
                               " is missing: it has no " + ShardRecord::fileName(k, n) +
                               " in the directories given");
        }
    }
    if (problems.empty() && mailboxes != shards.front().mailboxesInRun) {
        problems.push_back("the shards exported " + std::to_string(mailboxes) + " mailboxes of " +
                           std::to_string(shards.front().mailboxesInRun));
    }
    return problems;
}

// The manifests of `roots` as one, the file of every line relative to `directory`.
std::string combinedManifest(const std::vector<std::string>& roots,
                             const std::vector<std::string>& relative, std::size_t& lines) {
    Manifest::Layout layout;
    for (const std::string& root : roots) {
        const Manifest::Layout of = Manifest::layoutOf(root).value_or(Manifest::Layout{});
        layout.fields = std::max(layout.fields, of.fields);
        layout.recovered = layout.recovered || of.recovered;
    }
    std::string content = Manifest::header(layout);
    lines = 0;
    for (std::size_t i = 0; i < roots.size(); ++i) {
        for (Manifest::Entry e : Manifest::read(roots[i])) {
            if (!e.file.empty()) e.file = relative[i] + e.file;
            content += Manifest::lineOf(e, layout);
            ++lines;
        }
    }
    return content;
}

}  // namespace

std::string ShardRecord::fileName(int shard, int shards) {
    return "export-shard-" + std::to_string(shard) + "-of-" + std::to_string(shards) + ".tsv";
}

void ShardRecord::write(const std::string& outputDirectory) const {
    std::string text = "shard\t" + std::to_string(shard) + "\nshards\t" + std::to_string(shards) +
                       "\nmailboxes\t" + std::to_string(mailboxesInRun) + "\nstate\t" +
                       (finished ? "finished" : "stopped") + "\n";
    for (const Mailbox& m : mailboxes) {
        text += "mailbox\t" + base::printable(m.directory) + '\t' + std::to_string(m.status) +
                '\t' + base::printable(m.file) + '\n';
    }
    replaceWhole((fs::path(outputDirectory) / fileName(shard, shards)).string(), text);
}

std::vector<ShardRecord> ShardRecord::readAll(const std::string& directory) {
    std::vector<ShardRecord> records;
    std::error_code ec;
    for (fs::directory_iterator it(directory, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.rfind("export-shard-", 0) != 0 || it->path().extension() != ".tsv") continue;
        std::ifstream in(it->path());
        ShardRecord r;
        for (std::string line; std::getline(in, line);) {
            std::vector<std::string> f;
            std::istringstream fields(line);
            for (std::string field; std::getline(fields, field, '\t');) f.push_back(field);
            if (f.size() < 2) continue;
            try {
                if (f[0] == "shard") r.shard = std::stoi(f[1]);
                if (f[0] == "shards") r.shards = std::stoi(f[1]);
                if (f[0] == "mailboxes") r.mailboxesInRun = std::stoll(f[1]);
                if (f[0] == "state") r.finished = f[1] == "finished";
                if (f[0] == "mailbox" && f.size() == 4) {
                    r.mailboxes.push_back({f[1], std::stoi(f[2]), f[3]});
                }
            } catch (const std::exception&) {
                r.shards = 0;
            }
        }
        if (r.shard >= 1 && r.shard <= r.shards && name == fileName(r.shard, r.shards)) {
            records.push_back(std::move(r));
        }
    }
    return records;
}

std::string runLoadFileName(int shard, int shards) {
    if (shards <= 0) return LoadFile::kFileName;
    return "export-loadfile-shard-" + std::to_string(shard) + "-of-" + std::to_string(shards) +
           ".dat";
}

// A recovered item (one of `recovered`) is neither marked as a copy nor taken as the original of
// one: what was deleted is listed in its own right, beside anything it may equal.
std::size_t markCopiesAcross(std::vector<LoadFile::Document>& rows,
                             const std::vector<std::size_t>& exportOfRow,
                             const std::set<std::string>& recovered) {
    std::map<std::string, std::pair<std::string, std::size_t>> originals;  // hash: id, export
    std::set<std::string> madeCopies;
    std::size_t copies = 0;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        LoadFile::Document& d = rows[i];
        if (!d.parentDocId.empty() || !d.duplicateOf.empty() || d.contentHash.empty() ||
            recovered.count(d.begDoc) > 0) {
            continue;
        }
        const auto [at, first] =
            originals.emplace(d.contentHash, std::pair{d.begDoc, exportOfRow[i]});
        if (first || at->second.second == exportOfRow[i]) continue;
        d.duplicateOf = at->second.first;
        d.begAttach = d.endAttach = d.begDoc;
        d.fileName = d.fileExtension = d.nativePath = d.fileSize = {};
        d.md5 = d.sha1 = d.sha256 = {};
        madeCopies.insert(d.begDoc);
        ++copies;
    }
    std::erase_if(rows, [&](const LoadFile::Document& d) {
        return !d.parentDocId.empty() && madeCopies.count(d.parentDocId) > 0;
    });
    return copies;
}

std::vector<std::string> writeCombinedLoadFile(const std::vector<std::string>& exportRoots,
                                               const std::string& path, std::size_t& rows,
                                               std::size_t* copies) {
    std::vector<std::string> problems;
    const std::string directory = fs::path(path).parent_path().string();
    std::vector<LoadFile::Document> all;
    std::vector<std::size_t> exportOfRow;
    std::map<std::string, std::string> whose;  // document id to the root that lists it
    std::set<std::string> recovered;           // the documents of recovered items
    for (std::size_t index = 0; index < exportRoots.size(); ++index) {
        const std::string& root = exportRoots[index];
        for (const Manifest::Entry& e : Manifest::read(root)) {
            if (!e.recovered.empty() && !e.docId.empty()) recovered.insert(e.docId);
        }
        const auto relative = relativeBelow(root, directory);
        if (!relative) {
            problems.push_back(root + " is not below " + directory);
            continue;
        }
        std::error_code ec;
        if (!fs::is_regular_file(root + LoadFile::kFileName, ec)) {
            problems.push_back(root + " has no " + LoadFile::kFileName);
            continue;
        }
        for (LoadFile::Document& d : LoadFile::read(root + LoadFile::kFileName)) {
            const auto [at, added] = whose.emplace(d.begDoc, root);
            if (!added) {
                problems.push_back("the document id " + d.begDoc + " is in " + at->second +
                                   " and in " + root +
                                   " (give each run its own --prefix, each shard its --shard)");
            }
            if (!d.nativePath.empty()) d.nativePath = *relative + d.nativePath;
            all.push_back(std::move(d));
            exportOfRow.push_back(index);
        }
    }
    if (!problems.empty()) return problems;
    if (copies) *copies = markCopiesAcross(all, exportOfRow, recovered);
    LoadFile::writeWhole(path, all);
    rows = all.size();
    return problems;
}

int runMerge(const std::vector<std::string>& directories, const std::string& outputDirectory,
             bool dedupe, std::ostream& out, std::ostream& err) {
    Sources sources;
    std::set<fs::path> seen;
    for (const std::string& d : directories) {
        std::error_code ec;
        if (!fs::is_directory(d, ec)) {
            err << "pellmark-export: " << base::printable(d) << " is no directory\n";
            return 2;
        }
        if (seen.insert(fs::weakly_canonical(d, ec)).second) addRootsOf(d, sources);
    }
    std::vector<std::string> problems = shardProblems(sources.shards);
    std::vector<std::string> relative;
    bool loadFiles = false;
    for (const std::string& root : sources.roots) {
        const auto below = relativeBelow(root, outputDirectory);
        if (!below) problems.push_back(root + " is not below " + outputDirectory);
        if (!hasManifest(root)) problems.push_back(root + " holds no " + Manifest::kFileName);
        relative.push_back(below.value_or(""));
        std::error_code ec;
        loadFiles = loadFiles || fs::is_regular_file(root + LoadFile::kFileName, ec);
    }
    if (sources.roots.empty()) problems.push_back("no export in the directories given");
    std::size_t rows = 0;
    std::size_t lines = 0;
    std::size_t copies = 0;
    try {
        std::error_code ec;
        fs::create_directories(outputDirectory, ec);
        if (problems.empty() && loadFiles) {
            problems = writeCombinedLoadFile(
                sources.roots, (fs::path(outputDirectory) / LoadFile::kFileName).string(), rows,
                dedupe ? &copies : nullptr);
        }
        if (problems.empty()) {
            replaceWhole((fs::path(outputDirectory) / Manifest::kFileName).string(),
                         combinedManifest(sources.roots, relative, lines));
        }
    } catch (const exporting::WriteError& e) {
        err << "pellmark-export: " << base::printable(e.what()) << '\n';
        return 1;
    }
    for (const std::string& p : problems) {
        err << "pellmark-export: not merged: " << base::printable(p) << '\n';
    }
    if (!problems.empty()) return 1;
    out << "Merged " << sources.roots.size() << " exports";
    if (!sources.shards.empty()) out << " of " << sources.shards.size() << " shards";
    out << ": " << lines << " lines in " << Manifest::kFileName;
    if (loadFiles) out << ", " << rows << " documents in " << LoadFile::kFileName;
    out << ", in " << base::printable(outputDirectory) << '\n';
    if (dedupe) {
        out << copies << " items of one export were copies of items of another"
            << (loadFiles ? ", listed as such in the load file" : " (no load file lists them)")
            << '\n';
    }
    for (const std::string& file : sources.notExported) {
        out << "not exported by its shard: " << base::printable(file) << '\n';
    }
    return sources.notExported.empty() ? 0 : 1;
}

}  // namespace pellmark::cli
