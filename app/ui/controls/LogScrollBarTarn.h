// A scroll bar whose positions map logarithmically onto a numeric range: about one hundred positions per
// decade, so small values stay finely adjustable while the bar still reaches large maxima.
#pragma once

#include <QScrollBar>
#include <cstdint>

namespace scope {

class TLogScrollBarTarn : public QScrollBar {
    Q_OBJECT
public:
    explicit TLogScrollBarTarn(QWidget *parent = nullptr);
    TLogScrollBarTarn(Qt::Orientation orientation, QWidget *parent);

    // 1 / (10^0.01 - 1): one position is a factor of 10^0.01 at the high end.
    static const double Scale;

    // Maps positions 0..M onto a..b. With b <= a the bar has the one position 0, worth a.
    void SetLogRange(int32_t a, int32_t b);
    // Moves the bar to the position nearest x, unless x rounds to the current value; values at or below
    // the bottom of the range give position 0. A changed position fires valueChanged.
    void SetLogValue(double x);

    // The value of the current position; -1.0 right after SetLogRange (a < b).
    double LogValue = -1.0;

    bool Ranged() const { return IsRanged; }

protected:
    // Runs before valueChanged is emitted, so handlers read the new LogValue.
    void sliderChange(SliderChange change) override;

private:
    double ValueAt(int position) const;

    bool IsRanged = false;
    double Offset = 0;
    double Decades = 0;
    int32_t Low = 0;
};

} // namespace scope
