#pragma once
// A small .msg reader for the tests, over our compound-file reader: a file read back as
// the writer's own item model, and a file's layout as text for comparing two files.

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "formats/PlainItem.h"

namespace pellmark::test {

// Every property of every object, recipients and attachments in storage order, embedded
// messages, the named-property map. Throws std::runtime_error on a malformed file.
PlainItem readMsgFile(const std::filesystem::path& path);

// One line per storage, stream, property entry and named property, with named ids replaced by
// their names and fixed-size values cut to their type's size, sorted. Named-property mapping
// streams are left out: their order follows the order in which a writer met the names.
std::vector<std::string> msgLayout(const std::filesystem::path& path);

// The streams of a storage at the top of a compound file, by name.
std::map<std::string, std::vector<uint8_t>> storageStreams(const std::filesystem::path& path,
                                                           const std::string& storage);

// A named property as text: its set, and its number or name.
std::string nameText(const mapi::NamedProperty& name);

}  // namespace pellmark::test
