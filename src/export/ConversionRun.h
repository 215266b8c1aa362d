#pragma once
// The export itself: logs on to the mail store, finds the chosen mailbox again and writes
// every item of each chosen folder to one file, in a directory tree below the export root that
// mirrors the mailbox. Knows nothing of windows; it reports through RunProgress, so the
// conversion window and the command line are two displays of the same run.

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "export/DateRange.h"
#include "export/FolderSelection.h"
#include "export/MailboxLayout.h"
#include "export/RunProgress.h"
#include "export/RunSummary.h"
#include "store/FolderRef.h"
#include "store/FolderWalk.h"
#include "store/MailStore.h"

namespace pellmark::exporting {

class FolderOutput;
class Production;

// What a run does where the export root holds an earlier export.
enum class EarlierExport {
    Refuse,       // does not start
    Resume,       // finishes it: the same format of the same mailbox, passing over the items
                  // its manifest lists as written whole
    WriteBeside,  // writes a second export beside it, replacing nothing (the window's way)
};

struct RunRequest {
    // The mailbox: found again by its entry identifier in a session of the run's own, unless
    // the caller hands it over opened (`mailbox`).
    std::string storeId;
    // The folders to export, in order (empty references are passed over), and those the
    // caller's walk could not read: failures of the run too.
    FolderSelection selection;
    std::string outputDirectory;  // the directory the user chose
    store::SaveFormat format = store::SaveFormat::Msg;
    // The mailbox opened by the caller, which outlives the run; null: the run opens it.
    store::Store* mailbox = nullptr;
    // Keep export-manifest.tsv in the export root (see Manifest).
    bool writeManifest = true;
    EarlierExport earlier = EarlierExport::WriteBeside;
    // Each folder as a mailbox of a mail program (with `format` Eml); see MailboxOutput.
    MailboxLayout layout = MailboxLayout::Files;
    // Messages dated outside are passed over; contacts are always kept.
    DateRange dates = {};
    // A contact folder's distribution lists as vCard groups beside its contacts; otherwise they
    // are passed over (and counted).
    bool distributionListsAsGroups = false;
    // Also what the file still holds of deleted items and of replaced versions of its items
    // (Store::deletedItems), into "Recovered items/Deleted/<the folder that held them>"; the
    // manifest says how each recovered item was found.
    bool recoverDeleted = false;
    // For evidence: .msg files keep every string in the type the item stores it in
    // (formats::MsgTypesAsStored), and with .msg chosen contacts are .msg files too, which keep
    // every property a vCard leaves out.
    bool forensic = false;
    // An export for review (a load file, copies of messages left out), shared by the
    // mailboxes of one run, which outlives it; null: a plain export.
    Production* production = nullptr;
    // The custodian the mailbox's documents are listed under.
    std::string custodian = {};
};

// The run could not start: no export root, no session or logon, no such mailbox, an export
// root that another run holds or whose earlier export the request refuses. what() is a
// sentence for the user; `why` lets a front end add how to go on.
class PrepareError : public std::runtime_error {
  public:
    enum class Why { Other, RootBusy, HoldsAnExport, NothingToResume, AnotherExport };
    explicit PrepareError(const std::string& what, Why why = Why::Other)
        : std::runtime_error(what), why_(why) {}
    Why why() const { return why_; }

  private:
    Why why_;
};

class ConversionRun {
  public:
    ConversionRun(store::SessionFactory& sessions, RunRequest request, RunProgress& progress);
    ~ConversionRun();

    // Draws the number of each file name: randomBetween(1, 40000) unless replaced.
    void setNumberSource(std::function<int32_t()> draw) { draw_ = std::move(draw); }
    // Renders up to `threads` items at once, HTML pages with their attachments. Names, numbers
    // and progress stay on the run's thread and in item order. By default every core of the
    // machine when the store's items can save concurrently, else 1: on the run's own thread.
    void setRenderThreads(unsigned threads) { renderThreads_ = threads; }
    // Once `*stop` is true the run finishes the items being written, starts no other and
    // returns its summary marked stopped. `stop` outlives the run.
    void setStopFlag(const std::atomic<bool>* stop) { stop_ = stop; }

    // Throws PrepareError when the run cannot start; after that, whatever fails is skipped,
    // reported to the progress and counted in the summary, and the run goes on.
    RunSummary run();

    // The export root once the run has worked it out (also after a PrepareError), else empty.
    const std::string& exportRoot() const { return summary_.exportRoot; }

  private:
    struct FolderRun;
    struct Rendered;
    struct Pending;

    void prepareRoot();
    void exportMailbox(store::Store& store);
    void checkEarlierExport(store::Store& store);
    void exportFolder(store::Store& store, const store::FolderRef& ref, std::size_t number,
                      std::size_t folders);
    void contactLoop(store::Folder& folder, FolderRun& current);
    void recoverUnreachable(store::Store& store, std::size_t number);
    void recoverDeleted(store::Store& store, std::size_t number);
    void recoverGroup(store::DeletedItems::Group& group, std::size_t number);
    void reportDamage(store::Store& store);
    void exportByClass(std::unique_ptr<store::MailItem> item, int64_t count, FolderRun& current,
                       bool inContactFolder);
    void messageLoop(store::Folder& folder, FolderRun& current);
    void exportContact(std::unique_ptr<store::MailItem> item, int64_t count, FolderRun& current);
    void exportGroup(std::unique_ptr<store::MailItem> item, int64_t count, FolderRun& current);
    void exportMessage(std::unique_ptr<store::MailItem> item, int64_t count, FolderRun& current,
                       store::SaveFormat format);
    bool stopping();
    bool alreadyExported(store::MailItem& item);
    std::unique_ptr<FolderOutput> openOutput(const std::vector<store::PathStep>& steps);
    store::SaveFormat itemFormat() const;
    bool outsideDates(store::MailItem& item);
    // Renders the item (on a worker when there are any); finishOldest names and reports it.
    void startItem(std::unique_ptr<store::MailItem> item, FolderRun& current,
                   const std::string& caption, store::SaveFormat format,
                   const std::string& nameSource);
    void finishOldest(FolderRun& current);
    void placeItem(Pending& job, FolderRun& current);
    bool leaveOutCopy(Pending& job, FolderRun& current);
    void resumeProduction(Production& production);
    // Returns the item's document id when the export is for review.
    std::string placeFiles(Pending& job, FolderRun& current);
    void finishAll(FolderRun& current);
    void markFailed(FolderRun& current);
    void itemFailed(FolderRun& current, const std::string& caption, const std::string& reason);
    void folderFailed(FolderRun& current, const std::string& reason);

    store::SessionFactory& sessions_;
    RunRequest request_;
    RunProgress& progress_;
    std::function<int32_t()> draw_;
    RunSummary summary_;
    unsigned renderThreads_;
    std::unique_ptr<class WorkerPool> pool_;
    std::unique_ptr<class ExportRoot> root_;
    std::unique_ptr<class OutputDirectories> directories_;
    std::unique_ptr<class MailboxFolders> mailboxes_;
    std::unique_ptr<class Manifest> manifest_;
    std::unique_ptr<class LoadFile> loadFile_;
    std::unique_ptr<class ResumePoint> resumePoint_;
    const std::atomic<bool>* stop_ = nullptr;
    std::deque<Pending> pending_;
};

}  // namespace pellmark::exporting
