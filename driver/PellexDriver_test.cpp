#include "TestSupport.h"

#include "Calibration.h"
#include "ModelTables.h"

#include <gmock/gmock.h>

namespace pellex::test {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

const TDescription Fallback = BuildDescription(1, TCalibration::Defaults());

// The simulated instrument's calibration record as the driver decodes it.
TCalibration SimCalibration() {
    TCalibrationBytes bytes{};
    TSim::Get().ReadMemory(CalibrationAddress, bytes.data(), CalibrationRecordSize);
    return TCalibration::Decode(bytes);
}

TEST_F(DriverTest, StartUpResultsAndTheirDescriptions) {
    enum class TDesc { Model, Fallback, Untouched };
    struct TCase {
        const char *Name;
        std::function<void(DriverTest &)> Arrange;
        int32_t Type;
        int32_t Result;
        TDesc Description;
        bool Disabled;
    } cases[] = {
        {"calibrated", [](DriverTest &) {}, 3, irOk, TDesc::Model, false},
        {"damaged calibration", [](DriverTest &) { Sim().DamageCalibration(); }, 4, irCalibrationInvalid,
         TDesc::Model, false},
        {"no USB library", [](DriverTest &t) { t.MakeDriver(ProgramFile("nosuchlib.so")); }, 1,
         irNoUsbLibrary, TDesc::Fallback, true},
        {"library without the entry", [](DriverTest &t) { t.MakeDriver(ProgramFile("pellexdrv.so")); }, 1,
         irNoUsbEntry, TDesc::Untouched, false},
        {"library lacking other entries",
         [](DriverTest &t) { t.MakeDriver(std::string(TEST_OUTPUT_DIRECTORY) + "/partialusb.so"); }, 1,
         irNoUsbEntry, TDesc::Untouched, false},
        {"no instrument", [](DriverTest &) {}, -1, irDeviceNotFound, TDesc::Fallback, true},
        {"logic rejects the image", [](DriverTest &) { Sim().SetImageMismatch(1); }, 0, irFpgaFailed,
         TDesc::Fallback, true},
        {"unknown model", [](DriverTest &) {}, 6, irUnknownDeviceType, TDesc::Fallback, true},
        // A link that breaks while the calibration is read is a failed start, not a success.
        {"link breaks during start-up", [](DriverTest &) { Sim().BreakLinkAfter(100); }, 1, irDeviceNotFound,
         TDesc::Fallback, true},
        {"link breaks at the first register write", [](DriverTest &) { Sim().BreakLinkAfter(4 + 256); }, 1,
         irDeviceNotFound, TDesc::Fallback, true},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.Name);
        Sim().Reset();
        MakeDriver(ProgramFile("pellusb.so"));
        c.Arrange(*this);
        Desc.fill(0xAA);
        EXPECT_EQ(Start(c.Type), c.Result);
        if (c.Description == TDesc::Model) {
            const TDescription expected =
                BuildDescription(c.Type, c.Result == irOk ? SimCalibration() : TCalibration::Defaults());
            EXPECT_THAT(Desc, ElementsAreArray(expected));
        } else if (c.Description == TDesc::Fallback) {
            EXPECT_THAT(Desc, ElementsAreArray(Fallback));
        } else {
            EXPECT_THAT(Desc, ::testing::Each(0xAA));
        }
        EXPECT_EQ(Driver->Disabled(), c.Disabled);
        // A disabled (or never started) driver answers 1 and leaves Result alone.
        if (c.Result != irOk && c.Result != irCalibrationInvalid) {
            uint8_t ret = 0;
            EXPECT_EQ(Call(dfGetDeviceType, 0, nullptr, &ret), -12345);
            EXPECT_EQ(ret, 1);
        } else {
            EXPECT_EQ(Call(dfGetDeviceType), c.Type);
        }
    }
}

