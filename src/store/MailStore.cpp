#include "store/MailStore.h"

#include "base/Sha256.h"

namespace pellmark::store {

std::string MailItem::saveAsHashed(const std::string& path, SaveFormat format) {
    saveAs(path, format);
    return base::sha256OfFile(path);
}

std::string Attachment::saveAsHashed(const std::string& path) {
    saveAsFile(path);
    return base::sha256OfFile(path);
}

DocumentFacts MailItem::documentFacts() {
    const ItemFacts f = facts();
    DocumentFacts d;
    d.from = f.senderName.empty()      ? f.senderAddress
             : f.senderAddress.empty() ? f.senderName
                                       : f.senderName + " <" + f.senderAddress + ">";
    d.sent = f.sent;
    d.received = f.delivered;
    d.attachments = attachments()->count();
    return d;
}

void MailItem::writeTo(base::ByteSink&, SaveFormat) {
    throw StoreError("the store cannot write its items into a stream");
}

std::vector<PathStep> pathStepsOf(const std::string& folderPath) {
    std::vector<PathStep> steps;
    const std::string relative =
        folderPath.rfind("\\\\", 0) == 0 ? folderPath.substr(2) : folderPath;
    for (std::size_t start = 0; !relative.empty() && start <= relative.size();) {
        std::size_t end = relative.find('\\', start);
        if (end == std::string::npos) end = relative.size();
        steps.push_back({relative.substr(start, end - start), {}});
        start = end + 1;
    }
    return steps;
}

std::vector<PathStep> Folder::pathSteps() {
    std::vector<PathStep> steps = pathStepsOf(folderPath());
    if (!steps.empty()) steps.back().id = entryId();
    return steps;
}

}  // namespace pellmark::store
