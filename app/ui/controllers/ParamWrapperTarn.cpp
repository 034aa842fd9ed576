#include "controllers/ParamWrapperTarn.h"

#include "acquisition/DataSourceTarn.h"
#include "format/WidestValues.h"
#include "platform/QtColors.h"
#include "settings/SettingsTarn.h"

#include <QLabel>
#include <QWidget>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>

namespace scope {

namespace {

const char *const NotAvailable = "N/A";
const QColor Black(0, 0, 0);
const QColor Red(255, 0, 0);

template <typename T> T At(const std::vector<T> &v, int32_t i, T fallback = T()) {
    return i >= 0 && size_t(i) < v.size() ? v[size_t(i)] : fallback;
}

void SetText(QLabel *label, const std::string &text, const QColor &colour) {
    if (!label)
        return;
    label->setText(QString::fromStdString(text));
    // Readouts follow every record: an unchanged colour is not set again (a palette change relays out).
    if (label->palette().color(QPalette::WindowText) == colour)
        return;
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, colour);
    label->setPalette(p);
}

// Converts level differences of one channel of a record to volts at the probe tip.
struct TScale {
    double VoltsPerLevel = 0;
    double Ground = 0;
    bool DC = true;

    TScale(const TSettingsTarn &s, const TDeviceSettings &d, int32_t c) {
        const double perDiv = At(s.Ranges, At(d.Range, c), TRangeRow()).VoltsPerDiv;
        VoltsPerLevel = s.LevelsPerDiv > 0 ? ProbeFactor(At(d.ProbeMode, c)) * perDiv / s.LevelsPerDiv : 0.0;
        Ground = At(d.GroundPosition, c);
        DC = At<uint8_t>(d.DCCoupling, c, 1) != 0;
    }
    double Volts(double levels) const { return levels * VoltsPerLevel; }
    std::string AtLevel(double level) const { return FormatVoltage(Volts(level - Ground)) + "V"; }
    QColor Colour() const { return DC ? Black : Red; }
};

uint8_t ByMode(const TColumn &col, int32_t mode) {
    return mode == 0 ? col.Minimum : mode == 1 ? col.Maximum : col.Average;
}

} // namespace

TParamWrapperTarn::TParamWrapperTarn() = default;

void TParamWrapperTarn::SetChannelControls(int32_t channel, const std::array<QLabel *, LabelKinds> &labels,
                                           QWidget *swatch) {
    if (channel < 0 || channel > 1)
        return;
    Labels[size_t(channel)] = labels;
    Shapes[size_t(channel)] = swatch;
    for (QLabel *l : labels)
        AddControl(l);
    AddControl(swatch);
}

void TParamWrapperTarn::ObjMasterMessage(int32_t Msg, int32_t, void *) {
    switch (Msg) {
    case bmInitialize:
        if (OnCapabilitiesKnown)
            OnCapabilitiesKnown();
        break;
    case bmScreenDataReady:
        NewScreenData();
        break;
    case bmVerCursorsToggled:
    case bmHorCursorsToggled:
    case bmTriggerSourceToggled:
    case bmHorCursorMoved:
    case bmVerCursorMoved:
    case bmTriggerLevelDragged:
    case bmRangeChanged:
    case bmCouplingChanged:
    case bmProbeChanged:
    case bmGroundLevelChanged:
        UpdateReadouts();
        break;
    default:
        break;
    }
}

// Updated less than a frame ago: this record waits for the frame, and a later one may take its place.
void TParamWrapperTarn::NewScreenData() {
    Frame.Request();
}

void TParamWrapperTarn::UpdateReadouts() {
    if (!Settings())
        return;
    // Whatever asked, the readouts now show the latest record.
    Fill([&] {
        for (int32_t c = 0; c < 2; ++c)
            UpdateChannel(c);
    });
}

