#include "PellexDriver.h"

#include "ConfigImages.h"
#include "Lfsr.h"
#include "OffsetConversion.h"
#include "Registers.h"
#include "ScopeConstsPellX.h"
#include "TimeBase.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace pellex {

namespace {

void Put(int32_t *result, int32_t value) {
    if (result)
        *result = value;
}

bool InList(int32_t code, std::initializer_list<std::pair<int32_t, int32_t>> ranges) {
    for (const auto &[first, last] : ranges)
        if (code >= first && code <= last)
            return true;
    return false;
}

bool StopsCapture(int32_t code) {
    return InList(code, {{1, 24}, {26, 27}, {29, 37}, {40, 41}, {43, 44}, {46, 46}});
}
bool ClearsEquivalentTime(int32_t code) {
    return InList(code, {{1, 24}, {27, 27}, {30, 37}, {40, 40}, {43, 44}});
}

bool IsRangeKey(int32_t key) {
    for (const TRangeRow &row : RangeTable())
        if (row.Key == key)
            return true;
    return false;
}

} // namespace

TPellexDriver::TPellexDriver(std::string usbLibraryPath, TLinkStateCallback callback, ITickSource &ticks,
                             IRandomSource &random)
    : UsbPath(std::move(usbLibraryPath)), Callback(callback), Ticks(ticks), Random(random),
      Capture(S, Port, ticks, random), Reader(S, Port, Capture) {}

TPellexDriver::~TPellexDriver() {
    DeInitialize();
}

void TPellexDriver::LinkStateChanged(uint8_t linkUp) {
    *Port.LinkByteAddress() = linkUp ^ 1;
}

void TPellexDriver::StartValues() {
    uint8_t *linkByte = Port.LinkByteAddress();
    S = TDriverState{};
    S.EtsThreshold = 12;
    S.EtsCheck = true;
    S.RecordLength = 0;
    S.Calibration = TCalibration::Defaults();
    S.Status = 3;
    S.AutoStage = TAutoStage::Long;
    // The counter locks up at 0: its idle preload is the no-count state.
    S.Preload = LfsrCount(0);
    S.EtsFactor = 1;
    S.TriggerControl = TriggerControlStart;
    S.EtsRecord = std::make_unique<TLinearPrediction>();
    S.Phases.Reset();
    Random.Seed(Ticks.TickCount());
    Port.SetLinkByte(linkByte);
}

void TPellexDriver::DeInitialize() {
    Port.Free();
    S.EtsRecord.reset();
    Running = false;
}

int32_t TPellexDriver::Fail(int32_t code, uint8_t *desc) {
    IsDisabled = true;
    Running = false;
    Desc = BuildDescription(1, TCalibration::Defaults());
    if (desc)
        std::memcpy(desc, Desc.data(), Desc.size());
    return code;
}

bool TPellexDriver::LoadCalibration() {
    TCalibrationBytes record{};
    for (int i = 0; i < CalibrationRecordSize; ++i) {
        bool ok = false;
        record[i] = Port.ReadMemory(CalibrationAddress + i, ok);
        if (!ok)
            return false;
    }
    S.Calibration = TCalibration::Decode(record);
    return true;
}

