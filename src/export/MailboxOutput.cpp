#include "export/MailboxOutput.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <random>
#include <vector>

#include "base/AsciiCase.h"
#include "base/FileSink.h"
#include "base/Sha256.h"
#include "export/CalendarFileOutput.h"
#include "export/Faults.h"
#include "export/OutputNaming.h"
#include "export/RunSummary.h"
#include "export/SafePaths.h"
#include "formats/SaveError.h"
#include "formats/mailbox/MaildirKeywords.h"
#include "formats/mailbox/MaildirNames.h"
#include "formats/mailbox/MboxEntry.h"

namespace pellmark::exporting {
namespace {

[[noreturn]] void fail(const std::string& what, const std::string& path, int error) {
    throw WriteError(what + " " + path + ": " + std::strerror(error));
}

bool endsWithNoCase(const std::string& s, const char* suffix) {
    const std::size_t n = std::strlen(suffix);
    return s.size() >= n && base::equalsNoCase(std::string_view(s).substr(s.size() - n), suffix);
}

// A folder's mbox file name: safe as a directory name is, short enough for "Name.sbd", names
// cut to the same start kept apart by a mark of the whole name, and never a name Thunderbird
// keeps for itself (its index files, its subfolder directories).
std::string mboxName(const std::string& name) {
    std::string safe = safeDirectoryName(name);
    if (safe.size() > kMaxNameBytes - 5) {
        const std::string mark = formats::shortenedMark(name);
        safe = cutToBytes(safe, kMaxNameBytes - 5 - mark.size()) + mark;
    }
    if (endsWithNoCase(safe, ".sbd") || endsWithNoCase(safe, ".msf")) safe += '_';
    return safe;
}

// A real directory, never one reached through a link.
void makeDirectory(const std::string& path) {
    if (makeRealDirectory(path) == MadeDirectory::NameTaken) {
        throw WriteError("cannot create the directory " + path +
                         ": something else (a file or a symbolic link) holds the name");
    }
}

// An empty mbox file where there is none, so that readers show the folder.
void touchFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (fd < 0) fail("cannot create", path, errno);
    ::close(fd);
}

void makeMaildir(const std::string& directory, bool subfolder) {
    makeDirectory(directory);
    for (const char* part : {"cur", "new", "tmp"}) makeDirectory(directory + part);
    // Maildir++ marks folders other than the INBOX with this file.
    if (subfolder) touchFile(directory + "maildirfolder");
}

// Copies the file at `path` into `fd` from `offset` on: by the kernel where it can, else
// through a buffer.
void copyInto(const std::string& path, int fd, off_t offset, const std::string& target) {
    const int in = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) fail("cannot read", path, errno);
    struct Close {
        int fd;
        ~Close() { ::close(fd); }
    } close{in};
    for (;;) {
        const ssize_t n = ::copy_file_range(in, nullptr, fd, &offset, 1u << 30, 0);
        if (n == 0) return;
        if (n > 0) continue;
        if (errno == EINTR) continue;
        if (errno != EXDEV && errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) {
            fail("cannot write", target, errno);
        }
        break;
    }
    std::vector<char> buffer(1u << 20);
    for (;;) {
        const ssize_t got = ::read(in, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) fail("cannot read", path, errno);
        if (got == 0) return;
        for (ssize_t done = 0; done < got;) {
            const ssize_t n = ::pwrite(fd, buffer.data() + done, size_t(got - done), offset);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) fail("cannot write", target, n < 0 ? errno : EIO);
            done += n;
            offset += n;
        }
    }
}

std::string hostName() {
    char buf[256] = {};
    if (::gethostname(buf, sizeof buf - 1) != 0 || buf[0] == '\0') return "localhost";
    // Maildir file names keep '/' and ':' out of the host part.
    std::string host;
    for (const char* c = buf; *c; ++c) {
        if (*c == '/')
            host += "\\057";
        else if (*c == ':')
            host += "\\072";
        else
            host += *c;
    }
    return host;
}

store::ItemFacts factsOf(store::MailItem* item) {
    if (!item) return {};
    try {
        return item->facts();
    } catch (const std::exception&) {  // the message still goes in, without its state
        return {};
    }
}

}  // namespace

MailboxFolders::MailboxFolders(std::string exportRoot, MailboxLayout layout, bool reuse)
    : root_(std::move(exportRoot)),
      layout_(layout),
      reuse_(reuse),
      vcards_(root_ + kVCardsDirectory + "/"),
      calendars_(root_ + kCalendarsDirectory + "/"),
      host_(hostName()),
      runId_((uint64_t{std::random_device{}()} << 32) ^ std::random_device{}()) {}

MailboxFolders::~MailboxFolders() = default;

