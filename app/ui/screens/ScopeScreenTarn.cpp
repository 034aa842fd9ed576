#include "screens/ScopeScreenTarn.h"

#include "acquisition/DataSourceTarn.h"
#include "bus/ObjMasterTarn.h"
#include "device/DataTypesTarn.h"
#include "platform/OpaqueBlit.h"
#include "screens/ScreenColors.h"
#include "screens/XorRaster.h"
#include "settings/ExportOptionsTarn.h"
#include "settings/OptionsTarn.h"
#include "settings/SettingsTarn.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <utility>

namespace scope {

namespace {

constexpr uint32_t White = 0xFFFFFF;
constexpr uint32_t Black = 0x000000;
constexpr uint32_t ZoomMarkPen = 0xFF00FF;

template <typename T> bool InRange(const std::vector<T> &v, int64_t i) {
    return i >= 0 && i < int64_t(v.size());
}

} // namespace

TScopeScreenTarn::TScopeScreenTarn(QWidget *parent) : TGraphicControlTarn(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    // Hover highlights follow the mouse without a button held.
    setMouseTracking(true);
    resize(600, 400);
    Image = QImage(600, 400, QImage::Format_RGB32);
    Image.fill(Qt::black);
    Target = &Image;
}

void TScopeScreenTarn::SetFramePacing(TFrameClock *clock) {
    Frame.SetClock(clock);
    if (!clock)
        ComposePendingData();
}

void TScopeScreenTarn::ComposePendingData() {
    if (PendingData == 0)
        return;
    const uint32_t mask = PendingData;
    PendingData = 0;
    DrawScreenData(mask);
}

void TScopeScreenTarn::Touch(int x0, int y0, int x1, int y1) {
    if (Target == &Image)
        Dirty.Add(x0, y0, x1, y1, Image.width(), Image.height());
}

void TScopeScreenTarn::Changed() {
    LastRepaint = Dirty.Region();
    Dirty.Clear();
    if (!LastRepaint.isEmpty())
        update(LastRepaint);
}

TScopeScreenTarn::~TScopeScreenTarn() = default;

TScreenGeometry TScopeScreenTarn::Geometry() const {
    TScreenGeometry g;
    g.Width = Target->width();
    g.Height = Target->height();
    if (TSettingsTarn *s = Settings()) {
        g.PointsOnScreen = s->PointsOnScreen;
        g.LevelCount = s->LevelCount;
    }
    return g;
}

int32_t TScopeScreenTarn::SampleToPoint(int64_t sample) const {
    TSettingsTarn *s = Settings();
    if (!s || s->DisplayRatio <= 0)
        return 0;
    return RoundToInt(static_cast<long double>(sample - s->DisplayStart) / s->DisplayRatio);
}

int32_t TScopeScreenTarn::PointToSample(int32_t point) const {
    TSettingsTarn *s = Settings();
    if (!s)
        return 0;
    int32_t sample = RoundToInt(static_cast<long double>(point) * s->DisplayRatio + s->DisplayStart);
    if (s->QuickViewOn)
        sample += s->QuickViewStart;
    return sample;
}

uint32_t TScopeScreenTarn::ChannelColor(size_t i) const {
    return i < Colors.Channels.size() ? Colors.Channels[i] : White;
}

uint32_t TScopeScreenTarn::CursorColor(size_t i) const {
    return i < Colors.Cursors.size() ? Colors.Cursors[i] : White;
}

void TScopeScreenTarn::LoadColors() {
    TSettingsTarn *s = Settings();
    if (!s || !s->Options)
        return;
    Colors.Channels = s->Options->GetColorArray(opColorChannels);
    Colors.Cursors = s->Options->GetColorArray(opColorCursors);
    Colors.Screen = s->Options->GetColor(opColorScreen);
    Colors.Grid = s->Options->GetColor(opColorGrid);
    Colors.Info = s->Options->GetColor(opColorInfo);
    RecomputeTraceColors();
}

void TScopeScreenTarn::RecomputeTraceColors() {
    for (size_t i = 0; i < TraceList.size(); ++i)
        TraceList[i].Pen = MixWithScreenColor(ChannelColor(i), 1.0, Base());
}

void TScopeScreenTarn::SetTarget(QImage &target) {
    Target = &target;
}

// --- layers ---

void TScopeScreenTarn::Fill() {
    TXorRaster(*Target).FillRect(0, 0, Target->width(), Target->height(), Base());
    Touch(0, 0, Target->width() - 1, Target->height() - 1);
}

void TScopeScreenTarn::DrawGrid() {
    TSettingsTarn *s = Settings();
    if (!s->GridOn)
        return;
    uint32_t gap = 0, dot = 0;
    switch (Mode) {
    case 1:
        gap = MixWithScreenColor(White, 1.0, Base());
        dot = MixWithScreenColor(0, s->GridIntensity, Base());
        break;
    case 2:
        gap = MixWithScreenColor(Colors.Screen, 1.0, Base());
        dot = MixWithScreenColor(Colors.Grid, s->GridIntensity, Base());
        break;
    default:
        gap = MixWithScreenColor(Colors.Screen, 1.0, Base());
        dot = MixWithScreenColor(Colors.Grid, s->GridIntensity, Base());
        break;
    }
    const TScreenGeometry g = Geometry();
    TXorRaster r(*Target);
    if (s->PointsPerDiv > 0)
        for (int64_t p = s->PointsPerDiv; p < s->PointsOnScreen; p += s->PointsPerDiv) {
            const int x = g.PointToX(p);
            r.DottedLine(x, 0, x, g.Height, dot, gap);
        }
    if (s->LevelsPerDiv > 0)
        for (int64_t v = s->LevelsPerDiv; v < s->LevelCount; v += s->LevelsPerDiv) {
            const int y = g.LevelToY(v);
            r.DottedLine(0, y, g.Width, y, dot, gap);
        }
}

bool TScopeScreenTarn::UpdateInfoTexts() {
    TSettingsTarn *s = Settings();
    if (!DispInformation)
        return false;
    std::array<std::string, 3> texts;
    const TDeviceSettings &requested = std::as_const(*s).RequestedSettings();
    if (InRange(s->TimeBases, requested.TimeBase) && s->TimeBases[size_t(requested.TimeBase)].SampleRate > 0)
        texts[0] = "Tb = " +
                   FormatTime(s->PointsPerDiv * s->DisplayRatio /
                              s->TimeBases[size_t(requested.TimeBase)].SampleRate) +
                   "s/d";
    const TDeviceSettings &shown = s->ShownSettings();
    const char *names[2] = {"RngA = ", "RngB = "};
    for (size_t c = 0; c < 2; ++c)
        if (InRange(shown.Range, int64_t(c)) && InRange(s->Ranges, shown.Range[c]) &&
            InRange(shown.ProbeMode, int64_t(c)))
            texts[c + 1] = names[c] +
                           FormatVoltage(s->Ranges[size_t(shown.Range[c])].VoltsPerDiv *
                                         ProbeFactor(shown.ProbeMode[c])) +
                           "V/d";
    const bool changed = texts != InfoTexts;
    InfoTexts = texts;
    return changed;
}

int32_t TScopeScreenTarn::TextHeight() const {
    return QFontMetrics(font()).boundingRect("TEST").height();
}

uint32_t TScopeScreenTarn::TextColor() const {
    if (Mode == 0)
        return Colors.Info;
    return Mode == 1 ? 0 : TextColorOnPaper(Colors.Info);
}

void TScopeScreenTarn::DrawText(int x, int y, const std::string &text) {
    QPainter p(Target);
    p.setFont(font());
    const uint32_t c = TextColor();
    p.setPen(QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF)));
    const QFontMetrics m(font());
    p.drawText(x, y + m.ascent(), QString::fromStdString(text));
}

