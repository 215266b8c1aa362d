#pragma once
// Which folder took which name below a parent, for the outputs that give each folder a
// directory or a mailbox of its own. Two sibling folders of one name are two folders, told
// apart by their ids; a path step that cannot tell (no id) is the folder of its name. Names are
// taken without regard to letter case, as the file systems that ignore it compare them.

#include <map>
#include <string>
#include <unordered_set>
#include <vector>

#include "store/MailStore.h"

namespace pellmark::exporting {

class SiblingFolders {
  public:
    // What was kept for the folder of `step` below `parent` (a text naming the parent's output),
    // or null the first time.
    const std::string* find(const std::string& parent, const store::PathStep& step);
    // Keeps `value` for the folder of `step` below `parent`.
    void keep(const std::string& parent, const store::PathStep& step, const std::string& value);

    // Whether a folder below `parent` took `name`, or a name that differs in letter case only.
    bool taken(const std::string& parent, const std::string& name) const;
    void take(const std::string& parent, const std::string& name);

  private:
    struct Kept {
        std::string id;
        std::string value;
    };
    std::map<std::string, std::vector<Kept>> kept_;  // parent and step name -> its folders
    std::map<std::string, std::unordered_set<uint64_t>> names_;  // parent -> names taken
};

}  // namespace pellmark::exporting
