#pragma once
// The program's message boxes, all titled with the application title, as the user's own actions get
// them (server failures during a check only go to the log).

#include <QString>

class QWidget;

namespace ui {

// "クイロンV　Ver3.0", with an ideographic space before "Ver". The main window's caption differs from it.
QString ApplicationTitle();

void ShowInformationBox(QWidget* parent, const QString& text);  // OK
void ShowErrorBox(QWidget* parent, const QString& text);        // OK
bool AskOkCancel(QWidget* parent, const QString& text);         // true for OK
bool AskYesNo(QWidget* parent, const QString& text);            // true for Yes

}  // namespace ui
