#include "export/ConversionRun.h"

#include <algorithm>
#include <filesystem>
#include <thread>
#include <unordered_set>

#include "base/Digests.h"
#include "base/Sha256.h"
#include "base/Text.h"
#include "export/AttachmentLinks.h"
#include "export/CalendarFileOutput.h"
#include "export/ExportRoot.h"
#include "export/FolderOutput.h"
#include "export/ItemLedger.h"
#include "export/LoadFile.h"
#include "export/MailboxOutput.h"
#include "export/Manifest.h"
#include "export/OutputDirectories.h"
#include "export/OutputNaming.h"
#include "export/Production.h"
#include "export/Random.h"
#include "export/WorkerPool.h"
#include "formats/OutputFormats.h"
#include "formats/msg/MsgWriter.h"
#include "store/FolderKinds.h"

namespace pellmark::exporting {

namespace {

constexpr const char* kContactClass = "IPM.Contact";
constexpr const char* kDistListClass = "IPM.DistList";

// A value the run can do without: when reading it fails the item or folder is still exported,
// with `fallback` in its place.
template <class Read>
auto readOr(Read read, decltype(read()) fallback = {}) {
    try {
        return read();
    } catch (const std::exception&) {
        return fallback;
    }
}

// A format's name as the export's identity records it: an export that recovers deleted items
// is another export, whose manifest has a field more, and one for evidence another again.
std::string formatName(const RunRequest& request) {
    const std::string deleted = request.forensic         ? " for evidence"
                                : request.recoverDeleted ? " with deleted items"
                                                         : "";
    for (const formats::OutputFormat& output : formats::outputFormats()) {
        if (output.save == request.format && output.container == request.layout) {
            return std::string(output.name) + deleted;
        }
    }
    return std::to_string(static_cast<int>(request.format)) + deleted;
}

}  // namespace

// What a worker makes of an item: its file and its attachments' under scratch names.
struct ConversionRun::Rendered {
    std::string sha256;  // of the item's scratch file
    std::vector<RenderedAttachment> attachments;
    bool cancelled = false;            // the run was stopped before the item's turn came
    std::vector<std::string> leftOut;  // what the writer could not express of the item
    // For review: what the load file lists, the content hash, the digests of the file.
    store::DocumentFacts facts;
    std::string contentHash;
    base::FileDigests digests;
};

// An item handed to a worker (or rendered at once when the run has none): what the run's
// thread needs to name, place and report it once written.
struct ConversionRun::Pending {
    std::shared_ptr<store::MailItem> item;
    std::future<void> done;
    std::shared_ptr<Rendered> rendered;
    std::string caption;
    std::string stem;  // of the item's file name
    std::string extension;
    std::string scratch;
    std::string recovered;  // how a recovered item was found, for the manifest
};

// The state of the folder being exported.
struct ConversionRun::FolderRun {
    std::string folderPath;                             // for the manifest
    std::vector<store::PathStep> steps;                 // for the output's directory
    std::string displayName;                            // for the failure list
    std::shared_ptr<FolderOutput> output;               // shared with the workers writing into it
    store::SaveFormat format = store::SaveFormat::Txt;  // of its items that are no contacts
    int64_t itemCounter = 1;
    bool failed = false;
    std::string recovered;  // how the item being started was found, where it was recovered
};

ConversionRun::ConversionRun(store::SessionFactory& sessions, RunRequest request,
                             RunProgress& progress)
    : sessions_(sessions),
      request_(std::move(request)),
      progress_(progress),
      draw_([] { return randomBetween(1, 40000); }),
      renderThreads_(
          sessions.savesConcurrently() ? std::max(1u, std::thread::hardware_concurrency()) : 1) {}

ConversionRun::~ConversionRun() = default;

RunSummary ConversionRun::run() {
    summary_ = RunSummary{};
    progress_.preparing();
    prepareRoot();
    progress_.rootPrepared(summary_.exportRoot);
    if (request_.mailbox) {
        progress_.loggedOn();
        exportMailbox(*request_.mailbox);
        return summary_;
    }

    std::unique_ptr<store::Session> session;
    try {
        session = sessions_.create();
        session->logon();
    } catch (const std::exception& error) {
        throw PrepareError(std::string("The mail store could not be opened: ") + error.what());
    }
    // Whatever happens from here on, the session is logged off before the run returns.
    struct Logoff {
        store::Session& session;
        ~Logoff() {
            try {
                session.logoff();
            } catch (const std::exception&) {  // the files are written; nothing to lose here
            }
        }
    } logoff{*session};
    progress_.loggedOn();

    std::unique_ptr<store::Store> store;
    try {
        store = session->storeFromId(request_.storeId);
    } catch (const std::exception& error) {
        throw PrepareError(std::string("The mailbox to export was not found: ") + error.what());
    }
    if (!store) throw PrepareError("The mailbox to export was not found.");
    exportMailbox(*store);
    return summary_;
}

void ConversionRun::exportMailbox(store::Store& store) {
    checkEarlierExport(store);
    std::vector<store::FolderRef> folders;
    for (const store::FolderRef& folder : request_.selection.folders) {
        if (!folder.empty()) folders.push_back(folder);
    }
    summary_.folders = static_cast<int64_t>(folders.size());
    if (renderThreads_ > 1) pool_ = std::make_unique<WorkerPool>(renderThreads_);
    // A file cut short is said at once; the export goes on with what can be read.
    reportDamage(store);
    for (const store::UnreadFolder& unread : request_.selection.unreadFolders) {
        summary_.failedFolders.push_back(unread.path);
        progress_.folderFailed(unread.path, unread.reason);
    }
    for (std::size_t i = 0; i < folders.size() && !stopping(); ++i) {
        exportFolder(store, folders[i], i + 1, folders.size());
    }
    if (!stopping()) recoverUnreachable(store, folders.size() + 1);
    if (request_.recoverDeleted && !stopping()) {
        recoverDeleted(store, static_cast<std::size_t>(summary_.folders) + 1);
    }
    reportDamage(store);
}

void ConversionRun::prepareRoot() {
    if (base::trimmed(request_.outputDirectory).empty()) {
        throw PrepareError("No output directory was chosen.");
    }
    summary_.exportRoot = exportRootFor(request_.outputDirectory);
    try {
        root_ = std::make_unique<ExportRoot>(summary_.exportRoot);
    } catch (const RootBusy& error) {
        throw PrepareError(error.what(), PrepareError::Why::RootBusy);
    } catch (const WriteError& error) {
        throw PrepareError(std::string("The export folder could not be created: ") + error.what());
    }
    if (root_->heldAnything() && request_.earlier == EarlierExport::Refuse) {
        throw PrepareError(summary_.exportRoot + " already holds an export",
                           PrepareError::Why::HoldsAnExport);
    }
}

void ConversionRun::checkEarlierExport(store::Store& store) {
    Production* production = request_.production;
    const std::string mailbox = readOr([&] { return store.rootFolder()->entryId(); },
                                       readOr([&] { return store.entryId(); }));
    const ExportIdentity identity{
        formatName(request_), mailbox, readOr([&] { return store.dataFilePath(); }),
        production ? production->identity(request_.custodian) : std::string()};
    const bool resume = request_.earlier == EarlierExport::Resume;
    try {
        if (resume && root_->heldAnything()) {
            if (!std::filesystem::exists(summary_.exportRoot + Manifest::kFileName)) {
                throw PrepareError(
                    summary_.exportRoot + " holds no " + Manifest::kFileName + " to resume from",
                    PrepareError::Why::NothingToResume);
            }
            const auto earlier = root_->identity();
            if (earlier && earlier->format == identity.format &&
                earlier->mailbox == identity.mailbox && earlier->review != identity.review) {
                throw PrepareError(
                    summary_.exportRoot + " holds an export of this mailbox made " +
                        (earlier->review.empty() ? "without a load file, "
                                                   "document ids or dedupe"
                                                 : "as " + earlier->review) +
                        ", not " +
                        (identity.review.empty() ? "without them" : "as " + identity.review),
                    PrepareError::Why::AnotherExport);
            }
            if (earlier && !earlier->sameExport(identity)) {
                throw PrepareError(summary_.exportRoot + " holds an export of " +
                                       (earlier->file.empty() ? "another mailbox" : earlier->file) +
                                       " as " + earlier->format + ", not of this mailbox as " +
                                       identity.format,
                                   PrepareError::Why::AnotherExport);
            }
        }
        // What killed runs left goes before anything is written or read back.
        if (root_->heldAnything()) root_->removeLeftovers();
        root_->setIdentity(identity);
        directories_ = std::make_unique<OutputDirectories>(summary_.exportRoot);
        if (request_.layout != MailboxLayout::Files) {
            mailboxes_ =
                std::make_unique<MailboxFolders>(summary_.exportRoot, request_.layout, resume);
        }
        // No document id is handed out twice, whatever the run before left.
        if (production) production->passOverExport(summary_.exportRoot);
        if (resume && production) {
            resumeProduction(*production);
        } else if (resume) {
            resumePoint_ = std::make_unique<ResumePoint>(summary_.exportRoot);
        }
        if (request_.writeManifest) {
            // Items of an mbox or of a calendar file are known by their offsets in it.
            const bool sharedFiles = request_.layout != MailboxLayout::Files ||
                                     request_.format == store::SaveFormat::Ics;
            const Manifest::Fields fields = production    ? Manifest::Fields::Review
                                            : sharedFiles ? Manifest::Fields::Offsets
                                                          : Manifest::Fields::Plain;
            manifest_ = std::make_unique<Manifest>(
                summary_.exportRoot, Manifest::Layout{fields, request_.recoverDeleted});
        }
        if (production && production->options().loadFile) {
            loadFile_ = std::make_unique<LoadFile>(summary_.exportRoot);
        }
    } catch (const WriteError& error) {
        throw PrepareError(error.what());
    }
}

// A resumed export for review passes over what its manifest and its load file both hold, and
// the copies left out whose document is still there; the load file keeps the rows of what it
// passes over, and the messages among them are originals again for the copies to come.
void ConversionRun::resumeProduction(Production& production) {
    const bool loadFile = production.options().loadFile;
    std::unordered_set<std::string> listed;
    ResumePoint::Checks checks;
    if (loadFile) {
        for (const auto& row : LoadFile::read(summary_.exportRoot + LoadFile::kFileName)) {
            listed.insert(row.begDoc);
        }
        checks.listed = &listed;
    }
    checks.keptElsewhere = [&](const std::string& id) { return production.isOriginal(id); };
    resumePoint_ = std::make_unique<ResumePoint>(summary_.exportRoot, checks);
    if (loadFile) LoadFile::keepOnly(summary_.exportRoot, resumePoint_->keptDocuments());
    for (const auto& [hash, id] : resumePoint_->keptOriginals()) production.written(hash, id);
}

bool ConversionRun::stopping() {
    if (stop_ && stop_->load()) summary_.stopped = true;
    return summary_.stopped;
}

bool ConversionRun::alreadyExported(store::MailItem& item) {
    if (!resumePoint_ || !resumePoint_->done(readOr([&] { return item.entryId(); }))) return false;
    summary_.itemsAlreadyExported += 1;
    progress_.itemAlreadyExported();
    return true;
}

// A vCard holds a contact only, so with vCards chosen anything else goes out as text.
store::SaveFormat ConversionRun::itemFormat() const {
    return request_.format == store::SaveFormat::Vcf ? store::SaveFormat::Txt : request_.format;
}

std::unique_ptr<FolderOutput> ConversionRun::openOutput(const std::vector<store::PathStep>& steps) {
    if (mailboxes_) return mailboxes_->open(steps);
    const auto directory = directories_->forFolder(steps);
    return std::make_unique<FolderOutput>(directory.path, directory.fresh);
}

bool ConversionRun::outsideDates(store::MailItem& item) {
    if (request_.dates.empty() || request_.dates.contains(readOr([&] { return item.facts(); }))) {
        return false;
    }
    summary_.itemsOutsideDates += 1;
    progress_.itemSkipped();
    return true;
}

void ConversionRun::reportDamage(store::Store& store) {
    for (std::string& what : readOr([&] { return store.damage(); })) {
        if (std::find(summary_.damage.begin(), summary_.damage.end(), what) !=
            summary_.damage.end()) {
            continue;
        }
        progress_.damageFound(what);
        summary_.damage.push_back(std::move(what));
    }
}

void ConversionRun::recoverUnreachable(store::Store& store, std::size_t number) {
    FolderRun current;
    current.format = itemFormat();
    current.displayName = kRecoveredItems;
    current.folderPath = std::string("\\\\") + kRecoveredItems;
    current.steps = {recoveredItemsStep()};
    current.recovered = "listed by no folder";
    std::unique_ptr<store::Items> items;
    int64_t count = 0;
    try {
        items = store.unreachableItems();
        count = items ? items->count() : 0;
    } catch (const std::exception& error) {
        summary_.damage.push_back(std::string("the file could not be searched for items no folder "
                                              "lists: ") +
                                  error.what());
        return progress_.damageFound(summary_.damage.back());
    }
    if (count == 0) return;
    // Items no folder lists are a damaged folder tree, also where no page failed its checks.
    summary_.damage.push_back(std::to_string(count) +
                              " items are listed by no folder that can "
                              "be reached");
    progress_.damageFound(summary_.damage.back());
    summary_.folders += 1;
    progress_.folderStarted(kRecoveredItems, number, number);
    try {
        current.output = openOutput(current.steps);
    } catch (const std::exception& error) {
        summary_.itemsFailed += count;
        return folderFailed(current, error.what());
    }
    const int64_t writtenBefore = summary_.itemsWritten;
    for (int64_t index = 1; index <= count && !stopping(); ++index, ++current.itemCounter) {
        std::unique_ptr<store::MailItem> item;
        try {
            item = items->item(index);
        } catch (const std::exception& error) {
            itemFailed(current, {}, error.what());
            continue;
        }
        exportByClass(std::move(item), count, current, false);
    }
    finishAll(current);
    summary_.itemsRecovered = summary_.itemsWritten - writtenBefore;
}

void ConversionRun::recoverDeleted(store::Store& store, std::size_t number) {
    store::DeletedItems found;
    try {
        found = store.deletedItems();
    } catch (const std::exception& error) {
        summary_.damage.push_back(std::string("the file could not be searched for deleted "
                                              "items: ") +
                                  error.what());
        return progress_.damageFound(summary_.damage.back());
    }
    summary_.deletedOverwritten += found.overwritten;
    for (std::size_t i = 0; i < found.groups.size() && !stopping(); ++i) {
        recoverGroup(found.groups[i], number + i);
    }
}

void ConversionRun::recoverGroup(store::DeletedItems::Group& group, std::size_t number) {
    FolderRun current;
    current.format = itemFormat();
    current.steps = {recoveredItemsStep(), deletedItemsStep()};
    current.steps.insert(current.steps.end(), group.folder.begin(), group.folder.end());
    current.displayName = std::string(kRecoveredItems) + "\\" + kDeletedItems;
    for (const store::PathStep& step : group.folder) current.displayName += "\\" + step.name;
    current.folderPath = "\\\\" + current.displayName;
    const int64_t count = group.items ? readOr([&] { return group.items->count(); }) : 0;
    if (count == 0) return;
    summary_.folders += 1;
    progress_.folderStarted(current.displayName, number, number);
    try {
        current.output = openOutput(current.steps);
    } catch (const std::exception& error) {
        summary_.itemsFailed += count;
        return folderFailed(current, error.what());
    }
    const int64_t writtenBefore = summary_.itemsWritten;
    for (int64_t index = 1; index <= count && !stopping(); ++index, ++current.itemCounter) {
        const auto at = static_cast<std::size_t>(index - 1);
        current.recovered = at < group.how.size() ? group.how[at] : "recovered";
        std::unique_ptr<store::MailItem> item;
        try {
            item = group.items->item(index);
        } catch (const std::exception& error) {
            itemFailed(current, {}, error.what());
            continue;
        }
        // Recovered items are saved as a message folder's are, contacts as vCards.
        exportByClass(std::move(item), count, current, false);
    }
    finishAll(current);
    summary_.deletedRecovered += summary_.itemsWritten - writtenBefore;
}

void ConversionRun::exportFolder(store::Store& store, const store::FolderRef& ref,
                                 std::size_t number, std::size_t folders) {
    FolderRun current;
    // What the reference tells of its folder when the store cannot find it.
    current.displayName = store::shownPath(ref.path);
    std::unique_ptr<store::Folder> folder;
    try {
        folder = store.folderFromId(ref.entryId);
    } catch (const std::exception& error) {
        return folderFailed(current, std::string("the folder was not found: ") + error.what());
    }
    if (!folder) return folderFailed(current, "the folder was not found");

    progress_.folderStarted(readOr([&] { return folder->name(); }, current.displayName), number,
                            folders);
    std::string folderPath;
    try {
        folderPath = folder->folderPath();
        current.steps = folder->pathSteps();
    } catch (const std::exception& error) {
        return folderFailed(current, std::string("its path could not be read: ") + error.what());
    }
    current.displayName = folderPath.size() > 2 ? folderPath.substr(2) : current.displayName;
    current.folderPath = folderPath;
    const std::string folderClass = readOr([&] { return folder->defaultMessageClass(); });
    const bool contacts = folderClass == kContactClass;
    // vCards hold contacts, iCalendar files events, tasks and journal entries: a folder of
    // another kind is passed over whole, and the summary says so.
    const store::FolderKind kind = store::folderKindOf(folderClass);
    const bool calendarKind = kind == store::FolderKind::Calendar ||
                              kind == store::FolderKind::Tasks ||
                              kind == store::FolderKind::Journal;
    const bool otherKind =
        !contacts && (request_.format == store::SaveFormat::Vcf ||
                      (request_.format == store::SaveFormat::Ics && !calendarKind));
    // An iCalendar export, and a mailbox export's calendar and task folders, write each such
    // folder as one calendar file.
    const bool mailboxCalendar =
        mailboxes_ && (kind == store::FolderKind::Calendar || kind == store::FolderKind::Tasks);
    const bool calendarFile =
        mailboxCalendar || (request_.format == store::SaveFormat::Ics && calendarKind);
    current.format = calendarFile ? store::SaveFormat::Ics : itemFormat();
    try {
        if (mailboxCalendar) {
            current.output = mailboxes_->openCalendar(current.steps);
        } else if (calendarFile) {
            const auto directory = directories_->forFolder(current.steps);
            current.output = std::make_unique<CalendarFileOutput>(
                directory.path, directory.fresh, readOr([&] { return folder->name(); }));
        } else {
            current.output = openOutput(current.steps);
        }
    } catch (const std::exception& error) {
        // Every item the folder would have given is lost with it.
        if (!otherKind) {
            summary_.itemsFailed += readOr([&] { return folder->items()->count(); }, int64_t{0});
        }
        return folderFailed(current, error.what());
    }
    if (contacts) {
        contactLoop(*folder, current);
    } else if (!otherKind) {
        messageLoop(*folder, current);
    } else if (const int64_t count = readOr([&] { return folder->items()->count(); }, int64_t{0});
               count > 0) {
        summary_.itemsOfOtherKinds += count;
        summary_.foldersOfOtherKinds.push_back(current.displayName);
    }
}

void ConversionRun::contactLoop(store::Folder& folder, FolderRun& current) {
    std::unique_ptr<store::Items> items;
    int64_t count = 0;
    try {
        items = folder.items();
        count = items->count();
    } catch (const std::exception& error) {
        return folderFailed(current, std::string("its items could not be read: ") + error.what());
    }
    for (int64_t index = 1; index <= count && !stopping(); ++index, ++current.itemCounter) {
        std::unique_ptr<store::MailItem> item;
        try {
            item = items->item(index);
            if (!item) throw store::StoreError("no item at this position");
        } catch (const std::exception& error) {
            itemFailed(current, {}, error.what());
            continue;
        }
        exportByClass(std::move(item), count, current, true);
    }
    finishAll(current);
}

void ConversionRun::exportByClass(std::unique_ptr<store::MailItem> item, int64_t count,
                                  FolderRun& current, bool inContactFolder) {
    if (alreadyExported(*item)) return;
    const std::string cls = readOr([&] { return item->messageClass(); });
    // A contact folder passes its distribution lists over, or keeps them as groups; recovered
    // ones are kept.
    // For evidence, with .msg chosen, every item of a contact folder is a .msg file.
    const bool asMsg = request_.forensic && request_.format == store::SaveFormat::Msg;
    if (inContactFolder && cls == kDistListClass && !asMsg) {
        if (request_.distributionListsAsGroups) return exportGroup(std::move(item), count, current);
        summary_.itemsSkipped += 1;
        return progress_.itemSkipped();
    }
    if (store::isContactClass(cls) && !asMsg) {
        return exportContact(std::move(item), count, current);
    }
    // Anything else is saved as a message folder's items are.
    exportMessage(std::move(item), count, current, current.format);
}

void ConversionRun::exportContact(std::unique_ptr<store::MailItem> item, int64_t count,
                                  FolderRun& current) {
    std::string caption;
    try {
        store::ContactItem& contact = item->asContact();
        caption = readOr([&] { return contact.firstName(); }) + " " +
                  readOr([&] { return contact.lastName(); });
    } catch (const std::exception& error) {
        return itemFailed(current, {}, std::string("not a contact: ") + error.what());
    }
    progress_.itemStarted(caption, current.itemCounter, count);
    // Contact folders always yield vCards, whatever format was chosen. The file is named after
    // the name without the blank that joins its parts where one is missing, so that no file
    // name starts or ends with a blank.
    startItem(std::move(item), current, caption, store::SaveFormat::Vcf, base::trimmed(caption));
}

void ConversionRun::exportGroup(std::unique_ptr<store::MailItem> item, int64_t count,
                                FolderRun& current) {
    const std::string name = readOr([&] { return item->subject(); });
    progress_.itemStarted(name, current.itemCounter, count);
    startItem(std::move(item), current, name, store::SaveFormat::Vcf, name);
}

void ConversionRun::messageLoop(store::Folder& folder, FolderRun& current) {
    std::unique_ptr<store::Items> items;
    std::unique_ptr<store::ItemEnumerator> enumerator;
    try {
        items = folder.items();
        enumerator = items->enumerate();
    } catch (const std::exception& error) {
        return folderFailed(current, std::string("its items could not be read: ") + error.what());
    }
    // An enumerator that keeps failing in place would never end; more failures in a row than
    // the folder has items means it is stuck.
    int64_t count = readOr([&] { return items->count(); }, int64_t{0});
    const int64_t stuckAfter = std::max<int64_t>(count, 0) + 1;
    int64_t failuresInARow = 0;
    for (; !stopping(); ++current.itemCounter) {
        std::unique_ptr<store::MailItem> item;
        try {
            item = enumerator->next();
        } catch (const std::exception& error) {
            itemFailed(current, {}, error.what());
            if (++failuresInARow > stuckAfter) {
                return folderFailed(current, "its items could not be read to the end");
            }
            continue;
        }
        if (!item) break;
        failuresInARow = 0;
        // The count is read anew for every item, so the display follows a changing folder.
        count = readOr([&] { return items->count(); }, count);
        if (alreadyExported(*item)) continue;
        exportMessage(std::move(item), count, current, current.format);
    }
    finishAll(current);
}

void ConversionRun::exportMessage(std::unique_ptr<store::MailItem> item, int64_t count,
                                  FolderRun& current, store::SaveFormat format) {
    if (outsideDates(*item)) return;
    const std::string subject = readOr([&] { return item->subject(); });
    progress_.itemStarted(subject, current.itemCounter, count);
    startItem(std::move(item), current, subject, format, subject);
}

void ConversionRun::startItem(std::unique_ptr<store::MailItem> item, FolderRun& current,
                              const std::string& caption, store::SaveFormat format,
                              const std::string& nameSource) {
    Pending job;
    job.item = std::move(item);
    job.caption = caption;
    job.recovered = current.recovered;
    job.stem = fileStem(nameSource);
    const formats::OutputFormat& output = formats::outputFormatOf(format);
    job.extension = output.extension;
    try {
        job.scratch = current.output->reserveScratch(job.extension);
    } catch (const std::exception& error) {
        return itemFailed(current, caption, error.what());
    }
    job.rendered = std::make_shared<Rendered>();
    // A page's attachments take their names here, in item order; the worker writes them. A
    // load file lists every attachment as a document of its own, so they go beside every item.
    const bool loadFile = loadFile_ != nullptr;
    if (output.attachmentsBeside || loadFile) {
        job.rendered->attachments = claimAttachments(*job.item, *current.output);
    }
    // The item's file and, for a page, its attachments are written under scratch names; they
    // get their names on the run's thread, in item order (here for a page's attachments,
    // finishOldest for the item's file).
    // A message of a mailbox export goes into its mailbox's form as it is written.
    const bool mailboxMessage = mailboxes_ && format == store::SaveFormat::Eml;
    auto render = [item = job.item, scratch = job.scratch, format, rendered = job.rendered,
                   hash = manifest_ != nullptr, stop = stop_,
                   layout = mailboxMessage ? request_.layout : MailboxLayout::Files,
                   page = output.attachmentsBeside, review = request_.production != nullptr,
                   loadFile, asStored = request_.forensic]() mutable {
        // A stopped run finishes what is being written and starts nothing more.
        if (stop && stop->load()) {
            rendered->cancelled = true;
            return;
        }
        if (review) {
            // What cannot be read leaves the row's field empty; no hash, no copy.
            rendered->facts = readOr([&] { return item->documentFacts(); });
            rendered->contentHash = readOr([&] { return item->contentHash(); });
        }
        formats::WriteNotes notes;
        std::optional<formats::MsgTypesAsStored> typesAsStored;
        if (asStored) typesAsStored.emplace();
        if (layout != MailboxLayout::Files) {
            writeMailboxMessage(*item, layout, scratch, hash, rendered->sha256);
        } else if (page || !rendered->attachments.empty()) {
            rendered->sha256 =
                renderPage(*item, format, rendered->attachments, scratch, hash, page);
        } else if (hash) {
            rendered->sha256 = item->saveAsHashed(scratch, format);
        } else {
            item->saveAs(scratch, format);
        }
        rendered->leftOut = notes.take();
        if (loadFile) {
            rendered->digests = base::digestsOfFile(scratch);
            for (RenderedAttachment& a : rendered->attachments) {
                if (a.failure.empty()) a.digests = base::digestsOfFile(a.file.scratch);
            }
        }
    };
    if (pool_) {
        job.done = pool_->submit(render);
    } else {
        std::packaged_task<void()> here(render);
        job.done = here.get_future();
        here();
    }
    pending_.push_back(std::move(job));
    // Enough items in flight that the workers still have work while this thread waits for a
    // slow one (a large attachment) to name it in order; with 8 a worker they ran dry 2,000
    // times in 20,000 items. Few enough to hold little memory: an item waiting here holds its
    // properties only.
    const size_t inFlight = pool_ ? 64 * static_cast<size_t>(renderThreads_) : 0;
    while (pending_.size() > inFlight) finishOldest(current);
}

void ConversionRun::finishOldest(FolderRun& current) {
    Pending job = std::move(pending_.front());
    pending_.pop_front();
    FolderOutput& output = *current.output;
    const Rendered& rendered = *job.rendered;
    try {
        job.done.get();
    } catch (const std::exception& error) {
        output.discard(job.scratch);
        discardAttachments(rendered.attachments, output);
        return itemFailed(current, job.caption, error.what());
    }
    if (rendered.cancelled) {
        output.discard(job.scratch);
        discardAttachments(rendered.attachments, output);
        return;
    }
    try {
        placeItem(job, current);
    } catch (const std::exception& error) {
        // Nothing of the item is in its place, nor in the manifest.
        output.discard(job.scratch);
        discardAttachments(rendered.attachments, output);
        itemFailed(current, job.caption, error.what());
    }
}

void ConversionRun::placeItem(Pending& job, FolderRun& current) {
    if (leaveOutCopy(job, current)) return;
    const std::string document = placeFiles(job, current);
    // Once written, a message is the original of any copy of it to come; a recovered one is
    // not, so that no item of a folder is left out for what the file held beside its folders.
    if (request_.production && job.recovered.empty()) {
        request_.production->written(job.rendered->contentHash, document);
    }
    // An item written without part of it is named once it is in its place.
    if (job.rendered->leftOut.empty()) return;
    std::string what;
    for (const std::string& w : job.rendered->leftOut) what += (what.empty() ? "" : "; ") + w;
    summary_.itemsWrittenInPart.push_back(current.displayName + "\\" + job.caption + ": " + what);
}

// A message whose content hash is that of one written before in the run is not written again:
// it is recorded with the document it duplicates, under its own folder and custodian. A
// recovered item (deleted, an earlier version, listed by no folder) is always written: what
// was deleted may be the very thing looked for, so it is never left out as a copy.
bool ConversionRun::leaveOutCopy(Pending& job, FolderRun& current) {
    Production* production = request_.production;
    const Rendered& rendered = *job.rendered;
    if (!production || !production->options().dedupe || rendered.contentHash.empty() ||
        !job.recovered.empty()) {
        return false;
    }
    const std::optional<std::string> original = production->originalOf(rendered.contentHash);
    if (!original) return false;
    const std::string entryId = readOr([&] { return job.item->entryId(); });
    const std::string subject = readOr([&] { return job.item->subject(); });
    const std::string id = production->nextId();
    if (loadFile_) {
        LoadFile::Document copy = loadFileDocument(rendered.facts, subject);
        copy.begDoc = copy.endDoc = copy.begAttach = copy.endAttach = id;
        copy.duplicateOf = *original;
        copy.custodian = request_.custodian;
        copy.folderPath = current.folderPath;
        copy.entryId = entryId;
        copy.contentHash = rendered.contentHash;
        loadFile_->record({copy});
    }
    try {
        if (manifest_) {
            Manifest::Entry line{entryId, current.folderPath, subject, {}, 0, {}};
            line.docId = id;
            line.duplicateOf = *original;
            line.custodian = request_.custodian;
            line.contentHash = rendered.contentHash;
            manifest_->record({line});
        }
    } catch (...) {
        if (loadFile_) loadFile_->retract();
        throw;
    }
    current.output->discard(job.scratch);
    discardAttachments(rendered.attachments, *current.output);
    summary_.copiesLeftOut += 1;
    progress_.itemSkipped();
    return true;
}

std::string ConversionRun::placeFiles(Pending& job, FolderRun& current) {
    FolderOutput& output = *current.output;
    std::optional<ReviewRecord> review;
    if (request_.production) {
        const Rendered& r = *job.rendered;
        review.emplace(ReviewRecord{*request_.production, loadFile_.get(), request_.custodian,
                                    r.facts, r.contentHash, r.digests, r.attachments});
    }
    ItemLedger ledger(manifest_.get(), *job.item, current.folderPath, job.recovered, review);

    int32_t number = 0;
    FolderOutput::Placing file{
        job.scratch,
        [&](int attempt) { return itemFileName(job.stem, job.extension, attempt, number, draw_); },
        job.rendered->sha256};
    if (job.rendered->attachments.empty()) {
        const auto written = output.place(std::move(file), ledger, job.item.get());
        summary_.itemsWritten += 1;
        summary_.bytesWritten += written.bytes;
        progress_.itemWritten(written.path, written.bytes);
        return ledger.documentId();
    }
    // A page and its attachments take their names, and their lines, together.
    const SavedAttachments saved =
        placeWithAttachments(file, job.rendered->attachments, output, ledger);
    for (const auto& failure : saved.failures) {
        summary_.attachmentsFailed += 1;
        markFailed(current);
        progress_.attachmentFailed(failure.fileName, failure.reason);
    }
    summary_.itemsWritten += 1;
    summary_.bytesWritten += saved.page.bytes + saved.bytes;
    summary_.attachmentsWritten += saved.written;
    progress_.itemWritten(saved.page.path, saved.page.bytes);
    return ledger.documentId();
}

void ConversionRun::finishAll(FolderRun& current) {
    while (!pending_.empty()) finishOldest(current);
}

void ConversionRun::markFailed(FolderRun& current) {
    if (current.failed) return;
    current.failed = true;
    summary_.failedFolders.push_back(current.displayName);
}

void ConversionRun::itemFailed(FolderRun& current, const std::string& caption,
                               const std::string& reason) {
    summary_.itemsFailed += 1;
    markFailed(current);
    progress_.itemFailed(caption, reason);
}

void ConversionRun::folderFailed(FolderRun& current, const std::string& reason) {
    markFailed(current);
    progress_.folderFailed(current.displayName, reason);
}

}  // namespace pellmark::exporting
