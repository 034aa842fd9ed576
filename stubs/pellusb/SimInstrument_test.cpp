#include "ConfigImageContent.h"
#include "SimCalibration.h"
#include "SimInstrument.h"

#include <gtest/gtest.h>

#include <vector>

namespace pellsim {
namespace {

std::vector<uint8_t> GoodBuffer(int image) {
    std::vector<uint8_t> b(pellex::ConfigBufferSize(image), 0);
    for (size_t j = 0; j < pellex::ConfigImageSize(image); ++j)
        b[j + 1] = pellex::ConfigImageByte(image, j);
    return b;
}

class SimTest : public ::testing::Test {
protected:
    void SetUp() override {
        Sim.Reset();
        Sim.SetModel(1);
        Sim.SetCallback(&Record);
        Heard.clear();
    }
    static void Record(uint8_t up) { Heard.push_back(up); }
    static inline std::vector<uint8_t> Heard;
    TSimInstrument Sim;
};

TEST_F(SimTest, NoInstrumentWithoutAModel) {
    Sim.SetModel(-1);
    EXPECT_NE(Sim.InitDevice(), 0);
    Sim.SetModel(5);
    EXPECT_EQ(Sim.InitDevice(), 0);
    EXPECT_EQ(Sim.DeviceId(), 5);
}

TEST_F(SimTest, ConfigurationLoadIsCheckedAgainstTheModelsImage) {
    ASSERT_EQ(Sim.InitDevice(), 0);
    std::vector<uint8_t> b = GoodBuffer(1);
    EXPECT_EQ(Sim.ConfigureFpga(b.data(), static_cast<int32_t>(b.size())), 1);
    EXPECT_TRUE(Sim.Configured());
    EXPECT_EQ(Sim.ConfigureFpga(b.data(), static_cast<int32_t>(b.size()) - 1), 0);
    b[1000] ^= 1;
    EXPECT_EQ(Sim.ConfigureFpga(b.data(), static_cast<int32_t>(b.size())), 0);
    EXPECT_FALSE(Sim.Configured());
    // Another model's image of the same size is refused.
    const std::vector<uint8_t> other = GoodBuffer(3);
    EXPECT_EQ(Sim.ConfigureFpga(other.data(), static_cast<int32_t>(other.size())), 0);
}

TEST_F(SimTest, QueuedWritesReachTheDeviceInCallOrderAtTheFlush) {
    ASSERT_EQ(Sim.InitDevice(), 0);
    Sim.QueueWrite(4, 1);
    Sim.QueueWrite(4, 2);
    EXPECT_TRUE(Sim.Log().empty());
    EXPECT_EQ(Sim.Register(4), 0);
    Sim.Write(5, 0x12345);
    ASSERT_EQ(Sim.Log().size(), 3u);
    EXPECT_EQ(Sim.Log()[0].Value, 1);
    EXPECT_EQ(Sim.Log()[1].Value, 2);
    EXPECT_FALSE(Sim.Log()[1].Flushing);
    EXPECT_TRUE(Sim.Log()[2].Flushing);
    EXPECT_EQ(Sim.Register(4), 2);
    EXPECT_EQ(Sim.Register(5), 0x2345);
}

TEST_F(SimTest, BrokenLinkIsHeardInsideTheCallThatNoticesIt) {
    ASSERT_EQ(Sim.InitDevice(), 0);
    ASSERT_EQ(Heard, std::vector<uint8_t>{1});
    Sim.BreakLinkAfter(2);
    Sim.QueueWrite(3, 7);
    Sim.Write(4, 8); // reaches the device
    EXPECT_EQ(Heard.size(), 1u);
    Sim.QueueWrite(3, 9);
    Sim.Write(4, 10); // breaks here: neither write arrives
    EXPECT_EQ(Heard, (std::vector<uint8_t>{1, 0}));
    EXPECT_EQ(Sim.Register(3), 7);
    EXPECT_EQ(Sim.Register(4), 8);
    EXPECT_EQ(Sim.ReadMemory(300), 0);
    Sim.SetLinkUp(true);
    EXPECT_EQ(Sim.SingleRead(4), 8);
    EXPECT_EQ(Heard, (std::vector<uint8_t>{1, 0, 1}));
}

TEST_F(SimTest, MemoryHoldsAValidCalibrationUntilDamaged) {
    TRecord r{};
    Sim.CopyMemory(256, r.data(), CalibrationSize);
    const uint32_t stored = (r[156] << 24) | (r[157] << 16) | (r[158] << 8) | r[159];
    EXPECT_EQ(RecordChecksum(r), stored);
    Sim.DamageCalibration();
    Sim.CopyMemory(256, r.data(), CalibrationSize);
    EXPECT_NE(RecordChecksum(r), stored);
}

TEST(SimFrontEnd, ThirtyTwoLevelsPerDivisionAtTheCalibratedGains) {
    // Bits, calibrated gain of A (from the record's bases, factors 1.0), and mV per division.
    struct TCase {
        uint16_t Bits;
        uint16_t Gain;
        double Mv;
    } cases[] = {{0x21, 1836, 10},   {0x21, 3672, 20},   {0x01, 3672, 50},
                 {0x28, 1836, 100},  {0x28, 3672, 200},  {0x08, 3672, 500},
                 {0x38, 1836, 1000}, {0x38, 3672, 2000}, {0x18, 3672, 5000}};
    for (const TCase &c : cases) {
        TInputStage s;
        s.RangeBits = c.Bits;
        s.Gain = c.Gain;
        s.OffsetDac = 2000;
        const double ground = GroundLevel(0, s);
        EXPECT_NEAR(InputLevel(0, s, c.Mv / 1000.0) - ground, 32.0, 1e-9) << "bits " << c.Bits;
        EXPECT_NEAR(InputLevel(0, s, -2 * c.Mv / 1000.0) - ground, -64.0, 1e-9) << "bits " << c.Bits;
    }
}

TEST(SimFrontEnd, GroundFollowsTheOffsetDacThroughTheCalibrationPoints) {
    TInputStage s;
    s.RangeBits = 0x28; // 100 mV: group 0, no correction
    s.Gain = 1836;
    const uint16_t a0[7] = {1153, 1430, 1708, 1982, 2250, 2511, 2773};
    const int bp[7] = {31, 63, 95, 127, 159, 191, 223};
    for (int i = 0; i < 7; ++i) {
        s.OffsetDac = a0[i];
        EXPECT_DOUBLE_EQ(GroundLevel(0, s), bp[i]);
    }
    s.OffsetDac = (1708 + 1982) / 2;
    EXPECT_DOUBLE_EQ(GroundLevel(0, s), 95 + 32.0 * (1845 - 1708) / (1982 - 1708));
    // 10 mV carries the correction 103 on top of group 0.
    s.RangeBits = 0x21;
    s.OffsetDac = 1982 + 103;
    EXPECT_DOUBLE_EQ(GroundLevel(0, s), 127);
}

} // namespace
} // namespace pellsim
