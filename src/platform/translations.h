#pragma once
// Qt's own texts (the file, font, print and page dialogs, the standard buttons) in Korean,
// whatever the system's language: the rest of the program speaks Korean too.

namespace kav {

// Loads Qt's Korean translations from the system's Qt translation directory into the
// running application. False when they are not installed (Qt then shows English).
bool installQtKoreanTranslations();

} // namespace kav
