#include "acquisition/ColumnReduction.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace scope {

namespace {

// Maximum, minimum and sum of a run of samples. Kept plain so that the compiler vectorises it; the
// 32-bit sum is safe for runs below 2^24 samples, longer runs are cut into such pieces.
struct TScan {
    uint8_t Maximum = 0;
    uint8_t Minimum = 255;
    uint64_t Sum = 0;
};

void ScanRun(const uint8_t *p, size_t n, TScan &scan) {
    constexpr size_t piece = size_t(1) << 24;
    uint8_t hi = scan.Maximum, lo = scan.Minimum;
    while (n > 0) {
        const size_t m = std::min(n, piece);
        uint32_t sum = 0;
        for (size_t i = 0; i < m; ++i) {
            const uint8_t v = p[i];
            hi = v > hi ? v : hi;
            lo = v < lo ? v : lo;
            sum += v;
        }
        scan.Sum += sum;
        p += m;
        n -= m;
    }
    scan.Maximum = hi;
    scan.Minimum = lo;
}

void ScanExtremes(const uint8_t *p, size_t n, TScan &scan) {
    uint8_t hi = scan.Maximum, lo = scan.Minimum;
    for (size_t i = 0; i < n; ++i) {
        const uint8_t v = p[i];
        hi = v > hi ? v : hi;
        lo = v < lo ? v : lo;
    }
    scan.Maximum = hi;
    scan.Minimum = lo;
}

// The valid range of a waveform limited to its Data, so that a record whose indices run past its
// samples is never read beyond them.
void ValidRange(const TWaveform &wave, int64_t &first, int64_t &last) {
    first = std::max<int64_t>(wave.First, 0);
    last = std::min<int64_t>(wave.Last, int64_t(wave.Data.size()) - 1);
}

// Joins a valid column to the previous valid one and stores it.
struct TJoiner {
    bool PreviousValid = false;
    uint8_t PreviousMaximum = 0, PreviousMinimum = 0;

    void Store(TColumn &column, uint8_t maximum, uint8_t minimum) {
        if (PreviousValid) {
            maximum = std::max(maximum, PreviousMinimum);
            minimum = std::min(minimum, PreviousMaximum);
        }
        column.Maximum = maximum;
        column.Minimum = minimum;
        column.Valid = 1;
        PreviousValid = true;
        PreviousMaximum = maximum;
        PreviousMinimum = minimum;
    }
};

int32_t RoundToInt(double x, int32_t low, int32_t high) {
    if (!(x >= low)) // also NaN
        return low;
    if (x >= high)
        return high;
    return int32_t(std::nearbyint(x));
}

} // namespace

int32_t ScreenStep(double displayRatio) {
    if (!(displayRatio >= 1))
        return 1;
    return RoundToInt(displayRatio, 1, std::numeric_limits<int32_t>::max());
}

int32_t PointsPerSample(double displayRatio, int32_t pointsOnScreen) {
    const int32_t most = std::max(pointsOnScreen, 1);
    if (!(displayRatio > 0)) // zero, negative or NaN: no zoom to speak of
        return 1;
    return RoundToInt(std::max(1 / displayRatio, 1.0), 1, most);
}

void ReduceScreenColumns(const TWaveform &wave, int64_t start, int32_t step, int32_t points,
                         TChannelWave &out) {
    points = std::max(points, 0);
    step = std::max(step, 1);
    if (int32_t(out.Columns.size()) != points)
        out.Columns.resize(points);
    int64_t first, last;
    ValidRange(wave, first, last);
    const uint8_t *data = wave.Data.data();
    out.FirstColumn = 0;
    out.LastColumn = points - 1;
    TJoiner joiner;
    int64_t s = start;
    for (int32_t i = 0; i < points; ++i) {
        const int64_t a = std::max(s, first);
        s += step;
        const int64_t b = std::min(s - 1, last);
        TColumn &column = out.Columns[i];
        if (b >= a) {
            TScan scan;
            ScanRun(data + a, size_t(b - a + 1), scan);
            column.Average = uint8_t(scan.Sum / uint64_t(b - a + 1));
            joiner.Store(column, scan.Maximum, scan.Minimum);
            out.LastColumn = i;
        } else {
            column.Valid = 0;
            joiner.PreviousValid = false;
            if (i == out.FirstColumn)
                out.FirstColumn = i + 1;
        }
    }
}

void ReduceQuickViewColumns(const TWaveform &wave, int32_t width, TChannelWave &out) {
    width = std::max(width, 0);
    if (int32_t(out.Columns.size()) != width)
        out.Columns.resize(width);
    int64_t first, last;
    ValidRange(wave, first, last);
    const uint8_t *data = wave.Data.data();
    const double ratio = width > 0 ? double(wave.Data.size()) / width : 0;
    out.FirstColumn = 0;
    out.LastColumn = width - 1;
    TJoiner joiner;
    for (int32_t s = 0; s < width; ++s) {
        const int64_t a = std::max(int64_t(std::nearbyint(s * ratio)), first);
        const int64_t b = std::min(last, int64_t(std::nearbyint((s + 1) * ratio)) - 1);
        TColumn &column = out.Columns[s];
        if (b >= a) {
            TScan scan;
            ScanExtremes(data + a, size_t(b - a + 1), scan);
            joiner.Store(column, scan.Maximum, scan.Minimum);
            out.LastColumn = s;
        } else {
            column.Valid = 0;
            joiner.PreviousValid = false;
            if (s == out.FirstColumn)
                out.FirstColumn = s + 1;
        }
    }
}

} // namespace scope