void TScopeScreenTarn::DrawInfoTexts() {
    if (!DispInformation)
        return;
    const int h = TextHeight();
    DrawText(3, 3, InfoTexts[0]);
    DrawText(3, h + 6, InfoTexts[1]);
    DrawText(3, 2 * h + 9, InfoTexts[2]);
}

bool TScopeScreenTarn::UpdateCursorText() {
    TSettingsTarn *s = Settings();
    if (!DispInformation || !s->VerCursorsOn)
        return false;
    std::string text;
    const TDeviceSettings &shown = s->ShownSettings();
    if (InRange(s->TimeBases, shown.TimeBase) && s->TimeBases[size_t(shown.TimeBase)].SampleRate > 0) {
        const double rate = s->TimeBases[size_t(shown.TimeBase)].SampleRate;
        const int64_t p0 = s->GetVerCursorPos(0), p1 = s->GetVerCursorPos(1);
        text = FormatTime(double(std::llabs(p1 - p0)) * s->DisplayRatio / rate) + "s";
        if (p0 != p1 && s->DisplayRatio != 0)
            text += ", " + FormatFrequency(rate / std::fabs(double(p1 - p0) * s->DisplayRatio)) + "Hz";
    }
    const bool changed = text != CursorText;
    CursorText = text;
    return changed;
}

void TScopeScreenTarn::DrawCursorText() {
    TSettingsTarn *s = Settings();
    if (!DispInformation || !s->VerCursorsOn)
        return;
    const int h = TextHeight();
    const int a = PointToX(s->GetVerCursorPos(0)), b = PointToX(s->GetVerCursorPos(1));
    const int H = Target->height();
    // On paper the line shows in its text's colour.
    const uint32_t pen = Mode == 0 ? Colors.Info : MixWithScreenColor(TextColor(), 1.0, Base());
    TXorRaster(*Target).Line(std::min(a, b), H - h - 6, std::max(a, b) + 1, H - h - 6, pen);
    const int width = QFontMetrics(font()).horizontalAdvance(QString::fromStdString(CursorText));
    DrawText((a + b - width) / 2, H - h - 3, CursorText);
}

