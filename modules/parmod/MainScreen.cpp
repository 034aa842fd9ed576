#include "MainScreen.h"
#include "ConfigureColumnsScreen.h"
#include "ConfigureRowsScreen.h"

#include <QActionGroup>
#include <QClipboard>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QLayout>
#include <QListWidget>
#include <QLocale>
#include <QMenuBar>
#include <QScrollBar>

namespace parmod {

namespace {

char LocaleSeparator() {
    const QString point = QLocale::system().decimalPoint();
    return point == QStringLiteral(",") ? ',' : '.';
}

} // namespace

TMainForm::TMainForm(const THostLink &host)
    : QMainWindow(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                               Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                               Qt::WindowCloseButtonHint),
      Host(host), Calculator(host, WaveParamsPellx1, ParamStatsPellx1), Client(new QWidget(this)),
      WaveParamsTablePellx1(new TWaveParamsTablePellx(Client)),
      ScrollBar1(new QScrollBar(Qt::Horizontal, Client)) {
    setWindowTitle(QStringLiteral("Waveform parameters"));
    // The program's own main form decides when the program ends.
    setAttribute(Qt::WA_QuitOnClose, false);
    setCentralWidget(Client);
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    WaveParamsPellx1.DecimalSeparator = LocaleSeparator();
    WaveParamsPellx1.SetOnParamLoad([](TWaveParamsPellx &params) { DefineParamRows(params); });
    ScrollBar1->setEnabled(false);
    ScrollBar1->setMinimum(0);
    ScrollBar1->setMaximum(0);
    WaveParamsTablePellx1->move(0, 0);
    WaveParamsTablePellx1->SetWaveParams(&WaveParamsPellx1);
    WaveParamsTablePellx1->SetParamsStats(&ParamStatsPellx1);
    WaveParamsTablePellx1->SetShiftBar(ScrollBar1);
    WaveParamsTablePellx1->OnResize = [this] { TableResized(); };
    WaveParamsTablePellx1->OnParamDisable = [this] { UpdateChecks(); };
    BuildMenus();
    WaveParamsTablePellx1->Refresh();
}

TMainForm::~TMainForm() = default;

void TMainForm::BuildMenus() {
    QMenu *edit = menuBar()->addMenu(QStringLiteral("Edit"));
    QAction *copy = edit->addAction(QStringLiteral("Copy"));
    copy->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
    connect(copy, &QAction::triggered, this, [this] { Copy(); });
    QAction *reset = edit->addAction(QStringLiteral("Reset params"));
    reset->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
    connect(reset, &QAction::triggered, this, [this] { ResetParams(); });

    QMenu *settings = menuBar()->addMenu(QStringLiteral("Settings"));
    const char *rangeMenus[2] = {"Channel C range source", "Channel D range source"};
    for (int32_t v = 0; v < 2; ++v) {
        QMenu *menu = settings->addMenu(QString::fromLatin1(rangeMenus[v]));
        auto *group = new QActionGroup(menu);
        for (int32_t source = 0; source < 2; ++source) {
            QAction *item =
                menu->addAction(source == 0 ? QStringLiteral("Channel A") : QStringLiteral("Channel B"));
            item->setCheckable(true);
            item->setData(source);
            group->addAction(item);
            connect(item, &QAction::triggered, this, [this, v, source] { SetRangeSource(2 + v, source); });
            RangeItems[v][source] = item;
        }
    }
    StayOnTopItem = settings->addAction(QStringLiteral("Stay on top"));
    StayOnTopItem->setCheckable(true);
    connect(StayOnTopItem, &QAction::triggered, this, [this](bool on) { ApplyTopStyle(on); });

    QMenu *row = menuBar()->addMenu(QStringLiteral("Row"));
    RowShowMenu = row->addMenu(QStringLiteral("Show"));
    RowShowOnlyMenu = row->addMenu(QStringLiteral("Show only"));
    connect(row->addAction(QStringLiteral("Show all")), &QAction::triggered, this, [this] { ShowAllRows(); });
    connect(row->addAction(QStringLiteral("Configure rows")), &QAction::triggered, this,
            [this] { ConfigureRows(); });

    QMenu *column = menuBar()->addMenu(QStringLiteral("Column"));
    QMenu *channels = column->addMenu(QStringLiteral("Channel"));
    for (int32_t i = 0; i < ParamChannelCount; ++i) {
        ChannelItems[i] = channels->addAction(QStringLiteral("Channel ") + QChar(ChannelLetter(i)));
        ChannelItems[i]->setCheckable(true);
        ChannelItems[i]->setData(i);
        connect(ChannelItems[i], &QAction::triggered, this, [this, i] { ToggleChannel(i); });
    }
    QMenu *show = column->addMenu(QStringLiteral("Show"));
    QMenu *showOnly = column->addMenu(QStringLiteral("Show only"));
    for (int32_t j = 0; j < ParamStatCount; ++j) {
        StatItems[j] = show->addAction(QString::fromLatin1(StatLabel(j)));
        StatItems[j]->setCheckable(true);
        StatItems[j]->setData(j);
        connect(StatItems[j], &QAction::triggered, this, [this, j] { ToggleStat(j); });
        QAction *only = showOnly->addAction(QString::fromLatin1(StatLabel(j)));
        only->setData(j);
        connect(only, &QAction::triggered, this, [this, j] { ShowOnlyStat(j); });
    }
    connect(column->addAction(QStringLiteral("Show all")), &QAction::triggered, this,
            [this] { ShowAllStats(); });
    connect(column->addAction(QStringLiteral("Configure columns")), &QAction::triggered, this,
            [this] { ConfigureColumns(); });
    RebuildRowItems();
    UpdateChecks();
}

void TMainForm::RebuildRowItems() {
    RowShowMenu->clear();
    RowShowOnlyMenu->clear();
    RowShowItems.clear();
    for (int32_t i = 0; i < WaveParamsPellx1.Count(); ++i) {
        const QString name = QString::fromStdString(WaveParamsPellx1.Param(i).Name());
        QAction *item = RowShowMenu->addAction(name);
        item->setCheckable(true);
        item->setData(i);
        connect(item, &QAction::triggered, this, [this, i] { ToggleRow(i); });
        RowShowItems.push_back(item);
        QAction *only = RowShowOnlyMenu->addAction(name);
        only->setData(i);
        connect(only, &QAction::triggered, this, [this, i] { ShowOnlyRow(i); });
    }
}

QAction *TMainForm::RowShowAction(int32_t row) const {
    return row >= 0 && row < static_cast<int32_t>(RowShowItems.size()) ? RowShowItems[row] : nullptr;
}

QAction *TMainForm::RangeAction(int32_t channel, int32_t source) const {
    return RangeItems[channel == 3 ? 1 : 0][source == 1 ? 1 : 0];
}

void TMainForm::UpdateChecks() {
    for (int32_t i = 0; i < static_cast<int32_t>(RowShowItems.size()) && i < WaveParamsPellx1.Count(); ++i)
        RowShowItems[i]->setChecked(WaveParamsPellx1.Param(i).Visible);
    for (int32_t i = 0; i < ParamChannelCount; ++i)
        ChannelItems[i]->setChecked(ParamStatsPellx1.ChannelVisible(i));
    for (int32_t j = 0; j < ParamStatCount; ++j)
        StatItems[j]->setChecked(ParamStatsPellx1.StatVisible(j));
    for (int32_t v = 0; v < 2; ++v)
        RangeItems[v][Calculator.RangeSource(2 + v)]->setChecked(true);
}

void TMainForm::RowsChanged() {
    UpdateChecks();
    WaveParamsTablePellx1->Refresh();
}

void TMainForm::TableResized() {
    const int32_t width = WaveParamsTablePellx1->width(), height = WaveParamsTablePellx1->height();
    int32_t clientHeight = height;
    if (ScrollBar1->isEnabled()) {
        clientHeight = height + ScrollBar1->sizeHint().height() + 1;
        ScrollBar1->show();
    } else {
        ScrollBar1->hide();
    }
    ScrollBar1->setGeometry(0, height + 1, width, ScrollBar1->sizeHint().height());
    Client->setFixedSize(width, clientHeight);
}

void TMainForm::ToggleRow(int32_t row) {
    if (row >= 0 && row < WaveParamsPellx1.Count()) {
        std::lock_guard guard(WaveParamsPellx1.Mutex());
        TWaveParam &p = WaveParamsPellx1.Param(row);
        if (!p.Visible || WaveParamsPellx1.VisibleCount() > 1)
            p.Visible = !p.Visible;
    }
    RowsChanged();
}

void TMainForm::ShowOnlyRow(int32_t row) {
    if (row >= 0 && row < WaveParamsPellx1.Count()) {
        std::lock_guard guard(WaveParamsPellx1.Mutex());
        for (int32_t i = 0; i < WaveParamsPellx1.Count(); ++i)
            WaveParamsPellx1.Param(i).Visible = i == row;
    }
    RowsChanged();
}

void TMainForm::ShowAllRows() {
    {
        std::lock_guard guard(WaveParamsPellx1.Mutex());
        for (int32_t i = 0; i < WaveParamsPellx1.Count(); ++i)
            WaveParamsPellx1.Param(i).Visible = true;
    }
    RowsChanged();
}

void TMainForm::ToggleChannel(int32_t channel) {
    const bool on = ParamStatsPellx1.ChannelVisible(channel);
    if (!on || ParamStatsPellx1.VisibleChannelCount() > 1)
        ParamStatsPellx1.SetChannelVisible(channel, !on);
    RowsChanged();
}

void TMainForm::ToggleStat(int32_t statistic) {
    const bool on = ParamStatsPellx1.StatVisible(statistic);
    if (!on || ParamStatsPellx1.VisibleStatCount() > 1)
        ParamStatsPellx1.SetStatVisible(statistic, !on);
    RowsChanged();
}

void TMainForm::ShowOnlyStat(int32_t statistic) {
    if (statistic >= 0 && statistic < ParamStatCount)
        for (int32_t j = 0; j < ParamStatCount; ++j)
            ParamStatsPellx1.SetStatVisible(j, j == statistic);
    RowsChanged();
}

void TMainForm::ShowAllStats() {
    for (int32_t j = 0; j < ParamStatCount; ++j)
        ParamStatsPellx1.SetStatVisible(j, true);
    RowsChanged();
}

void TMainForm::ConfigureRows() {
    ApplyTopStyle(false);
    std::vector<std::string> names;
    std::vector<bool> visible;
    for (int32_t i = 0; i < WaveParamsPellx1.Count(); ++i) {
        names.push_back(WaveParamsPellx1.Param(i).Name());
        visible.push_back(WaveParamsPellx1.Param(i).Visible);
    }
    TConfigureRowsForm dialog(this, names, visible);
    if (ExecDialog(dialog) == QDialog::Accepted) {
        const std::vector<bool> checks = dialog.Checks();
        std::lock_guard guard(WaveParamsPellx1.Mutex());
        for (int32_t i = 0; i < WaveParamsPellx1.Count() && i < static_cast<int32_t>(checks.size()); ++i)
            WaveParamsPellx1.Param(i).Visible = checks[i];
    }
    RowsChanged();
    ApplyTopStyle(StayOnTop());
}

void TMainForm::ConfigureColumns() {
    ApplyTopStyle(false);
    std::vector<bool> channels, stats;
    for (int32_t i = 0; i < ParamChannelCount; ++i)
        channels.push_back(ParamStatsPellx1.ChannelVisible(i));
    for (int32_t j = 0; j < ParamStatCount; ++j)
        stats.push_back(ParamStatsPellx1.StatVisible(j));
    TConfigureColumnsForm dialog(this, channels, stats);
    if (ExecDialog(dialog) == QDialog::Accepted) {
        const std::vector<bool> c = dialog.ChannelChecks(), s = dialog.StatChecks();
        for (int32_t i = 0; i < ParamChannelCount && i < static_cast<int32_t>(c.size()); ++i)
            ParamStatsPellx1.SetChannelVisible(i, c[i]);
        for (int32_t j = 0; j < ParamStatCount && j < static_cast<int32_t>(s.size()); ++j)
            ParamStatsPellx1.SetStatVisible(j, s[j]);
    }
    RowsChanged();
    ApplyTopStyle(StayOnTop());
}

void TMainForm::ResetParams() {
    {
        std::lock_guard guard(WaveParamsPellx1.Mutex());
        WaveParamsPellx1.ResetAll();
    }
    WaveParamsTablePellx1->Refresh();
}

void TMainForm::SetRangeSource(int32_t channel, int32_t source) {
    if (channel != 2 && channel != 3)
        return;
    {
        std::lock_guard guard(Calculator.WindowLock());
        Calculator.SetRangeSource(channel, source);
    }
    UpdateChecks();
    {
        std::lock_guard guard(WaveParamsPellx1.Mutex());
        WaveParamsPellx1.ResetChannel(channel);
    }
    WaveParamsTablePellx1->Refresh();
}

bool TMainForm::StayOnTop() const {
    return StayOnTopItem->isChecked();
}

void TMainForm::SetStayOnTop(bool on) {
    StayOnTopItem->setChecked(on);
    ApplyTopStyle(on);
}

void TMainForm::ApplyTopStyle(bool onTop) {
    if (windowFlags().testFlag(Qt::WindowStaysOnTopHint) == onTop)
        return;
    const bool shown = isVisible();
    setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
    if (shown)
        show(); // changing the style hides a window
}

void TMainForm::ApplySettings(const TModuleSettings &settings) {
    {
        std::lock_guard guard(WaveParamsPellx1.Mutex());
        for (int32_t i = 0; i < WaveParamsPellx1.Count() && i < ParamRowCount; ++i)
            WaveParamsPellx1.Param(i).Visible = settings.Rows[i];
    }
    for (int32_t i = 0; i < ParamChannelCount; ++i)
        ParamStatsPellx1.SetChannelVisible(i, settings.Channels[i]);
    for (int32_t j = 0; j < ParamStatCount; ++j)
        ParamStatsPellx1.SetStatVisible(j, settings.Stats[j]);
    {
        std::lock_guard guard(Calculator.WindowLock());
        Calculator.SetRangeSource(2, settings.RangeC);
        Calculator.SetRangeSource(3, settings.RangeD);
    }
    SetStayOnTop(settings.StayOnTop);
    RowsChanged();
}

TModuleSettings TMainForm::CurrentSettings() const {
    TModuleSettings s;
    for (int32_t i = 0; i < ParamRowCount && i < WaveParamsPellx1.Count(); ++i)
        s.Rows[i] = const_cast<TWaveParamsPellx &>(WaveParamsPellx1).Param(i).Visible;
    for (int32_t i = 0; i < ParamChannelCount; ++i)
        s.Channels[i] = ParamStatsPellx1.ChannelVisible(i);
    for (int32_t j = 0; j < ParamStatCount; ++j)
        s.Stats[j] = ParamStatsPellx1.StatVisible(j);
    s.RangeC = const_cast<TParamCalculator &>(Calculator).RangeSource(2);
    s.RangeD = const_cast<TParamCalculator &>(Calculator).RangeSource(3);
    s.StayOnTop = StayOnTop();
    return s;
}

void TMainForm::UpdateChannelInfo() {
    static const int32_t colourCodes[ParamChannelCount] = {hcGetColorA, hcGetColorB, hcGetColorC,
                                                           hcGetColorD};
    for (int32_t i = 0; i < ParamChannelCount; ++i)
        ParamStatsPellx1.SetColour(i, static_cast<uint32_t>(Host.IntAnswer(
                                          colourCodes[i], static_cast<int32_t>(ParamStatsPellx1.Colour(i)))));
    Calculator.SetDataFlags({true, true, Host.BoolAnswer(hcHasDataC), Host.BoolAnswer(hcHasDataD)});
    WaveParamsTablePellx1->Refresh();
}

std::string TMainForm::TableText() {
    std::lock_guard guard(Calculator.WindowLock());
    const char separator = WaveParamsPellx1.DecimalSeparator;
    std::string text;
    for (int32_t i = 0; i < ParamChannelCount; ++i)
        for (int32_t j = 0; j < ParamStatCount; ++j)
            if (ParamStatsPellx1.CellVisible(i, j))
                text += std::string("\t") + StatLabel(j) + " (" + ChannelLetter(i) + ")";
    text += "\r\n";
    for (int32_t r = 0; r < WaveParamsPellx1.Count(); ++r) {
        TWaveParam &row = WaveParamsPellx1.Param(r);
        text += row.Name();
        for (int32_t i = 0; i < ParamChannelCount; ++i)
            for (int32_t j = 0; j < ParamStatCount; ++j)
                if (ParamStatsPellx1.CellVisible(i, j))
                    text += "\t" + row.CellText(i, j, separator);
        text += "\r\n";
    }
    return text;
}

void TMainForm::Copy() {
    QGuiApplication::clipboard()->setText(QString::fromStdString(TableText()));
}

void TMainForm::showEvent(QShowEvent *event) {
    QMainWindow::showEvent(event);
    RebuildRowItems();
    UpdateChecks();
}

void TMainForm::closeEvent(QCloseEvent *event) {
    // The host switches the module off and later destroys the window through the module.
    Host.SwitchOff();
    event->accept();
}

} // namespace parmod
