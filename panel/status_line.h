#pragma once
// The status line's text, never cut silently: a message wider than the
// label ends in an ellipsis and the whole of it is the label's tooltip.

#include <QString>

class QLabel;

namespace gloamery::panel {

// Shows text on the label, elided to its width when it does not fit.
void showStatus(QLabel& label, const QString& text);

// The whole message the label stands for: its tooltip when elided, else
// its text.
QString fullStatus(const QLabel& label);

// A long run's status, saying that Esc stops it: "Calculating... (Esc stops)".
QString stoppableStatus(const QString& text);

} // namespace gloamery::panel
