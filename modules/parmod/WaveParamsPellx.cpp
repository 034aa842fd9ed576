#include "WaveParamsPellx.h"

#include <QFontMetrics>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QSignalBlocker>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace parmod {

const char *StatLabel(int32_t statistic) {
    static const char *const labels[ParamStatCount] = {"now", "avg", "min", "max", "dev"};
    return statistic >= 0 && statistic < ParamStatCount ? labels[statistic] : "";
}

char ChannelLetter(int32_t channel) {
    return channel >= 0 && channel < ParamChannelCount ? char('A' + channel) : ' ';
}

TWaveParam::TWaveParam(std::string name, std::string unit, bool noPrefix)
    : ParamName(std::move(name)), ParamUnit(std::move(unit)), WithoutPrefix(noPrefix) {}

void TWaveParam::AddValue(int32_t channel, double x) {
    if (channel < 0 || channel >= ParamChannelCount)
        return;
    std::lock_guard guard(Lock);
    TParamChannel &c = Channels[channel];
    c.Now = x;
    const int32_t before = c.Count;
    c.Count = before + 1;
    if (before == 0) {
        c.Min = c.Max = c.Mean = x;
        c.Dev = 0;
        c.Decimals.fill(0);
        c.MeanSquare = x * x;
        c.Valid = true;
        return;
    }
    if (x < c.Min)
        c.Min = x;
    if (x > c.Max)
        c.Max = x;
    c.Mean += (x - c.Mean) / c.Count;
    c.MeanSquare += (x * x - c.MeanSquare) / c.Count;
    c.Dev = std::sqrt(std::fabs(c.MeanSquare - c.Mean * c.Mean));
}

void TWaveParam::ResetChannel(int32_t channel) {
    if (channel < 0 || channel >= ParamChannelCount)
        return;
    std::lock_guard guard(Lock);
    Channels[channel].Valid = false;
    Channels[channel].Count = 0;
}

void TWaveParam::Reset() {
    for (int32_t i = 0; i < ParamChannelCount; ++i)
        ResetChannel(i);
}

TParamChannel TWaveParam::Channel(int32_t channel) const {
    std::lock_guard guard(Lock);
    return Channels[channel];
}

std::pair<std::string, std::string> TWaveParam::FormatValue(double x, char decimalSeparator) const {
    if (!std::isfinite(x))
        return {"N/A", ""};
    int32_t e = 0;
    if (!WithoutPrefix && x != 0) {
        while (std::fabs(x) >= 1000 && e < 3) {
            ++e;
            x /= 1000;
        }
        while (std::fabs(x) < 1 && e > -3) {
            --e;
            x *= 1000;
        }
    }
    // Beyond the 64-bit range a double has no fraction left to round.
    const double scaled = x * 1000;
    if (std::fabs(scaled) < 9.0e18)
        x = static_cast<double>(static_cast<int64_t>(std::nearbyint(scaled))) / 1000;
    if (x == 0)
        x = 0; // no "-0"
    char buffer[400];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, x, std::chars_format::fixed);
    std::string number = ec == std::errc() ? std::string(buffer, end) : std::string("N/A");
    for (char &ch : number)
        if (ch == '.')
            ch = decimalSeparator;
    static const char *const prefixes[] = {"n", "u", "m", "", "k", "M", "G"};
    return {number, std::string(prefixes[e + 3]) + ParamUnit};
}

std::string TWaveParam::CellText(int32_t channel, int32_t statistic, char decimalSeparator) {
    if (channel < 0 || channel >= ParamChannelCount || statistic < 0 || statistic >= ParamStatCount)
        return "N/A";
    std::lock_guard guard(Lock);
    TParamChannel &c = Channels[channel];
    if (!c.Valid)
        return "N/A";
    const double values[ParamStatCount] = {c.Now, c.Mean, c.Min, c.Max, c.Dev};
    auto [number, unit] = FormatValue(values[statistic], decimalSeparator);
    const size_t separator = number.find_last_of(".,");
    const int32_t d =
        separator == std::string::npos ? 0 : static_cast<int32_t>(number.size() - separator - 1);
    int32_t &decimals = c.Decimals[statistic];
    if (d > decimals)
        decimals = d;
    if (d == 0 && decimals > 0)
        number += decimalSeparator;
    for (int32_t shown = d; shown < decimals; ++shown)
        number += '0';
    return number + " " + unit;
}

