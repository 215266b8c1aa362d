#pragma once
// What the MIME and vCard tests share: the items of the real samples as the component gives
// them, with the reader's message beside each for what to expect, and the independent readers
// (Python's email package, vobject) run on what was written.

#include <filesystem>
#include <functional>
#include <string>

#include "formats/mime/MimePart.h"
#include "pststore/PstItems.h"
#include "store/MailStore.h"
#include "support/Readers.h"

namespace pellmark::test {

// Every item of every folder of the store, in the component's order.
void forEachItem(
    const std::filesystem::path& pst,
    const std::function<void(store::MailItem&, const mapi::Item&, const std::string& where)>& fn);
// The first item of the folder named `folder` (any folder when empty) that has items.
std::unique_ptr<store::MailItem> firstItemOf(const std::filesystem::path& pst,
                                             const std::string& folder);
const mapi::Item& messageOf(store::MailItem& item);
// Saves the first item whose subject is `subject` to `path`; false when there is none.
bool saveItemWithSubject(const std::filesystem::path& pst, const std::string& subject,
                         store::SaveFormat type, const std::filesystem::path& path);

// Whitespace runs as single blanks, ends trimmed: text as the summaries print it.
std::string collapsed(const std::string& text);
// The lines of `summary` that start with `prefix`, each without it.
std::vector<std::string> linesStartingWith(const std::string& summary, const std::string& prefix);

// Writes a MIME entity to a file of its own, as a save does.
void writeMimeFile(const formats::MimePart& entity, const std::filesystem::path& path);

}  // namespace pellmark::test
