// The driver library as the program loads it: from the program folder, bound by name.
#include "TestSupport.h"

#include <gmock/gmock.h>

namespace pellex::test {
namespace {

class LibraryTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(TSim::Get().Handle, nullptr);
        TSim::Get().Reset();
        Handle = dlopen(ProgramFile("pellexdrv.so").c_str(), RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(Handle, nullptr) << dlerror();
        Init = reinterpret_cast<TInitializeDevice>(dlsym(Handle, "InitializeDevice"));
        Function = reinterpret_cast<TDeviceFunction>(dlsym(Handle, "DeviceFunction"));
        DeInit = reinterpret_cast<TDeInitializeDevice>(dlsym(Handle, "DeInitializeDevice"));
        ASSERT_TRUE(Init && Function && DeInit);
        Function(dfSetLinkFlag, 0, 0, nullptr, 0, reinterpret_cast<intptr_t>(&LinkByte), nullptr);
    }
    void TearDown() override {
        if (Handle) {
            DeInit();
            dlclose(Handle);
        }
        TSim::Get().Reset();
    }

    void *Handle = nullptr;
    TInitializeDevice Init = nullptr;
    TDeviceFunction Function = nullptr;
    TDeInitializeDevice DeInit = nullptr;
    uint8_t LinkByte = 0;
};

TEST_F(LibraryTest, OpensTheSimulatedInstrumentThroughTheUsbLibraryBesideIt) {
    TSim::Get().SetModel(4);
    std::array<uint8_t, ddSize> desc{};
    ASSERT_EQ(Init(desc.data()), irOk);
    EXPECT_EQ(LeGetU32(desc.data(), ddDeviceType), 4u);
    EXPECT_EQ(LeGetU32(desc.data(), ddPointsPerDivision), 40u);
    EXPECT_EQ(LeGetU32(desc.data(), ddTimeBaseCount), 24u);
    EXPECT_EQ(TSim::Get().IsConfigured(), 1);
    int32_t result = 0;
    // Only the low byte of the code counts; Reserved and BufferSize are not read.
    EXPECT_EQ(Function(256 + dfGetDeviceType, 77, 0x12345, nullptr, 0x200000, 0, &result), 1);
    EXPECT_EQ(result, 4);
    // A null Result is never written through.
    for (int32_t code : {dfGetDeviceType, dfSetShiftA, dfSetRangeA, dfPositionToShiftA, dfSetFilterA,
                         dfPollStatus, dfGetRecordLength, dfSetTimeBase, dfGetReadyStatus, dfGetSerialNumber})
        Function(code, 0, 0, nullptr, 0, 100, nullptr);
    std::vector<uint16_t> record(8192);
    Function(dfReadRecord, 0, 0, record.data(), 0, 0, nullptr);
    EXPECT_EQ(LinkByte, 0);
}

TEST_F(LibraryTest, FailedStartDisablesAndAStartLaterRecovers) {
    TSim::Get().SetModel(-1);
    std::array<uint8_t, ddSize> desc{};
    EXPECT_EQ(Init(desc.data()), irDeviceNotFound);
    EXPECT_EQ(LeGetU32(desc.data(), ddDeviceType), 1u);
    int32_t result = -1;
    EXPECT_EQ(Function(dfGetDeviceType, 0, 0, nullptr, 0, 0, &result), 1);
    EXPECT_EQ(result, -1);
    TSim::Get().SetModel(0);
    EXPECT_EQ(Init(desc.data()), irOk);
    EXPECT_EQ(Function(dfGetDeviceType, 0, 0, nullptr, 0, 0, &result), 1);
    EXPECT_EQ(result, 0);
    DeInit();
    DeInit();
    EXPECT_EQ(Function(dfGetDeviceType, 0, 0, nullptr, 0, 0, &result), 1);
    EXPECT_EQ(result, 0);
}

TEST_F(LibraryTest, LinkCallbackWritesTheRegisteredByte) {
    TSim::Get().SetModel(1);
    std::array<uint8_t, ddSize> desc{};
    ASSERT_EQ(Init(desc.data()), irOk);
    TSim::Get().SetLinkUp(0);
    Function(dfSetTriggerLevelB, 0, 0, nullptr, 0, 5, nullptr);
    EXPECT_EQ(LinkByte, 1);
    TSim::Get().SetLinkUp(1);
    Function(dfSetTriggerLevelB, 0, 0, nullptr, 0, 5, nullptr);
    EXPECT_EQ(LinkByte, 0);
}

} // namespace
} // namespace pellex::test
