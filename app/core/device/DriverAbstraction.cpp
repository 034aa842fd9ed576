#include "device/DriverAbstraction.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace scope {

std::unique_ptr<TDriverAbstraction> DeviceObject;
int32_t EnumeratedDeviceID = 0;

namespace {

template <class T> std::unique_ptr<TDriverAbstraction> CreateDevice(const std::string &programFolder) {
    return std::make_unique<T>(programFolder);
}

// Where a driver's link byte points once its device object is gone: the library may still write it.
volatile uint8_t OrphanLinkByte = 0;

constexpr int32_t ReadBufferWords = TDAO_Pellan::ReadBufferSize / 2;

std::string ModelName(const char *series, int32_t number) {
    char text[64];
    std::snprintf(text, sizeof text, "%s%d oscilloscope", series, number);
    return text;
}

int32_t Round(double x) {
    return static_cast<int32_t>(std::nearbyint(x));
}

// Limits of what a description block may ask for: the screen is a window of PointsPerDiv x 10 pixels,
// and a time per division is sent to the device as a 32-bit value.
constexpr uint32_t MaxPointsPerDiv = 1000;
constexpr double MaxTimePerDiv = 2147483647.0;

bool FiniteIn(double x, double low, double high) {
    return std::isfinite(x) && x >= low && x <= high;
}

// A rate computed from a block's time: finite and positive, or the block is unusable.
bool UsableRate(double rate) {
    return std::isfinite(rate) && rate > 0;
}

} // namespace

const std::array<TDAO, 3> &DeviceFamilies() {
    static const std::array<TDAO, 3> families = {{
        {CreateDevice<TDAO_Pellan>, "Pellan series"},
        {CreateDevice<TDAO_Tarnel>, "Tarnel series"},
        {CreateDevice<TDAO_Vaskel>, "Vaskel series"},
    }};
    return families;
}

// ---- TDAO_Pellan

TDAO_Pellan::TDAO_Pellan(std::string programFolder, platform::ISleeper *sleeper)
    : Folder(std::move(programFolder)), Sleeper(sleeper), ReadBuffer(ReadBufferSize) {
    if (!Sleeper) {
        OwnSleeper = std::make_unique<platform::TThreadSleeper>();
        Sleeper = OwnSleeper.get();
    }
}

TDAO_Pellan::~TDAO_Pellan() {
    // The library's link callback must never write into this object once it is freed.
    RegisterLinkByte(&OrphanLinkByte);
}

uint8_t TDAO_Pellan::DeviceCall(int32_t code, int32_t reserved1, int32_t reserved2, void *buffer,
                                int32_t bufferSize, intptr_t value, int32_t *resultPtr) {
    if (!DeviceFunctionEntry)
        return 0;
    return DeviceFunctionEntry(code, reserved1, static_cast<uint16_t>(reserved2), buffer,
                               static_cast<uint16_t>(bufferSize), value, resultPtr);
}

int32_t TDAO_Pellan::Ask(int32_t code, intptr_t value) {
    int32_t result = 0;
    DeviceCall(code, 0, 0, nullptr, 0, value, &result);
    return result;
}

void TDAO_Pellan::RegisterLinkByte(volatile uint8_t *byte) {
    Send(dfSetLinkFlag, reinterpret_cast<intptr_t>(byte));
}

bool TDAO_Pellan::EnumerateDevices(TDeviceList &) {
    return false;
}

std::string TDAO_Pellan::GetDeviceName() {
    return ModelName("Pelle", Ask(dfGetDeviceType) + 1);
}

int32_t TDAO_Pellan::LoadDriver() {
    if (!Library.Load(platform::JoinPath(Folder, LibraryFileName())))
        return drNoLibrary;
    InitializeEntry = Library.Bind<TInitializeDevice>("InitializeDevice");
    DeInitializeEntry = Library.Bind<TDeInitializeDevice>("DeInitializeDevice");
    DeviceFunctionEntry = Library.Bind<TDeviceFunction>("DeviceFunction");
    if (!InitializeEntry || !DeInitializeEntry || !DeviceFunctionEntry) {
        InitializeEntry = nullptr;
        DeInitializeEntry = nullptr;
        DeviceFunctionEntry = nullptr;
        Library.Free();
        return drMissingExport;
    }
    // The library wants a link byte before the device is initialised.
    RegisterLinkByte(&ScratchLink);
    return drOk;
}

