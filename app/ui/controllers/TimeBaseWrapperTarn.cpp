#include "controllers/TimeBaseWrapperTarn.h"

#include "Hints.h"
#include "bus/ObjMasterTarn.h"
#include "controls/SamplingProgressBarTarn.h"
#include "device/DataTypesTarn.h"
#include "settings/SettingsTarn.h"

#include <QAction>
#include <QActionGroup>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>
#include <cmath>
#include <utility>

namespace scope {

namespace {

const char *const NotAvailable = "N/A";

const TTimeBaseRow *RowOf(TSettingsTarn &s, int32_t index) {
    const TTimeBaseList &list = s.TimeBaseList();
    return index >= 0 && size_t(index) < list.size() ? &list[size_t(index)] : nullptr;
}

// A time or frequency derived from a rate that is not positive is 0.
double Per(double x, double rate) {
    return rate > 0 ? x / rate : 0;
}

void SetText(QLabel *label, const std::string &text) {
    if (label)
        label->setText(QString::fromStdString(text));
}

} // namespace

TTimeBaseWrapperTarn::TTimeBaseWrapperTarn() {
    // Without menu items the values still round to the menu's.
    for (size_t i = 0; i < WCDTable.size(); ++i)
        WCDTable[i].Tag = DefaultWCDTags[i];
}

void TTimeBaseWrapperTarn::SetWCDItems(const std::vector<QAction *> &items) {
    GivenItems = items;
}

int32_t TTimeBaseWrapperTarn::WCDIndexOf(int32_t wcd) const {
    int32_t found = 0;
    for (int32_t i = 1; i < int32_t(WCDTable.size()); ++i) {
        if (WCDTable[size_t(i)].Tag < wcd)
            break;
        found = i;
    }
    return found;
}

QAction *TTimeBaseWrapperTarn::WCDItem(int32_t index) const {
    return index >= 0 && size_t(index) < WCDTable.size() ? WCDTable[size_t(index)].Item : nullptr;
}

void TTimeBaseWrapperTarn::AddControls() {
    AddControl(TimeBaseBar);
}

void TTimeBaseWrapperTarn::UpdateTimeBaseLabels() {
    TSettingsTarn *settings = Settings();
    if (!settings)
        return;
    TSettingsTarn &s = *settings;
    // Runs with every record: reading must not mark the settings changed, so the rounded WCD is written
    // only when it differs.
    const TDeviceSettings &r = std::as_const(s).RequestedSettings();
    const TDeviceSettings &shown = s.ShownSettings();
    Fill([&] {
        const int32_t wcd = WCDIndexOf(r.WCD);
        if (r.WCD != WCDTable[size_t(wcd)].Tag)
            s.RequestedSettings().WCD = WCDTable[size_t(wcd)].Tag;
        if (TimeBaseBar)
            TimeBaseBar->setValue(r.TimeBase);
        const double perDiv = double(s.PointsPerDiv) * s.DisplayRatio;
        if (const TTimeBaseRow *row = RowOf(s, r.TimeBase)) {
            SetText(TimeBaseNowLabel, FormatTime(Per(perDiv, row->SampleRate)) + "s/d");
            SetText(SamplingRateLabel, FormatFrequency(std::max(row->SampleRate, 0.0)) + "Hz");
            const bool equivalent = (row->EquivalentTime & 1) != 0;
            for (QWidget *w :
                 std::initializer_list<QWidget *>{SamplingImage, SamplingProgressBarA, SamplingProgressBarB})
                if (w)
                    w->setVisible(equivalent);
        }
        const TTimeBaseRow *shownRow = RowOf(s, shown.TimeBase);
        if (shownRow)
            SetText(TimeBaseDataLabel, FormatTime(Per(perDiv, shownRow->SampleRate)) + "s/d");
        if (s.VerCursorsOn && shownRow) {
            const double R = shownRow->SampleRate;
            const int64_t p0 = s.GetVerCursorPos(0), p1 = s.GetVerCursorPos(1);
            const double span = double(p1 - p0) * s.DisplayRatio;
            SetText(CursorsTimeLabel, FormatTime(Per(std::fabs(span), R)) + "s");
            SetText(CursorsFreqLabel, span == 0 ? std::string(NotAvailable)
                                                : FormatFrequency(R > 0 ? R / std::fabs(span) : 0) + "Hz");
            double sample = std::nearbyint(double(p0) * s.DisplayRatio + s.DisplayStart);
            if (s.QuickViewOn)
                sample += s.QuickViewStart;
            const double offset =
                sample + shown.AfterTrigger - double(shown.MemorySize) - s.TriggerDelaySamples(shown);
            SetText(RedCursorLabel, FormatTime(Per(offset, R)) + "s");
        } else if (!s.VerCursorsOn) {
            for (QLabel *l : {CursorsTimeLabel, CursorsFreqLabel, RedCursorLabel})
                SetText(l, NotAvailable);
        }
        for (size_t i = 0; i < WCDTable.size(); ++i)
            if (QAction *item = WCDTable[i].Item)
                item->setChecked(int32_t(i) == wcd);
    });
}

void TTimeBaseWrapperTarn::TimeBaseBarChange() {
    if (Updating() || !TimeBaseBar)
        return;
    Settings()->RequestedSettings().TimeBase = TimeBaseBar->value();
    UpdateTimeBaseLabels();
    Broadcast(bmTimeBaseChanged, 0);
}

void TTimeBaseWrapperTarn::WCDItemClick(int32_t index) {
    if (index < 0 || size_t(index) >= WCDTable.size())
        return;
    Settings()->RequestedSettings().WCD = WCDTable[size_t(index)].Tag;
    UpdateTimeBaseLabels();
}

void TTimeBaseWrapperTarn::Wire() {
    // The walk needs the items in descending order of their values.
    std::vector<TWCDEntry> entries;
    for (QAction *item : GivenItems)
        if (item)
            entries.push_back({item, item->data().toInt()});
    if (entries.size() == WCDTable.size()) {
        std::stable_sort(entries.begin(), entries.end(),
                         [](const TWCDEntry &a, const TWCDEntry &b) { return a.Tag > b.Tag; });
        std::copy(entries.begin(), entries.end(), WCDTable.begin());
    }
    // The items are not blocked while filled: setting their check is no click, and the group and an open
    // menu must hear of it.
    for (size_t i = 0; i < WCDTable.size(); ++i) {
        if (!WCDTable[i].Item)
            continue;
        Bind(WCDTable[i].Item, &QAction::triggered, [this, i](bool) { WCDItemClick(int32_t(i)); });
    }
    Bind(TimeBaseBar, &QScrollBar::valueChanged, [this](int) { TimeBaseBarChange(); });
}

void TTimeBaseWrapperTarn::ObjMasterMessage(int32_t Msg, int32_t Param, void *Data) {
    TSettingsTarn *settings = Settings();
    if (!settings || Msg == bmMasterDestroying)
        return;
    TSettingsTarn &s = *settings;
    switch (Msg) {
    case bmInitialize:
        if (TimeBaseBar)
            TimeBaseBar->setRange(0, std::max(0, int(s.TimeBaseList().size()) - 1));
        Wire();
        break;
    case bmSettingsApplied:
        if (Param == ssLimits) {
            // Whatever brought the value (file, import, a loaded record's settings), every user of the
            // row relies on a valid index.
            int32_t &tb = s.RequestedSettings().TimeBase;
            const int32_t rows = int32_t(s.TimeBaseList().size());
            if (tb >= rows)
                tb = rows - 1;
            if (tb < 0)
                tb = 0;
        } else if (Param == ssGeometry) {
            UpdateTimeBaseLabels();
        }
        break;
    case bmVerCursorsToggled:
    case bmHorCursorsToggled:
    case bmScreenDataReady:
    case bmZoomChanged:
    case bmDisplayWindowChanged:
    case bmHorCursorMoved:
    case bmVerCursorMoved:
        UpdateTimeBaseLabels();
        break;
    case bmSamplingProgress:
        if (!Data)
            break;
        if (SamplingProgressBarA)
            SamplingProgressBarA->SetProgress(Param);
        if (SamplingProgressBarB)
            SamplingProgressBarB->SetProgress(*static_cast<const int32_t *>(Data));
        break;
    case bmHotkeyTimeBase:
        StepBar(TimeBaseBar, Param);
        break;
    default:
        break;
    }
}

namespace {

// The equivalent-time sign: a trace made of separate dots.
QPixmap EquivalentTimeGlyph(int w, int h) {
    QPixmap pixmap(w, h);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setPen(Qt::black);
    for (int x = 0; x < w; x += 2) {
        const double y = (h - 1) / 2.0 * (1 - std::sin(x * 6.2832 / (w - 1)));
        p.drawPoint(x, int(std::lround(y)));
    }
    return pixmap;
}

} // namespace

void MakeTimeBaseControls(QWidget *box, TTimeBaseWrapperTarn &t) {
    auto label = [box](const char *name, int x, int y, int w, Qt::Alignment align) {
        auto *l = MakeControl<QLabel>(box, name);
        l->setGeometry(x, y, w, 14);
        l->setAlignment(align | Qt::AlignVCenter);
        QFont font = l->font();
        font.setPixelSize(10);
        l->setFont(font);
        return l;
    };
    t.TimeBaseBar = MakeControl<QScrollBar>(box, "ScrollBar4", Qt::Horizontal);
    t.TimeBaseBar->setGeometry(4, 16, 102, 17);
    t.TimeBaseBar->setPageStep(1);
    t.TimeBaseNowLabel = label("TimeBaseNowLabel", 4, 35, 52, Qt::AlignLeft);
    t.SamplingRateLabel = label("SamplingRateLabel", 56, 35, 50, Qt::AlignRight);
    t.TimeBaseDataLabel = label("TimeBaseDataLabel", 4, 50, 60, Qt::AlignLeft);
    auto *image = MakeControl<QLabel>(box, "SamplingImage");
    image->setGeometry(86, 51, 20, 12);
    image->setPixmap(EquivalentTimeGlyph(20, 12));
    t.SamplingImage = image;
    // The times of the vertical cursors, each after a short caption.
    const struct {
        const char *Caption, *Name;
        QLabel *TTimeBaseWrapperTarn::*Label;
    } cursors[] = {{"t", "RedCursorLabel", &TTimeBaseWrapperTarn::RedCursorLabel},
                   {"dt", "CursorsTimeLabel", &TTimeBaseWrapperTarn::CursorsTimeLabel},
                   {"f", "CursorsFreqLabel", &TTimeBaseWrapperTarn::CursorsFreqLabel}};
    int y = 70;
    for (const auto &c : cursors) {
        QLabel *caption = label((std::string(c.Name) + "Caption").c_str(), 4, y, 14, Qt::AlignLeft);
        caption->setText(c.Caption);
        t.*(c.Label) = label(c.Name, 18, y, 64, Qt::AlignLeft);
        y += 16;
    }
    t.SamplingProgressBarA = MakeControl<TSamplingProgressBarTarn>(box, "SamplingProgressBarA");
    t.SamplingProgressBarA->setGeometry(88, 68, 7, 50);
    t.SamplingProgressBarB = MakeControl<TSamplingProgressBarTarn>(box, "SamplingProgressBarB");
    t.SamplingProgressBarB->setGeometry(98, 68, 7, 50);
    t.AddControls();
}

std::vector<QAction *> MakeWCDItems(QMenu *menu, QActionGroup *group) {
    const struct {
        const char *Name;
        const char *Caption;
        int Tag;
    } wcd[] = {{"VeryHigh1", "Very high", 8},
               {"High1", "High", 12},
               {"Medium1", "Medium", 16},
               {"Low1", "Low", 20},
               {"Off1", "Off", 255}};
    group->setExclusive(true);
    std::vector<QAction *> items;
    for (const auto &w : wcd) {
        QAction *a = menu->addAction(QString::fromLatin1(w.Caption));
        a->setObjectName(w.Name);
        a->setCheckable(true);
        a->setData(w.Tag);
        group->addAction(a);
        items.push_back(a);
    }
    return items;
}

} // namespace scope
