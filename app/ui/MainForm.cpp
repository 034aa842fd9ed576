#include "MainForm.h"

#include "Hints.h"

#include "acquisition/DataSourceTarn.h"
#include "acquisition/MasterTimerTarn.h"
#include "bus/ObjMasterTarn.h"
#include "controllers/ChannelWrapperTarn.h"
#include "controllers/CursorsWrapperTarn.h"
#include "controllers/ExportAsImageWrapperTarn.h"
#include "controllers/ExportWrapperTarn.h"
#include "controllers/IM2StdBridge.h"
#include "controllers/KeyboardControlWrapperTarn.h"
#include "controllers/ParamWrapperTarn.h"
#include "controllers/SaveLoadWrapperTarn.h"
#include "controllers/TimeBaseWrapperTarn.h"
#include "controllers/TriggerWrapperTarn.h"
#include "controllers/VerticalWrapperTarn.h"
#include "controllers/ZoomWrapperTarn.h"
#include "controls/ColorShape.h"
#include "controls/DragButtonTarn.h"
#include "controls/ModulesBoxTarn.h"
#include "controls/StatusLampTarn.h"
#include "controls/TextFit.h"
#include "dialogs/WaitScreen.h"
#include "keyboard/HotkeyDetector.h"
#include "modules/ModuleManagerTarn.h"
#include "platform/FormTransparency.h"
#include "platform/FrameClock.h"
#include "platform/KeyEventAdapter.h"
#include "platform/KeyMessageTarget.h"
#include "platform/MasterTimerDriver.h"
#include "platform/QtColors.h"
#include "platform/QtRecordFileDialog.h"
#include "platform/SaveDialog.h"
#include "platform/UserMessages.h"
#include "screens/QVScreenTarn.h"
#include "screens/ScopeScreenTarn.h"
#include "screens/TriggerPositionScreenTarn.h"
#include "settings/ExportOptionsTarn.h"
#include "settings/SettingsTarn.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFrame>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>
#include <QToolButton>
#include <QUrl>
#include <QWindow>
#include <array>
#include <string_view>

