#include "cli/MailboxInputs.h"

#include <algorithm>
#include <filesystem>
#include <set>
#include <system_error>
#include <utility>

#include "base/AsciiCase.h"
#include "msgstore/MsgStore.h"

namespace pellmark::cli {
namespace {

namespace fs = std::filesystem;

bool isDataFile(const fs::path& path) {
    const std::string ext = path.extension().string();
    return base::equalsNoCase(ext, ".pst") || base::equalsNoCase(ext, ".ost");
}

const char* kindOf(fs::file_type type) {
    switch (type) {
        case fs::file_type::directory:
            return "a directory";
        case fs::file_type::fifo:
            return "a pipe (FIFO)";
        case fs::file_type::character:
        case fs::file_type::block:
            return "a device";
        case fs::file_type::socket:
            return "a socket";
        default:
            return "of another kind";
    }
}

// Why `entry`, named as a data file in a directory, cannot be read; empty for a regular file
// or a link to one. Only its status is asked: opening a pipe could wait for ever.
std::string notAFile(const fs::directory_entry& entry) {
    std::error_code ec;
    const fs::file_status target = entry.status(ec);  // through a symbolic link
    if (fs::is_regular_file(target)) return {};
    if (ec && target.type() != fs::file_type::not_found) return ec.message();
    std::error_code linkError;
    if (!entry.is_symlink(linkError)) {
        return std::string("it is ") + kindOf(target.type()) + ", not a regular file";
    }
    const fs::path to = fs::read_symlink(entry.path(), linkError);
    const std::string shown = linkError ? std::string("?") : to.string();
    if (!fs::exists(target)) {
        return "it is a symbolic link to " + shown + ", which does not exist";
    }
    return "it is a symbolic link to " + std::string(kindOf(target.type())) + " (" + shown +
           "), not a regular file";
}

}  // namespace

std::vector<MailboxInput> mailboxesOf(const std::vector<std::string>& inputs) {
    std::vector<MailboxInput> out;
    std::set<fs::path> seen;
    auto add = [&](const fs::path& file, const std::string& problem, const std::string& shardKey) {
        std::error_code ec;
        fs::path key = problem.empty() ? fs::weakly_canonical(file, ec) : file;
        if (ec) key = file;
        if (seen.insert(key).second) out.push_back({file.string(), problem, shardKey});
    };
    for (const std::string& input : inputs) {
        std::error_code ec;
        if (!fs::is_directory(input, ec)) {
            add(input, {}, input);
            continue;
        }
        std::vector<std::pair<fs::path, std::string>> found;
        for (fs::directory_iterator it(input, ec), end; !ec && it != end; it.increment(ec)) {
            if (isDataFile(it->path())) found.emplace_back(it->path(), notAFile(*it));
        }
        std::sort(found.begin(), found.end());
        // Its .msg files, in it and in its subdirectories, are one mailbox more: the directory.
        const bool messages = !ec && msgstore::holdsMsgFiles(input);
        if (found.empty() && !messages) {
            out.push_back({input, ec ? ec.message() : "no .pst, .ost or .msg file in it", input});
        }
        for (const auto& [file, problem] : found) add(file, problem, file.filename().string());
        if (messages) add(input, {}, input);
    }
    return out;
}

bool standsForMany(const std::vector<std::string>& inputs) {
    std::error_code ec;
    return inputs.size() != 1 || fs::is_directory(inputs.front(), ec);
}

}  // namespace pellmark::cli