void TScopeScreenTarn::DrawVerCursor(int32_t i) {
    if (DrawVerCursorLine(i) && ObjMaster())
        ObjMaster()->Broadcast(bmVerCursorMoved, 0, nullptr);
}

bool TScopeScreenTarn::DrawVerCursorLine(int32_t i) {
    TSettingsTarn *s = Settings();
    // An invisible cursor is never drawn, so that moving it cannot leave lines behind.
    if (Mode != 0 || !s->VerCursorsOn)
        return false;
    const bool hovered = (Hover.Kind == soVerCursor && Hover.Index == i) ||
                         (Hover.Kind == soCrossing && ((Hover.Index >> 8) & 255) == i);
    const int x = PointToX(s->GetVerCursorPos(i));
    TXorRaster(*Target).Line(x, 0, x, Target->height(),
                             HighlightColor(CursorColor(size_t(i)), hovered, Colors.Screen));
    Touch(x, 0, x, Target->height() - 1);
    return true;
}

void TScopeScreenTarn::DrawHorCursor(int32_t i) {
    TSettingsTarn *s = Settings();
    if (Mode != 0 || !s->HorCursorsOn)
        return;
    const bool hovered = (Hover.Kind == soHorCursor && Hover.Index == i) ||
                         (Hover.Kind == soCrossing && (Hover.Index & 255) == i);
    const int y = LevelToY(s->GetHorCursorPos(i));
    TXorRaster(*Target).Line(0, y, Target->width(), y,
                             HighlightColor(CursorColor(size_t(i)), hovered, Colors.Screen));
    Touch(0, y, Target->width() - 1, y);
}

void TScopeScreenTarn::DrawCursors() {
    for (int32_t i = 0; i < 2; ++i)
        DrawVerCursor(i);
    for (int32_t i = 0; i < 2; ++i)
        DrawHorCursor(i);
}

void TScopeScreenTarn::FitSegments(const TTrace &trace) {
    const TScreenGeometry g = Geometry();
    Rows.Fit(g);
    Columns.Fit(g, trace.Wave.PointsPerSample, int32_t(trace.Wave.Columns.size()));
}

void TScopeScreenTarn::DrawSegment(TXorRaster &raster, const TTrace &trace, int32_t j, uint32_t pen) {
    const TChannelWave &w = trace.Wave;
    if (j < 0 || j >= int32_t(w.Columns.size()))
        return;
    const int64_t ppc = w.PointsPerSample;
    const int32_t mode = Settings()->DisplayMode;
    if (mode == 3) {
        // Only the trace's own columns, as in a full redraw, even where stale ones still say valid.
        const TColumn &c = w.Columns[size_t(j)];
        if (!c.Valid || j < w.FirstColumn || j > w.LastColumn)
            return;
        const int x0 = Columns.X(j, ppc), x1 = Columns.X(j + 1, ppc) - 1;
        if (x1 >= x0) {
            const int ya = Rows.Y(c.Maximum), yb = Rows.Y(c.Minimum);
            if (Mode == 1)
                raster.FillRect(x0, std::min(ya, yb), x1 + 1, std::max(ya, yb) + 1, Black);
            else
                raster.XorRect(x0, ya, x1, yb, pen);
            Touch(x0, ya, x1, yb);
        }
        return;
    }
    if (!(w.FirstColumn < j && j <= w.LastColumn))
        return;
    auto value = [mode](const TColumn &c) {
        return mode == 0 ? c.Minimum : mode == 1 ? c.Maximum : c.Average;
    };
    const TColumn &a = w.Columns[size_t(j - 1)], &b = w.Columns[size_t(j)];
    const int xa = Columns.X(j - 1, ppc), ya = Rows.Y(value(a));
    const int xb = Columns.X(j, ppc), yb = Rows.Y(value(b));
    // On black-and-white paper every trace is black and drawn opaque: flipped pixels would make traces
    // that lie on each other cancel out.
    if (Mode == 1)
        raster.CopyLine(xa, ya, xb, yb, Black);
    else
        raster.Line(xa, ya, xb, yb, pen);
    Touch(xa, ya, xb, yb);
}