namespace scope {

bool TMainForm::CloseWithoutQuestion = false;

namespace {

// Texts of the main form's string table.
const char *const ExitQuestion = "You are about to exit. Are you sure?";
const char *const SettingsFilter = "Settings file (*.st)";
const char *const SettingsFolder = "Settings";
const char *const TextExportFilter = "Text file (*.txt)|*.txt|Any file (*.*)|*.*";
const char *const ImageExportFilter = "PNG (*.png)|*.png|JPG (*.jpg)|*.jpg|BMP (*.bmp)|*.bmp";

// The design layout: client 792 x 554; FormResize moves and sizes the areas from here.
constexpr int DesignWidth = 792, DesignHeight = 554;
constexpr int ReadoutHeight = 41;
constexpr int LeftColumnWidth = 121;
constexpr int RightColumnWidth = 105;
constexpr int BottomRowHeight = 126;
constexpr int BarHeight = 17;
constexpr int StripHeight = 11;
// Past every group index the other buttons of the form use.
constexpr int ModulesGroupIndexStart = 100000;

struct Placement {
    const char *Name;
    const char *Caption;
    int Left, Top, Width, Height;
};

// Areas in the order they are created; positions are those of the design.
constexpr Placement DesignAreas[] = {
    {"GroupBox9", "", 0, 0, DesignWidth / 2 - 2, ReadoutHeight},
    {"GroupBox10", "", DesignWidth / 2, 0, DesignWidth / 2 - 2, ReadoutHeight},
    {"GroupBox1", "Screen", 0, 43, LeftColumnWidth, 88},
    {"GroupBox11", "Channels", 0, 133, LeftColumnWidth, 64},
    {"ModulesBoxTarn1", "Functions", 0, 199, LeftColumnWidth, DesignHeight - 199 - 1},
    {"GroupBox8", "Input", DesignWidth - RightColumnWidth, 43, RightColumnWidth, 96},
    {"GroupBox4", "Position", DesignWidth - RightColumnWidth, 141, RightColumnWidth, 140},
    {"GroupBox5", "Vertical", DesignWidth - RightColumnWidth, 283, RightColumnWidth, 110},
    {"GroupBox12", "Save/load", 122, 427, 165, BottomRowHeight},
    {"GroupBox2", "Zoom", 288, 427, 118, BottomRowHeight},
    {"GroupBox3", "Horizontal", 407, 427, 110, BottomRowHeight},
    {"GroupBox7", "Trigger mode", 518, 427, 84, BottomRowHeight},
    {"GroupBox6", "Trigger", 603, 427, 188, BottomRowHeight},
};

// The readout row of one channel, in four columns each parted from the one before by a bevel: the swatch
// and probe glyph with the input and range labels; the cursor readouts; the trigger level and the trace at
// the cursor; the attenuation. Offsets are within a column. Each label is as wide as its widest text and
// each column as wide as its labels; A's row keeps to the right end of its box as the form is resized,
// B's stays where it was placed for the design width.
enum TReadoutPiece { rpLabel, rpSwatch, rpGlyph, rpBevel };
enum TGlyph { gInput, gCursor, gSpan, gTrigger, gVerCursors, gHorCursors };
struct ReadoutPlacement {
    const char *NameA, *NameB;
    int Column;
    int Offset; // from the column's left
    int Row;    // 0 upper, 1 lower
    TReadoutPiece Piece;
    int Kind; // label kind or glyph
};
constexpr int ReadoutRowTop[] = {6, 22};
constexpr int ReadoutRightMargin = 4; // right of the last column
constexpr int ReadoutLabelGap = 2;    // between a label and the next column's bevel
constexpr int ReadoutLabelHeight = 15;
constexpr ReadoutPlacement ReadoutRow[] = {
    {"Shape7", "Shape8", 0, 0, 0, rpSwatch, 0},
    {"Image3", "Image7", 0, 0, 1, rpGlyph, gInput},
    {"Label21", "Label31", 0, 18, 0, rpLabel, TParamWrapperTarn::rkInput},
    {"Label22", "Label32", 0, 18, 1, rpLabel, TParamWrapperTarn::rkRange},
    {"Bevel3", "Bevel6", 1, 0, 0, rpBevel, 0},
    {"Image4", "Image8", 1, 4, 0, rpGlyph, gCursor},
    {"Image5", "Image9", 1, 3, 1, rpGlyph, gSpan},
    {"Label24", "Label34", 1, 22, 0, rpLabel, TParamWrapperTarn::rkRedCursor},
    {"Label25", "Label35", 1, 22, 1, rpLabel, TParamWrapperTarn::rkCursors},
    {"Bevel4", "Bevel7", 2, 0, 0, rpBevel, 0},
    {"Image6", "Image10", 2, 4, 0, rpGlyph, gTrigger},
    {"Label26", "Label36", 2, 21, 0, rpLabel, TParamWrapperTarn::rkTrigger},
    {"Label27", "Label37", 2, 21, 1, rpLabel, TParamWrapperTarn::rkVoltage},
    {"Bevel5", "Bevel8", 3, 0, 0, rpBevel, 0},
    {"Label28", "Label38", 3, 4, 0, rpLabel, TParamWrapperTarn::rkAttenuation},
};

// Small pictures drawn in code.
QPixmap Glyph(int glyph, int w, int h) {
    QPixmap pixmap(w, h);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    QPen dashed(QColor(200, 0, 0), 1, Qt::DashLine);
    QPen plain(Qt::black, 1);
    switch (glyph) {
    case gInput: // a probe tip
        p.setPen(plain);
        p.drawLine(1, h / 2, w - 6, h / 2);
        p.drawEllipse(w - 6, h / 2 - 2, 4, 4);
        break;
    case gCursor: // one horizontal cursor
        p.setPen(dashed);
        p.drawLine(0, h / 2, w - 1, h / 2);
        break;
    case gSpan: // the span between two cursors
        p.setPen(dashed);
        p.drawLine(0, 1, w - 1, 1);
        p.drawLine(0, h - 2, w - 1, h - 2);
        p.setPen(plain);
        p.drawLine(w / 2, 2, w / 2, h - 3);
        break;
    case gTrigger: // a rising edge through the level
        p.setPen(plain);
        p.drawLine(0, h - 2, w / 2, h - 2);
        p.drawLine(w / 2, h - 2, w / 2, 1);
        p.drawLine(w / 2, 1, w - 1, 1);
        p.setPen(dashed);
        p.drawLine(0, h / 2, w - 1, h / 2);
        break;
    case gVerCursors: // a pair of vertical cursors
        p.setPen(dashed);
        p.drawLine(w / 3, 0, w / 3, h - 1);
        p.drawLine(2 * w / 3, 0, 2 * w / 3, h - 1);
        break;
    case gHorCursors: // a pair of horizontal cursors
        p.setPen(dashed);
        p.drawLine(0, h / 3, w - 1, h / 3);
        p.drawLine(0, 2 * h / 3, w - 1, 2 * h / 3);
        break;
    default:
        break;
    }
    return pixmap;
}

} // namespace

std::string ChangeFileExt(const std::string &path, const std::string &extension) {
    const size_t slash = path.find_last_of('/');
    const size_t dot = path.find_last_of('.');
    const bool hasExt = dot != std::string::npos && (slash == std::string::npos || dot > slash);
    return (hasExt ? path.substr(0, dot) : path) + extension;
}

TMainForm::TMainForm(IUserMessages &messages, QWidget *parent)
    : QMainWindow(parent), Messages(messages), Settings(std::make_unique<TSettingsTarn>()),
      Bus(std::make_unique<TObjMasterTarn>()) {
    setObjectName("MainForm");
    Settings->Messages = &Messages;
    Settings->OnImported = [this] { SettingsImported(); };
    ClientArea = new QWidget(this);
    ClientArea->setObjectName("Client");
    setCentralWidget(ClientArea);
    FrameClock = new TFrameClock(this);
    if (QScreen *screen = QGuiApplication::primaryScreen())
        FrameClock->SetRate(screen->refreshRate());
    CreateAreas();
    CreateComponents();
    ClientArea->installEventFilter(this);
    CreateMenus();
    const QList<QAction *> wcdItems = WCDGroup->actions();
    TimeBaseWrapper->SetWCDItems(std::vector<QAction *>(wcdItems.begin(), wcdItems.end()));
    // FormCreate
    LoadCaptions();
    setMinimumSize(800, 600);
    resize(800, 600);
    if (QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - QPoint(width() / 2, height() / 2));
    setAttribute(Qt::WA_AlwaysShowToolTips);
    connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
        if (state != Qt::ApplicationActive)
            FormDeactivate();
    });
}