std::string MailboxFolders::storeDirectory(const std::string& storeName) {
    if (auto known = stores_.find(storeName); known != stores_.end()) return known->second;
    const std::string safe = mboxName(storeName);
    for (int copy = 1; copy <= FolderOutput::kMaxAttempts; ++copy) {
        const std::string name = copy > 1 ? safe + " (" + std::to_string(copy) + ")" : safe;
        if (name == kVCardsDirectory || name == kCalendarsDirectory) continue;
        const std::string directory = root_ + name + "/";
        if (::mkdir(directory.c_str(), 0777) != 0) {
            if (errno != EEXIST) fail("cannot create the directory", directory, errno);
            struct stat st {};
            if (!reuse_ || ::lstat(directory.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) continue;
        }
        if (layout_ == MailboxLayout::Maildir) makeMaildir(directory, false);
        return stores_[storeName] = directory;
    }
    fail("no free directory name for", root_ + safe, EEXIST);
}

std::string MailboxFolders::mboxFile(const std::vector<std::string>& names) {
    std::string directory = storeDirectory(names.front());
    if (names.size() == 1) return directory + mboxName(names.front());
    for (std::size_t i = 1; i + 1 < names.size(); ++i) {
        const std::string parent = directory + mboxName(names[i]);
        touchFile(parent);
        directory = parent + ".sbd/";
        makeDirectory(directory);
    }
    return directory + mboxName(names.back());
}

std::string MailboxFolders::maildirFolder(std::vector<std::string> names) {
    const std::string store = storeDirectory(names.front());
    if (names.size() == 1) {
        // The top folder's own items get a folder named after the store.
    } else {
        names.erase(names.begin());
        if (base::equalsNoCase(names.front(), "INBOX")) {
            if (names.size() == 1) return store;
            names.front() = "INBOX";
        }
    }
    const std::string directory = store + formats::maildirFolderDirectory(names) + "/";
    makeMaildir(directory, true);
    return directory;
}

std::string MailboxFolders::maildirFlags(const std::string& directory,
                                         const store::ItemFacts& facts) {
    if (!facts.forwarded) return formats::maildirFlags(facts);
    auto known = forwardedKeywords_.find(directory);
    if (known == forwardedKeywords_.end()) {
        // A folder of a run before keeps the letters its file gives, whoever wrote it.
        std::optional<char> letter;
        try {
            letter = formats::folderKeywordLetter(directory, formats::kForwardedKeyword);
        } catch (const formats::SaveError& error) {
            throw WriteError(error.what());
        }
        known = forwardedKeywords_.emplace(directory, letter.value_or(0)).first;
    }
    return formats::maildirFlags(facts, known->second);
}

namespace {

// A directory of the export root that a tree of files goes below.
void makeTreeRoot(const std::string& path) {
    if (makeRealDirectory(path) == MadeDirectory::NameTaken) {
        throw WriteError("cannot create the directory " + path + ": something else holds the name");
    }
}

}  // namespace

OutputDirectories::Directory MailboxFolders::vcardDirectory(
    const std::vector<store::PathStep>& steps) {
    makeTreeRoot(root_ + kVCardsDirectory);
    return vcards_.forFolder(steps);
}

std::unique_ptr<FolderOutput> MailboxFolders::openCalendar(
    const std::vector<store::PathStep>& steps) {
    makeTreeRoot(root_ + kCalendarsDirectory);
    const auto directory = calendars_.forFolder(steps);
    return std::make_unique<CalendarFileOutput>(directory.path, directory.fresh,
                                                steps.empty() ? std::string() : steps.back().name);
}

std::vector<std::string> MailboxFolders::mailboxNames(const std::vector<store::PathStep>& steps) {
    std::vector<std::string> names;
    std::string parent;
    for (const store::PathStep& step : steps) {
        const std::string* known = named_.find(parent, step);
        std::string name = known ? *known : step.name;
        for (int copy = 2; !known && named_.taken(parent, name); ++copy) {
            name = step.name + " (" + std::to_string(copy) + ")";
        }
        if (!known) {
            named_.take(parent, name);
            named_.keep(parent, step, name);
        }
        parent += '\0' + name;
        names.push_back(std::move(name));
    }
    return names;
}

std::string MailboxFolders::uniqueMaildirName(int64_t seconds) {
    char random[20];
    std::snprintf(random, sizeof random, "R%016llx", static_cast<unsigned long long>(runId_));
    return std::to_string(seconds) + ".P" + std::to_string(::getpid()) + "Q" +
           std::to_string(++delivered_) + random + "." + host_;
}

std::unique_ptr<FolderOutput> MailboxFolders::open(const std::vector<store::PathStep>& steps) {
    std::vector<store::PathStep> path = steps;
    // Items no folder lists any more go into a folder of the store's mailbox, where the mail
    // program shows them with the rest.
    const bool recovered = !path.empty() && path.front() == recoveredItemsStep();
    if (recovered && store_ && stores_.size() == 1) path.insert(path.begin(), *store_);
    if (!recovered && !store_) store_ = path.front();
    const std::vector<std::string> names = mailboxNames(path);
    if (layout_ == MailboxLayout::Mbox) {
        const std::string file = mboxFile(names);
        const std::string directory = file.substr(0, file.rfind('/') + 1);
        return std::make_unique<MailboxOutput>(*this, layout_, steps, file, directory);
    }
    const std::string directory = maildirFolder(names);
    return std::make_unique<MailboxOutput>(*this, layout_, steps, directory, directory + "tmp/");
}

MailboxOutput::MailboxOutput(MailboxFolders& folders, MailboxLayout layout,
                             std::vector<store::PathStep> steps, std::string target,
                             std::string scratchDirectory)
    : FolderOutput(std::move(scratchDirectory)),
      folders_(folders),
      layout_(layout),
      steps_(std::move(steps)),
      target_(std::move(target)) {
    // Every folder of an mbox export has its file, also when it holds no message.
    if (layout_ == MailboxLayout::Mbox) touchFile(target_);
}

MailboxOutput::~MailboxOutput() {
    if (mbox_ >= 0) ::close(mbox_);
}

void writeMailboxMessage(store::MailItem& item, MailboxLayout layout, const std::string& scratch,
                         bool hash, std::string& sha256) {
    base::FileSink file(scratch, hash);
    if (layout == MailboxLayout::Mbox) {
        formats::MboxEntryFilter entry(file, factsOf(&item));
        item.writeTo(entry, store::SaveFormat::Eml);
        entry.finish();
    } else {
        formats::LocalLines lines(file);
        item.writeTo(lines, store::SaveFormat::Eml);
        lines.finish();
    }
    file.finish();
    sha256 = file.sha256();
}

FolderOutput::Written MailboxOutput::place(Placing file, Ledger& ledger, store::MailItem* item) {
    const bool message = file.scratch.size() > 4 && endsWithNoCase(file.scratch, ".eml");
    if (!message) {
        // A vCard: a file of its own, as in every other export.
        if (!vcards_) {
            try {
                const auto directory = folders_.vcardDirectory(steps_);
                vcards_ = std::make_unique<FolderOutput>(directory.path, directory.fresh);
            } catch (...) {
                discard(file.scratch);
                throw;
            }
        }
        return vcards_->place(std::move(file), ledger);
    }
    struct Discard {
        MailboxOutput& output;
        const std::string path;
        ~Discard() { output.discard(path); }
    } discardScratch{*this, file.scratch};
    const store::ItemFacts facts = factsOf(item);
    return layout_ == MailboxLayout::Mbox ? appendToMbox(file, ledger)
                                          : deliverToMaildir(std::move(file), facts, ledger);
}

FolderOutput::Written MailboxOutput::appendToMbox(const Placing& file, Ledger& ledger) {
    if (mbox_ < 0) {
        // Written at offsets of its end: this run is the only one writing into the root.
        mbox_ = ::open(target_.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (mbox_ < 0) fail("cannot write", target_, errno);
    }
    const off_t start = ::lseek(mbox_, 0, SEEK_END);
    if (start < 0) fail("cannot write", target_, errno);
    struct stat entry {};
    if (::stat(file.scratch.c_str(), &entry) != 0) fail("cannot read", file.scratch, errno);
    // The entry's record goes first, so the entry is never in the file without it.
    const Written written{target_, static_cast<uint64_t>(entry.st_size), file.sha256,
                          static_cast<uint64_t>(start)};
    ledger.record({written});
    try {
        if (const int error = injectedFault(FaultPoint::BeforeMoves)) {
            fail("cannot write", target_, error);
        }
        copyInto(file.scratch, mbox_, start, target_);
    } catch (...) {
        // A part of an entry would run into the next one: the file goes back to its last
        // whole entry, and the record with it.
        if (::ftruncate(mbox_, start) != 0) {
            // nothing more can be done; the error names the write that failed
        }
        ledger.retract();
        throw;
    }
    return written;
}

FolderOutput::Written MailboxOutput::deliverToMaildir(Placing file, const store::ItemFacts& facts,
                                                      Ledger& ledger) {
    const int64_t seconds = facts.when() ? facts.when()->time_since_epoch().count() : 0;
    if (facts.when()) {
        const struct timespec times[2] = {{seconds, 0}, {seconds, 0}};
        ::utimensat(AT_FDCWD, file.scratch.c_str(), times, 0);
    }
    // Maildir's delivery: written aside (the run's scratch directory inside tmp/, which the
    // next run removes if this one is killed), then moved into cur/ under its final name,
    // which holds a random part of its own; the move refuses a name that is taken.
    file.path = target_ + "cur/" + folders_.uniqueMaildirName(seconds) + ":2," +
                folders_.maildirFlags(target_, facts);
    std::vector<Placing> one{std::move(file)};
    return commit(one, ledger).front();
}

}  // namespace pellmark::exporting