TEST_F(DriverTest, CalibratedStartUpWritesTheFirstRegistersAndLoadsTheImage) {
    Sim().Reset();
    Sim().SetModel(5);
    EXPECT_EQ(Driver->Initialize(Desc.data()), irOk);
    EXPECT_TRUE(Sim().IsConfigured());
    EXPECT_THAT(Sim().Log(), ElementsAre(TWrite{3, 0x8000, 1}, TWrite{4, 0x7FF0, 1}, TWrite{7, 0x7FFF, 1},
                                         TWrite{14, 0xFFFF, 1}));
    EXPECT_EQ(Call(dfGetRecordLength), 8192);
    EXPECT_EQ(Call(dfGetSerialNumber), static_cast<int32_t>(SimCalibration().Identification));
    EXPECT_NE(Call(dfGetSerialNumber), 0);
    // The calibrated gains reach the description.
    const TCalibration cal = SimCalibration();
    ASSERT_TRUE(cal.Valid);
    const auto gains = CalibratedGains(3, cal);
    EXPECT_EQ(LeGetU16(Desc.data(), PellRangeRow(3) + rrGainA1), gains[0]);
    EXPECT_NE(gains[0], 0);
}

TEST_F(DriverTest, InvalidCalibrationAnswersSerialZero) {
    Sim().DamageCalibration();
    ASSERT_EQ(Start(1), irCalibrationInvalid);
    EXPECT_EQ(Call(dfGetSerialNumber), 0);
}

TEST_F(DriverTest, StartingAgainAfterAFailureSucceeds) {
    ASSERT_EQ(Start(-1), irDeviceNotFound);
    EXPECT_TRUE(Driver->Disabled());
    ASSERT_EQ(Start(2), irOk);
    EXPECT_FALSE(Driver->Disabled());
    EXPECT_EQ(Call(dfGetDeviceType), 2);
    // And again over a running device: a fresh start with a clean record and state.
    ASSERT_EQ(Call(dfSetTimeBase, 100), 3);
    ASSERT_EQ(Start(2), irOk);
    EXPECT_EQ(Call(dfGetEtsFill), -1);
}

TEST_F(DriverTest, LinkByteLeftFromABreakIsClearedByTheReopenedDevice) {
    ASSERT_EQ(Start(1), irOk);
    Sim().SetLinkUp(0);
    Call(dfSetTriggerLevelA, 10);
    EXPECT_EQ(LinkByte, 1);
    Sim().SetLinkUp(1);
    EXPECT_EQ(Start(1), irOk);
    EXPECT_EQ(LinkByte, 0);
}

TEST_F(DriverTest, DeInitializeUnregistersTheCallbackAndIsSafeTwice) {
    ASSERT_EQ(Start(1), irOk);
    Driver->DeInitialize();
    Driver->DeInitialize();
    // The instrument notices a break, but no callback reaches the byte any more.
    Sim().SetLinkUp(0);
    Sim().SingleRead(1);
    EXPECT_EQ(LinkByte, 0);
    uint8_t ret = 0;
    EXPECT_EQ(Call(dfGetDeviceType, 0, nullptr, &ret), -12345);
    EXPECT_EQ(ret, 1);
}

struct TFunctionCase {
    const char *Name;
    int32_t Code;
    int32_t Value;
    std::vector<TWrite> Writes;
    // The capture afterwards; an armed one must not be armed again by the next poll.
    TCaptureState State = TCaptureState::Idle;
};

constexpr TWrite Stop{1, 0, 1};