void TMainForm::showEvent(QShowEvent *event) {
    QMainWindow::showEvent(event);
    if (QWindow *window = windowHandle())
        window->installEventFilter(this);
}

IKeyMessageTarget &TMainForm::HotkeyKeyEvents() {
    return *KeyEvents;
}

TMainForm::~TMainForm() {
    KeyTarget = nullptr;
    delete Wait;
    Wait = nullptr;
}

// The bus subscribers in the order every broadcast reaches them; the three screens come last. Each
// controller is made in its numbered place.
void TMainForm::CreateComponents() {
    auto subscribe = [this](TBusMember &member) {
        member.SetSettings(Settings.get());
        member.SetObjMaster(Bus.get());
    };
    // 1: cursors and grid.
    Opacity = std::make_unique<TWidgetOpacity>(*this);
    Transparency = std::make_unique<TFormTransparency>(*Opacity, 255);
    CursorsWrapper = std::make_unique<TCursorsWrapperTarn>();
    CreateScreenControls();
    subscribe(*CursorsWrapper);

    // 2: data source.
    DataSource = std::make_unique<TDataSourceTarn>();
    subscribe(*DataSource);

    // 3: zoom and display.
    ZoomWrapper = std::make_unique<TZoomWrapperTarn>();
    MakeZoomControls(GroupBox2, ScrollBar2, *ZoomWrapper);
    ZoomWrapper->QVScreen = QVScreenTarn1;
    subscribe(*ZoomWrapper);

    // 4: master timer.
    MasterTimer = std::make_unique<TMasterTimerTarn>();
    subscribe(*MasterTimer);
    MasterTimerClock = std::make_unique<TMasterTimerDriver>(*MasterTimer);

    // 5: vertical.
    VerticalWrapper = std::make_unique<TVerticalWrapperTarn>();
    MakeVerticalControls(GroupBox5, GroupBox8, GroupBox4, Settings.get(), *VerticalWrapper);
    subscribe(*VerticalWrapper);

    // 6: time base.
    TimeBaseWrapper = std::make_unique<TTimeBaseWrapperTarn>();
    MakeTimeBaseControls(GroupBox3, *TimeBaseWrapper);
    subscribe(*TimeBaseWrapper);

    // 7: trigger.
    TriggerWrapper = std::make_unique<TTriggerWrapperTarn>();
    TriggerWrapper->DataSource = DataSource.get();
    MakeTriggerControls(GroupBox7, GroupBox6, *TriggerWrapper);
    if (TriggerWrapper->TriggerStatusShp)
        TriggerWrapper->TriggerStatusShp->SetFramePacing(FrameClock); // up to three colours a record
    subscribe(*TriggerWrapper);

    // 8: readouts.
    ParamWrapper = std::make_unique<TParamWrapperTarn>();
    ParamWrapper->SetDataSource(DataSource.get());
    ParamWrapper->SetFramePacing(FrameClock); // as the screen: one update a display frame
    CreateReadoutControls();
    subscribe(*ParamWrapper);

    // 9: module host.
    ModuleManager = std::make_unique<TModuleManagerTarn>();
    subscribe(*ModuleManager);
    // Given before bus message 1, which hands the box the host's handlers.
    ModuleManager->SetModulesBox(ModulesBoxTarn1);
    ModuleManager->OwnerObject = this;
    // Module callbacks made outside the GUI thread are carried out by it.
    ModuleManager->OnCallQueued = [this] {
        QMetaObject::invokeMethod(
            this, [this] { ModuleManager->RunQueuedCalls(); }, Qt::QueuedConnection);
    };

    // 10: channels.
    ChannelWrapper = std::make_unique<TChannelWrapperTarn>();
    CreateChannelControls();
    subscribe(*ChannelWrapper);

    // 11: save and load.
    SaveLoadWrapper = std::make_unique<TSaveLoadWrapperTarn>();
    CreateSaveLoadControls();
    subscribe(*SaveLoadWrapper);

    // 12: hint bridge.
    IM2StdBridge1 = std::make_unique<TIM2StdBridge>();
    subscribe(*IM2StdBridge1);

    // 13: text export.
    SaveDialog2 = std::make_unique<TSaveDialog>();
    SaveDialog2->Filter = TextExportFilter;
    SaveDialog2->Parent = this;
    ExportWrapper = std::make_unique<TExportWrapperTarn>();
    ExportWrapper->DataSource = DataSource.get();
    ExportWrapper->ScopeScreen = ScopeScreenTarn1;
    ExportWrapper->SaveDialog = SaveDialog2.get();
    ExportWrapper->OnWaitDisplay = [this] { SaveLoadWrapperTarn1WaitDisplay(); };
    ExportWrapper->OnWaitHide = [this] { SaveLoadWrapperTarn1WaitHide(); };
    subscribe(*ExportWrapper);

    // 14: keyboard.
    HotkeyDetector = std::make_unique<THotkeyDetector>();
    KeyEvents = std::make_unique<TKeyEventAdapter>(*HotkeyDetector);
    KeyboardControl = std::make_unique<TKeyboardControlWrapperTarn>();
    KeyboardControl->SetDetector(HotkeyDetector.get());
    subscribe(*KeyboardControl);

    // 15: image export.
    SaveDialog3 = std::make_unique<TSaveDialog>();
    SaveDialog3->Filter = ImageExportFilter;
    SaveDialog3->Parent = this;
    ExportAsImageWrapper = std::make_unique<TExportAsImageWrapperTarn>();
    ExportAsImageWrapper->ScopeScreen = ScopeScreenTarn1;
    ExportAsImageWrapper->SaveDialog = SaveDialog3.get();
    subscribe(*ExportAsImageWrapper);

    // 16: the scope screen.
    ScopeScreenTarn1->SetDataSource(DataSource.get());
    subscribe(*ScopeScreenTarn1);

    // 17: quick view.
    QVScreenTarn1->SetDataSource(DataSource.get());
    QVScreenTarn1->OnVisibilityOnOff = [this] { QVScreenTarn1VisibilityOnOff(); };
    subscribe(*QVScreenTarn1);

    // 18: trigger-position strip.
    subscribe(*TriggerPositionScreenTarn1);
}

