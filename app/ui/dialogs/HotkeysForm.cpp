#include "dialogs/HotkeysForm.h"

#include "controls/HotkeyEdit.h"
#include "controls/PageControl.h"
#include "settings/OptionsTarn.h"

#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QToolButton>
#include <algorithm>
#include <iterator>

namespace scope {

namespace {

constexpr int ClientWidth = 322;
constexpr int RowStep = 21, ButtonSize = 21, Margin = 8;
// Below the page control: the OK button's row.
constexpr int ButtonRowHeight = 38;

struct TRow {
    int Sheet;
    const char *Label;
    int32_t Option;
};
constexpr const char *SheetCaptions[] = {"General", "Vertical", "Horizontal", "Display"};
constexpr TRow Rows[] = {
    {0, "Hold", opHotkey_Hold},
    {1, "Channel A range up:", opHotkey_RangeA_Up},
    {1, "Channel B range up:", opHotkey_RangeB_Up},
    {1, "Channel A range down:", opHotkey_RangeA_Down},
    {1, "Channel B range down:", opHotkey_RangeB_Down},
    {1, "Channel A shift up:", opHotkey_ShiftA_Up},
    {1, "Channel B shift up:", opHotkey_ShiftB_Up},
    {1, "Channel A shift down:", opHotkey_ShiftA_Down},
    {1, "Channel B shift down:", opHotkey_ShiftB_Down},
    {2, "Timebase up:", opHotkey_Timebase_Up},
    {2, "Timebase down:", opHotkey_Timebase_Down},
    {3, "Zoom in:", opHotkey_Zoom_In},
    {3, "Zoom out:", opHotkey_Zoom_Out},
    {3, "Move screen right (2 divs):", opHotkey_Screen_Right},
    {3, "Move screen left (2 divs):", opHotkey_Screen_Left},
    {3, "Move screen right (8 divs):", opHotkey_Screen_Right_Big},
    {3, "Move screen left (8 divs):", opHotkey_Screen_Left_Big},
};

// The clear button's glyph: a cross.
QIcon ClearGlyph() {
    QPixmap pixmap(11, 11);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::darkRed, 2));
    p.drawLine(2, 2, 8, 8);
    p.drawLine(8, 2, 2, 8);
    return QIcon(pixmap);
}

} // namespace

THotkeysForm::THotkeysForm(QWidget *parent) : QDialog(parent) {
    setObjectName("HotkeysForm");
    PageControl1 = new TPageControl(this);
    PageControl1->setObjectName("PageControl1");
    PageControl1->setGeometry(4, 4, ClientWidth - 8, 0);
    for (const char *caption : SheetCaptions)
        PageControl1->AddSheet(QString::fromLatin1(caption));
    const QIcon glyph = ClearGlyph();
    int rowOnSheet[std::size(SheetCaptions)] = {};
    const int sheetWidth = PageControl1->width() - 2;
    for (const TRow &r : Rows) {
        QWidget *sheet = PageControl1->Sheet(r.Sheet);
        const int top = Margin + RowStep * rowOnSheet[r.Sheet]++;
        auto *label = new QLabel(sheet);
        auto *edit = new THotkeyEdit(sheet);
        SetTag(edit, TPageControl::OptionTagBase + r.Option);
        edit->setObjectName(QString("HotkeyEdit%1").arg(r.Option - opHotkey_Hold + 1));
        auto *clear = new QToolButton(sheet);
        clear->setIcon(glyph);
        clear->setToolTip("Clear");
        clear->setFocusPolicy(Qt::NoFocus);
        clear->setGeometry(sheetWidth - Margin - ButtonSize, top, ButtonSize, ButtonSize);
        edit->setGeometry(0, top, 10, ButtonSize);
        label->move(Margin, top + 3);
        edit->SetClearKeyListButton(clear);
        Labels.push_back(label);
        Edits.push_back(edit);
        ClearButtons.push_back(clear);
    }
    // The sheet with the most rows sets the height, so that every row shows whole on every sheet.
    const int mostRows = *std::max_element(std::begin(rowOnSheet), std::end(rowOnSheet));
    const int sheetHeight = Margin + RowStep * (mostRows - 1) + ButtonSize + Margin;
    PageControl1->resize(PageControl1->width(), PageControl1->HeightForSheets(sheetHeight));
    const int clientHeight = PageControl1->y() + PageControl1->height() + ButtonRowHeight;
    setFixedSize(ClientWidth, clientHeight);
    OKButton = new QPushButton(this);
    OKButton->setObjectName("OKButton");
    OKButton->setGeometry(ClientWidth - 4 - 75, clientHeight - 33, 75, 25);
    OKButton->setAutoDefault(false);
    // OK only closes; Escape (the dialog's cancel key) closes it too.
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
    LoadCaptions();
}

void THotkeysForm::PlaceHotkeyRow(QLabel *label, THotkeyEdit *edit, const QString &text,
                                  QToolButton *button) {
    label->setText(text);
    label->adjustSize();
    const int left = label->x() + label->width() + 3;
    edit->setGeometry(left, edit->y(), button->x() - left - 2, edit->height());
}

void THotkeysForm::LoadCaptions() {
    setWindowTitle("Configure hotkeys");
    OKButton->setText("OK");
    for (int i = 0; i < int(std::size(SheetCaptions)); ++i)
        PageControl1->SetSheetCaption(i, QString::fromLatin1(SheetCaptions[i]));
    for (size_t i = 0; i < Edits.size(); ++i)
        PlaceHotkeyRow(Labels[i], Edits[i], QString::fromLatin1(Rows[i].Label), ClearButtons[i]);
}

} // namespace scope