void TScopeScreenTarn::DrawTraces() {
    for (const TTrace &t : TraceList) {
        if (!t.Wave.Valid)
            continue;
        uint32_t pen = t.Pen;
        if (Mode == 1)
            pen = White;
        else if (Mode == 2)
            pen = MixWithScreenColor(t.Pen ^ Colors.Screen, 1.0, Base());
        TXorRaster raster(*Target);
        FitSegments(t);
        for (int32_t j = std::max(t.Wave.FirstColumn, 0); j <= t.Wave.LastColumn; ++j)
            DrawSegment(raster, t, j, pen);
    }
}

void TScopeScreenTarn::UpdateTrace(const TTrace &oldTrace, uint32_t oldValue, uint32_t newValue,
                                   const TTrace &newTrace) {
    const int32_t from = std::max(0, std::min(oldTrace.Wave.FirstColumn, newTrace.Wave.FirstColumn));
    const int32_t to = std::max(oldTrace.Wave.LastColumn, newTrace.Wave.LastColumn);
    TXorRaster raster(*Target);
    FitSegments(newTrace);
    for (int32_t j = from; j <= to; ++j) {
        if (oldTrace.Wave.Valid)
            DrawSegment(raster, oldTrace, j, oldValue);
        if (newTrace.Wave.Valid)
            DrawSegment(raster, newTrace, j, newValue);
    }
}

void TScopeScreenTarn::DrawZoomMarks() {
    if (Mode != 0)
        return;
    TXorRaster r(*Target);
    for (int32_t m : Marks)
        if (m != -1) {
            const int x = PointToX(m);
            r.Line(x, 0, x, Target->height(), ZoomMarkPen);
            Touch(x, 0, x, Target->height() - 1);
        }
}

bool TScopeScreenTarn::TriggerSourceOf(size_t channel) const {
    const TDeviceSettings &r = std::as_const(*Settings()).RequestedSettings();
    return (channel < r.TriggerSourceOn[0].size() && r.TriggerSourceOn[0][channel]) ||
           (channel < r.TriggerSourceOn[1].size() && r.TriggerSourceOn[1][channel]);
}

void TScopeScreenTarn::DrawLevelMark(int32_t channel) {
    TSettingsTarn *s = Settings();
    if (!s || Mode != 0 || !InRange(TriggerSources, channel) || !TriggerSources[size_t(channel)])
        return;
    const TIntArray &levels = std::as_const(*s).RequestedSettings().TriggerLevel;
    if (!InRange(levels, channel))
        return;
    const bool hovered = Hover.Kind == soLevelMark && Hover.Index == channel;
    const int64_t level = levels[size_t(channel)];
    const TScreenGeometry g = Geometry();
    const int right = g.PointToX(7) - 1;
    if (right >= 0) {
        TXorRaster(*Target).XorRect(0, g.LevelToY(level + 2), right, g.LevelToY(level - 2),
                                    HighlightColor(ChannelColor(size_t(channel)), hovered, Colors.Screen));
        Touch(0, g.LevelToY(level + 2), right, g.LevelToY(level - 2));
    }
}

void TScopeScreenTarn::DrawLevelMarks() {
    for (size_t i = 0; i < TriggerSources.size(); ++i)
        DrawLevelMark(int32_t(i));
}

void TScopeScreenTarn::RedrawAll() {
    if (!Settings())
        return;
    Fill();
    DrawGrid();
    UpdateInfoTexts();
    DrawInfoTexts();
    UpdateCursorText();
    DrawCursorText();
    DrawCursors();
    DrawTraces();
    DrawZoomMarks();
    DrawLevelMarks();
}

void TScopeScreenTarn::paintEvent(QPaintEvent *event) {
    if (Image.size() != size() && width() > 0 && height() > 0) {
        Image = QImage(size(), QImage::Format_RGB32);
        Target = &Image;
        Image.fill(Qt::black);
        RedrawAll();
    }
    QPainter p(this);
    CopyOpaque(p, Image, event->region());
}

// --- incremental changes ---

void TScopeScreenTarn::MoveVerCursorDrawn(int32_t cursor, int32_t position) {
    DrawVerCursor(cursor);
    Settings()->SetVerCursorPos(cursor, position);
    DrawVerCursor(cursor);
    Changed();
}

void TScopeScreenTarn::MoveHorCursorDrawn(int32_t cursor, int32_t position) {
    DrawHorCursor(cursor);
    Settings()->SetHorCursorPos(cursor, position);
    DrawHorCursor(cursor);
    Changed();
}

void TScopeScreenTarn::DrawObject(TScreenObject object) {
    switch (object.Kind) {
    case soVerCursor:
        DrawVerCursor(object.Index);
        break;
    case soHorCursor:
        DrawHorCursor(object.Index);
        break;
    case soCrossing:
        DrawVerCursor((object.Index >> 8) & 255);
        DrawHorCursor(object.Index & 255);
        break;
    case soLevelMark:
        DrawLevelMark(object.Index);
        break;
    default:
        break;
    }
}