void TMainForm::CreateScreenControls() {
    auto toggle = [this](const char *name, int x, int y, int w, int h) {
        auto *b = MakeControl<QToolButton>(GroupBox1, name);
        b->setCheckable(true);
        b->setGeometry(x, y, w, h);
        return b;
    };
    TCursorsWrapperTarn::TControls c;
    // Three rows in the box's design size: the five toggles; the intensity bar; Clear and the
    // transparency bar. The bars get grooves long enough to click beside their handles.
    c.VerButton = toggle("SpeedButton1", 3, 15, 20, 20);
    c.HorButton = toggle("SpeedButton2", 24, 15, 20, 20);
    c.VerButton->setIcon(QIcon(Glyph(gVerCursors, 14, 14)));
    c.HorButton->setIcon(QIcon(Glyph(gHorCursors, 14, 14)));
    c.TrcButton = toggle("SpeedButton3", 45, 15, 26, 20);
    c.TrcButton->setText("Trc");
    c.XButton = toggle("SpeedButton4", 72, 15, 18, 20);
    c.XButton->setText("X");
    c.GridButton = toggle("SpeedButton6", 91, 15, 27, 20);
    c.GridButton->setText("Grid");
    auto *clear = MakeControl<QToolButton>(GroupBox1, "SpeedButton30");
    clear->setGeometry(3, 58, 36, 20);
    clear->setText("Clear");
    c.ClearButton = clear;
    auto bar = [this](const char *name, int x, int y, int w, int min, int max) {
        auto *b = MakeControl<QScrollBar>(GroupBox1, name, Qt::Horizontal);
        b->setRange(min, max);
        b->setPageStep(10);
        b->setGeometry(x, y, w, BarHeight - 1);
        return b;
    };
    c.IntensityBar = bar("ScrollBar1", 3, 38, 115, 20, 100);
    c.TransparencyBar = bar("ScrollBar5", 41, 60, 77, 50, 255);
    c.TransparencyControl = Transparency.get();
    CursorsWrapper->SetControls(c);
}

void TMainForm::CreateReadoutControls() {
    for (int channel = 0; channel < 2; ++channel) {
        QGroupBox *box = channel == 0 ? GroupBox9 : GroupBox10;
        std::array<QLabel *, TParamWrapperTarn::LabelKinds> labels{};
        QWidget *swatch = nullptr;
        for (const ReadoutPlacement &r : ReadoutRow) {
            const char *name = channel == 0 ? r.NameA : r.NameB;
            const int y = ReadoutRowTop[r.Row];
            switch (r.Piece) {
            case rpLabel: {
                auto *l = MakeControl<QLabel>(box, name);
                l->setGeometry(0, y - 1, 0, ReadoutLabelHeight);
                QFont font = l->font();
                font.setPixelSize(10);
                l->setFont(font);
                // Readouts change with every record: an opaque label spares the group box a repaint.
                l->setAutoFillBackground(true);
                labels[size_t(r.Kind)] = l;
                break;
            }
            case rpSwatch: {
                auto *f = MakeControl<QFrame>(box, name);
                f->setFrameShape(QFrame::Box);
                f->setGeometry(0, y + 1, 12, 12);
                swatch = f;
                break;
            }
            case rpGlyph: {
                auto *l = MakeControl<QLabel>(box, name);
                l->setPixmap(Glyph(r.Kind, 16, 12));
                l->setGeometry(0, y + 1, 16, 12);
                break;
            }
            case rpBevel: {
                auto *f = MakeControl<QFrame>(box, name);
                f->setFrameShape(QFrame::VLine);
                f->setFrameShadow(QFrame::Sunken);
                f->setGeometry(0, 4, 2, ReadoutHeight - 8);
                break;
            }
            }
        }
        ParamWrapper->SetChannelControls(channel, labels, swatch);
    }
    ParamWrapper->OnCapabilitiesKnown = [this] { FitReadouts(); };
    FitReadouts();
}