int32_t TDAO_Pellan::MapInitializeResult(int32_t result) {
    switch (result) {
    case irOk:
        return drOk;
    case irNoUsbLibrary:
        return drNoUsbLibrary;
    case irNoUsbEntry:
        return drNoUsbEntry;
    case irFpgaFailed:
        return drFpgaFailed;
    case irCalibrationInvalid:
        return drCalibrationBroken;
    case irUnknownDeviceType:
        return drUnknownDeviceType;
    default:
        return drDeviceNotFound;
    }
}

bool TDAO_Pellan::PellanDescriptionUsable(const uint8_t *d) {
    const uint32_t ppd = LeGetU32(d, ddPointsPerDivision);
    const uint32_t recordLength = std::min<uint32_t>(LeGetU32(d, ddRecordLength), ReadBufferWords);
    if (ppd < 1 || ppd > MaxPointsPerDiv || recordLength < 10 * ppd)
        return false;
    const int32_t timeBases =
        static_cast<int32_t>(std::min<uint32_t>(LeGetU32(d, ddTimeBaseCount), ddTimeBaseSlots));
    int32_t rows = 0;
    for (int32_t i = 0; i < timeBases; ++i) {
        const size_t row = PellTimeBaseRow(i);
        const double timePerDiv = LeGetF64(d, row + tbTimePerDivision);
        const double interval = LeGetF64(d, row + tbSampleInterval);
        if (!(timePerDiv > 0) || !(interval > 0))
            continue;
        if (!FiniteIn(timePerDiv, 0.5, MaxTimePerDiv) || !UsableRate(1e9 * ppd / timePerDiv) ||
            !UsableRate(1e9 / interval))
            return false;
        ++rows;
    }
    const int32_t ranges = static_cast<int32_t>(std::min<uint32_t>(LeGetU32(d, ddRangeCount), ddRangeSlots));
    int32_t rangeRows = 0;
    for (int32_t i = 0; i < ranges; ++i)
        if (static_cast<int32_t>(LeGetU32(d, PellRangeRow(i) + rrRangeKey)) > 0)
            ++rangeRows;
    return rows > 0 && rangeRows > 0;
}

bool TDAO_Pellan::OtherFamilyBlockUsable(const uint8_t *block, int32_t rowSize) {
    const int32_t timeBases =
        static_cast<int32_t>(std::min<uint32_t>(LeGetU32(block, tdTimeBaseCount), tdTimeBaseSlots));
    int32_t rows = 0;
    for (int32_t i = 0; i < timeBases; ++i) {
        const size_t row = tdTimeBases + static_cast<size_t>(i) * static_cast<size_t>(rowSize);
        const double effective = LeGetF64(block, row + tdRowEffectiveRate);
        const double real = LeGetF64(block, row + tdRowRealRate);
        if (!(effective > 0) || !(real > 0))
            continue;
        if (!UsableRate(effective) || !UsableRate(real) || std::isnan(LeGetF64(block, row + tdRowEtsFactor)))
            return false;
        ++rows;
    }
    const int32_t ranges =
        static_cast<int32_t>(std::min<uint32_t>(LeGetU32(block, tdRangeCount), tdRangeSlots));
    int32_t rangeRows = 0;
    for (int32_t i = 0; i < ranges; ++i)
        if (LeGetI32(block, tdRanges + 4 * static_cast<size_t>(i)) > 0)
            ++rangeRows;
    return rows > 0 && rangeRows > 0;
}

bool TDAO_Pellan::BlockUsable() const {
    return PellanDescriptionUsable(Description.data());
}

int32_t TDAO_Pellan::OpenDevice(int32_t) {
    if (!InitializeEntry)
        return drDeviceNotFound;
    int32_t result = MapInitializeResult(InitializeEntry(Description.data()));
    // A block the application cannot use is a driver that failed to start.
    if (DeviceUsable(result) && !BlockUsable())
        result = drDeviceNotFound;
    if (DeviceUsable(result)) {
        Send(dfSetGapInterpolation, 1);
        RegisterLinkByte(&CommunicationError);
        CommunicationError = 0;
    }
    return result;
}

