#include "controllers/TriggerWrapperTarn.h"

#include "Hints.h"
#include "acquisition/DataSourceTarn.h"
#include "controls/GlyphRotateBtnTarn.h"
#include "controls/HLEditTarn.h"
#include "controls/LogScrollBarTarn.h"
#include "controls/StatusLampTarn.h"
#include "controls/TextFit.h"
#include "controls/UpDownSpeedButton.h"
#include "format/NumberText.h"
#include "format/WidestValues.h"
#include "platform/QtColors.h"
#include "settings/SettingsTarn.h"

#include <QAction>
#include <QGroupBox>
#include <QPainter>
#include <QToolButton>
#include <utility>

namespace scope {

const char *const TTriggerWrapperTarn::TriggerModeNames[4] = {"Auto", "Normal", "Single", "Manual"};
const char *const TTriggerWrapperTarn::ATModeNames[4] = {"HSC", "FSC", "Set", "Min"};
const char *const TTriggerWrapperTarn::HFModeNames[2] = {"Auto", "Set"};
const char *const TTriggerWrapperTarn::ATValueModeNames[2] = {"s", "%"};

namespace {

constexpr TColor ExternalCaptionOn = 0x0000FF;
// Between a bar and the box right of it.
constexpr int BarGap = 2;
constexpr TColor ExternalCaptionOff = 0x000000;

bool Option(const TSettingsTarn &s, int32_t id) {
    return s.Options && s.Options->GetBoolean(id);
}

bool At(const TBoolArray &a, int j) {
    return j >= 0 && size_t(j) < a.size() && a[size_t(j)] != 0;
}

void SetAt(TBoolArray &a, int j, bool v) {
    if (j >= 0 && size_t(j) < a.size())
        a[size_t(j)] = v ? 1 : 0;
}

// Rejects the text as a decimal integer does, with the conversion error of the parsers.
int32_t ParseCount(const QString &text) {
    int32_t v = 0;
    if (!numtext::TryParseInt(text.toStdString(), v))
        throw EConvertError("'" + text.toStdString() + "' is not a valid integer value");
    return v;
}

// A typed text that does not parse changes nothing; the box keeps it in its edited colour.
template <typename F> void IgnoringParseErrors(F &&f) {
    try {
        f();
    } catch (const Exception &) {
    }
}

QString TimeText(double seconds) {
    return QString::fromStdString(FormatTime(seconds) + "s");
}

void SetEnabled(QWidget *w, bool on) {
    if (w && w->isEnabled() != on)
        w->setEnabled(on);
}

void SetDown(QAbstractButton *b, bool down) {
    if (b && b->isChecked() != down)
        b->setChecked(down);
}

void SetCaption(QAbstractButton *b, const char *text) {
    if (b)
        b->setText(QString::fromLatin1(text));
}

void SetVisible(QWidget *w, bool on) {
    if (w && w->isHidden() == on)
        w->setVisible(on);
}

void SetBoxText(THLEditTarn *box, const QString &text) {
    if (box)
        box->SetText(text);
}

void ShowExternalCaption(QAbstractButton *b, bool on) {
    if (!b)
        return;
    QFont f = b->font();
    if (f.bold() != on) {
        f.setBold(on);
        b->setFont(f);
    }
    // The disabled look stays the style's own.
    const QColor colour = ToQColor(on ? ExternalCaptionOn : ExternalCaptionOff);
    if (b->palette().color(QPalette::Active, QPalette::ButtonText) != colour) {
        QPalette p = b->palette();
        for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive}) {
            p.setColor(g, QPalette::ButtonText, colour);
            p.setColor(g, QPalette::WindowText, colour);
        }
        b->setPalette(p);
    }
}

} // namespace

void TTriggerWrapperTarn::AddControls() {
    for (QObject *c : std::initializer_list<QObject *>{TriggerModeBtn,
                                                       FlagBtn,
                                                       TriggerHalfBtn,
                                                       PrimarySrcABtn,
                                                       PrimarySrcBBtn,
                                                       PrimarySrcEBtn,
                                                       SecondarySrcABtn,
                                                       SecondarySrcBBtn,
                                                       SecondarySrcEBtn,
                                                       PrimaryEdgeABtn,
                                                       PrimaryEdgeBBtn,
                                                       PrimaryEdgeEBtn,
                                                       SecondaryEdgeABtn,
                                                       SecondaryEdgeBBtn,
                                                       SecondaryEdgeEBtn,
                                                       PrimaryAmountBox,
                                                       SecondaryAmountBox,
                                                       PrimaryAmountUp,
                                                       PrimaryAmountDown,
                                                       SecondaryAmountUp,
                                                       SecondaryAmountDown,
                                                       PrimaryLengthBox,
                                                       SecondaryLengthBox,
                                                       PrimaryLengthUp,
                                                       PrimaryLengthDown,
                                                       SecondaryLengthUp,
                                                       SecondaryLengthDown,
                                                       AfterTriggerBox,
                                                       AfterTriggerBar,
                                                       AfterTriggerBtn,
                                                       AfterTriggerValueBtn,
                                                       HoldOffBox,
                                                       HoldOffBar,
                                                       HoldOffBtn,
                                                       SimpleBtn,
                                                       HoldBtn,
                                                       HoldCommonBtn,
                                                       HoldABtn,
                                                       HoldBBtn})
        AddControl(c);
}

