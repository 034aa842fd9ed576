// The measurement model of the module (parameter rows with running statistics, the list of rows, the
// choice of shown columns) and the table control that shows it.
#pragma once

#include <QWidget>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

class QImage;
class QPainter;
class QScrollBar;

namespace parmod {

constexpr int32_t ParamChannelCount = 4;
constexpr int32_t ParamStatCount = 5;

// Statistic columns in table order.
enum TParamStat { psNow, psMean, psMin, psMax, psDev };

const char *StatLabel(int32_t statistic);
char ChannelLetter(int32_t channel);

struct TParamChannel {
    double Now = 0, Mean = 0, Min = 0, Max = 0, Dev = 0;
    // Most digits after the separator shown so far, per statistic column.
    std::array<int32_t, ParamStatCount> Decimals{};
    bool Valid = false;
    double MeanSquare = 0;
    int32_t Count = 0;
};

// One row of the table: a parameter of four channels with its statistics.
class TWaveParam {
public:
    TWaveParam(std::string name, std::string unit, bool noPrefix);

    const std::string &Name() const { return ParamName; }
    const std::string &Unit() const { return ParamUnit; }
    bool NoPrefix() const { return WithoutPrefix; }
    bool Visible = true;

    void AddValue(int32_t channel, double x);
    // The channel shows "N/A" and its statistics restart with the next value.
    void ResetChannel(int32_t channel);
    void Reset();

    // Number text (three decimals at most, halves to even) and the prefix-and-unit text.
    std::pair<std::string, std::string> FormatValue(double x, char decimalSeparator) const;
    // The cell text; widens the cell's decimals so that they never shrink.
    std::string CellText(int32_t channel, int32_t statistic, char decimalSeparator);

    // A copy of one channel's record, taken under the row's lock.
    TParamChannel Channel(int32_t channel) const;

private:
    std::string ParamName, ParamUnit;
    bool WithoutPrefix;
    mutable std::mutex Lock;
    std::array<TParamChannel, ParamChannelCount> Channels{};
};

// The rows of the table.
class TWaveParamsPellx {
public:
    using TParamLoadEvent = std::function<void(TWaveParamsPellx &sender)>;

    int32_t AddParam(const std::string &name, const std::string &unit, bool noPrefix);
    int32_t Count() const { return static_cast<int32_t>(Params.size()); }
    TWaveParam &Param(int32_t i) { return *Params[i]; }
    int32_t VisibleCount() const;
    // Index of the n-th visible row (from 0), or -1.
    int32_t VisibleIndex(int32_t n) const;
    void ResetAll();
    void ResetChannel(int32_t channel);

    void Lock() { ListLock.lock(); }
    void Unlock() { ListLock.unlock(); }
    std::recursive_mutex &Mutex() { return ListLock; }

    // The owner defines its rows in the handler, which runs at once.
    void SetOnParamLoad(TParamLoadEvent handler);

    // Separator of the number texts (the user's locale).
    char DecimalSeparator = '.';

private:
    std::vector<std::unique_ptr<TWaveParam>> Params;
    std::recursive_mutex ListLock;
    TParamLoadEvent OnParamLoad;
};

// Which channel and statistic columns are shown, and the channels' colours (0x00BBGGRR).
class TParamStatsPellx {
public:
    TParamStatsPellx();
    TParamStatsPellx(const TParamStatsPellx &) = delete;
    TParamStatsPellx &operator=(const TParamStatsPellx &) = delete;

    bool ChannelVisible(int32_t i) const;
    bool StatVisible(int32_t j) const;
    bool CellVisible(int32_t i, int32_t j) const { return ChannelVisible(i) && StatVisible(j); }
    int32_t VisibleChannelCount() const;
    int32_t VisibleStatCount() const;
    void SetChannelVisible(int32_t i, bool on);
    void SetStatVisible(int32_t j, bool on);
    void SetColour(int32_t i, uint32_t colour);
    uint32_t Colour(int32_t i) const;
    void Assign(const TParamStatsPellx &source);

private:
    mutable std::recursive_mutex Lock;
    std::array<bool, ParamChannelCount> Channels{};
    std::array<bool, ParamStatCount> Stats{};
    std::array<uint32_t, ParamChannelCount> Colours{};
};

// The parameter table: one line per visible row, one column per visible channel-and-statistic cell,
// a header with coloured channel bands, and a cross at the left of every row that hides the row.
class TWaveParamsTablePellx : public QWidget {
    Q_OBJECT
public:
    explicit TWaveParamsTablePellx(QWidget *parent = nullptr);
    ~TWaveParamsTablePellx() override;

    void SetWaveParams(TWaveParamsPellx *params) { WaveParams = params; }
    void SetParamsStats(TParamStatsPellx *stats) { ParamsStats = stats; }
    int32_t MaxWidth = 1000;
    void SetShiftBar(QScrollBar *bar);
    QScrollBar *ShiftBar() const { return Bar; }
    std::function<void()> OnParamDisable;
    std::function<void()> OnResize;

    // Layout and draw, then paint.
    void Refresh();

    int32_t CellWidth() const { return W; }
    int32_t NameWidth() const { return NW; }
    int32_t LineHeight() const { return H; }
    int32_t HiddenColumns() const { return Hidden; }
    int32_t Shift() const { return ShiftCount; }
    int32_t Highlighted() const { return HighlightedRow; }
    // Visible row whose cross lies under the point, or -1.
    int32_t HitTest(int32_t x, int32_t y) const;
    const QImage &Bitmap() const;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    void Measure();
    void LayoutAndDraw();
    void DrawCross(QPainter &painter, int32_t visibleRow, bool red);
    void MoveTo(int32_t x, int32_t y);
    void ShiftChanged(int value);

    TWaveParamsPellx *WaveParams = nullptr;
    TParamStatsPellx *ParamsStats = nullptr;
    QScrollBar *Bar = nullptr;
    std::unique_ptr<QImage> Image;
    int32_t W = 0, NW = 0, H = 0;
    int32_t HighlightedRow = -1;
    int32_t Hidden = -1;
    int32_t ShiftCount = 0;
};

} // namespace parmod