void TScopeScreenTarn::SetTraceHighlight(TScreenObject object, bool on, bool redraw) {
    if (object.Kind != soTrace || !InRange(TraceList, object.Index))
        return;
    TTrace &t = TraceList[size_t(object.Index)];
    const uint32_t value = HighlightColor(ChannelColor(size_t(object.Index)), on, Colors.Screen);
    // The same segments in the old and the new pen: one exclusive-or pass with both at once.
    if (redraw && t.Wave.Valid && value != t.Pen) {
        TXorRaster raster(*Target);
        FitSegments(t);
        for (int32_t j = std::max(t.Wave.FirstColumn, 0); j <= t.Wave.LastColumn; ++j)
            DrawSegment(raster, t, j, t.Pen ^ value);
    }
    t.Pen = value;
}

void TScopeScreenTarn::SetHoverObject(TScreenObject object) {
    if (object == Hover || !Settings())
        return;
    if (OptimizeForAero) {
        SetTraceHighlight(Hover, false, false);
        Hover = object;
        SetTraceHighlight(Hover, true, false);
        RedrawAll();
        Changed();
        return;
    }
    // Every object is drawn by exclusive-or in a colour that depends on whether it is hovered: the first
    // pass removes both objects, the second draws them back with the highlight moved.
    const TScreenObject previous = Hover;
    DrawObject(Hover);
    DrawObject(object);
    SetTraceHighlight(Hover, false, true);
    Hover = object;
    DrawObject(Hover);
    DrawObject(previous);
    SetTraceHighlight(Hover, true, true);
    Changed();
}

// --- mouse ---

bool TScopeScreenTarn::HitTrace(const TTrace &trace, int X, int32_t level) const {
    const TChannelWave &w = trace.Wave;
    if (!w.Valid)
        return false;
    const int32_t ppc = std::max(w.PointsPerSample, 1);
    const int32_t mode = Settings()->DisplayMode;
    const int32_t col = XToPoint(X) / ppc;
    const int32_t reach = mode == 0 ? 4 / ppc : (4 + ppc - 1) / ppc;
    const int64_t from = std::max<int64_t>({int64_t(w.FirstColumn), int64_t(col) - reach, 0});
    const int64_t to =
        std::min<int64_t>({int64_t(w.LastColumn), int64_t(col) + reach, int64_t(w.Columns.size()) - 1});
    int32_t hi = -1, lo = 256;
    for (int64_t j = from; j <= to; ++j) {
        const TColumn &c = w.Columns[size_t(j)];
        if (!c.Valid)
            continue;
        switch (mode) {
        case 0:
            hi = std::max<int32_t>(hi, c.Minimum);
            lo = std::min<int32_t>(lo, c.Minimum);
            break;
        case 1:
            hi = std::max<int32_t>(hi, c.Maximum);
            lo = std::min<int32_t>(lo, c.Maximum);
            break;
        case 3:
            hi = std::max<int32_t>(hi, c.Maximum);
            lo = std::min<int32_t>(lo, c.Minimum);
            break;
        default:
            hi = std::max<int32_t>(hi, c.Average);
            lo = std::min<int32_t>(lo, c.Average);
            break;
        }
    }
    // An empty scan leaves lo above hi + 4, so it never hits.
    return lo - 2 <= level && level <= hi + 2;
}

TScreenObject TScopeScreenTarn::HitTest(int X, int Y) const {
    TSettingsTarn *s = Settings();
    if (!s)
        return {};
    const int64_t c = XToPoint(X), d = YToLevel(Y);
    const TIntArray &levels = std::as_const(*s).RequestedSettings().TriggerLevel;
    for (size_t i = 0; i < TriggerSources.size(); ++i)
        if (TriggerSources[i] && i < levels.size() && c <= 7 && levels[i] - 4 <= d && d <= levels[i] + 4)
            return {soLevelMark, int32_t(i)};
    auto near = [](int64_t a, int64_t b) { return std::llabs(a - b) <= 4; };
    if (s->VerCursorsOn && s->HorCursorsOn && s->CursorsXOn)
        for (int32_t j = 0; j < 2; ++j)
            for (int32_t k = 0; k < 2; ++k)
                if (near(s->GetVerCursorPos(j), c) && near(s->GetHorCursorPos(k), d))
                    return {soCrossing, k + 256 * j};
    if (s->VerCursorsOn)
        for (int32_t j = 0; j < 2; ++j)
            if (near(s->GetVerCursorPos(j), c))
                return {soVerCursor, j};
    if (s->HorCursorsOn)
        for (int32_t k = 0; k < 2; ++k)
            if (near(s->GetHorCursorPos(k), d))
                return {soHorCursor, k};
    for (size_t i = 0; i < TraceList.size(); ++i)
        if (HitTrace(TraceList[i], X, int32_t(d)))
            return {soTrace, int32_t(i)};
    return {};
}

