#include "export/SiblingFolders.h"

#include "base/CaseFold.h"

namespace pellmark::exporting {

const std::string* SiblingFolders::find(const std::string& parent, const store::PathStep& step) {
    auto it = kept_.find(parent + '\0' + step.name);
    if (it == kept_.end()) return nullptr;
    for (Kept& kept : it->second) {
        if (kept.id == step.id || kept.id.empty() || step.id.empty()) {
            if (kept.id.empty()) kept.id = step.id;
            return &kept.value;
        }
    }
    return nullptr;
}

void SiblingFolders::keep(const std::string& parent, const store::PathStep& step,
                          const std::string& value) {
    kept_[parent + '\0' + step.name].push_back({step.id, value});
}

bool SiblingFolders::taken(const std::string& parent, const std::string& name) const {
    auto it = names_.find(parent);
    return it != names_.end() && it->second.count(base::caseFoldedKey(name)) > 0;
}

void SiblingFolders::take(const std::string& parent, const std::string& name) {
    names_[parent].insert(base::caseFoldedKey(name));
}

}  // namespace pellmark::exporting
