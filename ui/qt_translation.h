#pragma once
// Qt's own Simplified Chinese texts (standard buttons such as 确定, 是(Y),
// 否(N), and the text boxes' context menus), whatever the system language:
// the whole window speaks Chinese.

class QCoreApplication;

namespace quelvane {

// False when the translation is not installed; the buttons then stay English.
bool LoadQtTranslation(QCoreApplication& app);

}  // namespace quelvane