void TTriggerWrapperTarn::SetCompensationGeneratorOnOff(QAction *item) {
    CompensationGeneratorOnOff = item;
    AddControl(item);
}

void TTriggerWrapperTarn::NormalizeTriggerSettings() {
    if (Settings())
        scope::NormalizeTriggerSettings(*Settings());
}

void TTriggerWrapperTarn::RememberLengthTimes() {
    if (Settings())
        scope::RememberLengthTimes(*Settings(), Kept);
}

void TTriggerWrapperTarn::Wire() {
    TSettingsTarn &s = *Settings();
    SourceBtns = {{{PrimarySrcABtn, PrimarySrcBBtn, PrimarySrcEBtn},
                   {SecondarySrcABtn, SecondarySrcBBtn, SecondarySrcEBtn}}};
    EdgeBtns = {{{PrimaryEdgeABtn, PrimaryEdgeBBtn, PrimaryEdgeEBtn},
                 {SecondaryEdgeABtn, SecondaryEdgeBBtn, SecondaryEdgeEBtn}}};
    for (int i = 0; i < 2; ++i)
        for (int j = 0; j < 3; ++j) {
            if (QAbstractButton *b = SourceBtns[size_t(i)][size_t(j)])
                Bind(b, &QAbstractButton::clicked, [this, i, j](auto &&...) { SourceClick(i, j); });
            if (TGlyphRotateBtnTarn *e = EdgeBtns[size_t(i)][size_t(j)]) {
                e->SetSettings(&s);
                Bind(e, &TGlyphRotateBtnTarn::OnUserItemChange, [this, i, j] { EdgeChange(i, j); });
            }
        }
    const std::array<THLEditTarn *, 2> countBoxes{PrimaryAmountBox, SecondaryAmountBox};
    const std::array<THLEditTarn *, 2> lengthBoxes{PrimaryLengthBox, SecondaryLengthBox};
    const std::array<TUpDownSpeedButton *, 2> countUp{PrimaryAmountUp, SecondaryAmountUp};
    const std::array<TUpDownSpeedButton *, 2> countDown{PrimaryAmountDown, SecondaryAmountDown};
    const std::array<TUpDownSpeedButton *, 2> lengthUp{PrimaryLengthUp, SecondaryLengthUp};
    const std::array<TUpDownSpeedButton *, 2> lengthDown{PrimaryLengthDown, SecondaryLengthDown};
    for (int tag = 0; tag < 2; ++tag) {
        const size_t k = size_t(tag);
        Bind(countBoxes[k], &THLEditTarn::OnUserEnter,
             [this, tag](const QString &text) { CountBoxEnter(tag, text); });
        Bind(lengthBoxes[k], &THLEditTarn::OnUserEnter,
             [this, tag](const QString &text) { LengthBoxEnter(tag, text); });
        Bind(countUp[k], &TUpDownSpeedButton::OnUpDown, [this, tag] { CountUp(tag); });
        Bind(countDown[k], &TUpDownSpeedButton::OnUpDown, [this, tag] { CountDown(tag); });
        Bind(lengthUp[k], &TUpDownSpeedButton::OnUpDown, [this, tag] { LengthUp(tag); });
        Bind(lengthDown[k], &TUpDownSpeedButton::OnUpDown, [this, tag] { LengthDown(tag); });
    }
    Bind(AfterTriggerBtn, &QAbstractButton::clicked, [this](auto &&...) { NextATMode(); });
    Bind(AfterTriggerValueBtn, &QAbstractButton::clicked, [this](auto &&...) { SetATValueMode(); });
    Bind(AfterTriggerBox, &THLEditTarn::OnUserEnter,
         [this](const QString &text) { AfterTriggerBoxEnter(text); });
    Bind(AfterTriggerBar, &QScrollBar::valueChanged, [this](auto &&...) { AfterTriggerBarChange(); });
    Bind(HoldOffBtn, &QAbstractButton::clicked, [this](auto &&...) { NextHoldOffMode(); });
    Bind(HoldOffBox, &THLEditTarn::OnUserEnter, [this](const QString &text) { HoldOffBoxEnter(text); });
    Bind(HoldOffBar, &QScrollBar::valueChanged, [this](auto &&...) { HoldOffBarChange(); });
    Bind(SimpleBtn, &QAbstractButton::clicked, [this](auto &&...) { SimpleClick(); });
    Bind(HoldBtn, &QAbstractButton::clicked, [this](auto &&...) { HoldClick(); });
    Bind(HoldCommonBtn, &QAbstractButton::clicked, [this](auto &&...) { HoldCommonClick(); });
    Bind(HoldABtn, &QAbstractButton::clicked, [this](auto &&...) { HoldChannelClick(); });
    Bind(HoldBBtn, &QAbstractButton::clicked, [this](auto &&...) { HoldChannelClick(); });
    Bind(TriggerHalfBtn, &QAbstractButton::clicked, [this](auto &&...) { SetLevelToMiddle(); });
    Bind(CompensationGeneratorOnOff, &QAction::triggered,
         [this](auto &&...) { ToggleCompensationGenerator(); });

    FitBoxes();
    // A new range moves the bars; that is no user change.
    Fill([&] {
        if (AfterTriggerBar)
            AfterTriggerBar->SetLogRange(s.AfterTriggerMin, s.AfterTriggerMax);
        if (HoldOffBar) {
            const int32_t step = DividingStep(s.HoldOffStep);
            HoldOffBar->SetLogRange(s.HoldOffMin / step, s.HoldOffMax / step);
        }
    });

    Lamp = 2;
    NormalizeTriggerSettings();
    UpdateTriggerControls();
    Bind(TriggerModeBtn, &QAbstractButton::clicked, [this](auto &&...) { NextTriggerMode(); });
    Bind(FlagBtn, &QAbstractButton::clicked, [this](auto &&...) { FlagClick(); });
    // The loaded pulse lengths are the reference until the time base is changed and has settled.
    RememberLengthTimes();
}