void TParamWrapperTarn::UpdateChannel(int32_t c) {
    TSettingsTarn &s = *Settings();
    const auto &labels = Labels[size_t(c)];
    const bool on = At<uint8_t>(s.ChannelsOn, c) != 0;
    for (QLabel *l : labels)
        if (l)
            l->setVisible(on);
    if (Shapes[size_t(c)])
        Shapes[size_t(c)]->setVisible(on);

    const TDeviceSettings &shown = s.ShownSettings();
    const TScale scale(s, shown, c);
    const int32_t probe = At(shown.ProbeMode, c);

    SetText(labels[rkInput], CouplingText(scale.DC) + " " + ProbeText(probe), Black);
    SetText(labels[rkRange],
            FormatVoltage(ProbeFactor(probe) * At(s.Ranges, At(shown.Range, c), TRangeRow()).VoltsPerDiv) +
                "V/d",
            Black);

    const int32_t h0 = s.GetHorCursorPos(0), h1 = s.GetHorCursorPos(1);
    if (s.HorCursorsOn) {
        SetText(labels[rkRedCursor], scale.AtLevel(h0), scale.Colour());
        SetText(labels[rkCursors], FormatVoltage(scale.Volts(std::abs(h0 - h1))) + "V", Black);
    } else {
        SetText(labels[rkRedCursor], NotAvailable, Black);
        SetText(labels[rkCursors], NotAvailable, Black);
    }

    // The trigger level belongs to the requested record, with that record's probe, range and ground.
    const TDeviceSettings &requested = std::as_const(s).RequestedSettings();
    if (At<uint8_t>(requested.TriggerSourceOn[0], c) || At<uint8_t>(requested.TriggerSourceOn[1], c)) {
        const TScale trigger(s, requested, c);
        SetText(labels[rkTrigger], trigger.AtLevel(At(requested.TriggerLevel, c)), trigger.Colour());
    } else {
        SetText(labels[rkTrigger], NotAvailable, Black);
    }

    const TChannelWave *wave =
        DataSource && c < int32_t(DataSource->ChannelCount()) ? &DataSource->ScreenColumns(c) : nullptr;
    const int32_t ppc = wave ? std::max(wave->PointsPerSample, 1) : 1;
    const int32_t mode = s.DisplayMode;

    if (s.VerCursorsOn) {
        // Zoomed in, column j is drawn at point j x ppc: the cursor's point lies in column p div ppc.
        const int32_t p = s.GetVerCursorPos(0);
        const int32_t j = p >= 0 ? p / ppc : -1;
        std::string text = NotAvailable;
        if (wave && wave->Valid && j >= 0 && size_t(j) < wave->Columns.size() && j >= wave->FirstColumn &&
            j <= wave->LastColumn && wave->Columns[size_t(j)].Valid) {
            const TColumn &col = wave->Columns[size_t(j)];
            if (mode == 3)
                text = FormatVoltage(scale.Volts(col.Minimum - scale.Ground)) + "V " +
                       FormatVoltage(scale.Volts(col.Maximum - scale.Ground)) + "V";
            else
                text = scale.AtLevel(ByMode(col, mode));
        }
        SetText(labels[rkVoltage], text, scale.Colour());
    } else {
        SetText(labels[rkVoltage], NotAvailable, Black);
    }

    std::string attenuation = NotAvailable;
    if (s.HorCursorsOn && wave) {
        int32_t largest = 0, smallest = s.LevelCount > 0 ? s.LevelCount : 256;
        const int32_t last = std::min<int64_t>(wave->LastColumn, int64_t(wave->Columns.size()) - 1);
        // Only the columns drawn on the screen.
        for (int32_t j = std::max(wave->FirstColumn, 0); j <= last && int64_t(j) * ppc < s.PointsOnScreen;
             ++j) {
            const TColumn &col = wave->Columns[size_t(j)];
            const int32_t high = mode == 3 ? col.Maximum : ByMode(col, mode);
            const int32_t low = mode == 3 ? col.Minimum : ByMode(col, mode);
            largest = std::max(largest, high);
            smallest = std::min(smallest, low);
        }
        if (h0 != h1 && smallest < largest) {
            const double dB =
                std::nearbyint(std::log10(double(largest - smallest) / std::abs(h0 - h1)) * 200) / 10;
            attenuation = NumberText(dB) + " dB";
        }
    }
    SetText(labels[rkAttenuation], attenuation, Black);

    if (QWidget *swatch = Shapes[size_t(c)]) {
        const TColorList colours = s.Options ? s.Options->GetColorArray(opColorChannels) : TColorList();
        const QColor colour = ToQColor(At<TColor>(colours, c));
        // Set only when it changed: each palette change costs the swatch a repaint.
        if (swatch->palette().color(QPalette::Window) != colour) {
            QPalette p = swatch->palette();
            p.setColor(QPalette::Window, colour);
            swatch->setPalette(p);
        }
        swatch->setAutoFillBackground(true);
    }
}