int32_t TPellexDriver::Initialize(uint8_t *desc) {
    // A second start-up (the recovery after a broken link) begins from a clean state.
    DeInitialize();
    IsDisabled = false;
    StartValues();
    switch (Port.Load(UsbPath)) {
    case TUsbPort::TBindResult::NoLibrary:
        return Fail(irNoUsbLibrary, desc);
    case TUsbPort::TBindResult::MissingEntry:
        return irNoUsbEntry;
    case TUsbPort::TBindResult::Ok:
        break;
    }
    const TUsbFunctions &f = Port.Functions();
    f.SetCallBackFunction(Callback);
    // A link that breaks anywhere in start-up is a failed start-up.
    if (f.InitDevice() != 0 || Port.LinkBroken())
        return Fail(irDeviceNotFound, desc);
    const int32_t type = f.GetDeviceID();
    if (Port.LinkBroken())
        return Fail(irDeviceNotFound, desc);
    if (type < 0 || type >= ModelCount)
        return Fail(irUnknownDeviceType, desc);
    S.DeviceType = type;
    const std::vector<uint8_t> image = ConfigurationBuffer(Model(type).Image);
    const bool configured = f.ConfigureFPGA(image.data(), static_cast<int32_t>(image.size())) != 0;
    if (Port.LinkBroken() || !LoadCalibration())
        return Fail(irDeviceNotFound, desc);
    Desc = BuildDescription(type, S.Calibration);
    if (!configured)
        return Fail(irFpgaFailed, desc);
    if (!Port.Write(regPrimaryLength, TriggerWordNeutral) ||
        !Port.Write(regPrimaryCount, StartPrimaryCount) || !Port.Write(regHoldOff, StartHoldOff) ||
        !Port.Write(regAfterTrigger, LfsrCount(0)))
        return Fail(irDeviceNotFound, desc);
    S.RecordLength = Model(type).RecordLength;
    S.PointsPerDivision = Model(type).PointsPerDivision;
    if (desc)
        std::memcpy(desc, Desc.data(), Desc.size());
    Running = true;
    return S.Calibration.Valid ? irOk : irCalibrationInvalid;
}

void TPellexDriver::ClearEquivalentTime() {
    if (S.EtsRecord)
        S.EtsRecord->Clear(S.RecordLength);
    S.AveragingStarted = false;
}

uint8_t TPellexDriver::Function(int32_t code, void *buffer, intptr_t rawValue, int32_t *result) {
    if (IsDisabled)
        return 1;
    code &= 0xFF;
    // The link byte is registered before start-up.
    if (code == dfSetLinkFlag) {
        Port.SetLinkByte(reinterpret_cast<uint8_t *>(rawValue));
        return 1;
    }
    if (!Running)
        return 1;
    const int32_t value = static_cast<int32_t>(rawValue);
    if (StopsCapture(code))
        Capture.Stop();
    if (ClearsEquivalentTime(code))
        ClearEquivalentTime();
    if (code > 84)
        return 1;
    if (code == dfReadRecord) {
        int32_t count = 0;
        uint16_t *out = static_cast<uint16_t *>(buffer);
        std::vector<uint16_t> scratch;
        if (!out) {
            scratch.resize(static_cast<size_t>(S.RecordLength));
            out = scratch.data();
        }
        const bool read = Reader.Read(out, count);
        Put(result, count);
        return read ? 1 : 0;
    }
    if (code == dfPollStatus) {
        const bool complete = Capture.Poll();
        Put(result, PollStatus());
        return complete ? 1 : 0;
    }
    Dispatch(code, buffer, value, result);
    return 1;
}

int32_t TPellexDriver::PollStatus() {
    return S.Status + 256 * S.Channels[0].FillClass + 65536 * S.Channels[1].FillClass;
}

