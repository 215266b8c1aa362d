#include "store/MailStore.h"

#include "base/Sha256.h"

namespace pellmark::store {

std::string MailItem::saveAsHashed(const std::string& path, SaveFormat format) {
    saveAs(path, format);
    return base::sha256OfFile(path);
}

}  // namespace pellmark::store