namespace {

// The probe-tip voltages of level differences up to `levels`, at the largest range and probe.
double LargestVolts(const TCapabilities &c, double levels) {
    double perDiv = 0;
    for (const TRangeRow &row : c.Ranges)
        perDiv = std::max(perDiv, row.VoltsPerDiv);
    return c.LevelsPerDiv > 0 ? ProbeFactor(3) * perDiv * levels / c.LevelsPerDiv : 0.0;
}

void AddVoltages(std::vector<std::string> &texts, double largest, bool negative) {
    for (double v : SpanValues(0, largest)) {
        texts.push_back(FormatVoltage(v) + "V");
        if (negative)
            texts.push_back(FormatVoltage(-v) + "V");
    }
}

} // namespace

std::vector<std::string> ReadoutTexts(const TCapabilities &c, int32_t kind) {
    using K = TParamWrapperTarn::TKind;
    const int32_t levels = c.LevelCount > 0 ? c.LevelCount : 256;
    // The ground may lie up to a screen height off the screen: a level is up to two screen heights from it.
    const double fromGround = LargestVolts(c, 2.0 * levels), betweenCursors = LargestVolts(c, levels);
    std::vector<std::string> texts;
    switch (kind) {
    case K::rkInput:
        for (bool dc : {true, false})
            for (int32_t probe = 0; probe < 4; ++probe)
                texts.push_back(CouplingText(dc) + " " + ProbeText(probe));
        return texts;
    case K::rkRange:
        for (const TRangeRow &row : c.Ranges)
            for (int32_t probe = 0; probe < 4; ++probe)
                texts.push_back(FormatVoltage(ProbeFactor(probe) * row.VoltsPerDiv) + "V/d");
        return texts;
    case K::rkRedCursor:
    case K::rkTrigger:
        texts.push_back(NotAvailable);
        AddVoltages(texts, fromGround, true);
        return texts;
    case K::rkCursors:
        texts.push_back(NotAvailable);
        AddVoltages(texts, betweenCursors, false);
        return texts;
    case K::rkVoltage: {
        // Display mode 3 shows two of them; the widest pair is the widest one twice.
        texts.push_back(NotAvailable);
        AddVoltages(texts, fromGround, true);
        const size_t singles = texts.size();
        for (size_t i = 1; i < singles; ++i)
            texts.push_back(texts[i] + " " + texts[i]);
        return texts;
    }
    case K::rkAttenuation: {
        // The amplitude over the cursor span lies between one level over the whole height and back.
        const double largest = std::ceil(std::log10(double(levels)) * 200) / 10;
        texts.push_back(NotAvailable);
        for (double dB : SpanValues(0, largest, 0.1)) {
            texts.push_back(NumberText(dB) + " dB");
            texts.push_back(NumberText(-dB) + " dB");
        }
        return texts;
    }
    default:
        return texts;
    }
}

} // namespace scope
