#pragma once
// Writes an item as an Outlook message file ([MS-OXMSG]): a Unicode .msg holding every
// property, recipient and attachment, embedded messages as nested message storages, and the
// named-property mapping rebuilt for the named properties the item uses.

#include <filesystem>

#include "mapi/Item.h"

namespace pellmark::formats {

// Writes `item` to `path`; throws SaveError (or the reader's error) when it cannot.
void writeMsgFile(const mapi::Item& item, const std::filesystem::path& path);

// While one lives, .msg files written on its thread keep every string in the type the item
// stores it in: 8-bit text stays 8-bit, in the item's code page, named by the file where the
// item does not name it, as evidence needs it. Otherwise 8-bit text becomes Unicode, which
// every reader shows in the right characters.
class MsgTypesAsStored {
  public:
    MsgTypesAsStored();
    ~MsgTypesAsStored();
    MsgTypesAsStored(const MsgTypesAsStored&) = delete;
    MsgTypesAsStored& operator=(const MsgTypesAsStored&) = delete;
    static bool active();

  private:
    bool outer_;
};

// Whether a property only has a meaning inside the .pst it comes from, and is therefore left
// out of the .msg: the reader's table bookkeeping, the file's own settings and password.
bool isPstInternalProperty(uint16_t id);

}  // namespace pellmark::formats
