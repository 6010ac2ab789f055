#pragma once

class QCoreApplication;

namespace vellomir {

// Loads Qt's own Traditional Chinese translation (qtbase_zh_TW, from Qt's translations folder)
// into the application, whatever the desktop's language: the program speaks Chinese
// throughout, so the file, print and font dialogs and the message box buttons (確定, 取消) do
// too. False when the translation is not installed; the dialogs then stay in English.
bool InstallQtTranslations(QCoreApplication& app);

}  // namespace vellomir
