#include "Calibration.h"

#include <gtest/gtest.h>

namespace pellex {
namespace {

void PutBig16(TCalibrationBytes &r, int at, uint16_t v) {
    r[at] = static_cast<uint8_t>(v >> 8);
    r[at + 1] = static_cast<uint8_t>(v);
}
void PutBig32(TCalibrationBytes &r, int at, uint32_t v) {
    PutBig16(r, at, static_cast<uint16_t>(v >> 16));
    PutBig16(r, at + 2, static_cast<uint16_t>(v));
}

TEST(Calibration, ChecksumWeightsEachByteByItsPosition) {
    TCalibrationBytes r{};
    EXPECT_EQ(CalibrationChecksum(r), 12090u);
    r[0] = 1;
    r[155] = 2;
    r[156] = 0xFF; // outside the sum
    EXPECT_EQ(CalibrationChecksum(r), 12090u + 1 + 2 * 156);
    // 32-bit arithmetic: no overflow check, bytes above 155 never count.
    r.fill(0xFF);
    EXPECT_EQ(CalibrationChecksum(r), 12090u + 255u * (156u * 157u / 2u));
}

TEST(Calibration, ZeroRecordIsValidOnlyWithItsChecksum) {
    TCalibrationBytes r{};
    EXPECT_FALSE(TCalibration::Decode(r).Valid);
    PutBig32(r, 156, 12090);
    EXPECT_TRUE(TCalibration::Decode(r).Valid);
}

TEST(Calibration, FactorWordsSpanPointEightToOnePointTwo) {
    EXPECT_DOUBLE_EQ(DecodeFactor(0), 0.8);
    EXPECT_DOUBLE_EQ(DecodeFactor(0xFFFF), 1.2);
    EXPECT_NEAR(DecodeFactor(32768), 1.0, 1e-5);
}

TEST(Calibration, DecodesEveryFieldOfAValidRecord) {
    TCalibrationBytes r{};
    const uint16_t bases[6] = {1001, 1002, 2001, 2002, 5001, 5002}; // A1 B1 A2 B2 A5 B5
    for (int i = 0; i < 6; ++i)
        PutBig16(r, 1 + 2 * i, bases[i]);
    for (int k = 0; k < 10; ++k)
        PutBig16(r, 13 + 2 * k, static_cast<uint16_t>(1000 * (k + 1)));
    for (int k = 0; k < 21; ++k) {
        PutBig16(r, 33 + 4 * k, static_cast<uint16_t>(100 + k));
        PutBig16(r, 35 + 4 * k, static_cast<uint16_t>(200 + k));
    }
    for (int m = 0; m < 12; ++m)
        PutBig16(r, 117 + 2 * m, static_cast<uint16_t>(-(m + 1)));
    PutBig32(r, 167, 0x01020304);
    PutBig32(r, 156, CalibrationChecksum(r));

    const TCalibration c = TCalibration::Decode(r);
    ASSERT_TRUE(c.Valid);
    EXPECT_EQ(c.Identification, 0x01020304u);
    EXPECT_EQ(c.GainBase[0][0], 1001);
    EXPECT_EQ(c.GainBase[1][0], 1002);
    EXPECT_EQ(c.GainBase[0][1], 2001);
    EXPECT_EQ(c.GainBase[1][2], 5002);
    auto f = [](int k) { return DecodeFactor(static_cast<uint16_t>(1000 * (k + 1))); };
    EXPECT_DOUBLE_EQ(c.Factor[0], f(0));
    EXPECT_DOUBLE_EQ(c.Factor[7], f(7));
    EXPECT_DOUBLE_EQ(c.Factor[8], f(8) * f(0) / f(2));
    EXPECT_DOUBLE_EQ(c.Factor[9], f(9) * f(1) / f(3));
    EXPECT_EQ(c.Offsets[0][0][0], 100);
    EXPECT_EQ(c.Offsets[0][2][6], 120);
    EXPECT_EQ(c.Offsets[1][1][3], 210);
    // Corrections alternate A, B per key: A10 -1, B10 -2, ..., B5000 -12.
    EXPECT_EQ(c.Corrections[0][0], -1);
    EXPECT_EQ(c.Corrections[1][0], -2);
    EXPECT_EQ(c.Corrections[1][4], -10);
    EXPECT_EQ(c.Corrections[1][5], -12);
}

TEST(Calibration, InvalidRecordFallsBackToDefaultOffsets) {
    TCalibrationBytes r{};
    r.fill(0x11);
    const TCalibration c = TCalibration::Decode(r);
    EXPECT_FALSE(c.Valid);
    EXPECT_EQ(c.Offsets[0][0][3], 1976);
    EXPECT_EQ(c.Offsets[1][0][3], 1859);
    EXPECT_EQ(c.Offsets[1][2][6], 2867);
    EXPECT_EQ(c.Corrections[0][0], 101);
    EXPECT_EQ(c.Corrections[1][5], -2);
    EXPECT_EQ(c.Corrections[0][3], -6);
}

} // namespace
} // namespace pellex
