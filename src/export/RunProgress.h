#pragma once
// What a conversion run reports while it works. The conversion window shows it in its labels,
// the command line as a progress bar; both yield to their event loops in these calls. Every
// call has an empty default so a display takes only what it shows.

#include <cstdint>
#include <string>

namespace pellmark::exporting {

class RunProgress {
  public:
    virtual ~RunProgress() = default;

    // The run checks its configuration: export root, logon, store.
    virtual void preparing() {}
    // The export root exists.
    virtual void rootPrepared(const std::string& /*exportRoot*/) {}
    virtual void loggedOn() {}

    // `number` counts the folders of the run from 1; `folders` is how many were asked for.
    virtual void folderStarted(const std::string& /*name*/, std::size_t /*number*/,
                               std::size_t /*folders*/) {}
    // A folder that could not be exported in full (looked up, its directory made, its items
    // listed).
    virtual void folderFailed(const std::string& /*name*/, const std::string& /*reason*/) {}

    // `caption` is the subject, or the contact's "first last"; `counter` runs from 1 over the
    // folder's items and `count` is the folder's item count.
    virtual void itemStarted(const std::string& /*caption*/, int64_t /*counter*/,
                             int64_t /*count*/) {}
    // Each item ends with exactly one of these three.
    virtual void itemWritten(const std::string& /*path*/, uint64_t /*bytes*/) {}
    virtual void itemFailed(const std::string& /*caption*/, const std::string& /*reason*/) {}
    // A distribution list in a contact folder, or a message outside the run's dates: counted,
    // not written.
    virtual void itemSkipped() {}
    // An item a resumed run finds written whole before; it ends with nothing else.
    virtual void itemAlreadyExported() {}

    virtual void attachmentFailed(const std::string& /*fileName*/, const std::string& /*reason*/) {}

    // Damage of the mailbox file: a file cut short, a damaged index. Reported as soon as it is
    // found, once each.
    virtual void damageFound(const std::string& /*what*/) {}
};

}  // namespace pellmark::exporting
