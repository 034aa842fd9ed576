#include "controls/TextFit.h"

#include <QFontMetricsF>
#include <QLabel>
#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionFrame>
#include <algorithm>
#include <cmath>

namespace scope {

namespace {
// What a line edit keeps free on either side of its text, inside the contents.
constexpr int EditMargin = 2;
} // namespace

int TextWidth(const QWidget &control, const QString &text) {
    return int(std::ceil(QFontMetricsF(control.font()).horizontalAdvance(text)));
}

int TextRoom(const QWidget &control) {
    if (const auto *edit = qobject_cast<const QLineEdit *>(&control)) {
        QStyleOptionFrame option;
        option.initFrom(edit);
        option.rect = edit->rect();
        option.lineWidth =
            edit->hasFrame() ? edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, edit) : 0;
        option.state |= QStyle::State_Sunken;
        const QRect contents = edit->style()->subElementRect(QStyle::SE_LineEditContents, &option, edit);
        const QMargins text = edit->textMargins();
        // The edit scrolls unless the text and its one-pixel cursor fit.
        return contents.width() - text.left() - text.right() - 2 * EditMargin - 1;
    }
    if (const auto *label = qobject_cast<const QLabel *>(&control))
        return label->contentsRect().width() - 2 * label->margin() - std::max(label->indent(), 0);
    return control.contentsRect().width();
}

int WidthForTexts(const QWidget &control, const std::vector<std::string> &texts) {
    int widest = 0;
    for (const std::string &t : texts)
        widest = std::max(widest, TextWidth(control, QString::fromStdString(t)));
    return widest + control.width() - TextRoom(control);
}

bool ShowsWhole(const QWidget &control, const QString &text) {
    return TextWidth(control, text) <= TextRoom(control);
}

} // namespace scope