void TTriggerWrapperTarn::UpdateStatusLamp() {
    if (!TriggerStatusShp)
        return;
    TSettingsTarn &s = *Settings();
    const TDeviceSettings &r = std::as_const(s).RequestedSettings();
    TriggerStatusShp->SetBrushColor(StatusLampColor(Lamp, r.TriggerMode, r.StartRequest, s.TriggerHold));
}

void TTriggerWrapperTarn::ReadInputs(TControlInputs &in) const {
    const TSettingsTarn &s = *Settings();
    const TDeviceSettings &r = s.RequestedSettings();
    in.TriggerMode = r.TriggerMode;
    in.TimeBase = r.TimeBase;
    in.MemorySize = r.MemorySize;
    in.AfterTrigger = r.AfterTrigger;
    in.HoldOff = r.HoldOff;
    in.StartRequest = r.StartRequest;
    in.CompensationGenerator = r.CompensationGenerator;
    in.TriggerSourceOn = r.TriggerSourceOn;
    in.TriggerLeading = r.TriggerLeading;
    in.TriggerCount = r.TriggerCount;
    in.TriggerLength = r.TriggerLength;
    in.HoldChannel = r.HoldChannel;
    in.ATMode = s.ATMode;
    in.ATValueMode = s.ATValueMode;
    in.HFMode = s.HFMode;
    in.HoldOffStep = s.HoldOffStep;
    in.SimpleTrigger = s.SimpleTrigger;
    in.TriggerHold = s.TriggerHold;
    in.SeparateHold = Option(s, opSeparateHold);
    const TTimeBaseRow *row = CurrentTimeBaseRow(s);
    in.FirstRate = FirstRate(row);
    in.SecondRate = SecondRate(row);
    in.EquivalentTime = IsEquivalentTimeRow(row);
}

void TTriggerWrapperTarn::UpdateTriggerControls() {
    if (!Settings())
        return;
    // Noted before the controls are filled, as the fill itself may set the hold channels: then the next
    // state message fills once more and finds them settled.
    TControlInputs inputs;
    ReadInputs(inputs);
    TSettingsTarn &s = *Settings();
    // Runs with every record: reading must not mark the settings changed.
    const TDeviceSettings &r = std::as_const(s).RequestedSettings();
    Fill([&] {
        const TTimeBaseRow *row = CurrentTimeBaseRow(s);
        const int32_t mode = r.TriggerMode;
        if (mode >= 0 && mode <= 3)
            SetCaption(TriggerModeBtn, TriggerModeNames[mode]);
        const bool flagEnabled = mode == 2 || mode == 3;
        SetEnabled(FlagBtn, flagEnabled);
        if (flagEnabled)
            SetDown(FlagBtn, r.StartRequest);
        UpdateStatusLamp();

        for (int i = 0; i < 2; ++i)
            for (int j = 0; j < 3; ++j) {
                const bool on = At(r.TriggerSourceOn[size_t(i)], j);
                const bool usable = !(i == 1 && s.SimpleTrigger);
                if (QAbstractButton *b = SourceBtns[size_t(i)][size_t(j)]) {
                    SetDown(b, on);
                    SetEnabled(b, usable);
                }
                if (TGlyphRotateBtnTarn *e = EdgeBtns[size_t(i)][size_t(j)]) {
                    SetEnabled(e, on && usable);
                    e->SetSelectedItem(At(r.TriggerLeading[size_t(i)], j) ? 0 : 1);
                }
            }

        const bool atSet = s.ATMode == 2;
        SetEnabled(AfterTriggerBar, atSet);
        SetEnabled(AfterTriggerBox, atSet);
        RememberShownTimes(s, Kept);
        if (s.ATValueMode == 0)
            SetBoxText(AfterTriggerBox, TimeText(Kept.AfterTriggerTime));
        else if (s.ATValueMode == 1)
            SetBoxText(AfterTriggerBox,
                       QString::fromStdString(FormatInteger(RoundSaturated(Kept.AfterTriggerPercent)) + "%"));
        if (AfterTriggerBar && atSet)
            AfterTriggerBar->SetLogValue(r.AfterTrigger);
        if (s.ATMode >= 0 && s.ATMode <= 3)
            SetCaption(AfterTriggerBtn, ATModeNames[s.ATMode]);
        if (s.ATValueMode >= 0 && s.ATValueMode <= 1)
            SetCaption(AfterTriggerValueBtn, ATValueModeNames[s.ATValueMode]);

        const bool hfSet = s.HFMode == 1;
        SetEnabled(HoldOffBar, hfSet);
        SetEnabled(HoldOffBox, hfSet);
        SetBoxText(HoldOffBox, TimeText(Kept.HoldOffTime));
        if (HoldOffBar && hfSet)
            HoldOffBar->SetLogValue(r.HoldOff / DividingStep(s.HoldOffStep));
        if (s.HFMode >= 0 && s.HFMode <= 1)
            SetCaption(HoldOffBtn, HFModeNames[s.HFMode]);
        SetEnabled(HoldOffBtn, !(IsEquivalentTimeRow(row) || s.SimpleTrigger));

        SetBoxText(PrimaryAmountBox, QString::number(r.TriggerCount[0]));
        SetBoxText(SecondaryAmountBox, QString::number(r.TriggerCount[1]));
        SetBoxText(PrimaryLengthBox, TimeText(SecondsOfSamples(r.TriggerLength[0], SecondRate(row))));
        SetBoxText(SecondaryLengthBox, TimeText(SecondsOfSamples(r.TriggerLength[1], SecondRate(row))));

        SetDown(SimpleBtn, s.SimpleTrigger);
        for (QWidget *w : std::initializer_list<QWidget *>{
                 PrimaryAmountBox, SecondaryAmountBox, PrimaryLengthBox, SecondaryLengthBox, PrimaryAmountUp,
                 PrimaryAmountDown, SecondaryAmountUp, SecondaryAmountDown, PrimaryLengthUp,
                 PrimaryLengthDown, SecondaryLengthUp, SecondaryLengthDown})
            SetEnabled(w, !s.SimpleTrigger);

        const bool separate = Option(s, opSeparateHold);
        SetVisible(HoldCommonBtn, separate);
        SetVisible(HoldABtn, separate);
        SetVisible(HoldBBtn, separate);
        SetVisible(HoldBtn, !separate);
        if (r.HoldChannel.size() < 2)
            s.RequestedSettings().HoldChannel.resize(2, 0);
        if (separate) {
            const bool a = r.HoldChannel[0] != 0, b = r.HoldChannel[1] != 0;
            SetEnabled(HoldCommonBtn, a == b);
            SetDown(HoldCommonBtn, s.TriggerHold);
            SetDown(HoldABtn, a || s.TriggerHold);
            SetDown(HoldBBtn, b || s.TriggerHold);
        } else {
            SetDown(HoldBtn, s.TriggerHold);
            if (r.HoldChannel[0] || r.HoldChannel[1])
                s.RequestedSettings().HoldChannel[0] = s.RequestedSettings().HoldChannel[1] = 0;
        }

        if (CompensationGeneratorOnOff && CompensationGeneratorOnOff->isChecked() != r.CompensationGenerator)
            CompensationGeneratorOnOff->setChecked(r.CompensationGenerator);
        ShowExternalCaption(PrimarySrcEBtn, r.CompensationGenerator);
        ShowExternalCaption(SecondarySrcEBtn, r.CompensationGenerator);
    });
    Shown = std::move(inputs);
}

