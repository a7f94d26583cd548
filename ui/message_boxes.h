#pragma once
// The program's two kinds of message box, both modal and captioned with the
// application title. Their buttons read in Chinese once Qt's own translation
// is loaded (see LoadQtTranslation); their texts wrap, anywhere they must,
// within the box's width, so that no long name hides what follows it.

#include <QString>

class QWidget;

namespace quelvane {

// Information icon, one OK button.
void ShowInformation(QWidget* parent, const QString& text);
// Question icon, Yes and No with No the default, `details` below the
// question in smaller type; true for Yes.
bool AskYesNo(QWidget* parent, const QString& text, const QString& details);

}  // namespace quelvane
