#pragma once
// Who makes the program, what it is called, which version it is and where its users find help.
// The web and e-mail addresses are placeholders until the product has real ones.

namespace pellmark::gui {

inline constexpr const char* kMaker = "Corvane";
inline constexpr const char* kProduct = "Pellmark";
inline constexpr const char* kCaption = "Corvane Pellmark";
inline constexpr const char* kVersion = PELLMARK_VERSION_TEXT;  // "3.0"
inline constexpr const char* kBuild = PELLMARK_BUILD_TEXT;      // "1109"
inline constexpr const char* kWebAddress = "www.example.org/pellmark";
inline constexpr const char* kSupportEmail = "support@example.com";
// The help document, in the program's folder.
inline constexpr const char* kHelpFileName = "Help.html";

}  // namespace pellmark::gui