void TPellexDriver::Dispatch(int32_t code, void *buffer, int32_t value, int32_t *result) {
    const bool on = value != 0;
    const bool lowOn = (value & 0xFF) != 0;
    switch (code) {
    case dfSetTimeBase:
        ApplyTimeBase(value, result);
        break;
    case dfSetPrimarySourceA:
    case dfSetPrimarySourceB:
    case dfSetPrimarySourceExt:
        SetControlBit(code - dfSetPrimarySourceA, lowOn);
        break;
    case dfSetPrimaryLeadingA:
    case dfSetPrimaryLeadingB:
    case dfSetPrimaryLeadingExt:
        SetControlBit(3 + code - dfSetPrimaryLeadingA, value == 0);
        break;
    case dfSetSecondarySourceA:
    case dfSetSecondarySourceB:
    case dfSetSecondarySourceExt:
        SetSecondarySource(6 + code - dfSetSecondarySourceA, on);
        break;
    case dfSetSecondaryLeadingA:
    case dfSetSecondaryLeadingB:
    case dfSetSecondaryLeadingExt:
        SetControlBit(9 + code - dfSetSecondaryLeadingA, value == 0);
        break;
    case dfSecondaryTriggerOn:
        SetControlBit(12, true);
        break;
    case dfSecondaryTriggerOff:
        SetControlBit(12, false);
        break;
    case dfSetCompensationGenerator:
        SetControlBit(13, on);
        break;
    case dfSetControlBit14:
        SetControlBit(14, on);
        break;
    case dfSetControlBit15:
        SetControlBit(15, on);
        break;
    case dfSetPrimaryLength:
    case dfSetSecondaryLength: {
        const uint16_t word = value > 0x8000 ? 0x8000 : static_cast<uint16_t>(0x8000 - value);
        (code == dfSetPrimaryLength ? S.PrimaryLength : S.SecondaryLength) = word;
        Port.Write(code == dfSetPrimaryLength ? regPrimaryLength : regSecondaryLength, word);
        break;
    }
    case dfSetPrimaryCount:
    case dfSetSecondaryCount: {
        const uint16_t word = value == -1 ? 0x7FFF : static_cast<uint16_t>(0x8000 - value);
        (code == dfSetPrimaryCount ? S.PrimaryCount : S.SecondaryCount) = word;
        Port.Write(code == dfSetPrimaryCount ? regPrimaryCount : regSecondaryCount, word);
        break;
    }
    case dfSetHoldOff:
        SetHoldOff(value);
        break;
    case dfSetGainA:
    case dfSetGainB: {
        const int ch = code == dfSetGainA ? 0 : 1;
        S.Channels[ch].Gain = static_cast<uint16_t>(value);
        Port.Write(GainRegister(ch), value);
        break;
    }
    case dfSetShiftA:
        SetShift(0, value, result);
        break;
    case dfSetShiftB:
        SetShift(1, value, result);
        break;
    case dfSetTriggerLevelA:
        Port.Write(regTriggerLevelA, value);
        break;
    case dfSetTriggerLevelB:
        Port.Write(regTriggerLevelB, value);
        break;
    case dfSetAfterTrigger:
        SetAfterTrigger(value);
        break;
    case dfSetRangeA:
    case dfSetRangeB: {
        const int ch = code == dfSetRangeA ? 0 : 1;
        SetRange(ch, value);
        if (!Port.LinkBroken())
            Put(result, PositionToDac(ch, S.Channels[ch].GroundPosition));
        break;
    }
    case dfSetDCA:
    case dfSetDCB: {
        TChannelState &c = S.Channels[code == dfSetDCA ? 0 : 1];
        const uint16_t bit = code == dfSetDCA ? InputAcA : InputAcB;
        c.InputHalf = value == 0 ? (c.InputHalf | bit) : (c.InputHalf & ~bit);
        WriteInputRegister();
        break;
    }
    case dfSetGroundA:
        S.Channels[0].Ground = on;
        break;
    case dfSetGroundB:
        S.Channels[1].Ground = on;
        break;
    case dfSetInputBit15: {
        TChannelState &a = S.Channels[0];
        a.InputHalf = on ? (a.InputHalf | InputBit15) : (a.InputHalf & ~InputBit15);
        WriteInputRegister();
        break;
    }
    case dfArm:
        Capture.ArmAndWait();
        break;
    case dfFinish:
        Capture.Finish();
        break;
    case dfSetGapInterpolation:
        S.GapInterpolation = on;
        break;
    case dfSetTriggerModeNone:
        SetTriggerMode(TTriggerMode::None);
        break;
    case dfSetTriggerModeNormal:
        SetTriggerMode(TTriggerMode::Normal);
        break;
    case dfSetTriggerModeAuto:
        SetTriggerMode(TTriggerMode::Auto);
        break;
    case dfGetEtsPhase:
        Put(result, S.EquivalentTime ? S.LastPhase : -1);
        break;
    case dfGetEtsFill:
        Put(result, S.EquivalentTime ? S.EtsFill : -1);
        break;
    case dfGetDeviceType:
        Put(result, S.DeviceType);
        break;
    case dfGetPhaseMax:
        Put(result, S.Phases.Maximum());
        break;
    case dfGetPhaseMin:
        Put(result, S.Phases.Minimum());
        break;
    case dfSetFilterA:
    case dfSetFilterB: {
        TChannelState &c = S.Channels[code == dfSetFilterA ? 0 : 1];
        c.Averaging = lowOn;
        if (lowOn && result)
            c.AveragingCount = *result;
        break;
    }
    case dfSetProbeModeA:
    case dfSetProbeModeB: {
        const int ch = code == dfSetProbeModeA ? 0 : 1;
        S.Channels[ch].Probe = static_cast<uint8_t>(value);
        SetRange(ch, S.Channels[ch].RangeKey);
        break;
    }
    case dfSetEtsCheck:
        S.EtsCheck = lowOn;
        break;
    case dfGetReadyStatus:
        Put(result, Port.Functions().DeviceReady() & 0x7F);
        break;
    case dfGetLibraryVersion:
        if (buffer) {
            static_cast<uint8_t *>(buffer)[0] = 1;
            static_cast<uint8_t *>(buffer)[1] = 9;
        }
        break;
    case dfGetDriverVersion:
        if (buffer)
            Port.Functions().GetDriverVersion(static_cast<uint8_t *>(buffer));
        break;
    case dfGetRecordLength:
        Put(result, S.RecordLength);
        break;
    case dfSetWCDSensitivity:
        S.EtsThreshold = value;
        break;
    case dfGetSerialNumber:
        Put(result, S.Calibration.Valid ? static_cast<int32_t>(S.Calibration.Identification) : 0);
        break;
    case dfResetEts:
        S.Phases.Reset();
        ClearEquivalentTime();
        break;
    case dfSetRangeCenteredA:
        SetRangeCentered(0, value);
        break;
    case dfSetRangeCenteredB:
        SetRangeCentered(1, value);
        break;
    case dfWriteTimeBase:
        Port.Write(regCapture, S.TimeBaseWord);
        break;
    case dfPositionToShiftA:
        Put(result, PositionToDac(0, value));
        break;
    case dfPositionToShiftB:
        Put(result, PositionToDac(1, value));
        break;
    default:
        break; // codes without a case, and those only the common steps serve
    }
}