void TTriggerWrapperTarn::RepaintEdges() {
    for (const auto &set : EdgeBtns)
        for (TGlyphRotateBtnTarn *e : set)
            if (e)
                e->update();
}

void TTriggerWrapperTarn::ObjMasterMessage(int32_t Msg, int32_t Param, void *) {
    if (!Settings())
        return;
    switch (Msg) {
    case bmSettingsApplied:
        // Settings just loaded or applied are the reference before any later stage announces a new
        // memory size: the counts recomputed then must be theirs, not those of the times kept before.
        if (Param == ssColours) {
            RememberShownTimes(*Settings(), Kept);
            RememberLengthTimes();
        } else if (Param == ssGeometry)
            Wire();
        else if (Param == ssFinal)
            RepaintEdges();
        break;
    case bmAcquisitionState:
        Lamp = Param;
        // Written only when set: an unchanged write would still cost the next pass a settings push.
        if (Param == 2 && std::as_const(*Settings()).RequestedSettings().StartRequest)
            Settings()->RequestedSettings().StartRequest = false;
        // Three of these a record: when nothing the controls show has changed, only the lamp has.
        ReadInputs(Scratch);
        if (Shown && *Shown == Scratch)
            UpdateStatusLamp();
        else
            UpdateTriggerControls();
        break;
    case bmTimeBaseChanged:
    case bmMemorySizeChanged:
        CountsFromTimes(*Settings(), Kept);
        NormalizeTriggerSettings();
        UpdateTriggerControls();
        break;
    case bmPostTriggerChanged:
        UpdateTriggerControls();
        break;
    case bmTimeBaseSettled:
        RememberLengthTimes();
        break;
    case bmHotkeyHold:
        HotkeyHold();
        break;
    case bmPostTriggerDragged:
        if (Option(*Settings(), opAutosetATMode))
            Settings()->ATMode = 2;
        Settings()->RequestedSettings().AfterTrigger = Param;
        NormalizeTriggerSettings();
        Broadcast(bmPostTriggerChanged);
        break;
    default:
        break;
    }
}

