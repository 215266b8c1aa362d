#pragma once
// The component's profile: the data files it offers as configured mailboxes. A text file
// `pellmark/profile` in the XDG config directory, one path a line; blank lines and lines
// starting with ';' are ignored. Only the component reads and writes it.

#include <filesystem>
#include <string>
#include <vector>

namespace pellmark::pststore {

// $XDG_CONFIG_HOME/pellmark/profile, or ~/.config/pellmark/profile.
std::filesystem::path profilePath();

// The profile's data file paths. No profile file: no paths. A profile that exists but cannot
// be read throws store::StoreError.
std::vector<std::string> readProfile(const std::filesystem::path& path = profilePath());

enum class Remembered { Added, AlreadyListed };

// Adds the data file `dataFile` (an absolute path) to the profile as its last line, unless the
// profile lists that file already; a new profile starts with a comment saying what it is. The
// line is appended under a lock, so the lines already there (and those another program adds
// meanwhile) are never lost. Throws store::StoreError, writing nothing, when the profile
// exists but cannot be read, when the path cannot be kept as one profile line, or when
// writing fails.
Remembered rememberDataFile(const std::filesystem::path& dataFile,
                            const std::filesystem::path& path = profilePath());

}  // namespace pellmark::pststore
