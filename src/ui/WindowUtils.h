#pragma once

// Placement of windows on their monitor, and the program's one-line input dialog.

#include <QSize>
#include <QString>

class QFont;
class QWidget;

namespace quorvane {

// Centres Form over a visible Parent on the same monitor (kept on the monitor), else on its monitor.
// Monitor geometry is each monitor's own, origin included. Does nothing without a form.
void CenterForm(QWidget* Parent, QWidget* Form);

// Average character width and height of a font: the 52 letters A-Z and a-z measured together, the
// width divided by 52 (truncated), the height that of the text.
QSize AverageCharSize(const QFont& Font);

// A modal one-line input dialog in the main window's font, sized from its average character: Caption,
// Prompt above the edit box, the edit box starting with Value (all selected). Password shows "*" for
// each character, StayOnTop keeps the dialog above other windows, LimitLength accepts at most 250
// characters. On OK, Value takes the text and the result is true; any other close leaves Value as it was.
// Shown through the dialog seam (Dialogs().Exec).
bool InputQueryEx(const QString& Caption, const QString& Prompt, bool Password, bool StayOnTop, bool LimitLength,
                  QString& Value);

} // namespace quorvane