// Each box as wide as the widest text the limits let it show. The hold-off and after-trigger boxes and the
// count boxes keep their right ends, and the bars on their left give way; the two pulse lengths share
// their row, and their buttons take what the boxes leave.
void TTriggerWrapperTarn::FitBoxes() {
    const TSettingsTarn &s = *Settings();
    auto keepRight = [](THLEditTarn *box, int width, QWidget *yielding) {
        if (!box)
            return;
        const int right = box->x() + box->width();
        box->setGeometry(right - width, box->y(), width, box->height());
        if (yielding)
            yielding->resize(box->x() - BarGap - yielding->x(), yielding->height());
    };
    auto fit = [&](THLEditTarn *box, TTriggerBox kind, QWidget *yielding) {
        if (box)
            keepRight(box, WidthForTexts(*box, TriggerBoxTexts(s, kind)), yielding);
    };
    fit(HoldOffBox, TTriggerBox::HoldOff, HoldOffBar);
    fit(AfterTriggerBox, TTriggerBox::AfterTrigger, AfterTriggerBar);
    fit(PrimaryAmountBox, TTriggerBox::Count, nullptr);
    fit(SecondaryAmountBox, TTriggerBox::Count, nullptr);

    const std::array<std::array<QWidget *, 3>, 2> lengths{
        {{PrimaryLengthBox, PrimaryLengthDown, PrimaryLengthUp},
         {SecondaryLengthBox, SecondaryLengthDown, SecondaryLengthUp}}};
    for (const auto &group : lengths)
        for (QWidget *w : group)
            if (!w)
                return;
    const int left = PrimaryLengthBox->x(), right = SecondaryLengthUp->x() + SecondaryLengthUp->width();
    const int width = WidthForTexts(*PrimaryLengthBox, TriggerBoxTexts(s, TTriggerBox::Length));
    const int share = (right - left) / 2, button = (share - width - 2) / 2;
    for (size_t k = 0; k < lengths.size(); ++k) {
        const int x = left + int(k) * share;
        QWidget *box = lengths[k][0], *down = lengths[k][1], *up = lengths[k][2];
        box->setGeometry(x, box->y(), width, box->height());
        down->setGeometry(x + width + 1, down->y(), button, down->height());
        up->setGeometry(down->x() + button + 1, up->y(), button, up->height());
    }
}

// --- control events ---

void TTriggerWrapperTarn::NextTriggerMode() {
    if (Updating())
        return;
    int32_t &mode = Settings()->RequestedSettings().TriggerMode;
    mode = Saturate32(int64_t(mode) + 1);
    NormalizeTriggerSettings();
    UpdateTriggerControls();
}

void TTriggerWrapperTarn::FlagClick() {
    if (Updating())
        return;
    if (Option(*Settings(), opClearScreenOnFlag))
        Broadcast(bmClearScreen);
    Settings()->RequestedSettings().StartRequest = FlagBtn && FlagBtn->isChecked();
    UpdateTriggerControls();
}

void TTriggerWrapperTarn::SourceClick(int i, int j) {
    TBoolArray &on = Settings()->RequestedSettings().TriggerSourceOn[size_t(i)];
    SetAt(on, j, !At(on, j));
    UpdateTriggerControls();
    Broadcast(bmTriggerSourceToggled, j | (i << 8));
}

void TTriggerWrapperTarn::EdgeChange(int i, int j) {
    const TGlyphRotateBtnTarn *e = EdgeBtns[size_t(i)][size_t(j)];
    SetAt(Settings()->RequestedSettings().TriggerLeading[size_t(i)], j, e && e->SelectedItem() == 0);
    UpdateTriggerControls();
}

void TTriggerWrapperTarn::CountBoxEnter(int tag, const QString &text) {
    IgnoringParseErrors([&] {
        const int32_t count = ParseCount(text);
        Settings()->RequestedSettings().TriggerCount[size_t(tag)] = count;
        NormalizeTriggerSettings();
        for (THLEditTarn *box : {PrimaryAmountBox, SecondaryAmountBox})
            if (box)
                box->ForceNextText();
        UpdateTriggerControls();
    });
}

void TTriggerWrapperTarn::CountUp(int tag) {
    int32_t &count = Settings()->RequestedSettings().TriggerCount[size_t(tag)];
    count = Saturate32(int64_t(count) + 1);
    NormalizeTriggerSettings();
    UpdateTriggerControls();
}

void TTriggerWrapperTarn::CountDown(int tag) {
    int32_t &count = Settings()->RequestedSettings().TriggerCount[size_t(tag)];
    count = Saturate32(int64_t(count) - 1);
    NormalizeTriggerSettings();
    UpdateTriggerControls();
}

void TTriggerWrapperTarn::LengthBoxEnter(int tag, const QString &text) {
    IgnoringParseErrors([&] {
        const double t = ParseTime(text.toStdString());
        TSettingsTarn &s = *Settings();
        s.RequestedSettings().TriggerLength[size_t(tag)] =
            SamplesOfTime(SecondRate(CurrentTimeBaseRow(s)), t);
        for (THLEditTarn *box : {PrimaryLengthBox, SecondaryLengthBox})
            if (box)
                box->ForceNextText();
        NormalizeTriggerSettings();
        UpdateTriggerControls();
        RememberLengthTimes();
    });
}

void TTriggerWrapperTarn::LengthUp(int tag) {
    TSettingsTarn &s = *Settings();
    int32_t &length = s.RequestedSettings().TriggerLength[size_t(tag)];
    int64_t l = int64_t(length) + s.LengthStep;
    // A length of one step is skipped.
    if (l == s.LengthStep)
        l += s.LengthStep;
    length = Saturate32(l);
    NormalizeTriggerSettings();
    UpdateTriggerControls();
    RememberLengthTimes();
}

