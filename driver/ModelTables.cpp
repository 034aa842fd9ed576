#include "ModelTables.h"

#include "ScopeConstsPellX.h"

#include <cmath>
#include <vector>

namespace pellex {

namespace {

constexpr std::array<TModel, ModelCount> Models = {{
    {4096, 500, 50, 0, 0},
    {8192, 500, 50, 0, 1},
    {4096, 500, 50, 1, 0},
    {8192, 500, 50, 1, 1},
    {4096, 400, 40, 2, 2},
    {8192, 400, 40, 2, 3},
}};

constexpr std::array<std::array<uint32_t, 16>, ModelCount> CountTables = {{
    {4000, 3000, 2000, 1000, 500, 250, 125, 100, 50, 25, 10, 0, 0, 0, 0, 4000},
    {8000, 4000, 2000, 1000, 500, 250, 125, 100, 50, 25, 10, 0, 0, 0, 0, 8000},
    {4000, 3000, 2000, 1000, 500, 250, 125, 100, 50, 25, 10, 0, 0, 0, 0, 4000},
    {8000, 4000, 2000, 1000, 500, 250, 125, 100, 50, 25, 10, 0, 0, 0, 0, 8000},
    {4000, 3200, 1600, 800, 400, 200, 100, 80, 40, 10, 4, 0, 0, 0, 0, 4000},
    {6400, 3200, 1600, 800, 400, 200, 100, 80, 40, 10, 4, 0, 0, 0, 0, 8000},
}};

constexpr std::array<TRangeRow, RangeRows> Ranges = {{
    {10, 0x21, 1818, 0x2100, 1818},
    {20, 0x21, 3636, 0x2100, 3636},
    {50, 0x01, 3636, 0x0100, 3636},
    {100, 0x28, 1818, 0x2800, 1818},
    {200, 0x28, 3636, 0x2800, 3636},
    {500, 0x08, 3636, 0x0800, 3636},
    {1000, 0x38, 1818, 0x3800, 1818},
    {2000, 0x38, 3636, 0x3800, 3636},
    {5000, 0x18, 3636, 0x1800, 3636},
}};

constexpr std::array<double, 16> RealTimeBases = {1000,   2000,   5000,   10000,   20000,   50000,
                                                  100000, 200000, 500000, 1000000, 2000000, 5000000,
                                                  1e7,    2e7,    5e7,    1e8};
constexpr std::array<uint16_t, 16> RealTimeWords = {0, 1, 2, 3, 5, 6, 7, 13, 14, 15, 21, 22, 23, 29, 30, 31};

std::vector<TTimeBaseRow> TimeBaseTable(int table) {
    std::vector<TTimeBaseRow> rows;
    const double ppd = table == 2 ? 40 : 50;
    if (table == 0) {
        for (double v : {10, 20, 50, 100, 200, 500})
            rows.push_back({v, 20, true, 0x0800});
    } else if (table == 1) {
        for (double v : {5, 10, 20, 50, 100, 200})
            rows.push_back({v, 20, true, 0x0800});
        rows.push_back({500, 10, false, 0x0040});
    } else {
        for (double v : {2, 5, 10, 20, 50, 100})
            rows.push_back({v, 12.5, true, 0x0840});
        rows.push_back({200, 5, false, 0x0080});
        rows.push_back({500, 12.5, false, 0x0040});
    }
    for (size_t i = 0; i < RealTimeBases.size(); ++i) {
        const double v = RealTimeBases[i];
        // The slow row of the 40-point models carries this interval in the instrument's tables.
        const double interval = table == 2 && v == 5000000 ? 115000 : v / ppd;
        rows.push_back({v, interval, false, RealTimeWords[i]});
    }
    return rows;
}

// A gain word times a factor of up to 1.2 can pass the 16-bit range; it saturates.
uint16_t Product(double value) {
    if (!(value > 0))
        return 0;
    return value >= 65535.0 ? uint16_t{65535} : static_cast<uint16_t>(std::nearbyint(value));
}

} // namespace

const TModel &Model(int type) {
    return Models.at(type);
}

const std::array<TRangeRow, RangeRows> &RangeTable() {
    return Ranges;
}

std::array<uint16_t, 4> CalibratedGains(int k, const TCalibration &c) {
    const int d = k / 3, s = k % 3;
    const double ga = c.GainBase[0][s], gb = c.GainBase[1][s];
    const auto &f = c.Factor;
    switch (d) {
    case 0:
        return {Product(ga * f[0]), Product(ga * f[0] * f[4]), Product(gb * f[1]), Product(gb * f[1] * f[5])};
    case 1:
        return {Product(ga), Product(ga * f[6]), Product(gb), Product(gb * f[7])};
    default:
        return {Product(ga * f[2]), Product(ga * f[2] * f[8]), Product(gb * f[3]), Product(gb * f[3] * f[9])};
    }
}

TDescription BuildDescription(int type, const TCalibration &calibration) {
    TDescription d{};
    uint8_t *r = d.data();
    const TModel &m = Models.at(type);
    LePutU32(r, ddCountTableCount, 11);
    for (int i = 0; i < ddCountTableSlots; ++i)
        LePutU32(r, ddCountTableValues + 4 * i, CountTables[type][i]);
    const std::vector<TTimeBaseRow> rows = TimeBaseTable(m.TimeBaseTable);
    LePutU32(r, ddTimeBaseCount, static_cast<uint32_t>(rows.size()));
    LePutU32(r, ddEtsRowCount, 6);
    for (size_t i = 0; i < rows.size(); ++i) {
        const size_t at = PellTimeBaseRow(static_cast<int>(i));
        LePutF64(r, at + tbTimePerDivision, rows[i].TimePerDivision);
        LePutF64(r, at + tbSampleInterval, rows[i].SampleInterval);
        LePutU8(r, at + tbEquivalentTime, rows[i].EquivalentTime ? 1 : 0);
        LePutU16(r, at + tbControlWord, rows[i].ControlWord);
    }
    LePutU32(r, ddRangeCount, RangeRows);
    for (int k = 0; k < RangeRows; ++k) {
        const size_t at = PellRangeRow(k);
        const TRangeRow &row = Ranges[k];
        LePutU32(r, at + rrRangeKey, static_cast<uint32_t>(row.Key));
        LePutU16(r, at + rrRangeBitsA, row.BitsA);
        LePutU16(r, at + rrDefaultGainA, row.DefaultGainA);
        LePutU16(r, at + rrRangeBitsB, row.BitsB);
        LePutU16(r, at + rrDefaultGainB, row.DefaultGainB);
        if (calibration.Valid) {
            const auto g = CalibratedGains(k, calibration);
            LePutU16(r, at + rrGainA1, g[0]);
            LePutU16(r, at + rrGainA2, g[1]);
            LePutU16(r, at + rrGainB1, g[2]);
            LePutU16(r, at + rrGainB2, g[3]);
        }
    }
    LePutU32(r, ddScreenPoints, static_cast<uint32_t>(m.ScreenPoints));
    LePutU32(r, ddPointsPerDivision, static_cast<uint32_t>(m.PointsPerDivision));
    LePutU32(r, ddRecordLength, static_cast<uint32_t>(m.RecordLength));
    LePutU32(r, ddDeviceType, static_cast<uint32_t>(type));
    return d;
}

} // namespace pellex