// On a calibrated type-1 instrument straight after start-up (probe value 0 selects gain set 2).
const TFunctionCase FunctionCases[] = {
    {"primary source A", dfSetPrimarySourceA, 1, {Stop, {2, 0xC001, 1}}},
    {"primary source B, low byte", dfSetPrimarySourceB, 0x100, {Stop, {2, 0xC000, 1}}},
    {"primary source Ext", dfSetPrimarySourceExt, 1, {Stop, {2, 0xC004, 1}}},
    {"primary falling A", dfSetPrimaryLeadingA, 0, {Stop, {2, 0xC008, 1}}},
    {"primary leading B", dfSetPrimaryLeadingB, 1, {Stop, {2, 0xC000, 1}}},
    {"primary falling Ext", dfSetPrimaryLeadingExt, 0, {Stop, {2, 0xC020, 1}}},
    {"secondary source A", dfSetSecondarySourceA, 1, {Stop, {2, 0xD040, 1}}},
    {"secondary source Ext", dfSetSecondarySourceExt, 5, {Stop, {2, 0xD100, 1}}},
    {"secondary source B off", dfSetSecondarySourceB, 0, {Stop, {2, 0xC000, 1}}},
    {"secondary falling A", dfSetSecondaryLeadingA, 0, {Stop, {2, 0xC200, 1}}},
    {"secondary falling Ext", dfSetSecondaryLeadingExt, 0, {Stop, {2, 0xC800, 1}}},
    {"secondary on", dfSecondaryTriggerOn, 0, {Stop, {2, 0xD000, 1}}},
    {"secondary off", dfSecondaryTriggerOff, 0, {Stop, {2, 0xC000, 1}}},
    {"compensation generator", dfSetCompensationGenerator, 1, {Stop, {2, 0xE000, 1}}},
    {"bit 14 cleared", dfSetControlBit14, 0, {Stop, {2, 0x8000, 1}}},
    {"bit 15 cleared", dfSetControlBit15, 0, {Stop, {2, 0x4000, 1}}},
    {"primary length", dfSetPrimaryLength, 100, {Stop, {3, 0x8000 - 100, 1}}},
    {"primary length above the limit", dfSetPrimaryLength, 0x8001, {Stop, {3, 0x8000, 1}}},
    {"primary count", dfSetPrimaryCount, 5, {Stop, {4, 0x7FFB, 1}}},
    {"primary count -1", dfSetPrimaryCount, -1, {Stop, {4, 0x7FFF, 1}}},
    {"primary count 16 bits", dfSetPrimaryCount, 0x18000, {Stop, {4, 0x0000, 1}}},
    {"secondary length", dfSetSecondaryLength, 7, {Stop, {5, 0x7FF9, 1}}},
    {"secondary count", dfSetSecondaryCount, 3, {Stop, {6, 0x7FFD, 1}}},
    {"hold-off", dfSetHoldOff, 10, {Stop, {7, 0x7FF7, 1}}},
    {"hold-off 0 is limited", dfSetHoldOff, 0, {Stop, {7, 0x8000, 1}}},
    {"gain A", dfSetGainA, 1234, {Stop, {8, 1234, 1}}},
    {"shift A (no stop)", dfSetShiftA, 1976, {{9, 1976, 1}}},
    {"trigger level A", dfSetTriggerLevelA, 128, {Stop, {10, 128, 1}}},
    {"gain B", dfSetGainB, 4321, {Stop, {11, 4321, 1}}},
    {"shift B (no stop)", dfSetShiftB, 1859, {{12, 1859, 1}}},
    {"trigger level B", dfSetTriggerLevelB, 77, {Stop, {13, 77, 1}}},
    {"after trigger", dfSetAfterTrigger, 1024, {Stop, {14, 0x75D3, 1}}},
    {"after trigger 16 bits", dfSetAfterTrigger, 0x10001, {Stop, {14, 0x7FFF, 1}}},
    {"range A 100 mV", dfSetRangeA, 100, {Stop, {15, 0x0028, 1}, {8, 1836, 1}}},
    {"range B 20 mV", dfSetRangeB, 20, {Stop, {15, 0x2100, 1}, {11, 3600, 1}}},
    {"range A unknown key", dfSetRangeA, 300, {Stop, {15, 0x0018, 1}, {8, 3672, 1}}},
    {"AC A", dfSetDCA, 0, {Stop, {15, 0x0002, 1}}},
    {"AC B", dfSetDCB, 0, {Stop, {15, 0x0200, 1}}},
    {"DC A", dfSetDCA, 1, {Stop, {15, 0x0000, 1}}},
    {"input bit 15", dfSetInputBit15, 1, {Stop, {15, 0x8000, 1}}},
    {"ground A (no register)", dfSetGroundA, 1, {Stop}},
    {"time base 1 us", dfSetTimeBase, 1000, {Stop, {1, 0x0000, 1}}},
    {"time base 10 ns", dfSetTimeBase, 10, {Stop, {1, 0x0C00, 1}}},
    {"time base 200 ns", dfSetTimeBase, 200, {Stop, {1, 0x0800, 1}}},
    {"time base 100 ms", dfSetTimeBase, 100000000, {Stop, {1, 31, 1}}},
    {"write time base", dfWriteTimeBase, 0, {{1, 0x0000, 1}}},
    {"arm", dfArm, 0, {Stop, {1, 0x0000, 0}, {1, 0x1000, 0}, {1, 0xF000, 1}}, TCaptureState::Armed},
    {"finish while idle", dfFinish, 0, {}},
    {"trigger mode none",
     dfSetTriggerModeNone,
     0,
     {{14, 0xFFFF, 1}, {4, 0x8000, 0}, {6, 0x8000, 0}, {3, 0x8000, 0}, {5, 0x8000, 1}}},
    {"trigger mode normal",
     dfSetTriggerModeNormal,
     0,
     {{14, 0xFFFF, 1}, {4, 0x7FF0, 0}, {6, 0x8000, 0}, {3, 0x8000, 0}, {5, 0x8000, 1}}},
    {"trigger mode auto",
     dfSetTriggerModeAuto,
     0,
     {{4, 0x7FF0, 0}, {6, 0x8000, 0}, {3, 0x8000, 0}, {5, 0x8000, 1}}},
    {"centred range A", dfSetRangeCenteredA, 100, {{15, 0x0028, 1}, {8, 1836, 1}, {9, 1982, 1}}},
    {"centred range B 2 V", dfSetRangeCenteredB, 2000, {{15, 0x3800, 1}, {11, 3600, 1}, {12, 2001, 1}}},
    {"centred range unknown key keeps the DAC",
     dfSetRangeCenteredA,
     300,
     {{15, 0x0018, 1}, {8, 3672, 1}, {9, 0, 1}}},
    {"probe A 1:1 selects gain set 1", dfSetProbeModeA, 1, {{15, 0x0018, 1}, {8, 3672, 1}}},
    {"reserved 40", dfReserved40, 0, {Stop}},
    {"reserved 43", dfReserved43, 0, {Stop}},
    {"reserved 46", dfReserved46, 0, {Stop}},
    {"no case 0", 0, 5, {}},
    {"no case 61", 61, 5, {}},
    {"memory size has no case here", dfSetMemorySize, 4096, {}},
    {"above the table", 90, 5, {}},
    {"enumeration is not served", dfEnumerateDevices, 0, {}},
    {"only the low byte of the code", 256 + dfSetTriggerLevelA, 9, {Stop, {10, 9, 1}}},
};