int32_t TWaveParamsPellx::AddParam(const std::string &name, const std::string &unit, bool noPrefix) {
    std::lock_guard guard(ListLock);
    Params.push_back(std::make_unique<TWaveParam>(name, unit, noPrefix));
    return Count() - 1;
}

int32_t TWaveParamsPellx::VisibleCount() const {
    int32_t n = 0;
    for (const auto &p : Params)
        n += p->Visible ? 1 : 0;
    return n;
}

int32_t TWaveParamsPellx::VisibleIndex(int32_t n) const {
    if (n < 0)
        return -1;
    for (int32_t i = 0; i < Count(); ++i)
        if (Params[i]->Visible && n-- == 0)
            return i;
    return -1;
}

void TWaveParamsPellx::ResetAll() {
    for (auto &p : Params)
        p->Reset();
}

void TWaveParamsPellx::ResetChannel(int32_t channel) {
    for (auto &p : Params)
        p->ResetChannel(channel);
}

void TWaveParamsPellx::SetOnParamLoad(TParamLoadEvent handler) {
    OnParamLoad = std::move(handler);
    if (OnParamLoad)
        OnParamLoad(*this);
}

TParamStatsPellx::TParamStatsPellx() {
    Channels = {true, true, false, false};
    Stats = {true, true, false, false, false};
    Colours = {0x008000, 0x0000FF, 0x00FFFF, 0x000080};
}

bool TParamStatsPellx::ChannelVisible(int32_t i) const {
    std::lock_guard guard(Lock);
    return i >= 0 && i < ParamChannelCount && Channels[i];
}

bool TParamStatsPellx::StatVisible(int32_t j) const {
    std::lock_guard guard(Lock);
    return j >= 0 && j < ParamStatCount && Stats[j];
}

int32_t TParamStatsPellx::VisibleChannelCount() const {
    std::lock_guard guard(Lock);
    int32_t n = 0;
    for (bool on : Channels)
        n += on ? 1 : 0;
    return n;
}

int32_t TParamStatsPellx::VisibleStatCount() const {
    std::lock_guard guard(Lock);
    int32_t n = 0;
    for (bool on : Stats)
        n += on ? 1 : 0;
    return n;
}

void TParamStatsPellx::SetChannelVisible(int32_t i, bool on) {
    std::lock_guard guard(Lock);
    if (i >= 0 && i < ParamChannelCount)
        Channels[i] = on;
}

void TParamStatsPellx::SetStatVisible(int32_t j, bool on) {
    std::lock_guard guard(Lock);
    if (j >= 0 && j < ParamStatCount)
        Stats[j] = on;
}

void TParamStatsPellx::SetColour(int32_t i, uint32_t colour) {
    std::lock_guard guard(Lock);
    if (i >= 0 && i < ParamChannelCount)
        Colours[i] = colour;
}

uint32_t TParamStatsPellx::Colour(int32_t i) const {
    std::lock_guard guard(Lock);
    return i >= 0 && i < ParamChannelCount ? Colours[i] : 0;
}

void TParamStatsPellx::Assign(const TParamStatsPellx &source) {
    if (&source == this)
        return;
    std::scoped_lock guard(source.Lock, Lock);
    Stats = source.Stats;
    Channels = source.Channels;
    Colours = source.Colours;
}

// The table control.

namespace {

QColor FromColour(uint32_t bgr) {
    return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
}

} // namespace

TWaveParamsTablePellx::TWaveParamsTablePellx(QWidget *parent)
    : QWidget(parent), Image(std::make_unique<QImage>()) {
    setMouseTracking(true);
}

TWaveParamsTablePellx::~TWaveParamsTablePellx() = default;

const QImage &TWaveParamsTablePellx::Bitmap() const {
    return *Image;
}

