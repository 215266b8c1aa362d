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
    explicit PstSession(std::filesystem::path profile = {});
    explicit PstSession(NoProfile);

    void logon() override;
    store::Stores& stores() override;
    std::unique_ptr<store::Store> storeFromId(const std::string& entryId) override;
    void logoff() override;

    const std::vector<std::string>& profileStores() const { return profileStores_; }
    void requireLogon() const;

  private:
    std::filesystem::path profile_;
    bool readsProfile_ = true;
    std::vector<std::string> profileStores_;
    bool loggedOn_ = false;
    PstStores stores_;
};

class PstSessionFactory : public store::SessionFactory {
  public:
    static constexpr NoProfile kNoProfile{};

    explicit PstSessionFactory(std::filesystem::path profile = {}) : profile_(std::move(profile)) {}
    explicit PstSessionFactory(NoProfile) : readsProfile_(false) {}
    std::unique_ptr<store::Session> create() override {
        return readsProfile_ ? std::make_unique<PstSession>(profile_)
                             : std::make_unique<PstSession>(NoProfile{});
    }
    // The reader's caches are locked; each item reads and writes its own file.
    bool savesConcurrently() const override { return true; }

  private:
    std::filesystem::path profile_;
    bool readsProfile_ = true;
};

}  // namespace pellmark::pststore
