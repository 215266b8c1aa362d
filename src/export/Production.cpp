#include "export/Production.h"

#include <cstdio>

#include "base/Sha256.h"
#include "export/LoadFile.h"
#include "export/Manifest.h"

namespace pellmark::exporting {

Production::Production(ProductionOptions options) : options_(std::move(options)) {}

std::string Production::idPrefix() const {
    if (options_.shards <= 0) return options_.prefix;
    const int width = static_cast<int>(std::to_string(options_.shards).size());
    char shard[16];
    std::snprintf(shard, sizeof shard, "%0*d", width, options_.shard);
    return options_.prefix + shard + "-";
}

std::string Production::nextId() {
    char number[32];
    std::snprintf(number, sizeof number, "%08llu", static_cast<unsigned long long>(next_++));
    return idPrefix() + number;
}

void Production::passOver(const std::string& id) {
    const std::string prefix = idPrefix();
    if (id.size() <= prefix.size() || id.compare(0, prefix.size(), prefix) != 0) return;
    uint64_t number = 0;
    for (std::size_t i = prefix.size(); i < id.size(); ++i) {
        if (id[i] < '0' || id[i] > '9' || number > UINT64_MAX / 10 - 1) return;
        number = number * 10 + static_cast<uint64_t>(id[i] - '0');
    }
    if (number >= next_) next_ = number + 1;
}

void Production::passOverExport(const std::string& exportRoot) {
    for (const Manifest::Entry& e : Manifest::read(exportRoot)) passOver(e.docId);
    for (const LoadFile::Document& d : LoadFile::read(exportRoot + LoadFile::kFileName)) {
        passOver(d.begDoc);
    }
}

std::optional<std::string> Production::originalOf(const std::string& contentHash) const {
    const auto found = originals_.find(contentHash);
    if (found == originals_.end()) return std::nullopt;
    return found->second;
}

bool Production::isOriginal(const std::string& docId) const {
    return documents_.count(docId) > 0;
}

void Production::written(const std::string& contentHash, const std::string& docId) {
    if (contentHash.empty() || docId.empty()) return;
    if (originals_.emplace(contentHash, docId).second) documents_.emplace(docId, contentHash);
}

std::string Production::identity(const std::string& custodian) const {
    std::string text = std::string("load-file=") + (options_.loadFile ? "dat" : "") +
                       " dedupe=" + (options_.dedupe ? "yes" : "no") + " prefix=" + options_.prefix;
    if (options_.shards > 0) {
        text += " shard=" + std::to_string(options_.shard) + "/" + std::to_string(options_.shards);
    }
    return text + " custodian=" + custodian;
}

int shardOf(const std::string& key, int shards) {
    base::Sha256 sha;
    sha.update(key);
    const std::string hex = sha.hex();
    const uint64_t value = std::stoull(hex.substr(0, 16), nullptr, 16);
    return static_cast<int>(value % static_cast<uint64_t>(shards)) + 1;
}

}  // namespace pellmark::exporting
