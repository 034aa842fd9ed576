#include "ModelTables.h"

#include "ScopeConstsPellX.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pellex {
namespace {

struct TModelCase {
    int Type;
    uint32_t RecordLength, ScreenPoints, Ppd, TimeBases;
    double FirstTime, FirstInterval;
    uint16_t FirstWord;
    uint32_t FirstCount, LastCount;
};

const TModelCase Cases[] = {
    {0, 4096, 500, 50, 22, 10, 20, 0x0800, 4000, 4000},  {1, 8192, 500, 50, 22, 10, 20, 0x0800, 8000, 8000},
    {2, 4096, 500, 50, 23, 5, 20, 0x0800, 4000, 4000},   {3, 8192, 500, 50, 23, 5, 20, 0x0800, 8000, 8000},
    {4, 4096, 400, 40, 24, 2, 12.5, 0x0840, 4000, 4000}, {5, 8192, 400, 40, 24, 2, 12.5, 0x0840, 6400, 8000},
};

TEST(ModelTables, DescriptionOfEveryModelFieldByField) {
    for (const TModelCase &c : Cases) {
        SCOPED_TRACE("type " + std::to_string(c.Type));
        const TDescription d = BuildDescription(c.Type, TCalibration::Defaults());
        const uint8_t *r = d.data();
        EXPECT_EQ(LeGetU32(r, ddCountTableCount), 11u);
        EXPECT_EQ(LeGetU32(r, ddCountTableValues), c.FirstCount);
        EXPECT_EQ(LeGetU32(r, ddCountTableValues + 4 * 15), c.LastCount);
        EXPECT_EQ(LeGetU32(r, ddTimeBaseCount), c.TimeBases);
        EXPECT_EQ(LeGetU32(r, ddEtsRowCount), 6u);
        EXPECT_EQ(LeGetF64(r, PellTimeBaseRow(0) + tbTimePerDivision), c.FirstTime);
        EXPECT_EQ(LeGetF64(r, PellTimeBaseRow(0) + tbSampleInterval), c.FirstInterval);
        EXPECT_EQ(LeGetU16(r, PellTimeBaseRow(0) + tbControlWord), c.FirstWord);
        for (int i = 0; i < 6; ++i)
            EXPECT_EQ(LeGetU8(r, PellTimeBaseRow(i) + tbEquivalentTime), 1) << "row " << i;
        EXPECT_EQ(LeGetU8(r, PellTimeBaseRow(6) + tbEquivalentTime), 0);
        // The last row in use is 100 ms per division, word 31; the rest of the table is zero.
        const size_t last = PellTimeBaseRow(static_cast<int>(c.TimeBases) - 1);
        EXPECT_EQ(LeGetF64(r, last + tbTimePerDivision), 1e8);
        EXPECT_EQ(LeGetF64(r, last + tbSampleInterval), 1e8 / c.Ppd);
        EXPECT_EQ(LeGetU16(r, last + tbControlWord), 31);
        for (size_t at = last + ddTimeBaseRowSize; at < ddRangeCount; ++at)
            ASSERT_EQ(r[at], 0) << "byte " << at;
        EXPECT_EQ(LeGetU32(r, ddRangeCount), 9u);
        EXPECT_EQ(LeGetU32(r, ddScreenPoints), c.ScreenPoints);
        EXPECT_EQ(LeGetU32(r, ddPointsPerDivision), c.Ppd);
        EXPECT_EQ(LeGetU32(r, ddRecordLength), c.RecordLength);
        EXPECT_EQ(LeGetU32(r, ddDeviceType), static_cast<uint32_t>(c.Type));
    }
}

TEST(ModelTables, RealTimeRowsOfTheThreeTables) {
    // Table B's 500 ns row, table C's 200 and 500 ns rows and its 5 ms row with the instrument's interval.
    const TDescription b = BuildDescription(2, TCalibration::Defaults());
    EXPECT_EQ(LeGetF64(b.data(), PellTimeBaseRow(6) + tbTimePerDivision), 500);
    EXPECT_EQ(LeGetF64(b.data(), PellTimeBaseRow(6) + tbSampleInterval), 10);
    EXPECT_EQ(LeGetU16(b.data(), PellTimeBaseRow(6) + tbControlWord), 0x0040);
    const TDescription c = BuildDescription(4, TCalibration::Defaults());
    EXPECT_EQ(LeGetF64(c.data(), PellTimeBaseRow(6) + tbSampleInterval), 5);
    EXPECT_EQ(LeGetU16(c.data(), PellTimeBaseRow(6) + tbControlWord), 0x0080);
    EXPECT_EQ(LeGetF64(c.data(), PellTimeBaseRow(7) + tbSampleInterval), 12.5);
    // Rows from 1 us: 1000 at row 8, 5000000 at row 8 + 11.
    EXPECT_EQ(LeGetF64(c.data(), PellTimeBaseRow(8) + tbSampleInterval), 25);
    EXPECT_EQ(LeGetF64(c.data(), PellTimeBaseRow(19) + tbTimePerDivision), 5000000);
    EXPECT_EQ(LeGetF64(c.data(), PellTimeBaseRow(19) + tbSampleInterval), 115000);
    EXPECT_EQ(LeGetU16(c.data(), PellTimeBaseRow(19) + tbControlWord), 22);
    const TDescription a = BuildDescription(0, TCalibration::Defaults());
    EXPECT_EQ(LeGetF64(a.data(), PellTimeBaseRow(6) + tbTimePerDivision), 1000);
    EXPECT_EQ(LeGetF64(a.data(), PellTimeBaseRow(17) + tbSampleInterval), 100000);
}

// Every count and every time-base row as the instrument's tables give them.
TEST(ModelTables, CountAndTimeBaseTablesRowByRow) {
    const uint32_t counts[ModelCount][16] = {
        {4000, 3000, 2000, 1000, 500, 250, 125, 100, 50, 25, 10, 0, 0, 0, 0, 4000},
        {8000, 4000, 2000, 1000, 500, 250, 125, 100, 50, 25, 10, 0, 0, 0, 0, 8000},
        {4000, 3000, 2000, 1000, 500, 250, 125, 100, 50, 25, 10, 0, 0, 0, 0, 4000},
        {8000, 4000, 2000, 1000, 500, 250, 125, 100, 50, 25, 10, 0, 0, 0, 0, 8000},
        {4000, 3200, 1600, 800, 400, 200, 100, 80, 40, 10, 4, 0, 0, 0, 0, 4000},
        {6400, 3200, 1600, 800, 400, 200, 100, 80, 40, 10, 4, 0, 0, 0, 0, 8000},
    };
    struct TRow {
        double Time, Interval;
        uint8_t Ets;
        uint16_t Word;
    };
    const double slow[16] = {1e3, 2e3, 5e3, 1e4, 2e4, 5e4, 1e5, 2e5, 5e5, 1e6, 2e6, 5e6, 1e7, 2e7, 5e7, 1e8};
    const uint16_t slowWords[16] = {0, 1, 2, 3, 5, 6, 7, 13, 14, 15, 21, 22, 23, 29, 30, 31};
    std::vector<TRow> tables[3];
    for (double v : {10, 20, 50, 100, 200, 500})
        tables[0].push_back({v, 20, 1, 0x0800});
    for (double v : {5, 10, 20, 50, 100, 200})
        tables[1].push_back({v, 20, 1, 0x0800});
    tables[1].push_back({500, 10, 0, 0x0040});
    for (double v : {2, 5, 10, 20, 50, 100})
        tables[2].push_back({v, 12.5, 1, 0x0840});
    tables[2].push_back({200, 5, 0, 0x0080});
    tables[2].push_back({500, 12.5, 0, 0x0040});
    for (int k = 0; k < 16; ++k) {
        tables[0].push_back({slow[k], slow[k] / 50, 0, slowWords[k]});
        tables[1].push_back({slow[k], slow[k] / 50, 0, slowWords[k]});
        tables[2].push_back({slow[k], slow[k] == 5e6 ? 115000 : slow[k] / 40, 0, slowWords[k]});
    }
    const int tableOf[ModelCount] = {0, 0, 1, 1, 2, 2};
    for (int type = 0; type < ModelCount; ++type) {
        SCOPED_TRACE("type " + std::to_string(type));
        const TDescription d = BuildDescription(type, TCalibration::Defaults());
        for (int i = 0; i < 16; ++i)
            EXPECT_EQ(LeGetU32(d.data(), ddCountTableValues + 4 * i), counts[type][i]) << "count " << i;
        const std::vector<TRow> &rows = tables[tableOf[type]];
        ASSERT_EQ(LeGetU32(d.data(), ddTimeBaseCount), rows.size());
        for (size_t i = 0; i < rows.size(); ++i) {
            const size_t at = PellTimeBaseRow(static_cast<int>(i));
            EXPECT_EQ(LeGetF64(d.data(), at + tbTimePerDivision), rows[i].Time) << "row " << i;
            EXPECT_EQ(LeGetF64(d.data(), at + tbSampleInterval), rows[i].Interval) << "row " << i;
            EXPECT_EQ(LeGetU8(d.data(), at + tbEquivalentTime), rows[i].Ets) << "row " << i;
            EXPECT_EQ(LeGetU16(d.data(), at + tbControlWord), rows[i].Word) << "row " << i;
        }
    }
}

TEST(ModelTables, RangeRowsWithDefaultGainsAndNoCalibratedOnes) {
    const TDescription d = BuildDescription(3, TCalibration::Defaults());
    const uint32_t keys[9] = {10, 20, 50, 100, 200, 500, 1000, 2000, 5000};
    const uint16_t bits[9] = {0x21, 0x21, 0x01, 0x28, 0x28, 0x08, 0x38, 0x38, 0x18};
    const uint16_t gains[9] = {1818, 3636, 3636, 1818, 3636, 3636, 1818, 3636, 3636};
    for (int k = 0; k < 9; ++k) {
        const size_t at = PellRangeRow(k);
        EXPECT_EQ(LeGetU32(d.data(), at + rrRangeKey), keys[k]);
        EXPECT_EQ(LeGetU16(d.data(), at + rrRangeBitsA), bits[k]);
        EXPECT_EQ(LeGetU16(d.data(), at + rrRangeBitsB), bits[k] << 8);
        EXPECT_EQ(LeGetU16(d.data(), at + rrDefaultGainA), gains[k]);
        EXPECT_EQ(LeGetU16(d.data(), at + rrDefaultGainB), gains[k]);
        for (size_t field : {rrGainA1, rrGainA2, rrGainB1, rrGainB2})
            EXPECT_EQ(LeGetU16(d.data(), at + field), 0);
    }
    for (size_t at = PellRangeRow(9); at < ddScreenPoints; ++at)
        ASSERT_EQ(d[at], 0);
}

TEST(ModelTables, CalibratedGainsAreTheProductsOfBasesAndFactors) {
    TCalibration c = TCalibration::Defaults();
    c.Valid = true;
    c.GainBase = {{{1000, 2000, 4000}, {1100, 2200, 4400}}};
    c.Factor = {1.1, 0.9, 1.2, 0.8, 1.05, 0.95, 1.15, 0.85, 1.01, 0.99};
    const TDescription d = BuildDescription(0, c);
    struct TRow {
        int K;
        uint16_t A1, A2, B1, B2;
    } rows[] = {
        {0, 1100, 1155, 990, 940}, // decade 0, step 1: GA F0, GA F0 F4 (1155), GB F1, GB F1 F5 (940.5 -> 940)
        {2, 4400, 4620, 3960, 3762}, // decade 0, step 5
        {4, 2000, 2300, 2200, 1870}, // decade 1: GA, GA F6, GB, GB F7
        {8, 4800, 4848, 3520, 3485}, // decade 2: GA F2, GA F2 F8, GB F3, GB F3 F9 (3484.8)
    };
    for (const TRow &row : rows) {
        const size_t at = PellRangeRow(row.K);
        EXPECT_EQ(LeGetU16(d.data(), at + rrGainA1), row.A1) << "row " << row.K;
        EXPECT_EQ(LeGetU16(d.data(), at + rrGainA2), row.A2) << "row " << row.K;
        EXPECT_EQ(LeGetU16(d.data(), at + rrGainB1), row.B1) << "row " << row.K;
        EXPECT_EQ(LeGetU16(d.data(), at + rrGainB2), row.B2) << "row " << row.K;
    }
}

// A record as the instrument stores it: gain word $FFFF for channel A at step 1 and factor F0 of 1.2.
TEST(ModelTables, CalibratedGainsBeyondSixteenBitsSaturate) {
    TCalibrationBytes record{};
    record[1] = 0xFF;
    record[2] = 0xFF; // GA, step 1
    record[13] = 0xFF;
    record[14] = 0xFF; // F0 = 1.2
    const uint32_t sum = CalibrationChecksum(record);
    for (int i = 0; i < 4; ++i)
        record[156 + i] = static_cast<uint8_t>(sum >> (24 - 8 * i));
    const TCalibration c = TCalibration::Decode(record);
    ASSERT_TRUE(c.Valid);
    ASSERT_DOUBLE_EQ(c.Factor[0], 1.2);
    const TDescription d = BuildDescription(0, c);
    const size_t at = PellRangeRow(0);
    EXPECT_EQ(LeGetU16(d.data(), at + rrGainA1), 65535);              // 78642 saturated
    EXPECT_EQ(LeGetU16(d.data(), at + rrGainA2), 62914);              // 65535 x 1.2 x 0.8, in range
    EXPECT_EQ(LeGetU16(d.data(), at + rrGainB1), 0);                  // GB 0
    EXPECT_EQ(LeGetU16(d.data(), PellRangeRow(3) + rrGainA1), 65535); // decade 1: GA itself
    EXPECT_EQ(LeGetU16(d.data(), PellRangeRow(3) + rrGainA2), 52428); // GA x F6 (0.8)
}

} // namespace
} // namespace pellex
