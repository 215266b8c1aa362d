#pragma once
// The kinds of folder the application shows and exports by their default message class, and
// which items are contacts.

#include <string>

namespace pellmark::store {

enum class FolderKind { Mail, Contacts, Calendar, Journal, Notes, Tasks };

// The kind of a folder whose default message class is `defaultMessageClass`: "IPM.Contact",
// "IPM.Appointment", "IPM.Journal", "IPM.StickyNote", "IPM.Task" and their extensions
// ("IPM.Contact.Custom"), in any letter case as message classes are compared. Every other
// class ("IPM.Note", "IPM.Post", a custom one) is mail: a folder is never left out for its class.
FolderKind folderKindOf(const std::string& defaultMessageClass);

// Whether an item of `messageClass` is a contact: "IPM.Contact", the address book's
// "IPM.AbchPerson" and their extensions ("IPM.Contact.Custom"), in any letter case as message
// classes are compared.
bool isContactClass(const std::string& messageClass);

}  // namespace pellmark::store