void TWaveParamsTablePellx::SetShiftBar(QScrollBar *bar) {
    if (Bar)
        disconnect(Bar, nullptr, this, nullptr);
    Bar = bar;
    if (Bar)
        connect(Bar, &QScrollBar::valueChanged, this, &TWaveParamsTablePellx::ShiftChanged);
}

void TWaveParamsTablePellx::ShiftChanged(int value) {
    ShiftCount = value;
    LayoutAndDraw();
    update();
}

void TWaveParamsTablePellx::Measure() {
    if (!WaveParams || !ParamsStats)
        return;
    std::lock_guard guard(WaveParams->Mutex());
    const QFontMetrics metrics(font());
    W = metrics.horizontalAdvance(QStringLiteral("+1000,000GHz"));
    int32_t widest = 0;
    for (int32_t i = 0; i < WaveParams->Count(); ++i)
        widest = std::max<int32_t>(
            widest, metrics.horizontalAdvance(QString::fromStdString(WaveParams->Param(i).Name())));
    NW = widest + 22;
    H = metrics.height() + 5;
}

void TWaveParamsTablePellx::LayoutAndDraw() {
    if (!WaveParams || !ParamsStats)
        return;
    if (H == 0)
        Measure();
    std::lock_guard guard(WaveParams->Mutex());
    int32_t cells = 0;
    for (int32_t i = 0; i < ParamChannelCount; ++i)
        for (int32_t j = 0; j < ParamStatCount; ++j)
            cells += ParamsStats->CellVisible(i, j) ? 1 : 0;
    int32_t width = NW + W * cells, hidden = 0;
    // Never more hidden columns than there are cells.
    while (width > MaxWidth && hidden < cells) {
        ++hidden;
        width -= W;
    }
    const bool hiddenChanged = hidden != Hidden;
    if (hiddenChanged) {
        Hidden = hidden;
        if (Bar) {
            const QSignalBlocker blocker(Bar);
            Bar->setEnabled(hidden > 0);
            Bar->setMaximum(std::max(hidden, 0));
        }
        if (hidden < ShiftCount) {
            ShiftCount = hidden;
            if (Bar) {
                const QSignalBlocker blocker(Bar);
                Bar->setValue(hidden);
            }
        }
    }
    const int32_t visibleRows = WaveParams->VisibleCount();
    const int32_t height = H + 3 + H * visibleRows;
    if (Image->width() == width && Image->height() == height) {
        if (hiddenChanged && OnResize)
            OnResize();
    } else {
        *Image = QImage(std::max(width, 1), std::max(height, 1), QImage::Format_RGB32);
        setFixedSize(width, height);
        if (OnResize)
            OnResize();
    }
    Image->fill(Qt::white);
    QPainter painter(Image.get());
    painter.setFont(font());
    const QFontMetrics metrics(font());
    const int32_t textHeight = metrics.height();
    const char separator = WaveParams->DecimalSeparator;
    auto drawRight = [&](int32_t right, int32_t top, const std::string &text) {
        const QString s = QString::fromStdString(text);
        painter.drawText(QRect(right - 4000, top, 4000, textHeight), Qt::AlignRight | Qt::AlignTop, s);
    };
    int32_t y = 0;
    for (int32_t line = -1; line < visibleRows; ++line) {
        const int32_t top = y + H / 2 - textHeight / 2;
        TWaveParam *row = line >= 0 ? &WaveParams->Param(WaveParams->VisibleIndex(line)) : nullptr;
        if (row)
            drawRight(NW - 3, top, row->Name());
        int32_t x = NW, skipped = 0;
        for (int32_t i = 0; i < ParamChannelCount; ++i)
            for (int32_t j = 0; j < ParamStatCount; ++j) {
                if (!ParamsStats->CellVisible(i, j) || skipped++ < ShiftCount)
                    continue;
                x += W;
                const std::string text = row ? row->CellText(i, j, separator)
                                             : std::string(StatLabel(j)) + " (" + ChannelLetter(i) + ")";
                drawRight(x - 3, top, text);
            }
        y += line < 0 ? H + 3 : H;
    }
    painter.setPen(FromColour(0xC0C0C0));
    for (int32_t lineY = H + 3, i = 0; lineY < Image->height(); lineY += H, ++i) {
        painter.drawLine(0, lineY, Image->width() - 1, lineY);
        if (i < visibleRows) {
            DrawCross(painter, i, i == HighlightedRow);
            painter.setPen(FromColour(0xC0C0C0));
        }
    }
    int32_t x = NW, previous = -1, bandStart = 0, skipped = 0;
    for (int32_t i = 0; i < ParamChannelCount; ++i)
        for (int32_t j = 0; j < ParamStatCount; ++j) {
            if (!ParamsStats->CellVisible(i, j) || skipped++ < ShiftCount)
                continue;
            painter.setPen(FromColour(0xC0C0C0));
            painter.drawLine(x, 0, x, Image->height() - 1);
            if (i != previous) {
                if (previous >= 0)
                    painter.fillRect(QRect(bandStart, H, x - bandStart, 3),
                                     FromColour(ParamsStats->Colour(previous)));
                previous = i;
                bandStart = x + 1;
            }
            x += W;
        }
    if (previous >= 0)
        painter.fillRect(QRect(bandStart, H, x - bandStart, 3), FromColour(ParamsStats->Colour(previous)));
}