void TPellexDriver::ApplyTimeBase(int32_t v, int32_t *result) {
    const TTimeBaseChoice c = ChooseTimeBase(v, S.DeviceType, S.TimeBaseWord);
    S.TimePerDivision = v;
    S.TimeBaseWord = c.Word;
    S.EquivalentTime = c.EquivalentTime;
    S.EtsFactor = c.Factor;
    S.FastEts = c.Fast;
    if (!Port.Write(regCapture, c.Word))
        return;
    if (S.TriggerMode == TTriggerMode::Auto) {
        S.AutoStage = TAutoStage::Long;
        if (!Capture.WriteTriggerWords(false, true))
            return;
        S.State = TCaptureState::Idle;
    }
    Put(result, S.EquivalentTime ? 3 : 2);
}

void TPellexDriver::SetControlBit(int bit, bool on) {
    const uint16_t mask = static_cast<uint16_t>(1u << bit);
    S.TriggerControl = on ? (S.TriggerControl | mask) : (S.TriggerControl & ~mask);
    WriteTriggerControl();
}

void TPellexDriver::SetSecondarySource(int bit, bool on) {
    const uint16_t mask = static_cast<uint16_t>(1u << bit);
    S.TriggerControl = on ? (S.TriggerControl | mask) : (S.TriggerControl & ~mask);
    // The secondary trigger runs exactly while one of its sources is on.
    if (S.TriggerControl & TriggerSecondarySources)
        S.TriggerControl |= TriggerSecondaryOn;
    else
        S.TriggerControl &= ~TriggerSecondaryOn;
    WriteTriggerControl();
}

