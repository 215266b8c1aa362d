#include "MimeTestSupport.h"

#include "base/FileSink.h"
#include "formats/mime/MimeOutput.h"

#include <gtest/gtest.h>

#include <sstream>

#include "pststore/PstStore.h"
#include "support/FirstItem.h"
#include "support/TestFiles.h"

namespace pellmark::test {
namespace {

void walk(store::Folder& folder,
          const std::function<void(store::MailItem&, const mapi::Item&, const std::string&)>& fn) {
    auto items = folder.items();
    for (int64_t i = 1; i <= items->count(); ++i) {
        auto item = items->item(i);
        fn(*item, messageOf(*item), folder.folderPath() + " #" + std::to_string(i));
    }
    auto e = folder.folders()->enumerate();
    while (auto sub = e->next()) walk(*sub, fn);
}

}  // namespace

void forEachItem(
    const std::filesystem::path& pst,
    const std::function<void(store::MailItem&, const mapi::Item&, const std::string&)>& fn) {
    auto store = pststore::openStore(pst.string());
    walk(*store->rootFolder(), fn);
}

std::unique_ptr<store::MailItem> firstItemOf(const std::filesystem::path& pst,
                                             const std::string& folder) {
    return firstItemIn(*pststore::openStore(pst.string())->rootFolder(), folder);
}

bool saveItemWithSubject(const std::filesystem::path& pst, const std::string& subject,
                         store::SaveFormat type, const std::filesystem::path& path) {
    bool saved = false;
    forEachItem(pst, [&](store::MailItem& item, const mapi::Item&, const std::string&) {
        if (saved || item.subject() != subject) return;
        item.saveAs(path.string(), type);
        saved = true;
    });
    return saved;
}

const mapi::Item& messageOf(store::MailItem& item) {
    return dynamic_cast<pststore::PstMailItem&>(item).item();
}

std::string collapsed(const std::string& text) {
    std::istringstream in(text);
    std::string word, out;
    while (in >> word) out += (out.empty() ? "" : " ") + word;
    return out;
}

std::vector<std::string> linesStartingWith(const std::string& summary, const std::string& prefix) {
    std::vector<std::string> out;
    std::istringstream in(summary);
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind(prefix, 0) == 0) out.push_back(line.substr(prefix.size()));
    }
    return out;
}

void writeMimeFile(const formats::MimePart& entity, const std::filesystem::path& path) {
    base::FileSink sink(path, false);
    formats::writeMime(entity, sink);
    sink.finish();
}

}  // namespace pellmark::test