// Each label as wide as the widest text it can show with the capabilities of the moment; the columns
// follow their labels.
void TMainForm::FitReadouts() {
    std::array<int, ReadoutColumns> widths{};
    for (const ReadoutPlacement &r : ReadoutRow) {
        if (r.Piece != rpLabel)
            continue;
        const std::vector<std::string> texts = ReadoutTexts(*Settings, r.Kind);
        for (int channel = 0; channel < 2; ++channel)
            if (QLabel *l = ParamWrapper->Label(r.Kind, channel))
                l->resize(WidthForTexts(*l, texts), l->height());
        if (QLabel *l = ParamWrapper->Label(r.Kind, 0))
            widths[size_t(r.Column)] = std::max(widths[size_t(r.Column)], r.Offset + l->width());
    }
    // Distances of the columns' left ends from the right end of the row's box.
    int distance = ReadoutRightMargin - ReadoutLabelGap;
    for (int column = ReadoutColumns - 1; column >= 0; --column) {
        distance += widths[size_t(column)] + ReadoutLabelGap;
        ReadoutDistances[size_t(column)] = distance;
    }
    PlaceReadoutRow(*GroupBox9, 0, GroupBox9->width());
    PlaceReadoutRow(*GroupBox10, 1, DesignWidth / 2 - 2);
}

void TMainForm::PlaceReadoutRow(QGroupBox &box, int channel, int width) {
    for (const ReadoutPlacement &r : ReadoutRow)
        if (QWidget *c =
                box.findChild<QWidget *>(channel == 0 ? r.NameA : r.NameB, Qt::FindDirectChildrenOnly))
            c->move(width - ReadoutDistances[size_t(r.Column)] + r.Offset, c->y());
}

void TMainForm::CreateChannelControls() {
    auto *a = MakeControl<QToolButton>(GroupBox11, "SpeedButton18");
    auto *b = MakeControl<QToolButton>(GroupBox11, "SpeedButton22");
    for (QToolButton *button : {a, b})
        button->setCheckable(true);
    a->setText("A");
    b->setText("B");
    a->setGeometry(4, 16, 55, 20);
    b->setGeometry(62, 16, 55, 20);
    auto *c = MakeControl<TDragButtonTarn>(GroupBox11, "DragButtonTarn1");
    auto *d = MakeControl<TDragButtonTarn>(GroupBox11, "DragButtonTarn2");
    c->setGeometry(4, 39, 55, 20);
    d->setGeometry(62, 39, 55, 20);
    ChannelWrapper->SetButtons(a, b, c, d);
}

// Inside the Save/load box (165 x 126): load name, browse and Load; Unload, Apply settings and its lamp;
// Autosave; save name, browse and Save. The load and save lamps sit at the ends of their rows.
void TMainForm::CreateSaveLoadControls() {
    TSaveLoadWrapperTarn &c = *SaveLoadWrapper;
    auto button = [this](const char *name, const char *caption, int x, int y, int w) {
        auto *b = MakeControl<QToolButton>(GroupBox12, name);
        b->setText(QString::fromLatin1(caption));
        b->setGeometry(x, y, w, 20);
        return b;
    };
    auto edit = [this](const char *name, int y) {
        auto *e = MakeControl<QLineEdit>(GroupBox12, name);
        e->setGeometry(4, y, 84, 20);
        return e;
    };
    auto lamp = [this](const char *name, int x, int y) {
        auto *l = MakeControl<TColorShape>(GroupBox12, name);
        l->setGeometry(x, y, 12, 12);
        l->SetFillColor(FromQColor(palette().color(QPalette::Button)));
        return l;
    };
    c.LoadEdit = edit("LoadFileEdit", 17);
    c.LoadBrowseBtn = button("SpeedButton23", "...", 89, 17, 20);
    c.LoadBtn = button("SpeedButton24", "Load", 110, 17, 38);
    c.LoadIndicator = lamp("LoadLamp", 150, 21);
    c.UnloadBtn = button("SpeedButton31", "Unload", 4, 40, 50);
    c.ApplySettingsBtn = button("SpeedButton32", "Apply settings", 56, 40, 92);
    c.ApplySettingsIndicator = lamp("ApplyLamp", 150, 44);
    auto *autoSave = MakeControl<QCheckBox>(GroupBox12, "AutoSaveBox");
    autoSave->setText("Autosave");
    autoSave->setGeometry(4, 63, 100, 20);
    c.AutoSaveBox = autoSave;
    c.SaveEdit = edit("SaveFileEdit", 86);
    c.SaveBrowseBtn = button("SpeedButton33", "...", 89, 86, 20);
    c.SaveBtn = button("SpeedButton25", "Save", 110, 86, 38);
    c.SaveIndicator = lamp("SaveLamp", 150, 90);
    for (QWidget *w : GroupBox12->findChildren<QWidget *>()) {
        QFont font = w->font();
        font.setPixelSize(11);
        w->setFont(font);
    }
    OpenDialog1 = std::make_unique<TQtRecordFileDialog>(this, false);
    SaveDialog1 = std::make_unique<TQtRecordFileDialog>(this, true);
    c.OpenDialog = OpenDialog1.get();
    c.SaveDialog = SaveDialog1.get();
    c.Messages = &Messages;
    c.DataSource = DataSource.get();
    c.ButtonFace = FromQColor(palette().color(QPalette::Button));
    c.OnWaitDisplay = [this] { SaveLoadWrapperTarn1WaitDisplay(); };
    c.OnWaitHide = [this] { SaveLoadWrapperTarn1WaitHide(); };
}

