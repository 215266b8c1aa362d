#pragma once
// Boundaries and made-up content ids that come from the item rather than from chance, so that
// the same item written twice gives the same bytes. While a scope is open on a thread, each id
// is a hash of the scope's seed (text of the item, such as its headers) and a counter that runs
// through the whole write, embedded messages included, so no two ids of one file are alike.

#include <cstdint>
#include <string>
#include <string_view>

namespace pellmark::formats {

class MimeIdScope {
  public:
    // Opens the thread's scope, seeded by `seed`. Inside a scope already open (the build of an
    // embedded message) it does nothing, so the outer counter runs on.
    explicit MimeIdScope(std::string_view seed);
    ~MimeIdScope();
    MimeIdScope(const MimeIdScope&) = delete;
    MimeIdScope& operator=(const MimeIdScope&) = delete;

    // The next id of the thread's scope: 24 lower-case hex digits. Outside any scope the ids
    // come from an empty seed and a counter of the thread's that never restarts.
    static std::string next();

  private:
    bool opened_ = false;
};

}  // namespace pellmark::formats
