#include "cli/OpenMailbox.h"

#include <filesystem>
#include <system_error>

#include "msgstore/MsgStore.h"
#include "pststore/PstStore.h"

namespace pellmark::cli {

std::unique_ptr<store::Store> openMailbox(const std::string& path) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec) || msgstore::isMsgFileName(path) ||
        msgstore::looksLikeCompoundFile(path)) {
        return msgstore::openMsgStore(path);
    }
    return pststore::openStore(path);
}

}  // namespace pellmark::cli
