#include "acquisition/ColumnReduction.h"

#include <algorithm>
#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif
#include <cmath>
#include <limits>

namespace scope {

namespace {

// Kept plain so that the compiler vectorises it; the 32-bit sum is safe for runs below 2^24 samples,
// longer runs are cut into such pieces.
void ScanPortable(const uint8_t *p, size_t n, TSampleScan &scan) {
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

#if defined(__x86_64__) || defined(__i386__)
// Two registers of 32 samples a step; the sums of absolute differences against zero add the bytes into
// four 64-bit lanes. Chosen at run time, so the rest of the program stays on the baseline processor.
__attribute__((target("avx2"))) void ScanAvx2(const uint8_t *p, size_t n, TSampleScan &scan) {
    const __m256i zero = _mm256_setzero_si256();
    __m256i hi0 = _mm256_set1_epi8(char(scan.Maximum)), hi1 = hi0;
    __m256i lo0 = _mm256_set1_epi8(char(scan.Minimum)), lo1 = lo0;
    __m256i sum0 = zero, sum1 = zero;
    size_t i = 0;
    for (; i + 64 <= n; i += 64) {
        const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(p + i));
        const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(p + i + 32));
        hi0 = _mm256_max_epu8(hi0, a);
        lo0 = _mm256_min_epu8(lo0, a);
        sum0 = _mm256_add_epi64(sum0, _mm256_sad_epu8(a, zero));
        hi1 = _mm256_max_epu8(hi1, b);
        lo1 = _mm256_min_epu8(lo1, b);
        sum1 = _mm256_add_epi64(sum1, _mm256_sad_epu8(b, zero));
    }
    for (; i + 32 <= n; i += 32) {
        const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(p + i));
        hi0 = _mm256_max_epu8(hi0, a);
        lo0 = _mm256_min_epu8(lo0, a);
        sum0 = _mm256_add_epi64(sum0, _mm256_sad_epu8(a, zero));
    }
    alignas(32) uint8_t his[32], los[32];
    alignas(32) uint64_t sums[4];
    _mm256_store_si256(reinterpret_cast<__m256i *>(his), _mm256_max_epu8(hi0, hi1));
    _mm256_store_si256(reinterpret_cast<__m256i *>(los), _mm256_min_epu8(lo0, lo1));
    _mm256_store_si256(reinterpret_cast<__m256i *>(sums), _mm256_add_epi64(sum0, sum1));
    uint8_t hi = scan.Maximum, lo = scan.Minimum;
    for (int k = 0; k < 32; ++k) {
        hi = std::max(hi, his[k]);
        lo = std::min(lo, los[k]);
    }
    uint64_t sum = sums[0] + sums[1] + sums[2] + sums[3];
    for (; i < n; ++i) {
        hi = std::max(hi, p[i]);
        lo = std::min(lo, p[i]);
        sum += p[i];
    }
    scan.Maximum = hi;
    scan.Minimum = lo;
    scan.Sum += sum;
}

bool HasAvx2() {
    return __builtin_cpu_supports("avx2");
}
#else
void ScanAvx2(const uint8_t *p, size_t n, TSampleScan &scan) {
    ScanPortable(p, n, scan);
}
bool HasAvx2() {
    return false;
}
#endif

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

TScanKernel PortableScanKernel() {
    return &ScanPortable;
}

TScanKernel Avx2ScanKernel() {
    return HasAvx2() ? &ScanAvx2 : nullptr;
}

TScanKernel ActiveScanKernel() {
    static const TScanKernel kernel = Avx2ScanKernel() ? Avx2ScanKernel() : PortableScanKernel();
    return kernel;
}

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
    const TScanKernel scanRun = ActiveScanKernel();
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
            TSampleScan scan;
            scanRun(data + a, size_t(b - a + 1), scan);
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
    const TScanKernel scanRun = ActiveScanKernel();
    out.FirstColumn = 0;
    out.LastColumn = width - 1;
    TJoiner joiner;
    for (int32_t s = 0; s < width; ++s) {
        const int64_t a = std::max(int64_t(std::nearbyint(s * ratio)), first);
        const int64_t b = std::min(last, int64_t(std::nearbyint((s + 1) * ratio)) - 1);
        TColumn &column = out.Columns[s];
        if (b >= a) {
            TSampleScan scan;
            scanRun(data + a, size_t(b - a + 1), scan);
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
