// Reduction of a channel's samples to display columns: maximum, minimum, average and validity per column.
#pragma once

#include "device/DataTypesTarn.h"

#include <cstdint>
#include <vector>

namespace scope {

// One display column, four bytes in this order.
struct TColumn {
    uint8_t Maximum = 0;
    uint8_t Minimum = 0;
    uint8_t Average = 0;
    uint8_t Valid = 0; // 1 when the column covers at least one valid sample
};

// The columns of one channel as a display draws them.
struct TChannelWave {
    std::vector<TColumn> Columns;
    int32_t FirstColumn = 0; // columns before it have no data
    int32_t LastColumn = -1;
    bool Valid = false;          // the channel has data and is shown
    uint32_t Colour = 0;         // 0x00BBGGRR, quick-view columns only
    int32_t PointsPerSample = 1; // screen points per sample when zoomed in, screen columns only
};

// Maximum, minimum and sum of a run of samples; a scan continues from what the struct holds.
struct TSampleScan {
    uint8_t Maximum = 0;
    uint8_t Minimum = 255;
    uint64_t Sum = 0;
};
using TScanKernel = void (*)(const uint8_t *samples, size_t count, TSampleScan &scan);
// The portable kernel (vectorised by the compiler for the baseline processor), the AVX2 one (null when
// the processor lacks it) and the one the reductions use: AVX2 where the processor has it.
TScanKernel PortableScanKernel();
TScanKernel Avx2ScanKernel();
TScanKernel ActiveScanKernel();

// Samples per screen column for a display ratio (samples per screen point); at least 1.
int32_t ScreenStep(double displayRatio);
// Screen points per sample for a display ratio: 1 unless zoomed in, never more than the screen.
int32_t PointsPerSample(double displayRatio, int32_t pointsOnScreen);

// Columns of `points` consecutive groups of `step` samples from `start` on. Neighbouring valid columns
// are joined so that the trace is continuous; invalid columns keep their old bytes and get flag 0.
void ReduceScreenColumns(const TWaveform &wave, int64_t start, int32_t step, int32_t points,
                         TChannelWave &out);
// `width` columns spread over the whole record (maximum and minimum only).
void ReduceQuickViewColumns(const TWaveform &wave, int32_t width, TChannelWave &out);

} // namespace scope
