#include "controls/PageControl.h"

#include <QStackedWidget>
#include <QToolButton>
#include <QVariant>

namespace scope {

namespace {
constexpr int TabHeight = 22;
}

int TagOf(const QObject *control) {
    return control ? control->property("Tag").toInt() : 0;
}

void SetTag(QObject *control, int tag) {
    control->setProperty("Tag", tag);
}

TPageControl::TPageControl(QWidget *parent) : QWidget(parent), Stack(new QStackedWidget(this)) {
    Stack->setFrameShape(QFrame::StyledPanel);
}

QWidget *TPageControl::AddSheet(const QString &caption) {
    auto *sheet = new QWidget;
    SetTag(sheet, SheetTag);
    Stack->addWidget(sheet);
    auto *tab = new QToolButton(this);
    tab->setCheckable(true);
    tab->setAutoExclusive(true);
    tab->setText(caption);
    const int index = int(Sheets.size());
    connect(tab, &QToolButton::clicked, this, [this, index] { SetCurrentSheet(index); });
    Sheets.push_back(sheet);
    Tabs.push_back(tab);
    if (index == 0)
        tab->setChecked(true);
    LayOut();
    return sheet;
}

void TPageControl::SetSheetCaption(int index, const QString &caption) {
    Tabs[size_t(index)]->setText(caption);
    LayOut();
}

void TPageControl::SetCurrentSheet(int index) {
    if (index < 0 || index >= SheetCount())
        return;
    Tabs[size_t(index)]->setChecked(true);
    Stack->setCurrentIndex(index);
}

int TPageControl::CurrentSheet() const {
    return Stack->currentIndex();
}

void TPageControl::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    LayOut();
}

// Tabs left to right, a new row where the next would not fit.
void TPageControl::LayOut() {
    int x = 0, row = 0;
    for (QToolButton *tab : Tabs) {
        const int w = tab->fontMetrics().horizontalAdvance(tab->text()) + 16;
        if (x > 0 && x + w > width()) {
            x = 0;
            ++row;
        }
        tab->setGeometry(x, row * TabHeight, w, TabHeight);
        x += w;
    }
    Rows = row + 1;
    Stack->setGeometry(0, Rows * TabHeight, width(), height() - Rows * TabHeight);
}

int TPageControl::HeightForSheets(int sheetHeight) const {
    return Rows * TabHeight + 2 * Stack->frameWidth() + sheetHeight;
}

std::vector<std::pair<int32_t, IOptionControl *>> TPageControl::TaggedControls() const {
    std::vector<std::pair<int32_t, IOptionControl *>> out;
    for (QWidget *sheet : Sheets) {
        if (TagOf(sheet) != SheetTag)
            continue;
        for (QObject *child : sheet->children()) {
            auto *widget = qobject_cast<QWidget *>(child);
            if (!widget || TagOf(widget) < OptionTagBase)
                continue;
            if (auto *control = dynamic_cast<IOptionControl *>(widget))
                out.emplace_back(TagOf(widget) - OptionTagBase, control);
        }
    }
    return out;
}

} // namespace scope