void TWaveParamsTablePellx::DrawCross(QPainter &painter, int32_t visibleRow, bool red) {
    painter.setPen(red ? FromColour(0x0000FF) : QColor(Qt::black));
    const int32_t c = H + visibleRow * H + H / 2 - 1;
    painter.drawLine(3, c, 11, c + 8);
    painter.drawLine(4, c, 12, c + 8);
    painter.drawLine(3, c + 7, 11, c - 1);
    painter.drawLine(4, c + 7, 12, c - 1);
}

int32_t TWaveParamsTablePellx::HitTest(int32_t x, int32_t y) const {
    if (H == 0 || !WaveParams)
        return -1;
    // The header line above the first row hits nothing.
    if (y < H + 3)
        return -1;
    const int32_t r = (y - H - 3) / H;
    return x >= 0 && x <= 13 && r < WaveParams->VisibleCount() ? r : -1;
}

void TWaveParamsTablePellx::MoveTo(int32_t x, int32_t y) {
    if (H == 0 || !WaveParams)
        return;
    std::lock_guard guard(WaveParams->Mutex());
    int32_t hit = HitTest(x, y);
    if (WaveParams->VisibleCount() <= 1)
        hit = -1;
    if (hit == HighlightedRow)
        return;
    {
        QPainter painter(Image.get());
        if (HighlightedRow >= 0 && HighlightedRow < WaveParams->VisibleCount())
            DrawCross(painter, HighlightedRow, false);
        if (hit >= 0)
            DrawCross(painter, hit, true);
    }
    HighlightedRow = hit;
    update();
}

void TWaveParamsTablePellx::paintEvent(QPaintEvent *) {
    if (Image->width() != width() || Image->height() != height()) {
        Measure();
        LayoutAndDraw();
    }
    QPainter painter(this);
    painter.drawImage(0, 0, *Image);
}

void TWaveParamsTablePellx::mouseMoveEvent(QMouseEvent *event) {
    MoveTo(event->position().toPoint().x(), event->position().toPoint().y());
}

void TWaveParamsTablePellx::mousePressEvent(QMouseEvent *event) {
    if (!WaveParams)
        return;
    const QPoint p = event->position().toPoint();
    {
        std::lock_guard guard(WaveParams->Mutex());
        const int32_t hit = HitTest(p.x(), p.y());
        if (hit < 0 || WaveParams->VisibleCount() <= 1)
            return;
        const int32_t row = WaveParams->VisibleIndex(hit);
        if (row < 0)
            return;
        WaveParams->Param(row).Visible = false;
        LayoutAndDraw();
        update();
        MoveTo(p.x(), p.y());
    }
    if (OnParamDisable)
        OnParamDisable();
}

void TWaveParamsTablePellx::leaveEvent(QEvent *) {
    MoveTo(-1, 0);
}

void TWaveParamsTablePellx::Refresh() {
    LayoutAndDraw();
    update();
}

} // namespace parmod
