#pragma once
// The folder kinds the folder tree shows: a folder gets a node when its default message class
// is one of these six, exactly (letter case included), with the image of its kind.

#include <optional>
#include <string>

namespace pellmark::store {

// The index in the tree's image list for a folder of `defaultMessageClass`, or nullopt when
// the folder gets no node.
std::optional<int> folderImageIndex(const std::string& defaultMessageClass);

// Whether an item of `messageClass` is a contact: "IPM.Contact", the address book's
// "IPM.AbchPerson" and their extensions ("IPM.Contact.Custom"), in any letter case as message
// classes are compared.
bool isContactClass(const std::string& messageClass);

}  // namespace pellmark::store
