#pragma once
// Every output the program writes, in one table: the name --format takes, the extension of its
// files, the save code an item's save takes, its writer, whether an HTML page's attachments go
// beside it, whether it is one file per item or a mail program's mailbox, whether the
// conversion window offers it, and its line of --help. The command line's parsing, help and
// errors, the window's options and every save read it: an output format is a writer and a row
// here (and a save code in store/SaveFormat.h).

#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/ByteSink.h"
#include "mapi/Item.h"
#include "store/SaveFormat.h"

namespace pellmark::formats {

// Writes the whole item into a sink, and throws on failure.
using WriterFn = void (*)(const mapi::Item&, base::ByteSink& sink);
// Writes the whole item to `path` (a temporary file the caller renames into place), for a
// format whose library writes its files itself, and throws on failure.
using FileWriterFn = void (*)(const mapi::Item&, const std::filesystem::path& path);

// Where the items go: a file each, or into the folder's mailbox (mbox or Maildir, each message
// as the .eml writer writes it).
enum class Container { Files, Mbox, Maildir };

struct OutputFormat {
    std::string_view name;       // --format's value: "eml"
    std::string_view extension;  // of the item files: ".eml"
    store::SaveFormat save;      // the save code of the items' files
    Container container;
    WriterFn writer;               // writes `save`'s files through a sink, or
    FileWriterFn fileWriter;       // writes them itself (the hash is then read back)
    bool attachmentsBeside;        // a page's attachments are files beside it, linked from it
    bool inWindow;                 // one of the conversion window's options
    std::string_view description;  // one line of --help
};

// What a writer could not express of an item that it still wrote (a damaged recurrence left
// out): a writer adds a sentence with noteLeftOut, and the WriteNotes in scope on the writing
// thread keeps it for the caller, which names the item.
class WriteNotes {
  public:
    WriteNotes();
    ~WriteNotes();
    WriteNotes(const WriteNotes&) = delete;
    WriteNotes& operator=(const WriteNotes&) = delete;
    std::vector<std::string> take() { return std::move(notes_); }

  private:
    friend void noteLeftOut(std::string what);
    std::vector<std::string> notes_;
    WriteNotes* outer_;
};
// Nothing happens where no WriteNotes is in scope.
void noteLeftOut(std::string what);

// An attached message as the .eml writer writes it, for the writers that carry attached
// messages inside their own files (.ics, .pdf).
std::string emlOf(const mapi::Item& message);

// Every output, in the order --help names them: the window's seven, then the mailboxes.
std::span<const OutputFormat> outputFormats();
// The output named `name` (any letter case, a leading dot allowed), or null.
const OutputFormat* outputFormatNamed(std::string_view name);
// The one-file-per-item output of a save code.
const OutputFormat& outputFormatOf(store::SaveFormat save);
// "msg, eml, ..., mbox or maildir": every name, for messages.
std::string outputFormatNames();

}  // namespace pellmark::formats