void TMainForm::CreateAreas() {
    QWidget *areas[std::size(DesignAreas)] = {};
    int i = 0;
    for (const auto &a : DesignAreas) {
        QGroupBox *box = nullptr;
        if (std::string_view(a.Name) == "ModulesBoxTarn1") {
            auto *modules = new TModulesBoxTarn(ClientArea);
            modules->GroupIndexStart = ModulesGroupIndexStart;
            box = modules;
        } else {
            box = new QGroupBox(ClientArea);
        }
        box->setTitle(QString::fromLatin1(a.Caption));
        box->setObjectName(a.Name);
        box->setGeometry(a.Left, a.Top, a.Width, a.Height);
        areas[i++] = box;
    }
    auto box = [&](int index) { return static_cast<QGroupBox *>(areas[index]); };
    GroupBox9 = box(0);
    GroupBox10 = box(1);
    GroupBox1 = box(2);
    GroupBox11 = box(3);
    ModulesBoxTarn1 = static_cast<TModulesBoxTarn *>(areas[4]);
    GroupBox8 = box(5);
    GroupBox4 = box(6);
    GroupBox5 = box(7);
    GroupBox12 = box(8);
    GroupBox2 = box(9);
    GroupBox3 = box(10);
    GroupBox7 = box(11);
    GroupBox6 = box(12);

    ScrollBar2 = new QScrollBar(Qt::Horizontal, ClientArea);
    ScrollBar2->setObjectName("ScrollBar2");
    ScrollBar2->setGeometry(122, 409, 563, BarHeight);

    TriggerPositionScreenTarn1 =
        MakeControl<TTriggerPositionScreenTarn>(ClientArea, "TriggerPositionScreenTarn1");
    TriggerPositionScreenTarn1->setGeometry(122, 396, 563, StripHeight);
    QVScreenTarn1 = MakeControl<TQVScreenTarn>(ClientArea, "QVScreenTarn1");
    QVScreenTarn1->setGeometry(122, 43, 563, 48);
    QVScreenTarn1->SetFramePacing(FrameClock); // as the main screen
    ScopeScreenTarn1 = new TScopeScreenTarn(ClientArea);
    ScopeScreenTarn1->setObjectName("ScopeScreenTarn1");
    ScopeScreenTarn1->SetFramePacing(FrameClock); // records faster than the display: once a frame
    ScopeScreenTarn1->setGeometry(122, 43, 563, 351);
    QVScreenTarn1->hide();

    Bevel9 = new QFrame(ClientArea);
    Bevel9->setObjectName("Bevel9");
    Bevel9->setFrameShape(QFrame::HLine);
    Bevel9->setFrameShadow(QFrame::Sunken);
    Bevel9->setGeometry(121, 92, 565, 2);
    Bevel9->hide();
}

void TMainForm::CreateMenus() {
    auto item = [this](QMenu *menu, const char *name, void (TMainForm::*handler)()) {
        QAction *a = menu->addAction(QString());
        a->setObjectName(name);
        if (handler)
            connect(a, &QAction::triggered, this, handler);
        return a;
    };
    Files1 = menuBar()->addMenu(QString());
    Files1->setObjectName("Files1");
    Print1 = item(Files1, "Print1", nullptr);
    connect(Print1, &QAction::triggered, this, [this] {
        if (Dialogs.Print)
            Dialogs.Print();
    });
    Print1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    Files1->addSeparator();
    Exit1 = item(Files1, "Exit1", &TMainForm::Exit1Click);

    Edit3 = menuBar()->addMenu(QString());
    Edit3->setObjectName("Edit3");
    Exporttoclipboard1 = Edit3->addMenu(QString());
    Exporttoclipboard1->setObjectName("Exporttoclipboard1");
    Exporttoclipboard1->addSeparator();
    Manageexports1 = item(Exporttoclipboard1, "Manageexports1", &TMainForm::Manageexports1Click);
    ExportWrapper->ExportMenu = Exporttoclipboard1;
    Exportasimage1 = Edit3->addMenu(QString());
    Exportasimage1->setObjectName("Exportasimage1");
    Exportasimage1->addSeparator();
    Manageexports2 = item(Exportasimage1, "Manageexports2", &TMainForm::Manageexports2Click);
    ExportAsImageWrapper->ExportMenu = Exportasimage1;

    Settings1 = menuBar()->addMenu(QString());
    Settings1->setObjectName("Settings1");
    Savesettings1 = item(Settings1, "Savesettings1", &TMainForm::Savesettings1Click);
    Loadsettings1 = item(Settings1, "Loadsettings1", &TMainForm::Loadsettings1Click);
    Settings1->addSeparator();
    Compensationgenerator1 = item(Settings1, "Compensationgenerator1", nullptr);
    Compensationgenerator1->setCheckable(true);
    TriggerWrapper->SetCompensationGeneratorOnOff(Compensationgenerator1);
    WCDsensitivity1 = Settings1->addMenu(QString());
    WCDsensitivity1->setObjectName("WCDsensitivity1");
    WCDGroup = new QActionGroup(this);
    MakeWCDItems(WCDsensitivity1, WCDGroup);
    Settings1->addSeparator();
    Options1 = item(Settings1, "Options1", &TMainForm::Options1Click);

    Help1 = menuBar()->addMenu(QString());
    Help1->setObjectName("Help1");
    Help2 = item(Help1, "Help2", &TMainForm::Help2Click);
    Help2->setShortcut(QKeySequence(Qt::Key_F1));
    Viewreadme1 = item(Help1, "Viewreadme1", &TMainForm::Viewreadme1Click);
    Help1->addSeparator();
    About1 = item(Help1, "About1", &TMainForm::About1Click);
    SetDialogs({});
}