void TTriggerWrapperTarn::LengthDown(int tag) {
    TSettingsTarn &s = *Settings();
    int32_t &length = s.RequestedSettings().TriggerLength[size_t(tag)];
    length = Saturate32(int64_t(length) - s.LengthStep);
    NormalizeTriggerSettings();
    UpdateTriggerControls();
    RememberLengthTimes();
}

void TTriggerWrapperTarn::NextATMode() {
    Settings()->ATMode = Saturate32(int64_t(Settings()->ATMode) + 1);
    NormalizeTriggerSettings();
    Broadcast(bmPostTriggerChanged);
}

void TTriggerWrapperTarn::SetATValueMode() {
    int32_t &unit = Settings()->ATValueMode;
    unit = int32_t((int64_t(unit) + 1) % 2);
    UpdateTriggerControls();
}

void TTriggerWrapperTarn::AfterTriggerBoxEnter(const QString &text) {
    IgnoringParseErrors([&] {
        TSettingsTarn &s = *Settings();
        TDeviceSettings &r = s.RequestedSettings();
        if (s.ATValueMode == 0)
            r.AfterTrigger = SamplesOfTime(FirstRate(CurrentTimeBaseRow(s)), ParseTime(text.toStdString()));
        else if (s.ATValueMode == 1)
            r.AfterTrigger = SamplesOfPercent(r.MemorySize, ParsePercent(text.toStdString()));
        NormalizeTriggerSettings();
        if (AfterTriggerBox)
            AfterTriggerBox->ForceNextText();
        Broadcast(bmPostTriggerChanged);
    });
}

void TTriggerWrapperTarn::AfterTriggerBarChange() {
    if (Updating() || !AfterTriggerBar)
        return;
    Settings()->RequestedSettings().AfterTrigger = RoundSaturated(AfterTriggerBar->LogValue);
    NormalizeTriggerSettings();
    UpdateTriggerControls();
    Broadcast(bmPostTriggerChanged);
}

void TTriggerWrapperTarn::NextHoldOffMode() {
    Settings()->HFMode = Saturate32(int64_t(Settings()->HFMode) + 1);
    NormalizeTriggerSettings();
    UpdateTriggerControls();
}

void TTriggerWrapperTarn::HoldOffBoxEnter(const QString &text) {
    IgnoringParseErrors([&] {
        TSettingsTarn &s = *Settings();
        s.RequestedSettings().HoldOff =
            SamplesOfTime(FirstRate(CurrentTimeBaseRow(s)), ParseTime(text.toStdString()));
        NormalizeTriggerSettings();
        if (HoldOffBox)
            HoldOffBox->ForceNextText();
        UpdateTriggerControls();
    });
}

void TTriggerWrapperTarn::HoldOffBarChange() {
    if (Updating() || !HoldOffBar)
        return;
    TSettingsTarn &s = *Settings();
    s.RequestedSettings().HoldOff = RoundSaturated(DividingStep(s.HoldOffStep) * HoldOffBar->LogValue);
    NormalizeTriggerSettings();
    UpdateTriggerControls();
}

void TTriggerWrapperTarn::SimpleClick() {
    Settings()->SimpleTrigger = !Settings()->SimpleTrigger;
    NormalizeTriggerSettings();
    UpdateTriggerControls();
}

void TTriggerWrapperTarn::HoldClick() {
    Settings()->TriggerHold = !Settings()->TriggerHold;
    UpdateTriggerControls();
}

void TTriggerWrapperTarn::HoldCommonClick() {
    TSettingsTarn &s = *Settings();
    s.TriggerHold = HoldCommonBtn && HoldCommonBtn->isChecked();
    std::fill(s.RequestedSettings().HoldChannel.begin(), s.RequestedSettings().HoldChannel.end(), uint8_t(0));
    UpdateTriggerControls();
}

void TTriggerWrapperTarn::HoldChannelClick() {
    TSettingsTarn &s = *Settings();
    TBoolArray &hold = s.RequestedSettings().HoldChannel;
    if (hold.size() < 2)
        hold.resize(2, 0);
    const bool a = HoldABtn && HoldABtn->isChecked(), b = HoldBBtn && HoldBBtn->isChecked();
    hold[0] = a;
    hold[1] = b;
    if (a == b) {
        s.TriggerHold = a;
        hold[0] = hold[1] = 0;
    } else {
        s.TriggerHold = false;
    }
    UpdateTriggerControls();
}

void TTriggerWrapperTarn::HotkeyHold() {
    TSettingsTarn &s = *Settings();
    s.TriggerHold = !s.TriggerHold;
    std::fill(s.RequestedSettings().HoldChannel.begin(), s.RequestedSettings().HoldChannel.end(), uint8_t(0));
    UpdateTriggerControls();
}

void TTriggerWrapperTarn::SetLevelToMiddle() {
    if (!DataSource)
        return;
    TSettingsTarn &s = *Settings();
    const TDeviceSettings &r = std::as_const(s).RequestedSettings();
    TAcquiredData &waves = DataSource->Waveforms();
    for (int32_t c = 0; c < s.PhysicalChannelCount && c < 2; ++c) {
        if (!At(r.TriggerSourceOn[0], c) && !At(r.TriggerSourceOn[1], c))
            continue;
        if (size_t(c) >= waves.size())
            continue;
        if (const std::optional<int32_t> middle = MiddleLevel(waves[size_t(c)])) {
            int32_t level = *middle;
            Broadcast(bmSetTriggerLevel, c, &level);
        }
    }
}