namespace {

// A tracked drag moves the pair together: the partner q keeps its distance from p while both stay within
// 0 .. last. Cursors stored further apart than the screen is wide cannot both fit: the dragged one stays on.
void KeepPairOnScreen(int32_t &p, int64_t distance, int32_t last, int32_t &q) {
    int64_t partner = p + distance, dragged = p;
    if (partner < 0) {
        dragged -= partner;
        partner = 0;
    }
    if (partner > last) {
        dragged -= partner - last;
        partner = last;
    }
    p = int32_t(std::clamp<int64_t>(dragged, 0, last));
    q = int32_t(partner);
}

} // namespace

void TScopeScreenTarn::MoveVerCursor(int32_t cursor, int X, bool track) {
    TSettingsTarn *s = Settings();
    const int32_t last = s->LastVerCursorPos();
    int32_t p = std::clamp(XToPoint(X), 0, last);
    if (track) {
        int32_t q = 0;
        KeepPairOnScreen(p, int64_t(s->GetVerCursorPos(1)) - s->GetVerCursorPos(0), last, q);
        if (DispInformation)
            s->SetVerCursorPos(1, q);
        else
            MoveVerCursorDrawn(1, q);
    }
    if (DispInformation) {
        s->SetVerCursorPos(cursor, p);
        RedrawAll();
        Changed();
    } else {
        MoveVerCursorDrawn(cursor, p);
    }
}

void TScopeScreenTarn::MoveHorCursor(int32_t cursor, int Y, bool track) {
    TSettingsTarn *s = Settings();
    const int32_t last = s->LastHorCursorPos();
    int32_t p = std::clamp(YToLevel(Y), 0, last);
    if (track) {
        int32_t q = 0;
        KeepPairOnScreen(p, int64_t(s->GetHorCursorPos(1)) - s->GetHorCursorPos(0), last, q);
        MoveHorCursorDrawn(1, q);
    }
    MoveHorCursorDrawn(cursor, p);
    if (ObjMaster())
        ObjMaster()->Broadcast(bmHorCursorMoved, 0, nullptr);
}

void TScopeScreenTarn::DragTo(int X, int Y) {
    TSettingsTarn *s = Settings();
    switch (Drag.Kind) {
    case soVerCursor:
        MoveVerCursor(Drag.Index, X, s->CursorTrackOn && Drag.Index == 0);
        break;
    case soHorCursor:
        MoveHorCursor(Drag.Index, Y, s->CursorTrackOn && Drag.Index == 0);
        break;
    case soCrossing: {
        const int32_t v = (Drag.Index >> 8) & 255, h = Drag.Index & 255;
        MoveVerCursor(v, X, s->CursorTrackOn && v == 0);
        MoveHorCursor(h, Y, s->CursorTrackOn && h == 0);
        break;
    }
    case soTrace: {
        if (!InRange(TraceList, Drag.Index))
            break;
        const int32_t ppc = std::max(TraceList[size_t(Drag.Index)].Wave.PointsPerSample, 1);
        const int32_t point = XToPoint(X);
        const int32_t col = point / ppc, anchor = AnchorPoint / ppc;
        DragIndex = Drag.Index;
        if (col != anchor) {
            if (ObjMaster())
                ObjMaster()->Broadcast(bmTraceDraggedX, col - anchor, &DragIndex);
            AnchorPoint = point;
        }
        const int32_t level = YToLevel(Y);
        if (level != AnchorLevel) {
            DragIndex = Drag.Index;
            if (ObjMaster())
                ObjMaster()->Broadcast(bmTraceDraggedY, level - AnchorLevel, &DragIndex);
            AnchorLevel = level;
        }
        break;
    }
    case soLevelMark: {
        TIntArray &levels = s->RequestedSettings().TriggerLevel;
        if (!InRange(levels, Drag.Index))
            break;
        DrawLevelMark(Drag.Index);
        levels[size_t(Drag.Index)] = std::clamp(YToLevel(Y), 0, std::max(s->LevelCount - 1, 0));
        DrawLevelMark(Drag.Index);
        Changed();
        if (ObjMaster())
            ObjMaster()->Broadcast(bmTriggerLevelDragged, Drag.Index, nullptr);
        break;
    }
    default:
        break;
    }
}

void TScopeScreenTarn::MouseMove(int X, int Y) {
    if (!Settings())
        return;
    if (Drag.Kind == soNone)
        SetHoverObject(HitTest(X, Y));
    else
        DragTo(X, Y);
}

void TScopeScreenTarn::MouseDown(int X, int Y) {
    if (!Settings())
        return;
    const TScreenObject hit = HitTest(X, Y);
    AnchorPoint = XToPoint(X);
    AnchorLevel = YToLevel(Y);
    Drag = {};
    MouseMove(X, Y);
    Drag = hit;
}

