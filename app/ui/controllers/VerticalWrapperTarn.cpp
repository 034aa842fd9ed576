#include "controllers/VerticalWrapperTarn.h"

#include "Hints.h"
#include "bus/ObjMasterTarn.h"
#include "controls/ChannelButtonTarn.h"
#include "controls/GlyphRotateBtnTarn.h"
#include "controls/RangeBarTarn.h"
#include "controls/UpDownSpeedButton.h"
#include "settings/OptionsTarn.h"
#include "settings/SettingsTarn.h"

#include <QLabel>
#include <QPainter>
#include <algorithm>
#include <utility>

namespace scope {

namespace {

const char *const ProbeNames[] = {"1:1", "1:10", "1:100", "1:1k"};

template <typename T> bool Has(const std::vector<T> &array, int32_t c) {
    return c >= 0 && size_t(c) < array.size();
}

} // namespace

std::string TVerticalWrapperTarn::ProbeName(int32_t probe) {
    return probe >= 0 && probe < int32_t(std::size(ProbeNames)) ? ProbeNames[probe] : ProbeNames[0];
}

void TVerticalWrapperTarn::AddControls() {
    for (const TChannelControls &k : Channel)
        for (QObject *c :
             std::initializer_list<QObject *>{k.RangeUp, k.RangeDown, k.ShiftBar, k.FilterBtn, k.FilterUp,
                                              k.FilterDown, k.GroundBtn, k.ACDCBtn, k.ProbeBtn})
            AddControl(c);
}

void TVerticalWrapperTarn::ClampChannelSettings() {
    TSettingsTarn *settings = Settings();
    if (!settings)
        return;
    TSettingsTarn &s = *settings;
    TDeviceSettings &r = s.RequestedSettings();
    const int32_t rows = int32_t(s.RangeList().size());
    for (int32_t &range : r.Range) {
        if (range < 0)
            range = 0;
        // Without rows there is no last row to fall back to; the labels then stay empty.
        if (rows > 0 && range >= rows)
            range = rows - 1;
    }
    for (int32_t &shift : r.Shift) {
        if (shift < s.ShiftMin)
            shift = s.ShiftMin;
        if (shift > s.ShiftMax)
            shift = s.ShiftMax;
    }
    for (int32_t &factor : r.FilterFactor)
        factor = std::clamp(factor, MinFilterFactor, MaxFilterFactor);
    for (int32_t &probe : r.ProbeMode)
        if (probe < 0 || probe >= int32_t(std::size(ProbeNames)))
            probe = 0;
}

void TVerticalWrapperTarn::UpdateVerticalControls() {
    TSettingsTarn *settings = Settings();
    if (!settings)
        return;
    TSettingsTarn &s = *settings;
    const TDeviceSettings &r = std::as_const(s).RequestedSettings();
    Fill([&] {
        for (int32_t c = 0; c < ChannelsDriven; ++c) {
            const TChannelControls &k = Channel[size_t(c)];
            if (k.RangeLabel) {
                const bool row = Has(r.Range, c) && Has(s.RangeList(), r.Range[size_t(c)]);
                k.RangeLabel->setText(
                    row ? QString::fromStdString(
                              FormatVoltage(s.RangeList()[size_t(r.Range[size_t(c)])].VoltsPerDiv) + "V")
                        : QString());
            }
            if (k.ShiftBar && Has(r.Shift, c))
                k.ShiftBar->SetPosition(r.Shift[size_t(c)]);
            const bool filterOn = Has(r.FilterOn, c) && r.FilterOn[size_t(c)];
            if (k.FilterBtn)
                k.FilterBtn->SetSelectedItem(filterOn ? 1 : 0);
            if (k.FilterLabel)
                k.FilterLabel->setText(Has(r.FilterFactor, c) ? QString::number(r.FilterFactor[size_t(c)])
                                                              : QString());
            for (TUpDownSpeedButton *b : {k.FilterUp, k.FilterDown})
                if (b)
                    b->setEnabled(filterOn);
            if (k.GroundBtn)
                k.GroundBtn->setChecked(Has(r.Ground, c) && r.Ground[size_t(c)]);
            if (k.ACDCBtn)
                k.ACDCBtn->SetSelectedItem(Has(r.DCCoupling, c) && r.DCCoupling[size_t(c)] ? 1 : 0);
            if (k.ProbeBtn)
                k.ProbeBtn->setText(
                    QString::fromStdString(ProbeName(Has(r.ProbeMode, c) ? r.ProbeMode[size_t(c)] : 0)));
        }
    });
}

void TVerticalWrapperTarn::RangeButtonClick(int32_t c, int32_t step) {
    TDeviceSettings &r = Settings()->RequestedSettings();
    if (Has(r.Range, c))
        r.Range[size_t(c)] += step;
    ClampChannelSettings();
    UpdateVerticalControls();
    // Sent at the ends of the list too.
    Broadcast(bmRangeChanged, c);
}

void TVerticalWrapperTarn::ShiftBarChange(int32_t c) {
    TDeviceSettings &r = Settings()->RequestedSettings();
    const TRangeBarTarn *bar = Has(r.Shift, c) ? Channel[size_t(c)].ShiftBar : nullptr;
    if (bar)
        r.Shift[size_t(c)] = bar->Position();
    ClampChannelSettings();
    UpdateVerticalControls();
}

void TVerticalWrapperTarn::FilterButtonChange(int32_t c) {
    TDeviceSettings &r = Settings()->RequestedSettings();
    const TGlyphRotateBtnTarn *button = Channel[size_t(c)].FilterBtn;
    if (button && Has(r.FilterOn, c))
        r.FilterOn[size_t(c)] = button->SelectedItem() != 0 ? 1 : 0;
    ClampChannelSettings();
    UpdateVerticalControls();
}

void TVerticalWrapperTarn::FilterFactorStep(int32_t c, bool up) {
    TDeviceSettings &r = Settings()->RequestedSettings();
    if (Has(r.FilterFactor, c)) {
        int32_t &factor = r.FilterFactor[size_t(c)];
        // Clamped at once below, so doubling cannot run away.
        factor = up ? std::min(factor, MaxFilterFactor) * 2 : factor / 2;
    }
    ClampChannelSettings();
    UpdateVerticalControls();
}

void TVerticalWrapperTarn::GroundButtonClick(int32_t c) {
    TDeviceSettings &r = Settings()->RequestedSettings();
    if (Has(r.Ground, c))
        r.Ground[size_t(c)] = r.Ground[size_t(c)] ? 0 : 1;
    ClampChannelSettings();
    UpdateVerticalControls();
}

void TVerticalWrapperTarn::CouplingButtonChange(int32_t c) {
    TDeviceSettings &r = Settings()->RequestedSettings();
    if (Has(r.DCCoupling, c))
        r.DCCoupling[size_t(c)] = r.DCCoupling[size_t(c)] ? 0 : 1;
    ClampChannelSettings();
    UpdateVerticalControls();
    Broadcast(bmCouplingChanged, c);
}

void TVerticalWrapperTarn::ProbeButtonClick(int32_t c) {
    TDeviceSettings &r = Settings()->RequestedSettings();
    if (Has(r.ProbeMode, c))
        ++r.ProbeMode[size_t(c)];
    ClampChannelSettings();
    UpdateVerticalControls();
    Broadcast(bmProbeChanged, c);
}

void TVerticalWrapperTarn::ShiftHotkey(int32_t c, int32_t step) {
    if (c < 0 || c >= ChannelsDriven)
        return;
    TRangeBarTarn *bar = Channel[size_t(c)].ShiftBar;
    if (!bar)
        return;
    bar->SetPosition(bar->Position() + step);
    ShiftBarChange(c);
}

void TVerticalWrapperTarn::Wire() {
    for (int32_t c = 0; c < ChannelsDriven; ++c) {
        const TChannelControls &k = Channel[size_t(c)];
        Bind(k.RangeUp, &QAbstractButton::clicked, [this, c](bool) { RangeButtonClick(c, 1); });
        Bind(k.RangeDown, &QAbstractButton::clicked, [this, c](bool) { RangeButtonClick(c, -1); });
        Bind(k.ShiftBar, &TRangeBarTarn::OnChange, [this, c] { ShiftBarChange(c); });
        Bind(k.FilterBtn, &TGlyphRotateBtnTarn::OnUserItemChange, [this, c] { FilterButtonChange(c); });
        Bind(k.FilterUp, &TUpDownSpeedButton::OnUpDown, [this, c] { FilterFactorStep(c, true); });
        Bind(k.FilterDown, &TUpDownSpeedButton::OnUpDown, [this, c] { FilterFactorStep(c, false); });
        Bind(k.GroundBtn, &QAbstractButton::clicked, [this, c](bool) { GroundButtonClick(c); });
        Bind(k.ACDCBtn, &TGlyphRotateBtnTarn::OnUserItemChange, [this, c] { CouplingButtonChange(c); });
        Bind(k.ProbeBtn, &QAbstractButton::clicked, [this, c](bool) { ProbeButtonClick(c); });
    }
}

void TVerticalWrapperTarn::ObjMasterMessage(int32_t Msg, int32_t Param, void *Data) {
    TSettingsTarn *settings = Settings();
    if (!settings || Msg == bmMasterDestroying)
        return;
    TSettingsTarn &s = *settings;
    switch (Msg) {
    case bmInitialize:
        for (const TChannelControls &k : Channel)
            if (k.ShiftBar) {
                k.ShiftBar->SetMaxValue(s.ShiftMax);
                k.ShiftBar->SetMinValue(s.ShiftMin);
            }
        Wire();
        break;
    case bmSettingsApplied:
        if (Param == ssLimits) {
            ClampChannelSettings();
            UpdateVerticalControls();
        } else if (Param == ssFinal) {
            // The channel colours may have changed with the options.
            for (const TChannelControls &k : Channel) {
                if (k.ShiftBar)
                    k.ShiftBar->SetSettings(k.ShiftBar->Settings());
                for (QWidget *w :
                     std::initializer_list<QWidget *>{k.RangeUp, k.RangeDown, k.FilterBtn, k.FilterUp,
                                                      k.FilterDown, k.GroundBtn, k.ACDCBtn, k.ProbeBtn})
                    if (w)
                        w->update();
            }
        }
        break;
    case bmTraceDraggedY:
        // Only a live channel's trace moves its 0 V line; module and loaded traces are not ours.
        if (Data && s.Options && s.Options->GetBoolean(opDispAllowVerticalChange)) {
            const int32_t k = *static_cast<const int32_t *>(Data);
            TDoubleArray &moves = s.RequestedSettings().GroundPositionMove;
            if ((k == 0 || k == 1) && Has(moves, k))
                moves[size_t(k)] += Param;
        }
        break;
    case bmShiftValueSet: {
        if (!Data || Param < 0 || Param >= ChannelsDriven)
            break;
        if (TRangeBarTarn *bar = Channel[size_t(Param)].ShiftBar)
            bar->SetPosition(*static_cast<const int32_t *>(Data));
        TIntArray &shift = s.RequestedSettings().Shift;
        for (int32_t c = 0; c < ChannelsDriven; ++c)
            if (Channel[size_t(c)].ShiftBar && Has(shift, c))
                shift[size_t(c)] = Channel[size_t(c)].ShiftBar->Position();
        break;
    }
    case bmHotkeyRangeDown:
    case bmHotkeyRangeUp:
        if (Param == 0 || Param == 1)
            RangeButtonClick(Param, Msg == bmHotkeyRangeUp ? 1 : -1);
        break;
    case bmHotkeyShiftDown:
        ShiftHotkey(Param, -ShiftHotkeyStep);
        break;
    case bmHotkeyShiftUp:
        ShiftHotkey(Param, ShiftHotkeyStep);
        break;
    default:
        break;
    }
}

namespace {

// A two-frame strip: the enabled looks on top, the disabled looks below.
template <typename DrawFrame> QImage Strip(int w, int h, DrawFrame draw) {
    QImage strip(2 * w, 2 * h, QImage::Format_ARGB32);
    strip.fill(Qt::transparent);
    QPainter p(&strip);
    p.setRenderHint(QPainter::Antialiasing, false);
    for (int half = 0; half < 2; ++half)
        for (int frame = 0; frame < 2; ++frame) {
            p.save();
            p.translate(frame * w, half * h);
            p.setPen(half == 0 ? QColor(Qt::black) : QColor(128, 128, 128));
            draw(p, frame, w, h);
            p.restore();
        }
    return strip;
}

// Filter off: a noisy trace; on: the smoothed trace.
QImage FilterGlyph() {
    return Strip(16, 10, [](QPainter &p, int frame, int w, int h) {
        if (frame == 0) {
            const int ys[] = {5, 2, 7, 3, 8, 1, 6, 4, 7, 2, 6, 3, 8, 4, 5, 3};
            for (int x = 1; x < w; ++x)
                p.drawLine(x - 1, ys[x - 1], x, ys[x]);
        } else {
            p.drawLine(0, h / 2, w - 1, h / 2);
            p.drawLine(0, h / 2 - 1, 2, h / 2 - 1);
            p.drawLine(w - 3, h / 2 + 1, w - 1, h / 2 + 1);
        }
    });
}

QImage CouplingGlyph() {
    return Strip(20, 12, [](QPainter &p, int frame, int w, int h) {
        QFont font = p.font();
        font.setPixelSize(10);
        font.setBold(true);
        p.setFont(font);
        p.drawText(QRect(0, 0, w, h), Qt::AlignCenter, frame == 0 ? "AC" : "DC");
    });
}

} // namespace

void MakeVerticalControls(QWidget *verticalBox, QWidget *inputBox, QWidget *positionBox,
                          TSettingsTarn *settings, TVerticalWrapperTarn &vertical) {
    const QImage filterGlyph = FilterGlyph(), couplingGlyph = CouplingGlyph();
    auto name = [](const char *stem, int number) { return std::string(stem) + std::to_string(number); };
    auto channelButton = [&](QWidget *box, int number, int channel, int x, int y, int w, int h) {
        auto *b = MakeControl<TChannelButtonTarn>(box, name("ChannelButtonTarn", number).c_str());
        b->setGeometry(x, y, w, h);
        b->SetChannelID(channel);
        b->SetChannelRect(2, 2, 6, 6);
        b->SetSettings(settings);
        return b;
    };
    auto glyphButton = [&](QWidget *box, int number, int channel, const QImage &glyph, int x, int y, int w,
                           int h) {
        auto *b = MakeControl<TGlyphRotateBtnTarn>(box, name("GlyphRotateBtnTarn", number).c_str());
        b->setGeometry(x, y, w, h);
        b->SetGlyph(glyph);
        b->SetGlyphAmount(2);
        b->SetSelectedItem(0);
        b->SetChannelID(channel);
        b->SetChannelRect(2, 2, 6, 6);
        b->SetSettings(settings);
        return b;
    };
    auto label = [](QWidget *box, const std::string &objectName, int x, int y, int w, int h) {
        auto *l = MakeControl<QLabel>(box, objectName.c_str());
        l->setAlignment(Qt::AlignCenter);
        l->setGeometry(x, y, w, h);
        return l;
    };
    for (int c = 0; c < TVerticalWrapperTarn::ChannelsDriven; ++c) {
        TVerticalWrapperTarn::TChannelControls &k = vertical.Channel[size_t(c)];
        const int x = 4 + 50 * c;
        const char *letter = c == 0 ? "A" : "B";
        // Vertical: range label and buttons, then the filter with its factor.
        k.RangeLabel = label(verticalBox, std::string("RangeLabel") + letter, x, 16, 47, 15);
        k.RangeDown = channelButton(verticalBox, 2 + 2 * c, c, x, 32, 22, 20);
        k.RangeDown->setArrowType(Qt::DownArrow);
        k.RangeUp = channelButton(verticalBox, 1 + 2 * c, c, x + 25, 32, 22, 20);
        k.RangeUp->setArrowType(Qt::UpArrow);
        k.FilterBtn = glyphButton(verticalBox, 7 + c, c, filterGlyph, x, 57, 22, 18);
        k.FilterLabel = label(verticalBox, std::string("FilterLabel") + letter, x + 24, 57, 23, 18);
        k.FilterDown =
            MakeControl<TUpDownSpeedButton>(verticalBox, name("UpDownSpeedButton", 9 + 2 * c).c_str());
        k.FilterDown->setText("-");
        k.FilterDown->setGeometry(x, 80, 22, 20);
        k.FilterUp =
            MakeControl<TUpDownSpeedButton>(verticalBox, name("UpDownSpeedButton", 10 + 2 * c).c_str());
        k.FilterUp->setText("+");
        k.FilterUp->setGeometry(x + 25, 80, 22, 20);
        // Input: coupling, ground, probe.
        k.ACDCBtn = glyphButton(inputBox, 9 + c, c, couplingGlyph, x, 17, 47, 22);
        k.GroundBtn = channelButton(inputBox, 5 + c, c, x, 42, 47, 22);
        k.GroundBtn->setCheckable(true);
        k.GroundBtn->setText("GND");
        k.ProbeBtn = channelButton(inputBox, 7 + c, c, x, 67, 47, 22);
        k.ProbeBtn->setText(QString::fromStdString(TVerticalWrapperTarn::ProbeName(0)));
        // Position: the shift bar, sized with the box by the form.
        auto *letterLabel = label(positionBox, std::string("ShiftLabel") + letter, 14 + 45 * c, 14, 10, 13);
        letterLabel->setText(letter);
        k.ShiftBar = MakeControl<TRangeBarTarn>(positionBox, name("RangeBarTarn", 1 + c).c_str());
        k.ShiftBar->setGeometry(28 + 45 * c, 16, 16, std::max(8, positionBox->height() - 24));
        k.ShiftBar->SetChannelID(c);
        k.ShiftBar->SetSettings(settings);
    }
    vertical.AddControls();
}

} // namespace scope