void TTriggerWrapperTarn::ToggleCompensationGenerator() {
    bool &on = Settings()->RequestedSettings().CompensationGenerator;
    on = !on;
    UpdateTriggerControls();
}

// --- the texts of the boxes ---

namespace {

void AddTimes(std::vector<std::string> &texts, int64_t fewest, int64_t most, double rate) {
    if (!(rate > 0) || most < fewest)
        return;
    for (double t : SpanValues(double(std::max<int64_t>(fewest, 0)) / rate, double(most) / rate, 1 / rate))
        texts.push_back(FormatTime(t) + "s");
}

void AddCounts(std::vector<std::string> &texts, double fewest, double most, const char *unit) {
    if (most < fewest)
        return;
    for (double n : SpanValues(std::max(fewest, 0.0), std::max(most, 0.0), 1))
        texts.push_back(FormatInteger(RoundSaturated(n)) + unit);
    if (fewest < 0)
        texts.push_back(FormatInteger(RoundSaturated(fewest)) + unit);
}

} // namespace

std::vector<std::string> TriggerBoxTexts(const TSettingsTarn &s, TTriggerBox box) {
    std::vector<std::string> texts;
    switch (box) {
    case TTriggerBox::AfterTrigger:
        for (const TTimeBaseRow &row : s.TimeBases)
            AddTimes(texts, int64_t(s.AfterTriggerMin) * EquivalentTimeFactor(&row), s.AfterTriggerMax,
                     FirstRate(&row));
        for (int32_t size : s.MemorySizes)
            if (size > 0)
                AddCounts(texts, 100.0 * s.AfterTriggerMin / size, 100.0 * s.AfterTriggerMax / size, "%");
        break;
    case TTriggerBox::HoldOff:
        for (const TTimeBaseRow &row : s.TimeBases)
            AddTimes(texts, s.HoldOffMin, s.HoldOffMax, FirstRate(&row));
        break;
    case TTriggerBox::Length:
        for (const TTimeBaseRow &row : s.TimeBases)
            AddTimes(texts, s.LengthMin, s.LengthMax, SecondRate(&row));
        break;
    case TTriggerBox::Count:
        AddCounts(texts, s.CountMin, s.CountMax, "");
        break;
    }
    return texts;
}

// --- the two group boxes ---

namespace {

// Two frames, leading then trailing edge; the lower half holds the disabled looks.
QImage EdgeGlyphs() {
    constexpr int W = 11, H = 11;
    QImage strip(2 * W, 2 * H, QImage::Format_ARGB32);
    strip.fill(Qt::transparent);
    QPainter p(&strip);
    for (int look = 0; look < 2; ++look) {
        p.setPen(look == 0 ? QColor(0, 0, 0) : QColor(150, 150, 150));
        const int y0 = look * H;
        for (int frame = 0; frame < 2; ++frame) {
            const int x0 = frame * W;
            const int low = y0 + H - 2, high = y0 + 1;
            const int from = frame == 0 ? low : high, to = frame == 0 ? high : low;
            p.drawLine(x0 + 1, from, x0 + W / 2, from);
            p.drawLine(x0 + W / 2, from, x0 + W / 2, to);
            p.drawLine(x0 + W / 2, to, x0 + W - 2, to);
            // The arrow head on the edge.
            const int mid = y0 + H / 2, dir = frame == 0 ? -1 : 1;
            p.drawLine(x0 + W / 2 - 2, mid - dir, x0 + W / 2, mid + dir);
            p.drawLine(x0 + W / 2 + 2, mid - dir, x0 + W / 2, mid + dir);
        }
    }
    return strip;
}

QFont SmallFont(QWidget *w) {
    QFont f = w->font();
    f.setPixelSize(10);
    return f;
}

} // namespace