void TDAO_Pellan::SetCommonCapabilities(TCapabilities &c, int32_t screenPoints, int32_t pointsPerDiv) {
    c.PointsOnScreen = screenPoints;
    c.PointsPerDiv = pointsPerDiv;
    c.LevelCount = 256;
    c.LevelsPerDiv = 32;
    c.ChannelCount = 8;
    c.PhysicalChannelCount = 2;
    c.VirtualChannelCount = 2;
    c.TriggerSourceCount = 3;
    c.ShiftMax = 4095;
    c.ShiftMin = 0;
    c.AfterTriggerMin = 1;
    c.AfterTriggerMax = 63457;
    c.HoldOffMin = 0;
    c.HoldOffMax = 131068;
    c.HoldOffStep = 4;
    c.CountMin = 1;
    c.CountMax = 32767;
    c.LengthMin = 0;
    c.LengthMax = 131068;
    c.LengthStep = 4;
    StoredAfterTrigger = 1024;
    StoredHoldOff = 1024;
}

void TDAO_Pellan::GetCapabilities(TCapabilities &c) {
    const uint8_t *d = Description.data();
    const int32_t ppd = static_cast<int32_t>(LeGetU32(d, ddPointsPerDivision));
    SetCommonCapabilities(c, 10 * ppd, ppd);
    PointsPerDivision = ppd;

    // The driver record is read into a buffer of fixed size, so a longer record cannot exist.
    RecordLength = static_cast<int32_t>(std::min<uint32_t>(LeGetU32(d, ddRecordLength), ReadBufferWords));
    c.MemorySizes.assign(1, RecordLength);

    // Slowest first; counts beyond the record's slots and rows without a time are not rows.
    const int32_t timeBases =
        static_cast<int32_t>(std::min<uint32_t>(LeGetU32(d, ddTimeBaseCount), ddTimeBaseSlots));
    c.TimeBases.clear();
    for (int32_t i = timeBases - 1; i >= 0; --i) {
        const size_t row = PellTimeBaseRow(i);
        const double timePerDiv = LeGetF64(d, row + tbTimePerDivision);
        const double interval = LeGetF64(d, row + tbSampleInterval);
        if (!(timePerDiv > 0) || !(interval > 0))
            continue;
        c.TimeBases.push_back(TTimeBaseRow{1e9 * ppd / timePerDiv, 1e9 / interval,
                                           LeGetU8(d, row + tbEquivalentTime) != 0 ? 1 : 0,
                                           Round(timePerDiv)});
    }

    const int32_t ranges = static_cast<int32_t>(std::min<uint32_t>(LeGetU32(d, ddRangeCount), ddRangeSlots));
    c.Ranges.clear();
    for (int32_t i = 0; i < ranges; ++i) {
        const int32_t key = static_cast<int32_t>(LeGetU32(d, PellRangeRow(i) + rrRangeKey));
        if (key > 0)
            c.Ranges.push_back(TRangeRow{key / 1000.0, key});
    }
}

void TDAO_Pellan::StartAcquisition() {
    WaitingPolls = 0;
    if (!WaitsForStart || StartRequest)
        Send(dfArm);
}

void TDAO_Pellan::SetStartRequest(bool on) {
    if (WaitsForStart) {
        StartRequest = on;
        StartAcquisition();
    }
}

int32_t TDAO_Pellan::ReadAcquisition(TAcquiredData &data) {
    if (WaitsForStart && !StartRequest) {
        Sleeper->Sleep(3);
        return asWaiting;
    }
    int32_t status = 0;
    const uint8_t complete = DeviceCall(dfPollStatus, 0, 0, nullptr, 0, 0, &status);
    FillClasses = status & 0xFFFF00;
    if (complete == 0) {
        // Each poll is a bus transfer and a wake-up: a record that takes a millisecond or more, or one
        // that has not come after a few polls at bus speed, is asked for once a millisecond.
        const double recordNs =
            PointsPerDivision > 0 ? double(RecordLength) * TimePerDivision / PointsPerDivision : 0;
        if (++WaitingPolls > QuickPolls || recordNs >= 1e6)
            Sleeper->Sleep(1);
        return (status & 0xFF) == psTriggered ? asTriggered : asWaiting;
    }
    WaitingPolls = 0;

    int32_t count = 0;
    DeviceCall(dfReadRecord, 0, 0, ReadBuffer.data(), ReadBufferSize, 0, &count);
    // The driver's record holds L words; the newest min(n, L) of them are kept.
    const int32_t length = std::clamp(RecordLength, 0, ReadBufferWords);
    for (int32_t ch = 0; ch < 2 && ch < static_cast<int32_t>(data.size()); ++ch) {
        TWaveform &wave = data[ch];
        // The channel's own buffer bounds what it can take, whatever the memory size says.
        const int32_t n = std::clamp(MemorySize, 0, static_cast<int32_t>(wave.Data.size()));
        const int32_t kept = std::min(n, length);
        const int32_t valid = std::clamp(count, 0, kept);
        if (Hold[ch]) {
            wave.Last = std::min(wave.Last, n - 1);
            wave.First = std::max(wave.First, n - valid);
        } else {
            const uint8_t *words = ReadBuffer.data() + 2 * static_cast<size_t>(length - kept);
            uint8_t *out = wave.Data.data() + (n - kept);
            for (int32_t i = 0; i < kept; ++i)
                out[i] = words[2 * i + ch]; // A is the low byte of each little-endian word, B the high one
            wave.Last = n - 1;
            wave.First = n - valid;
        }
        if (wave.Last < wave.First)
            wave.MakeEmpty();
    }
    StartRequest = false;
    return asRecordRead;
}