TEST_F(DriverTest, RegisterWritesOfEachDeviceFunction) {
    for (const TFunctionCase &c : FunctionCases) {
        SCOPED_TRACE(c.Name);
        ASSERT_EQ(Start(1), irOk);
        Call(c.Code, c.Value);
        EXPECT_THAT(Sim().Log(), ElementsAreArray(c.Writes));
        EXPECT_EQ(LinkByte, 0);
        EXPECT_EQ(Driver->State().State, c.State);
        if (c.State == TCaptureState::Armed) {
            EXPECT_EQ(Driver->State().Status, 3);
            // The poll only reads the status (the simulated signal may already have triggered).
            Sim().ClearRegisterLog();
            Call(dfPollStatus);
            EXPECT_THAT(Sim().Log(), ElementsAre()) << "the poll armed a second time";
            EXPECT_NE(Driver->State().State, TCaptureState::Idle);
        }
    }
}

TEST_F(DriverTest, PollOfAnIdleDeviceArmsIt) {
    ASSERT_EQ(Start(1), irOk);
    ASSERT_EQ(Driver->State().State, TCaptureState::Idle);
    Call(dfPollStatus);
    EXPECT_THAT(Sim().Log(), ElementsAre(TWrite{1, 0x0000, 0}, TWrite{1, 0x1000, 0}, TWrite{1, 0xF000, 1}));
    // Armed, or already triggered by the simulated signal seen in the same poll.
    EXPECT_NE(Driver->State().State, TCaptureState::Idle);
}