void MakeTriggerControls(QGroupBox *modeBox, QGroupBox *box, TTriggerWrapperTarn &t) {
    auto button = [](QWidget *parent, const char *name, const char *caption, int x, int y, int w, int h,
                     bool checkable) {
        auto *b = MakeControl<QToolButton>(parent, name);
        b->setText(QString::fromLatin1(caption));
        b->setCheckable(checkable);
        b->setGeometry(x, y, w, h);
        b->setFont(SmallFont(b));
        return b;
    };

    // "Trigger mode": mode and lamp, start, simple and half level, the hold buttons.
    t.TriggerModeBtn = button(modeBox, "SpeedButton28", "Auto", 4, 16, 58, 20, false);
    t.TriggerStatusShp = MakeControl<TStatusLampTarn>(modeBox, "TriggerStatusShp");
    t.TriggerStatusShp->setGeometry(66, 19, 14, 14);
    t.FlagBtn = button(modeBox, "SpeedButton29", "Start", 4, 39, 76, 20, true);
    t.SimpleBtn = button(modeBox, "SpeedButton15", "Simple", 4, 62, 46, 20, true);
    t.TriggerHalfBtn = button(modeBox, "SpeedButton17", "1/2", 52, 62, 28, 20, false);
    t.HoldBtn = button(modeBox, "SpeedButton16", "Hold", 4, 85, 76, 20, true);
    t.HoldCommonBtn = button(modeBox, "HoldCommonBtn", "Hold", 4, 85, 40, 20, true);
    t.HoldABtn = button(modeBox, "HoldABtn", "A", 46, 85, 16, 20, true);
    t.HoldBBtn = button(modeBox, "HoldBBtn", "B", 64, 85, 16, 20, true);
    for (QAbstractButton *b : {t.HoldCommonBtn, t.HoldABtn, t.HoldBBtn})
        b->hide();

    // "Trigger": one row per trigger (sources with their slopes, count), the two pulse lengths, hold-off
    // and after-trigger.
    const QImage glyphs = EdgeGlyphs();
    const char *const sourceNames[2][3] = {{"SpeedButton12", "SpeedButton13", "SpeedButton14"},
                                           {"SpeedButton19", "SpeedButton20", "SpeedButton21"}};
    const char *const edgeNames[2][3] = {
        {"GlyphRotateBtnTarn1", "GlyphRotateBtnTarn2", "GlyphRotateBtnTarn3"},
        {"GlyphRotateBtnTarn6", "GlyphRotateBtnTarn5", "GlyphRotateBtnTarn4"}};
    const char *const captions[3] = {"A", "B", "E"};
    QAbstractButton **sources[2][3] = {{&t.PrimarySrcABtn, &t.PrimarySrcBBtn, &t.PrimarySrcEBtn},
                                       {&t.SecondarySrcABtn, &t.SecondarySrcBBtn, &t.SecondarySrcEBtn}};
    TGlyphRotateBtnTarn **edges[2][3] = {{&t.PrimaryEdgeABtn, &t.PrimaryEdgeBBtn, &t.PrimaryEdgeEBtn},
                                         {&t.SecondaryEdgeABtn, &t.SecondaryEdgeBBtn, &t.SecondaryEdgeEBtn}};
    for (int i = 0; i < 2; ++i) {
        const int y = 16 + 21 * i;
        for (int j = 0; j < 3; ++j) {
            const int x = 4 + 36 * j;
            *sources[i][j] = button(box, sourceNames[i][j], captions[j], x, y, 16, 19, true);
            auto *e = MakeControl<TGlyphRotateBtnTarn>(box, edgeNames[i][j]);
            e->setGeometry(x + 17, y, 18, 19);
            e->SetGlyph(glyphs);
            e->SetGlyphAmount(2);
            e->SetSelectedItem(0);
            e->SetChannelRect(2, 2, 5, 5);
            e->SetChannelID(j < 2 ? j : -1);
            if (j == 2)
                e->SetChannelColor(0xFF0000); // blue
            *edges[i][j] = e;
        }
    }
    auto edit = [box](const char *name, int x, int y, int w) {
        auto *e = MakeControl<THLEditTarn>(box, name);
        e->setGeometry(x, y, w, 19);
        e->setFont(SmallFont(e));
        return e;
    };
    auto upDown = [box](const char *name, const char *caption, int x, int y) {
        auto *b = MakeControl<TUpDownSpeedButton>(box, name);
        b->setText(QString::fromLatin1(caption));
        b->setGeometry(x, y, 13, 19);
        b->setFont(SmallFont(b));
        return b;
    };
    t.PrimaryAmountBox = edit("HLEditTarn3", 112, 16, 44);
    t.PrimaryAmountDown = upDown("UpDownSpeedButton1", "-", 157, 16);
    t.PrimaryAmountUp = upDown("UpDownSpeedButton2", "+", 171, 16);
    t.SecondaryAmountBox = edit("HLEditTarn4", 112, 37, 44);
    t.SecondaryAmountDown = upDown("UpDownSpeedButton3", "-", 157, 37);
    t.SecondaryAmountUp = upDown("UpDownSpeedButton4", "+", 171, 37);
    t.PrimaryLengthBox = edit("HLEditTarn5", 4, 58, 62);
    t.PrimaryLengthDown = upDown("UpDownSpeedButton5", "-", 67, 58);
    t.PrimaryLengthUp = upDown("UpDownSpeedButton6", "+", 81, 58);
    t.SecondaryLengthBox = edit("HLEditTarn6", 94, 58, 62);
    t.SecondaryLengthDown = upDown("UpDownSpeedButton7", "-", 157, 58);
    t.SecondaryLengthUp = upDown("UpDownSpeedButton8", "+", 171, 58);

    t.HoldOffBtn = button(box, "SpeedButton26", "Auto", 4, 79, 34, 19, false);
    t.HoldOffBar = MakeControl<TLogScrollBarTarn>(box, "LogScrollBarTarn2", Qt::Horizontal);
    t.HoldOffBar->setGeometry(40, 80, 88, 17);
    t.HoldOffBox = edit("HoldOffBox", 130, 79, 54);
    t.AfterTriggerBtn = button(box, "SpeedButton27", "HSC", 4, 100, 34, 19, false);
    t.AfterTriggerBar = MakeControl<TLogScrollBarTarn>(box, "LogScrollBarTarn1", Qt::Horizontal);
    t.AfterTriggerBar->setGeometry(40, 101, 72, 17);
    t.AfterTriggerBox = edit("AfterTriggerBox", 114, 100, 54);
    t.AfterTriggerValueBtn = button(box, "AfterTriggerValueBtn", "s", 169, 100, 15, 19, false);
    for (TLogScrollBarTarn *bar : {t.HoldOffBar, t.AfterTriggerBar})
        bar->setPageStep(10);
    t.AddControls();
}

} // namespace scope
