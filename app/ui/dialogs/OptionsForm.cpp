#include "dialogs/OptionsForm.h"

#include "controls/ColorShape.h"
#include "controls/OptionCheckBox.h"
#include "controls/PageControl.h"
#include "controls/ShapeArrayTarn.h"
#include "dialogs/HotkeysForm.h"
#include "platform/QtColors.h"
#include "settings/SettingsTarn.h"

#include <QColorDialog>
#include <QFrame>
#include <QLabel>
#include <QPushButton>

namespace scope {

namespace {

constexpr int ClientWidth = 322, ClientHeight = 373;
constexpr int RowStep = 24, Margin = 8, CheckLeft = 16, SwatchLabelLeft = 16, SwatchLeft = 112;
constexpr int Pages = 6;
constexpr const char *SheetCaptions[Pages] = {"Colors",      "Save/load", "Display",
                                              "Performance", "Printing",  "Keyboard"};

// One line of a sheet, in the sheet's order.
enum TKind { Header, Check, Row, Swatch, HotkeysButton };
struct TLine {
    int Sheet;
    TKind Kind;
    const char *Text;
    int32_t Option; // -1 for none
};
constexpr TLine Lines[] = {
    {0, Header, "Screen colors", -1},
    {0, Row, "Channel colors:", opColorChannels},
    {0, Row, "Cursors colors:", opColorCursors},
    {0, Swatch, "Screen color:", opColorScreen},
    {0, Swatch, "Grid color:", opColorGrid},
    {0, Swatch, "Screen info color:", opColorInfo},
    {1, Header, "Save behaviour", -1},
    {1, Check, "Automatically increment filename", opSaveIncrementFilename},
    {1, Check, "Enable autosave option", opEnableAutosave},
    {1, Header, "Load behaviour", -1},
    {1, Check, "Automatically increment filename", opLoadIncrementFilename},
    {1, Check, "Automatically apply settings", opLoadApplySettings},
    {1, Header, "X and Y offset", -1},
    {1, Check, "Allow X offset change by dragging waveform", opLoadAllowXOffset},
    {1, Check, "Allow Y offset change by dragging waveform", opLoadAllowYOffset},
    {2, Header, "General", -1},
    {2, Check, "Tool tip help", opToolTip},
    {2, Check, "Separate hold of channel A and B", opSeparateHold},
    {2, Header, "Main screen", -1},
    {2, Check, "Allow display start change by dragging waveform", opDispAllowStartChange},
    {2, Check, "Allow vertical shift change by dragging waveform", opDispAllowVerticalChange},
    {2, Check, "Allow AT change by dragging mark", opAllowTriggerDrag},
    {2, Check, "Autoset trigger mode when dragging mark", opAutosetATMode},
    {2, Check, "Show information on main screen", opDispInformation},
    {2, Check, "Clear screen in single/manual mode on acq. start", opClearScreenOnFlag},
    {2, Header, "Quickview", -1},
    {2, Check, "Display quickview", opDispAllowQuickView},
    {3, Header, "Rendering", -1},
    {3, Check, "Use intermediate bitmap for update", opOptimizeForAero},
    {4, Header, "Printing", -1},
    {4, Check, "Print in black and white", opPrintBlackWhite},
    {5, Header, "General", -1},
    {5, Check, "Keyboard control", opKeyboardControl},
    {5, Check, "Distinguish between left and right shift/ctrl", opDistinguishLeftRightControls},
    {5, Header, "Hotkeys", -1},
    {5, HotkeysButton, "Configure hotkeys", -1},
};

} // namespace

// FormCreate
TOptionsForm::TOptionsForm(QWidget *parent) : QDialog(parent) {
    setObjectName("OptionsForm");
    setFixedSize(ClientWidth, ClientHeight);
    // The longest texts fit the fixed width only in a small type.
    QFont small = font();
    small.setPointSize(8);
    setFont(small);
    PageControl1 = new TPageControl(this);
    PageControl1->setObjectName("PageControl1");
    PageControl1->setGeometry(4, 2, ClientWidth - 8, ClientHeight - 36);
    for (const char *caption : SheetCaptions)
        PageControl1->AddSheet(QString::fromLatin1(caption));
    const int sheetWidth = PageControl1->width() - 2;
    int lineOnSheet[Pages] = {};
    for (const TLine &l : Lines) {
        QWidget *sheet = PageControl1->Sheet(l.Sheet);
        const int top = Margin + RowStep * lineOnSheet[l.Sheet]++;
        const QString text = QString::fromLatin1(l.Text);
        switch (l.Kind) {
        case Header: {
            auto *label = new QLabel(sheet);
            label->move(Margin, top);
            auto *bevel = new QFrame(sheet);
            bevel->setFrameShape(QFrame::HLine);
            bevel->setFrameShadow(QFrame::Sunken);
            bevel->setGeometry(Margin, top + 7, sheetWidth - 2 * Margin, 2);
            PlaceSectionHeader(label, bevel, text);
            break;
        }
        case Check: {
            auto *box = new TOptionCheckBox(text, sheet);
            SetTag(box, TPageControl::OptionTagBase + l.Option);
            box->move(CheckLeft, top);
            box->adjustSize();
            break;
        }
        case Row:
        case Swatch: {
            auto *label = new QLabel(text, sheet);
            label->move(SwatchLabelLeft, top + 1);
            label->adjustSize();
            QWidget *control = nullptr;
            if (l.Kind == Row) {
                auto *row = new TShapeArrayTarn(sheet);
                row->OnShapeClick = [this](TShapeArrayTarn &r, int32_t index) {
                    ShapeArrayTarn2ShapeClick(r, index);
                };
                (l.Option == opColorChannels ? ShapeArrayTarn2 : ShapeArrayTarn1) = row;
                control = row;
            } else {
                auto *shape = new TColorShape(sheet);
                shape->OnMouseDown = [this](TColorShape &s) { Shape1MouseDown(s); };
                (l.Option == opColorScreen ? Shape1 : l.Option == opColorGrid ? Shape2 : Shape3) = shape;
                control = shape;
            }
            SetTag(control, TPageControl::OptionTagBase + l.Option);
            control->move(SwatchLeft, top);
            break;
        }
        case HotkeysButton:
            Button3 = new QPushButton(text, sheet);
            Button3->setObjectName("Button3");
            Button3->setGeometry(CheckLeft, top, 120, 25);
            connect(Button3, &QPushButton::clicked, this, [this] { Button3Click(); });
            break;
        }
    }
    ShapeArrayTarn2->setObjectName("ShapeArrayTarn2");
    ShapeArrayTarn1->setObjectName("ShapeArrayTarn1");
    Shape1->setObjectName("Shape1");
    Shape2->setObjectName("Shape2");
    Shape3->setObjectName("Shape3");

    OKButton = new QPushButton(this);
    OKButton->setObjectName("OKButton");
    CancelButton = new QPushButton(this);
    CancelButton->setObjectName("CancelButton");
    OKButton->setGeometry(ClientWidth - 2 * (75 + 4), ClientHeight - 31, 75, 25);
    CancelButton->setGeometry(ClientWidth - (75 + 4), ClientHeight - 31, 75, 25);
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
    ColorDialog1 = new QColorDialog(this);
    ColorDialog1->setOption(QColorDialog::DontUseNativeDialog);
    LoadCaptions();
    HotkeysForm = new THotkeysForm(this);
}

// FormDestroy: the hot-keys form goes with its owner.
TOptionsForm::~TOptionsForm() = default;

void TOptionsForm::LoadCaptions() {
    setWindowTitle("Options");
    OKButton->setText("OK");
    CancelButton->setText("Cancel");
}

void TOptionsForm::PlaceSectionHeader(QLabel *label, QFrame *bevel, const QString &text) {
    label->setText(text);
    label->adjustSize();
    const int right = bevel->x() + bevel->width();
    const int left = label->x() + label->width() + 3;
    bevel->setGeometry(left, bevel->y(), right - left, bevel->height());
}

int TOptionsForm::Execute(TSettingsTarn &settings) {
    Settings = &settings;
    TOptions &options = *settings.Options;
    for (const auto &[id, control] : PageControl1->TaggedControls())
        options.OptionToControl(id, *control);
    LoadHotkeysForm();
    const int result = ShowModal();
    if (result != QDialog::Accepted)
        return result;
    // The settings may have been replaced while the dialog was open (an import): take the current ones.
    TOptions &current = *settings.Options;
    for (const auto &[id, control] : PageControl1->TaggedControls())
        current.OptionFromControl(id, *control);
    StoreHotkeysForm();
    return result;
}

int TOptionsForm::ShowModal() {
    return exec();
}

void TOptionsForm::LoadHotkeysForm() {
    for (const auto &[id, control] : HotkeysForm->PageControl1->TaggedControls())
        Settings->Options->OptionToControl(id, *control);
}

void TOptionsForm::StoreHotkeysForm() {
    for (const auto &[id, control] : HotkeysForm->PageControl1->TaggedControls())
        Settings->Options->OptionFromControl(id, *control);
}

void TOptionsForm::Button3Click() {
    ShowHotkeysForm();
}

void TOptionsForm::ShowHotkeysForm() {
    HotkeysForm->exec();
}

bool TOptionsForm::PickColor(TColor &color) {
    return ChooseColor(*ColorDialog1, color);
}

void TOptionsForm::Shape1MouseDown(TColorShape &shape) {
    TColor color = shape.FillColor();
    if (PickColor(color))
        shape.SetFillColor(color);
}

void TOptionsForm::ShapeArrayTarn2ShapeClick(TShapeArrayTarn &row, int32_t index) {
    TColor color = row.GetColor(index);
    if (PickColor(color))
        row.SetColor(index, color);
}

} // namespace scope