TEST_F(DriverTest, TriggerControlWordKeepsEveryBit) {
    ASSERT_EQ(Start(1), irOk);
    Call(dfSetPrimarySourceA, 1);
    Call(dfSetPrimaryLeadingB, 0);
    Call(dfSetSecondarySourceB, 1);
    Call(dfSetSecondaryLeadingA, 0);
    Call(dfSetCompensationGenerator, 1);
    Call(dfSetControlBit15, 0);
    EXPECT_EQ(Sim().GetRegister(2), 0x4000 | 0x2000 | 0x1000 | 0x0200 | 0x0080 | 0x0010 | 0x0001);
    // Bit 12 follows the secondary sources: off with the last of them.
    Call(dfSetSecondarySourceA, 1);
    Call(dfSetSecondarySourceB, 0);
    EXPECT_EQ(Sim().GetRegister(2) & 0x1000, 0x1000);
    Call(dfSetSecondarySourceA, 0);
    EXPECT_EQ(Sim().GetRegister(2) & 0x11C0, 0);
    EXPECT_EQ(Sim().GetRegister(2), 0x4000 | 0x2000 | 0x0200 | 0x0010 | 0x0001);
}

TEST_F(DriverTest, ResultsOfTheFunctionsThatAnswer) {
    ASSERT_EQ(Start(3), irOk);
    EXPECT_EQ(Call(dfSetTimeBase, 50), 3);
    EXPECT_EQ(Call(dfGetEtsPhase), 0);
    EXPECT_EQ(Call(dfGetEtsFill), 0);
    EXPECT_EQ(Call(dfSetTimeBase, 1000), 2);
    EXPECT_EQ(Call(dfGetEtsPhase), -1);
    EXPECT_EQ(Call(dfGetEtsFill), -1);
    EXPECT_EQ(Call(dfGetDeviceType), 3);
    EXPECT_EQ(Call(dfGetPhaseMax), 250);
    EXPECT_EQ(Call(dfGetPhaseMin), 143);
    EXPECT_EQ(Call(dfGetRecordLength), 8192);
    EXPECT_EQ(Call(dfGetReadyStatus), 1); // the instrument's 0x81, masked
    uint8_t version[2] = {0, 0};
    Call(dfGetLibraryVersion, 0, version);
    EXPECT_EQ(version[0], 1);
    EXPECT_EQ(version[1], 9);
    Call(dfGetDriverVersion, 0, version);
    EXPECT_EQ(version[0], 2);
    EXPECT_EQ(version[1], 4);
}

TEST_F(DriverTest, ShiftRangeAndPositionOnTheDefaultCalibration) {
    Sim().DamageCalibration();
    ASSERT_EQ(Start(1), irCalibrationInvalid);
    Call(dfSetRangeA, 100);
    Call(dfSetRangeB, 100);
    EXPECT_EQ(Call(dfPositionToShiftA, 127), 1976);
    EXPECT_EQ(Call(dfPositionToShiftB, 127), 1859);
    EXPECT_EQ(Call(dfSetShiftA, 1976), 127);
    EXPECT_EQ(Call(dfSetShiftB, 1589), 95);
    // Asking for a position does not move the stored ground.
    EXPECT_EQ(Call(dfPositionToShiftA, 31), 1147);
    EXPECT_EQ(Call(dfSetRangeA, 100), 1976);
    // A new range answers the DAC that keeps the ground where it is, without writing it.
    Sim().ClearRegisterLog();
    EXPECT_EQ(Call(dfSetRangeA, 10), 1976 + 101);
    EXPECT_THAT(Sim().Log(), ElementsAre(Stop, TWrite{15, 0x2821, 1}, TWrite{8, 1818, 1}));
    EXPECT_EQ(Call(dfSetRangeA, 20), 2065 + 50);
    // Without calibration the default gains apply whatever the probe.
    Call(dfSetProbeModeA, 1);
    EXPECT_EQ(Sim().GetRegister(8), 3636);
}

