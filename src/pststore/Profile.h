#pragma once
// The component's profile: the data files it offers as configured mailboxes. A text file
// `pellmark/profile` in the XDG config directory, one path a line; blank lines and lines
// starting with ';' are ignored. Only the component reads it.

#include <filesystem>
#include <string>
#include <vector>

namespace pellmark::pststore {

// $XDG_CONFIG_HOME/pellmark/profile, or ~/.config/pellmark/profile.
std::filesystem::path profilePath();

// The profile's data file paths. No profile file: no paths. A profile that exists but cannot
// be read throws store::StoreError.
std::vector<std::string> readProfile(const std::filesystem::path& path = profilePath());

}  // namespace pellmark::pststore
