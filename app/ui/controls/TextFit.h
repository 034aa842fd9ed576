// Sizes labels and edit boxes to what they show: the room a control gives its text and the width at which
// the widest of some texts fits that room, both in the control's own font.
#pragma once

#include <QString>
#include <string>
#include <vector>

class QWidget;

namespace scope {

// The text's width in the control's font, rounded up to whole pixels.
int TextWidth(const QWidget &control, const QString &text);
// The part of the control's width its text may take: a label's contents less its margins, an edit
// box's width inside its frame, text margins and the edit's own margins.
int TextRoom(const QWidget &control);
// The width at which the control shows each of the texts whole.
int WidthForTexts(const QWidget &control, const std::vector<std::string> &texts);
// Whether the control shows the text whole at its current width.
bool ShowsWhole(const QWidget &control, const QString &text);

} // namespace scope