void TDAO_Pellan::SetTimeBase(int32_t value) {
    TimePerDivision = value;
    Send(dfSetTimeBase, value);
    // The driver converts both counts with the time base's factor.
    SetAfterTrigger(StoredAfterTrigger);
    SetHoldOff(StoredHoldOff);
}

int32_t TDAO_Pellan::SetRange(int32_t channel, int32_t value) {
    if (!IsChannel(channel))
        return 0;
    return Ask(channel == 0 ? dfSetRangeA : dfSetRangeB, value);
}

void TDAO_Pellan::SetVerticalShift(int32_t channel, int32_t shift) {
    if (IsChannel(channel))
        GroundPosition[channel] = Ask(channel == 0 ? dfSetShiftA : dfSetShiftB, shift);
}

void TDAO_Pellan::SetTriggerMode(int32_t mode) {
    WaitsForStart = false;
    StartRequest = false;
    switch (mode) {
    case tmAuto:
        Send(dfSetTriggerModeAuto);
        break;
    case tmNormal:
        Send(dfSetTriggerModeNormal);
        break;
    case tmSingle:
        Send(dfSetTriggerModeNormal);
        WaitsForStart = true;
        break;
    case tmManual:
        Send(dfSetTriggerModeNone);
        WaitsForStart = true;
        break;
    default:
        break;
    }
}

void TDAO_Pellan::SetTriggerSource(int32_t which, int32_t source, bool on) {
    if (source < 0 || source > 2)
        return;
    if (which == 0) {
        Send(dfSetPrimarySourceA + source, on);
    } else if (which == 1) {
        auto anyOn = [this] { return SecondarySource[0] || SecondarySource[1] || SecondarySource[2]; };
        const bool wasOn = anyOn();
        SecondarySource[source] = on;
        Send(dfSetSecondarySourceA + source, on);
        if (anyOn() != wasOn)
            Send(anyOn() ? dfSecondaryTriggerOn : dfSecondaryTriggerOff);
    }
}

void TDAO_Pellan::SetTriggerLeading(int32_t which, int32_t source, bool leading) {
    if (source < 0 || source > 2 || (which != 0 && which != 1))
        return;
    Send((which == 0 ? dfSetPrimaryLeadingA : dfSetSecondaryLeadingA) + source, leading);
}

void TDAO_Pellan::SetTriggerLevel(int32_t source, int32_t level) {
    if (IsChannel(source))
        Send(source == 0 ? dfSetTriggerLevelA : dfSetTriggerLevelB, level);
}

void TDAO_Pellan::SetAfterTrigger(int32_t samples) {
    StoredAfterTrigger = samples;
    Send(dfSetAfterTrigger, samples);
}

void TDAO_Pellan::SetHoldOff(int32_t value) {
    StoredHoldOff = value;
    Send(dfSetHoldOff, value >> 2);
}

void TDAO_Pellan::SetTriggerCount(int32_t which, int32_t count) {
    if (which == 0 || which == 1)
        Send(which == 0 ? dfSetPrimaryCount : dfSetSecondaryCount, count);
}

void TDAO_Pellan::SetTriggerLength(int32_t which, int32_t length) {
    if (which == 0 || which == 1)
        Send(which == 0 ? dfSetPrimaryLength : dfSetSecondaryLength, length >> 2);
}

void TDAO_Pellan::SetFilterOn(int32_t channel, bool on) {
    if (!IsChannel(channel))
        return;
    FilterOn[channel] = on;
    // The driver takes the averaging count from the Result cell.
    DeviceCall(channel == 0 ? dfSetFilterA : dfSetFilterB, 0, 0, nullptr, 0, on ? 1 : 0,
               &FilterFactor[channel]);
}