void TScopeScreenTarn::MouseUp(int X, int Y) {
    Drag = {};
    MouseMove(X, Y);
}

void TScopeScreenTarn::MouseLeave() {
    if (Drag.Kind == soNone)
        MouseMove(-200, -200);
}

void TScopeScreenTarn::mousePressEvent(QMouseEvent *event) {
    MouseDown(int(event->position().x()), int(event->position().y()));
}

void TScopeScreenTarn::mouseMoveEvent(QMouseEvent *event) {
    MouseMove(int(event->position().x()), int(event->position().y()));
}

void TScopeScreenTarn::mouseReleaseEvent(QMouseEvent *event) {
    MouseUp(int(event->position().x()), int(event->position().y()));
}

void TScopeScreenTarn::leaveEvent(QEvent *) {
    MouseLeave();
}

// --- bus ---

void TScopeScreenTarn::ObjMasterMessage(int32_t Msg, int32_t Param, void *Data) {
    TSettingsTarn *s = Settings();
    if (!s || Msg == bmMasterDestroying)
        return;
    switch (Msg) {
    case bmInitialize: {
        s->SetVerCursorPos(0, RoundToInt(s->PointsOnScreen * 0.15L));
        s->SetVerCursorPos(1, RoundToInt(s->PointsOnScreen * 0.85L));
        s->SetHorCursorPos(0, RoundToInt(s->LevelCount * 0.15L));
        s->SetHorCursorPos(1, RoundToInt(s->LevelCount * 0.85L));
        TraceList.assign(size_t(std::max(0, s->ChannelCount)), TTrace{});
        for (TTrace &t : TraceList) {
            t.Wave.Columns.assign(size_t(std::max(0, s->PointsOnScreen)), TColumn{});
            t.Wave.Valid = false;
        }
        TriggerSources.assign(size_t(std::max(0, s->PhysicalChannelCount)), false);
        PendingData = 0;
        RecomputeTraceColors();
        break;
    }
    case bmVerCursorsToggled:
    case bmHorCursorsToggled:
    case bmGridToggled:
    case bmIntensityChanged:
    case bmDisplayModeChanged:
        RedrawAll();
        Changed();
        break;
    case bmSettingsApplied:
        if (Param == ssColours) {
            LoadColors();
        } else if (Param == ssTriggerSources) {
            for (size_t i = 0; i < TriggerSources.size(); ++i)
                TriggerSources[i] = TriggerSourceOf(i);
        } else if (Param == ssFinal) {
            DispInformation = s->Options && s->Options->GetBoolean(opDispInformation);
            OptimizeForAero = s->Options && s->Options->GetBoolean(opOptimizeForAero);
            RedrawAll();
            Changed();
        }
        break;
    case bmScreenDataReady: {
        if (!Source)
            break;
        PendingData |= uint32_t(Param);
        // Drawn at once, or with the frame when this frame has had its drawing already.
        Frame.Request();
        break;
    }
    case bmZoomMarksShow: {
        DrawZoomMarks();
        Marks[0] = SampleToPoint(s->ZoomStart);
        Marks[1] = SampleToPoint(
            RoundToInt(static_cast<long double>(s->PointsOnScreen) * s->ZoomRatio + s->ZoomStart));
        if (Marks[1] == Marks[0])
            Marks[1] = -1;
        DrawZoomMarks();
        Changed();
        break;
    }
    case bmZoomMarksHide:
        DrawZoomMarks();
        Marks = {-1, -1};
        Changed();
        break;
    case bmTriggerSourceToggled: {
        const int32_t channel = Param & 255;
        if (channel < int32_t(TriggerSources.size())) {
            DrawLevelMark(channel);
            TriggerSources[size_t(channel)] = TriggerSourceOf(size_t(channel));
            DrawLevelMark(channel);
            Changed();
        }
        break;
    }
    case bmSetVerCursor:
        // Positions from outside are kept on the screen; unknown cursors are ignored.
        if (Data && (Param == 0 || Param == 1))
            MoveVerCursorDrawn(Param, std::clamp(*static_cast<int32_t *>(Data), 0, s->LastVerCursorPos()));
        break;
    case bmSetHorCursor:
        if (Data && (Param == 0 || Param == 1))
            MoveHorCursorDrawn(Param, std::clamp(*static_cast<int32_t *>(Data), 0, s->LastHorCursorPos()));
        break;
    case bmSetTriggerLevel: {
        TIntArray &levels = s->RequestedSettings().TriggerLevel;
        if (Data && Param >= 0 && Param < s->PhysicalChannelCount && InRange(levels, Param)) {
            DrawLevelMark(Param);
            levels[size_t(Param)] =
                std::clamp(*static_cast<int32_t *>(Data), 0, std::max(0, s->LevelCount - 1));
            DrawLevelMark(Param);
            Changed();
        }
        break;
    }
    default:
        break;
    }
}

