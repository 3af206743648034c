// The help command: opens the program's help file "kovrin.chm" (beside the program) at a help
// context number in the program's help window. Without the help engine (chmlib) it does
// nothing and shows nothing.
#pragma once

#include <QString>

class QWidget;

namespace tavrel {

// The main window's help context.
inline constexpr int kMainWindowHelpContext = 333;

// ExeFolder() + "kovrin.chm".
QString HelpFileName();

// Opens the help at the page that the file maps to the context number (its default page if
// the number is not mapped) and returns at once. The first call loads the help engine unless
// LoadHelpEngine was called before. A missing or damaged file is reported in a message box.
// The help window belongs to caller (or to nobody if it is null).
void ShowHelpTopic(int context, QWidget* caller = nullptr);
void ShowHelpTopic(const QString& helpFile, int context, QWidget* caller = nullptr);

}  // namespace tavrel