void TMainForm::LoadCaptions() {
    Files1->setTitle("&File");
    Print1->setText("&Print");
    Exit1->setText("E&xit");
    Edit3->setTitle("Edit");
    Exporttoclipboard1->setTitle("Export as ASCII");
    Manageexports1->setText("Manage exports");
    Exportasimage1->setTitle("Export as image");
    Manageexports2->setText("Manage exports");
    Settings1->setTitle("&Settings");
    Savesettings1->setText("Save settings");
    Loadsettings1->setText("Load settings");
    Compensationgenerator1->setText("Compensation generator");
    WCDsensitivity1->setTitle("WCD Sensitivity");
    Options1->setText("&Options");
    Help1->setTitle("&Help");
    Help2->setText("&Help");
    Viewreadme1->setText("View readme");
    About1->setText("About");
}

void TMainForm::SetDialogs(TDialogs dialogs) {
    Dialogs = std::move(dialogs);
    Print1->setEnabled(bool(Dialogs.Print));
    Options1->setEnabled(bool(Dialogs.Options));
    Manageexports1->setEnabled(bool(Dialogs.ManageExports));
    Manageexports2->setEnabled(bool(Dialogs.ManageImageExports));
    About1->setEnabled(bool(Dialogs.About));
}

void TMainForm::FormResize() {
    const int W = ClientArea->width(), H = ClientArea->height();
    // Readouts across the top: channel A's box takes the left half, B's the right half; A's readouts
    // keep their distances from the right end of A's box.
    const int w = W / 2 - 2;
    GroupBox10->setGeometry(W / 2, GroupBox10->y(), w, GroupBox10->height());
    PlaceReadoutRow(*GroupBox9, 0, w);
    GroupBox9->resize(w, GroupBox9->height());
    GroupBox10->resize(W - GroupBox10->x(), GroupBox10->height());
    // Modules box down to the bottom.
    ModulesBoxTarn1->resize(ModulesBoxTarn1->width(), H - ModulesBoxTarn1->y() - 1);
    const int modulesWidth = ModulesBoxTarn1->width();
    // The right column keeps to the right edge.
    for (QWidget *b : {GroupBox8, GroupBox4, GroupBox5})
        b->move(W - b->width(), b->y());
    // Bottom row, centred right of the modules box.
    QWidget *row[] = {GroupBox12, GroupBox2, GroupBox3, GroupBox7, GroupBox6};
    int total = 4;
    for (QWidget *b : row)
        total += b->width();
    int left = (W - modulesWidth) / 2 + modulesWidth - total / 2;
    for (QWidget *b : row) {
        b->move(left, H - b->height() - 1);
        left += b->width() + 1;
    }
    // The display-start bar spans from the modules box to the vertical box, above the bottom row.
    const int barLeft = modulesWidth + 1;
    const int barWidth = GroupBox5->x() - barLeft - 2;
    const int barTop = GroupBox12->y() - ScrollBar2->height() - 1;
    ScrollBar2->setGeometry(barLeft, barTop, barWidth, ScrollBar2->height());
    // The trigger-position strip sits right above the display-start bar.
    const int stripTop = barTop - TriggerPositionScreenTarn1->height() - 1;
    TriggerPositionScreenTarn1->setGeometry(barLeft, stripTop, barWidth,
                                            TriggerPositionScreenTarn1->height());
    // Quick view and scope screen share what is left.
    const int readoutBottom = GroupBox9->y() + GroupBox9->height();
    const int freeHeight = stripTop - (readoutBottom + 2);
    const bool quickView = Settings->QuickViewOn;
    if (quickView) {
        const int qvHeight = freeHeight / 7;
        QVScreenTarn1->setGeometry(barLeft, readoutBottom + 2, barWidth, qvHeight);
        const int scopeTop = readoutBottom + qvHeight + 7;
        ScopeScreenTarn1->setGeometry(barLeft, scopeTop, barWidth, stripTop - scopeTop - 2);
        Bevel9->setGeometry(Bevel9->x(), QVScreenTarn1->y() + QVScreenTarn1->height() + 1, barWidth + 2,
                            Bevel9->height());
        Bevel9->show();
        QVScreenTarn1->show();
    } else {
        ScopeScreenTarn1->setGeometry(barLeft, readoutBottom + 1, barWidth, freeHeight);
        Bevel9->hide();
        QVScreenTarn1->hide();
    }
    // Vertical box on the bar's bottom line, the position box down to it.
    GroupBox5->move(GroupBox5->x(), barTop + ScrollBar2->height() - GroupBox5->height() + 1);
    GroupBox4->resize(GroupBox4->width(), GroupBox5->y() - GroupBox4->y() - 1);
    for (const char *name : {"RangeBarTarn1", "RangeBarTarn2"})
        if (QWidget *bar = GroupBox4->findChild<QWidget *>(name))
            bar->resize(bar->width(), GroupBox4->height() - 24);
}

