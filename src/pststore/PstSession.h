#pragma once
// The component's session over the PST reader. Logon reads the profile; stores are found again
// from their entry ids alone, so every session of a run (and of any later run) finds a store
// that an earlier one listed or added.

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "store/MailStore.h"

namespace pellmark::pststore {

class PstSession;

// Marks a session that reads no profile: it offers no configured stores and its logon cannot
// fail (the command line exports the file it is given, whatever the profile holds).
struct NoProfile {};

// Whether a data file added to a session (opened by its path) becomes one of the profile's
// configured mailboxes, as a data file opened in Outlook joins its profile. The desktop program
// keeps them; tests and tools leave the profile alone.
enum class AddedFiles { NotKept, Kept };

class PstStores : public store::Stores {
  public:
    explicit PstStores(PstSession& session) : session_(session) {}
    std::unique_ptr<store::StoreEnumerator> enumerate() override;
    std::unique_ptr<store::Store> add(const std::string& path) override;
    std::unique_ptr<store::Store> storeFromId(const std::string& entryId) override;

  private:
    PstSession& session_;
};

class PstSession : public store::Session {
  public:
    // `profile` is the profile file to read at logon (the XDG one when empty).
    explicit PstSession(std::filesystem::path profile = {}, AddedFiles added = AddedFiles::NotKept);
    explicit PstSession(NoProfile);

    void logon() override;
    store::Stores& stores() override;
    std::unique_ptr<store::Store> storeFromId(const std::string& entryId) override;
    void logoff() override;

    const std::vector<std::string>& profileStores() const { return profileStores_; }
    void requireLogon() const;
    // Adds an opened data file to the profile when this session keeps added files. A profile
    // that cannot be read or written is left as it is: the file stays open all the same.
    void keepAdded(const std::string& absolutePath);

  private:
    std::filesystem::path profile_;
    bool readsProfile_ = true;
    AddedFiles added_ = AddedFiles::NotKept;
    std::vector<std::string> profileStores_;
    bool loggedOn_ = false;
    PstStores stores_;
};

class PstSessionFactory : public store::SessionFactory {
  public:
    static constexpr NoProfile kNoProfile{};

    explicit PstSessionFactory(std::filesystem::path profile = {},
                               AddedFiles added = AddedFiles::NotKept)
        : profile_(std::move(profile)), added_(added) {}
    explicit PstSessionFactory(NoProfile) : readsProfile_(false) {}
    std::unique_ptr<store::Session> create() override {
        return readsProfile_ ? std::make_unique<PstSession>(profile_, added_)
                             : std::make_unique<PstSession>(NoProfile{});
    }
    // The reader's caches are locked; each item reads and writes its own file.
    bool savesConcurrently() const override { return true; }

  private:
    std::filesystem::path profile_;
    bool readsProfile_ = true;
    AddedFiles added_ = AddedFiles::NotKept;
};

}  // namespace pellmark::pststore