bool TPellexDriver::WriteInputRegister() {
    return Port.Write(regInput, S.Channels[0].InputHalf + S.Channels[1].InputHalf);
}

void TPellexDriver::SetRange(int ch, int32_t key) {
    TChannelState &c = S.Channels[ch];
    c.RangeKey = key;
    const int row = FindRange(key);
    const TRangeRow &r = RangeTable()[row];
    const size_t at = PellRangeRow(row);
    if (ch == 0) {
        c.InputHalf = static_cast<uint16_t>((c.InputHalf & ~InputRangeBitsA) | r.BitsA);
        c.Gain = !S.Calibration.Valid ? r.DefaultGainA
                                      : LeGetU16(Desc.data(), at + (c.Probe == 1 ? rrGainA1 : rrGainA2));
    } else {
        c.InputHalf = static_cast<uint16_t>((c.InputHalf & ~InputRangeBitsB) | r.BitsB);
        c.Gain = !S.Calibration.Valid ? r.DefaultGainB
                                      : LeGetU16(Desc.data(), at + (c.Probe == 1 ? rrGainB1 : rrGainB2));
    }
    if (!WriteInputRegister())
        return;
    Port.Write(GainRegister(ch), c.Gain);
}

uint16_t TPellexDriver::PositionToDac(int ch, double position) const {
    const int32_t key = S.Channels[ch].RangeKey;
    return PositionToOffsetDac(S.Calibration.Offsets[ch][OffsetGroup(key)],
                               OffsetCorrection(S.Calibration, ch, key), position);
}

double TPellexDriver::DacToPosition(int ch) const {
    const int32_t key = S.Channels[ch].RangeKey;
    return OffsetDacToPosition(S.Calibration.Offsets[ch][OffsetGroup(key)],
                               OffsetCorrection(S.Calibration, ch, key), S.Channels[ch].OffsetDac);
}

void TPellexDriver::SetShift(int ch, int32_t dac, int32_t *result) {
    TChannelState &c = S.Channels[ch];
    c.OffsetDac = dac;
    c.GroundPosition = DacToPosition(ch);
    if (Port.Write(OffsetRegister(ch), dac))
        Put(result, static_cast<int32_t>(std::nearbyint(c.GroundPosition)));
}

void TPellexDriver::SetRangeCentered(int ch, int32_t key) {
    SetRange(ch, key);
    if (Port.LinkBroken())
        return;
    TChannelState &c = S.Channels[ch];
    // The calibration point of position 127, without the range's correction.
    if (IsRangeKey(key))
        c.OffsetDac = S.Calibration.Offsets[ch][OffsetGroup(key)][3];
    c.GroundPosition = DacToPosition(ch);
    Port.Write(OffsetRegister(ch), c.OffsetDac);
}

void TPellexDriver::SetHoldOff(int32_t value) {
    S.HoldOffExtent = static_cast<uint16_t>(value * 4);
    const double word = 0x8001 - std::ceil(static_cast<double>(value) / S.EtsFactor);
    Port.Write(regHoldOff, static_cast<int32_t>(std::min(word, 32768.0)));
}

void TPellexDriver::SetAfterTrigger(int32_t value) {
    S.AfterTrigger = static_cast<uint16_t>(value);
    S.AfterTriggerScaled = static_cast<int32_t>(std::ceil(static_cast<double>(S.AfterTrigger) / S.EtsFactor));
    S.Preload = LfsrCount(S.AfterTriggerScaled);
    Port.Write(regAfterTrigger, S.Preload);
}

void TPellexDriver::SetTriggerMode(TTriggerMode mode) {
    Capture.Finish();
    S.State = TCaptureState::Idle;
    S.TriggerMode = mode;
    if (mode == TTriggerMode::Auto) {
        Capture.WriteTriggerWords(false, false);
        return;
    }
    if (!Port.Write(regAfterTrigger, S.Preload))
        return;
    Capture.WriteTriggerWords(mode == TTriggerMode::None, false);
}

} // namespace pellex