bool TMainForm::eventFilter(QObject *watched, QEvent *event) {
    if (watched == ClientArea && event->type() == QEvent::Resize)
        FormResize();
    // Every key message of this window reaches the hot-key detector once, before any control sees it:
    // the window receives it first and passes it on to the focused control.
    if (watched == windowHandle() &&
        (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) && KeyTarget &&
        isActiveWindow()) {
        bool handled = false;
        KeyTarget->ProcessMessage(*static_cast<QKeyEvent *>(event), handled);
        if (handled)
            return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void TMainForm::changeEvent(QEvent *event) {
    if (event->type() == QEvent::ActivationChange && !isActiveWindow())
        FormDeactivate();
    QMainWindow::changeEvent(event);
}

void TMainForm::FormDeactivate() {
    if (KeyTarget)
        KeyTarget->ResetPressedKeys();
}

void TMainForm::closeEvent(QCloseEvent *event) {
    if (!CloseWithoutQuestion &&
        Messages.Show(TMsgKind::Warning, "Warning", ExitQuestion, mbYes | mbNo, mbYes) != mbYes) {
        event->ignore();
        return;
    }
    event->accept();
    // The program ends with its main form, whatever other windows (module windows) are still open.
    QCoreApplication::exit(0);
}

void TMainForm::Exit1Click() {
    close();
}

void TMainForm::Options1Click() {
    if (Dialogs.Options && Dialogs.Options()) {
        BroadcastSettingsApplied(*Bus);
        update();
    }
}

// The preset dialogs edit option 14 with option 13 as their buffer, and option 42 with option 41.
void TMainForm::Manageexports1Click() {
    if (!Settings->Options)
        return;
    auto *list = dynamic_cast<TExportArrayOption *>(Settings->Options->GetOption(opDefinedExport));
    auto *buffer = dynamic_cast<TExportOption *>(Settings->Options->GetOption(opDefaultExport));
    if (Dialogs.ManageExports && list && buffer && Dialogs.ManageExports(*list, *buffer))
        ExportWrapper->RebuildMenu();
}

void TMainForm::Manageexports2Click() {
    if (!Settings->Options)
        return;
    auto *list =
        dynamic_cast<TExportAsImageArrayOption *>(Settings->Options->GetOption(opDefinedExportAsImage));
    auto *buffer = dynamic_cast<TExportAsImageOption *>(Settings->Options->GetOption(opDefaultExportAsImage));
    if (Dialogs.ManageImageExports && list && buffer && Dialogs.ManageImageExports(*list, *buffer))
        ExportAsImageWrapper->RebuildMenu();
}

std::string TMainForm::AskSettingsFileName(bool forSaving) {
    QDir().mkpath(SettingsFolder);
    const QString folder = QDir(SettingsFolder).absolutePath();
    const QString name = forSaving ? QFileDialog::getSaveFileName(this, QString(), folder, SettingsFilter)
                                   : QFileDialog::getOpenFileName(this, QString(), folder, SettingsFilter);
    return name.toStdString();
}

void TMainForm::Savesettings1Click() {
    const std::string name = AskSettingsFileName(true);
    if (!name.empty())
        Settings->ExportSettings(ChangeFileExt(name, ".st"));
}

void TMainForm::Loadsettings1Click() {
    const std::string name = AskSettingsFileName(false);
    if (!name.empty())
        Settings->ImportSettings(ChangeFileExt(name, ".st"));
}

// After an import: the settings are applied as a whole and the device gets every one of them.
void TMainForm::SettingsImported() {
    BroadcastSettingsApplied(*Bus);
    if (ForceSettingsPush)
        ForceSettingsPush();
}

void TMainForm::OpenDocument(const std::string &relativePath) {
    const std::string path =
        QDir::current().absoluteFilePath(QString::fromStdString(relativePath)).toStdString();
    if (!OpenWithDesktop(path))
        Messages.Error("Could not open \"" + path + "\".\nNo program to open this kind of file is set up.");
}

bool TMainForm::OpenWithDesktop(const std::string &absolutePath) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(absolutePath)));
}

void TMainForm::Help2Click() {
    OpenDocument("help/help.htm");
}

void TMainForm::Viewreadme1Click() {
    OpenDocument("readme.txt");
}

void TMainForm::About1Click() {
    if (Dialogs.About)
        Dialogs.About();
}

void TMainForm::SaveLoadWrapperTarn1WaitDisplay() {
    delete Wait;
    Wait = new TWaitForm(this);
    Wait->ShowDrawn();
}

void TMainForm::SaveLoadWrapperTarn1WaitHide() {
    delete Wait;
    Wait = nullptr;
}

} // namespace scope