void TDAO_Pellan::SetFilterFactor(int32_t channel, int32_t factor) {
    if (!IsChannel(channel))
        return;
    FilterFactor[channel] = factor;
    SetFilterOn(channel, FilterOn[channel]);
}

void TDAO_Pellan::SetGround(int32_t channel, bool on) {
    if (IsChannel(channel))
        Send(channel == 0 ? dfSetGroundA : dfSetGroundB, on);
}

void TDAO_Pellan::SetDCCoupling(int32_t channel, bool on) {
    if (IsChannel(channel))
        Send(channel == 0 ? dfSetDCA : dfSetDCB, on);
}

void TDAO_Pellan::SetProbeMode(int32_t channel, int32_t mode) {
    if (channel < 0 || mode < 0 || mode > 3)
        return;
    // Probe values count from 1 in this library.
    Send(channel == 0 ? dfSetProbeModeA : channel == 1 ? dfSetProbeModeB : 255, mode + 1);
}

double TDAO_Pellan::GetGroundPosition(int32_t channel) {
    return IsChannel(channel) ? GroundPosition[channel] : 0;
}

int32_t TDAO_Pellan::PositionToShift(int32_t channel, int32_t position) {
    if (!IsChannel(channel))
        return 0;
    return Ask(channel == 0 ? dfPositionToShiftA : dfPositionToShiftB, position);
}

void TDAO_Pellan::SetChannelHold(int32_t channel, bool on) {
    if (IsChannel(channel))
        Hold[channel] = on;
}

void TDAO_Pellan::SetMemorySize(int32_t samples) {
    MemorySize = samples;
}

void TDAO_Pellan::SetWCD(int32_t value) {
    Send(dfSetWCDSensitivity, value);
}

void TDAO_Pellan::GetSamplingProgress(int32_t &progressA, int32_t &progressB) {
    auto percent = [](int32_t fillClass) { return fillClass == 1 ? 20 : fillClass == 2 ? 60 : 100; };
    progressA = percent((FillClasses >> 8) & 0xFF);
    progressB = percent((FillClasses >> 16) & 0xFF);
}

void TDAO_Pellan::SetCompensationGenerator(bool on) {
    Send(dfSetCompensationGenerator, on ? 1 : 0);
}

void TDAO_Pellan::QueryDriverVersion(std::array<uint8_t, 2> &version) {
    DeviceCall(dfGetDriverVersion, 0, 0, version.data(), 2, 0, nullptr);
}

bool TDAO_Pellan::IsCommunicationOK() {
    return CommunicationError == 0;
}

int32_t TDAO_Pellan::GetSerialNumber() {
    return Ask(dfGetSerialNumber);
}

// ---- TDAO_Tarnel

uint8_t TDAO_Tarnel::DeviceCall(int32_t code, int32_t reserved1, int32_t reserved2, void *buffer,
                                int32_t bufferSize, intptr_t value, int32_t *resultPtr) {
    if (!DeviceFunctionEntry)
        return 0;
    return DeviceFunctionEntry(code, reserved1, reserved2, buffer, bufferSize, value, resultPtr);
}

bool TDAO_Tarnel::IsDeviceInUse(int32_t id) {
    return platform::TNamedLock::IsTaken("TRN_DRV_TarnX_" + std::to_string(id));
}

bool TDAO_Tarnel::EnumerateDevices(TDeviceList &list) {
    constexpr int32_t Slots = 16;
    uint8_t ids[4 * Slots] = {};
    // A library that leaves the Result cell alone does not enumerate.
    int32_t result = -1;
    DeviceCall(dfEnumerateDevices, 0, 0, ids, sizeof ids, 0, &result);
    if (result != 0)
        return false;
    list.clear();
    for (int32_t slot = 0; slot < Slots; ++slot) {
        const int32_t id = LeGetI32(ids, 4 * static_cast<size_t>(slot));
        if (id != 0)
            list.push_back(TDeviceListRow{id, slot, IsDeviceInUse(id) ? 1 : 0});
    }
    return true;
}

std::string TDAO_Tarnel::GetDeviceName() {
    return ModelName("Tarne", Ask(dfGetDeviceType) + 1);
}

int32_t TDAO_Tarnel::OpenDevice(int32_t index) {
    if (!InitializeEntry)
        return drDeviceNotFound;
    int32_t code = irDeviceNotFound;
    if (index == -1)
        code = InitializeEntry(Block.data());
    else
        DeviceCall(dfOpenByIndex, 0, 0, Block.data(), tdTarnelSize, index, &code);
    int32_t result = MapInitializeResult(code);
    if (DeviceUsable(result) && !BlockUsable())
        result = drDeviceNotFound;
    RegisterLinkByte(&CommunicationError);
    if (DeviceUsable(result))
        CommunicationError = 0;
    return result;
}

