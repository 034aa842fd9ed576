#include "acquisition/ColumnReduction.h"

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include <gtest/gtest.h>

namespace scope {

namespace {

TWaveform Wave(std::vector<uint8_t> data, int32_t first, int32_t last) {
    TWaveform w;
    w.Data = std::move(data);
    w.First = first;
    w.Last = last;
    return w;
}

struct TQuad {
    int Maximum, Minimum, Average, Valid;
    bool operator==(const TQuad &) const = default;
};

std::vector<TQuad> Quads(const TChannelWave &wave) {
    std::vector<TQuad> out;
    for (const TColumn &c : wave.Columns)
        out.push_back({c.Maximum, c.Minimum, c.Average, c.Valid});
    return out;
}

void PrintTo(const TQuad &q, std::ostream *os) {
    *os << "{" << q.Maximum << "," << q.Minimum << "," << q.Average << "," << q.Valid << "}";
}

TEST(ColumnReduction, StepAndPointsPerSampleFromTheDisplayRatio) {
    struct TRow {
        double Ratio;
        int32_t Step, PointsPerSample;
    };
    for (const TRow row : {TRow{0.25, 1, 4}, TRow{1, 1, 1}, TRow{2.5, 2, 1}, TRow{3.5, 4, 1}, TRow{0.4, 1, 2},
                           TRow{1e12, 2147483647, 1},
                           // no ratio: nothing divides by it and nothing loops on it
                           TRow{0, 1, 1}, TRow{-2, 1, 1}, TRow{NAN, 1, 1}, TRow{1e-12, 1, 500}}) {
        SCOPED_TRACE(row.Ratio);
        EXPECT_EQ(ScreenStep(row.Ratio), row.Step);
        EXPECT_EQ(PointsPerSample(row.Ratio, 500), row.PointsPerSample);
    }
}

TEST(ColumnReduction, ScreenColumnsAreJoinedAndColumnsPastTheRecordKeepTheirBytes) {
    const TWaveform w = Wave({10, 20, 30, 40, 50, 60, 70, 80}, 1, 4);
    TChannelWave out;
    out.Columns.assign(4, TColumn{9, 9, 9, 1});
    ReduceScreenColumns(w, 0, 2, 4, out);
    // Column 1 covers 30, 40 and reaches down to column 0; column 2 (only 50) reaches down to 40.
    EXPECT_EQ(Quads(out),
              (std::vector<TQuad>{{20, 20, 20, 1}, {40, 20, 35, 1}, {50, 40, 50, 1}, {9, 9, 9, 0}}));
    EXPECT_EQ(out.FirstColumn, 0);
    EXPECT_EQ(out.LastColumn, 2);
}

TEST(ColumnReduction, LeadingColumnsWithoutDataMoveTheFirstColumn) {
    const TWaveform w = Wave({1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, 5, 9);
    TChannelWave out;
    ReduceScreenColumns(w, 0, 2, 5, out);
    EXPECT_EQ(out.FirstColumn, 2);
    EXPECT_EQ(out.LastColumn, 4);
    EXPECT_EQ(Quads(out)[2], (TQuad{6, 6, 6, 1}));
    EXPECT_EQ(Quads(out)[3], (TQuad{8, 6, 7, 1})); // 7, 8 joined down to 6; average truncates 7.5
}

TEST(ColumnReduction, NoValidSampleLeavesTheFirstColumnPastTheLast) {
    for (const TWaveform &w : {Wave({1, 2, 3}, 0, -1), Wave({1, 2, 3}, 1, 0), Wave({}, 0, 5)}) {
        TChannelWave out;
        ReduceScreenColumns(w, 0, 3, 10, out);
        EXPECT_EQ(out.FirstColumn, 10);
        EXPECT_EQ(out.LastColumn, 9);
        for (const TColumn &c : out.Columns)
            EXPECT_EQ(c.Valid, 0);
    }
}

TEST(ColumnReduction, IndicesPastTheSamplesAreNeverRead) {
    const TWaveform w = Wave({5, 6, 7, 8}, -3, 1000);
    TChannelWave screen, quick;
    ReduceScreenColumns(w, -2, 1, 8, screen);
    EXPECT_EQ(screen.FirstColumn, 2); // samples -2 and -1 do not exist
    EXPECT_EQ(screen.LastColumn, 5);
    ReduceQuickViewColumns(w, 2, quick);
    EXPECT_EQ(Quads(quick), (std::vector<TQuad>{{6, 5, 0, 1}, {8, 6, 0, 1}}));
}

TEST(ColumnReduction, AverageOfAVeryLongColumnDoesNotOverflow) {
    const int32_t n = (1 << 24) + 1000;
    const TWaveform w = Wave(std::vector<uint8_t>(n, 255), 0, n - 1);
    TChannelWave out;
    ReduceScreenColumns(w, 0, n, 1, out);
    EXPECT_EQ(Quads(out), (std::vector<TQuad>{{255, 255, 255, 1}}));
}

TEST(ColumnReduction, QuickViewSpreadsTheWholeRecordOverItsWidth) {
    // 8 samples over 3 columns: 0..2, 3..4, 5..7; the average byte is not touched.
    const TWaveform w = Wave({10, 30, 20, 90, 80, 40, 60, 50}, 0, 7);
    TChannelWave out;
    out.Columns.assign(3, TColumn{0, 0, 77, 0});
    ReduceQuickViewColumns(w, 3, out);
    EXPECT_EQ(Quads(out), (std::vector<TQuad>{{30, 10, 77, 1}, {90, 30, 77, 1}, {60, 40, 77, 1}}));
    EXPECT_EQ(out.FirstColumn, 0);
    EXPECT_EQ(out.LastColumn, 2);

    const TWaveform tail = Wave({10, 30, 20, 90, 80, 40, 60, 50}, 4, 7);
    ReduceQuickViewColumns(tail, 4, out);
    EXPECT_EQ(out.FirstColumn, 2);
    EXPECT_EQ(out.LastColumn, 3);
    EXPECT_EQ(Quads(out)[2], (TQuad{80, 40, 77, 1}));
}

} // namespace

} // namespace scope

namespace scope {

namespace {

// Both kernels against a plain reference, over lengths around the register widths, at every alignment,
// and continuing from a scan that already holds values.
TEST(ScanKernels, AgreeWithAPlainScanAtEveryLengthAndAlignment) {
    std::vector<uint8_t> samples(4096 + 64);
    std::mt19937 random(3);
    for (uint8_t &v : samples)
        v = uint8_t(40 + random() % 170); // 40..209, so the starting extremes below matter
    samples[2000] = 255;
    samples[2001] = 0;
    std::vector<std::pair<const char *, TScanKernel>> kernels = {{"portable", PortableScanKernel()}};
    if (Avx2ScanKernel())
        kernels.push_back({"avx2", Avx2ScanKernel()});
    EXPECT_NE(ActiveScanKernel(), nullptr);
    const std::vector<size_t> lengths = {0, 1, 31, 32, 33, 63, 64, 65, 127, 128, 129, 1000, 4096};
    for (const auto &[name, kernel] : kernels)
        for (size_t offset = 0; offset < 64; offset += 7)
            for (size_t n : lengths)
                for (const TSampleScan start : {TSampleScan{}, TSampleScan{220, 30, 1000}}) {
                    SCOPED_TRACE(testing::Message() << name << " offset " << offset << " n " << n);
                    const uint8_t *p = samples.data() + offset;
                    TSampleScan expected = start;
                    for (size_t i = 0; i < n; ++i) {
                        expected.Maximum = std::max(expected.Maximum, p[i]);
                        expected.Minimum = std::min(expected.Minimum, p[i]);
                        expected.Sum += p[i];
                    }
                    TSampleScan got = start;
                    kernel(p, n, got);
                    EXPECT_EQ(got.Maximum, expected.Maximum);
                    EXPECT_EQ(got.Minimum, expected.Minimum);
                    EXPECT_EQ(got.Sum, expected.Sum);
                }
}

// A run long enough to overflow 32-bit partial sums of 255s.
TEST(ScanKernels, LongRunsOfFullLevelsSumWithoutOverflow) {
    const std::vector<uint8_t> samples((size_t(1) << 24) + 100, 255);
    std::vector<TScanKernel> kernels = {PortableScanKernel()};
    if (Avx2ScanKernel())
        kernels.push_back(Avx2ScanKernel());
    for (TScanKernel kernel : kernels) {
        TSampleScan scan;
        kernel(samples.data(), samples.size(), scan);
        EXPECT_EQ(scan.Sum, uint64_t(samples.size()) * 255);
        EXPECT_EQ(scan.Minimum, 255);
    }
}

} // namespace

} // namespace scope
