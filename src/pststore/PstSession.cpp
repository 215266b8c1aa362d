#include "pststore/PstSession.h"

#include "pststore/EntryId.h"
#include "pststore/Profile.h"
#include "pststore/PstStore.h"

namespace pellmark::pststore {
namespace {

class ProfileStoreEnumerator : public store::StoreEnumerator {
  public:
    explicit ProfileStoreEnumerator(std::vector<std::string> paths) : paths_(std::move(paths)) {}

    std::unique_ptr<store::Store> next() override {
        if (pos_ >= paths_.size()) return nullptr;
        std::error_code ec;
        auto path = std::filesystem::absolute(paths_[pos_++], ec).lexically_normal();
        // The file is opened only when the store is asked for its name or second text.
        return std::make_unique<PstStore>(path.string());
    }

  private:
    std::vector<std::string> paths_;
    size_t pos_ = 0;
};

}  // namespace

std::unique_ptr<store::StoreEnumerator> PstStores::enumerate() {
    session_.requireLogon();
    return std::make_unique<ProfileStoreEnumerator>(session_.profileStores());
}

std::unique_ptr<store::Store> PstStores::add(const std::string& path) {
    session_.requireLogon();
    if (path.empty()) throw store::StoreError("no data file given");
    std::unique_ptr<PstStore> store = openStore(path);
    session_.keepAdded(store->dataFilePath());
    return store;
}

std::unique_ptr<store::Store> PstStores::storeFromId(const std::string& entryId) {
    session_.requireLogon();
    auto path = storePathFromEntryId(entryId);
    if (!path) throw store::StoreError("not a store entry identifier: " + entryId);
    return openStore(*path);
}

PstSession::PstSession(std::filesystem::path profile, AddedFiles added)
    : profile_(profile.empty() ? profilePath() : std::move(profile)),
      added_(added),
      stores_(*this) {}

PstSession::PstSession(NoProfile) : readsProfile_(false), stores_(*this) {}

void PstSession::logon() {
    if (readsProfile_) profileStores_ = readProfile(profile_);
    loggedOn_ = true;
}

store::Stores& PstSession::stores() {
    requireLogon();
    return stores_;
}

std::unique_ptr<store::Store> PstSession::storeFromId(const std::string& entryId) {
    return stores_.storeFromId(entryId);
}

void PstSession::logoff() {
    loggedOn_ = false;
    profileStores_.clear();
}

void PstSession::keepAdded(const std::string& absolutePath) {
    if (!readsProfile_ || added_ != AddedFiles::Kept) return;
    try {
        rememberDataFile(absolutePath, profile_);
    } catch (const std::exception&) {
        // Only a convenience for the next time: the file is open whether or not it is kept.
    }
}

void PstSession::requireLogon() const {
    if (!loggedOn_) throw store::StoreError("the session is not logged on");
}

}  // namespace pellmark::pststore