void TDAO_Tarnel::ReadOtherFamilyCapabilities(TCapabilities &c, const uint8_t *block, int32_t rowSize,
                                              int32_t memorySizeCount, int32_t recordLength) {
    SetCommonCapabilities(c, 500, 50);
    c.TriggerLatency = 9.3e-9;
    c.AfterTriggerMax = 1048576;
    c.HoldOffMax = 1048576;
    c.MemorySizes.clear();
    for (int32_t k = 0; k < memorySizeCount; ++k)
        c.MemorySizes.push_back(1024 << k);
    RecordLength = recordLength;

    const int32_t timeBases =
        static_cast<int32_t>(std::min<uint32_t>(LeGetU32(block, tdTimeBaseCount), tdTimeBaseSlots));
    c.TimeBases.clear();
    for (int32_t i = timeBases - 1; i >= 0; --i) {
        const size_t row = tdTimeBases + static_cast<size_t>(i) * rowSize;
        const double effective = LeGetF64(block, row + tdRowEffectiveRate);
        const double real = LeGetF64(block, row + tdRowRealRate);
        // An empty row has no time per division: no rates.
        if (!(effective > 0) || !(real > 0))
            continue;
        c.TimeBases.push_back(TTimeBaseRow{effective, real,
                                           LeGetF64(block, row + tdRowEtsFactor) > 1.0 ? 1 : 0,
                                           LeGetI32(block, row + tdRowDeviceCode)});
    }

    const int32_t ranges =
        static_cast<int32_t>(std::min<uint32_t>(LeGetU32(block, tdRangeCount), tdRangeSlots));
    c.Ranges.clear();
    for (int32_t i = 0; i < ranges; ++i) {
        const int32_t mv = LeGetI32(block, tdRanges + 4 * static_cast<size_t>(i));
        if (mv > 0)
            c.Ranges.push_back(TRangeRow{mv / 1000.0, mv});
    }
}

bool TDAO_Tarnel::BlockUsable() const {
    return OtherFamilyBlockUsable(Block.data(), tdTarnelRowSize);
}

void TDAO_Tarnel::GetCapabilities(TCapabilities &c) {
    ReadOtherFamilyCapabilities(c, Block.data(), tdTarnelRowSize, 11, 0x100000);
}

void TDAO_Tarnel::SetProbeMode(int32_t channel, int32_t mode) {
    if (channel < 0 || mode < 0 || mode > 3)
        return;
    Send(channel == 0 ? dfSetProbeModeA : channel == 1 ? dfSetProbeModeB : 255, mode);
}

void TDAO_Tarnel::SetMemorySize(int32_t samples) {
    Send(dfSetMemorySize, samples);
    TDAO_Pellan::SetMemorySize(samples);
}

void TDAO_Tarnel::GetSamplingProgress(int32_t &progressA, int32_t &progressB) {
    progressA = Ask(dfGetProgressA);
    progressB = Ask(dfGetProgressB);
}

// ---- TDAO_Vaskel

bool TDAO_Vaskel::EnumerateDevices(TDeviceList &) {
    return false;
}

std::string TDAO_Vaskel::GetDeviceName() {
    return ModelName("Vaske", 1);
}

int32_t TDAO_Vaskel::OpenDevice(int32_t) {
    if (!InitializeEntry)
        return drDeviceNotFound;
    int32_t result = MapInitializeResult(InitializeEntry(Block.data()));
    if (DeviceUsable(result) && !BlockUsable())
        result = drDeviceNotFound;
    RegisterLinkByte(&CommunicationError);
    if (DeviceUsable(result))
        CommunicationError = 0;
    return result;
}

bool TDAO_Vaskel::BlockUsable() const {
    return OtherFamilyBlockUsable(Block.data(), tdVaskelRowSize);
}

void TDAO_Vaskel::GetCapabilities(TCapabilities &c) {
    ReadOtherFamilyCapabilities(c, Block.data(), tdVaskelRowSize, 6, 0x8000);
}

void TDAO_Vaskel::GetSamplingProgress(int32_t &progressA, int32_t &progressB) {
    TDAO_Pellan::GetSamplingProgress(progressA, progressB);
}

} // namespace scope