void TScopeScreenTarn::DrawScreenData(uint32_t mask) {
    // Everything is drawn in the bitmap and copied to the window, so the exclusive-or update of the
    // traces gives the bitmap a full redraw would, with or without the intermediate-bitmap option: only
    // a changed text needs the full redraw. The copy is then the traces' strips, not the whole screen.
    const bool full = UpdateInfoTexts() || UpdateCursorText();
    for (size_t i = 0; i < TraceList.size() && i < 32; ++i) {
        if (!(mask & (1u << i)) || int32_t(i) >= Source->ChannelCount())
            continue;
        const TChannelWave &from = Source->ScreenColumns(int32_t(i));
        TTrace next = TraceList[i];
        const size_t n = std::min(next.Wave.Columns.size(), from.Columns.size());
        std::copy_n(from.Columns.begin(), n, next.Wave.Columns.begin());
        next.Wave.FirstColumn = from.FirstColumn;
        next.Wave.LastColumn = from.LastColumn;
        next.Wave.Valid = from.Valid;
        next.Wave.PointsPerSample = from.PointsPerSample;
        if (!full)
            UpdateTrace(TraceList[i], TraceList[i].Pen, TraceList[i].Pen, next);
        TraceList[i] = std::move(next);
    }
    if (full)
        RedrawAll();
    Changed();
}

// --- printing and export ---

void TScopeScreenTarn::RenderForPrinter(QPainter &target, int width, int height) {
    TSettingsTarn *s = Settings();
    if (!s)
        return;
    ComposePendingData(); // the last record, not the last one drawn
    Mode = s->Options && s->Options->GetBoolean(opPrintBlackWhite) ? 1 : 2;
    RedrawAll();
    Mode = 0;
    target.drawImage(QRect(0, 0, width, height), Image);
    RedrawAll();
}

void TScopeScreenTarn::RenderToBitmap(const TScreenImageLook &look, QImage &bitmap) {
    TSettingsTarn *s = Settings();
    if (!s)
        return;
    ComposePendingData();
    // Everything the export changes is put back afterwards, the hover highlight included.
    const TColors savedColors = Colors;
    std::vector<uint32_t> savedPens;
    for (const TTrace &t : TraceList)
        savedPens.push_back(t.Pen);
    const TScreenObject savedHover = Hover;
    const auto savedTexts = InfoTexts;
    const std::string savedCursorText = CursorText;

    if (!look.OverrideColors) {
        Colors.Channels = look.ChannelColors;
        Colors.Cursors = look.CursorColors;
        Colors.Screen = look.ScreenColor;
        Colors.Grid = look.GridColor;
        Colors.Info = look.InfoColor;
    }
    Hover = {};
    RecomputeTraceColors();
    bitmap = QImage(Image.size(), QImage::Format_RGB32);
    SetTarget(bitmap);
    Fill();
    if (look.Grid)
        DrawGrid();
    if (look.InfoOn) {
        UpdateInfoTexts();
        DrawInfoTexts();
        if (look.VerCursorsOn) {
            UpdateCursorText();
            DrawCursorText();
        }
    }
    // The export draws the cursors without telling the bus that the screen's cursors moved.
    if (look.VerCursorsOn)
        for (int32_t i = 0; i < 2; ++i)
            DrawVerCursorLine(i);
    if (look.HorCursorsOn)
        for (int32_t i = 0; i < 2; ++i)
            DrawHorCursor(i);
    DrawTraces();
    SetTarget(Image);
    Colors = savedColors;
    for (size_t i = 0; i < TraceList.size() && i < savedPens.size(); ++i)
        TraceList[i].Pen = savedPens[i];
    Hover = savedHover;
    InfoTexts = savedTexts;
    CursorText = savedCursorText;
}

TScreenImageLook TScopeScreenTarn::LookOf(const TExportAsImageOption &preset) {
    TScreenImageLook look;
    look.OverrideColors = preset.OverrideColors;
    look.ChannelColors = preset.ChannelColors.Colors;
    look.CursorColors = preset.CursorColors.Colors;
    look.ScreenColor = preset.ScreenColor;
    look.GridColor = preset.GridColor;
    look.InfoColor = preset.InfoColor;
    look.Grid = preset.GridOn;
    look.InfoOn = preset.InfoOn;
    look.VerCursorsOn = preset.VerCursorsOn;
    look.HorCursorsOn = preset.HorCursorsOn;
    return look;
}

void TScopeScreenTarn::RenderToBitmap(const TExportAsImageOption &preset, QImage &bitmap) {
    RenderToBitmap(LookOf(preset), bitmap);
}

} // namespace scope