TEST_F(DriverTest, ProbeSelectsTheCalibratedGainSet) {
    // The instrument's own factors are all 1, so both gain sets would be equal: a record whose
    // decade-0 factors of the other probe values are 1.2 (A) and 0.8 (B) tells them apart.
    TCalibrationBytes record{};
    Sim().ReadMemory(CalibrationAddress, record.data(), CalibrationRecordSize);
    const int f4 = 13 + 2 * 4, f5 = 13 + 2 * 5;
    record[f4] = record[f4 + 1] = 0xFF;
    record[f5] = record[f5 + 1] = 0x00;
    const uint32_t sum = CalibrationChecksum(record);
    for (int i = 0; i < 4; ++i)
        record[156 + i] = static_cast<uint8_t>(sum >> (24 - 8 * i));
    Sim().WriteMemory(CalibrationAddress, record.data(), CalibrationRecordSize);
    ASSERT_EQ(Start(1), irOk);
    const auto gains = CalibratedGains(0, SimCalibration());
    ASSERT_NE(gains[0], gains[1]);
    ASSERT_NE(gains[2], gains[3]);
    Call(dfSetRangeA, 10);
    EXPECT_EQ(Sim().GetRegister(8), gains[1]);
    Call(dfSetProbeModeA, 1);
    EXPECT_EQ(Sim().GetRegister(8), gains[0]);
    Call(dfSetProbeModeA, 2);
    EXPECT_EQ(Sim().GetRegister(8), gains[1]);
    // Only the low byte of the value counts: 257 is probe value 1.
    Call(dfSetProbeModeA, 257);
    EXPECT_EQ(Sim().GetRegister(8), gains[0]);
    Call(dfSetRangeB, 10);
    EXPECT_EQ(Sim().GetRegister(11), gains[3]);
    Call(dfSetProbeModeB, 1);
    EXPECT_EQ(Sim().GetRegister(11), gains[2]);
}

TEST_F(DriverTest, BrokenLinkStopsTheWriteSequence) {
    ASSERT_EQ(Start(1), irOk);
    // The stop goes through, the input register write breaks: no gain write, no answer.
    Sim().BreakLinkAfter(2);
    EXPECT_EQ(Call(dfSetRangeA, 100), -12345);
    EXPECT_EQ(LinkByte, 1);
    EXPECT_THAT(Sim().Log(), ElementsAre(Stop));

    Sim().SetLinkUp(1);
    ASSERT_EQ(Start(1), irOk);
    EXPECT_EQ(LinkByte, 0);
    Sim().BreakLinkAfter(1);
    Call(dfSetTriggerModeNormal);
    EXPECT_EQ(LinkByte, 1);
    EXPECT_THAT(Sim().Log(), ::testing::IsEmpty());
}

TEST_F(DriverTest, DisabledDriverChangesNothing) {
    ASSERT_EQ(Start(6), irUnknownDeviceType);
    for (int32_t code :
         {dfSetTimeBase, dfSetTriggerLevelA, dfArm, dfPollStatus, dfReadRecord, dfGetDeviceType}) {
        uint8_t ret = 0;
        EXPECT_EQ(Call(code, 5, nullptr, &ret), -12345) << "code " << code;
        EXPECT_EQ(ret, 1) << "code " << code;
    }
    EXPECT_THAT(Sim().Log(), ::testing::IsEmpty());
}

} // namespace
} // namespace pellex::test
