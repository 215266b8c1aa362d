#pragma once
// Where exported files go and what they are called. The export root sits in the chosen
// directory; below it one directory per folder follows the folder's path in the mailbox, and
// each item is a file named after its subject (or a contact's name) plus a number.
//
// Names from the mailbox are untrusted: folder and attachment names, subjects. Everything built
// here is a single path component that cannot climb out of its directory and fits the 255-byte
// limit of Linux file systems.

#include <cstdint>
#include <functional>
#include <string>

namespace pellmark::exporting {

inline constexpr const char* kExportDirectoryName = "Converted Outlook PST";
inline constexpr std::size_t kMaxNameBytes = 255;

// The user's directory, then "Converted Outlook PST/", never with a doubled "/".
std::string exportRootFor(const std::string& chosenDirectory);

// The subject or contact name with every ':', '?', '\', '/', '*', '"', '<', '>' and '|'
// removed, control characters replaced and invisible format characters (bidirectional
// overrides, zero-width characters) dropped; a leading '.' gets a '_' in front, so no file is
// hidden. Blanks and case stay.
std::string fileStem(const std::string& source);

// `text` cut to at most `maxBytes` bytes without splitting a UTF-8 character.
std::string cutToBytes(const std::string& text, std::size_t maxBytes);

// One directory name made safe, also for Windows file systems: '/', NUL, control characters
// and the characters Windows refuses (':', '*', '?', '<', '>', '|', '"', '\') become '_', as
// do trailing blanks and dots; invisible format characters are dropped; "." and ".." and the
// empty name become "_"s; a leading '.' and a name Windows reserves (CON, NUL, COM1, ...) get a
// '_' in front; and the name is cut to fit.
std::string safeDirectoryName(const std::string& name);

// An attachment's file name made safe like a directory name; the extension is kept when the
// name has to be cut.
std::string safeAttachmentName(const std::string& name);

// `name` with " (copy)" before its extension when copy > 1, shortened in its stem so the whole
// fits kMaxNameBytes.
std::string numberedName(const std::string& name, int copy);

// The file name to try at `attempt` (0, 1, ...) for an item: stem, number, extension. The first
// attempts draw a fresh number each; later ones keep the last number and add " (2)", " (3)", ...
// The stem is cut, never dropped, so the name fits kMaxNameBytes.
std::string itemFileName(const std::string& stem, const std::string& extension, int attempt,
                         int32_t& number, const std::function<int32_t()>& draw);

// The number of fresh draws itemFileName makes before it falls back to suffixes.
inline constexpr int kNumberDraws = 5;

}  // namespace pellmark::exporting
