// The one interface through which the application talks to an instrument, whatever its family.
#pragma once

#include "ScopeConstsPellX.h"
#include "device/DataTypesTarn.h"
#include "platform/Platform.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace scope {

// Results of LoadDriver (0..2) and OpenDevice (0, 3..8).
enum TDriverResult : int32_t {
    drOk = 0,
    drNoLibrary = 1,
    drMissingExport = 2,
    drNoUsbLibrary = 3,
    drNoUsbEntry = 4,
    drDeviceNotFound = 5,
    drFpgaFailed = 6,
    drUnknownDeviceType = 7,
    drCalibrationBroken = 8,
};

// True for the OpenDevice results after which the device is used.
inline bool DeviceUsable(int32_t openResult) {
    return openResult == drOk || openResult == drCalibrationBroken;
}

// Results of ReadAcquisition.
enum TAcquisitionState : int32_t {
    asWaiting = 0,   // waiting for the trigger
    asTriggered = 1, // triggered, record filling
    asRecordRead = 2 // a complete record was written into the physical channels
};

// Trigger modes of SetTriggerMode.
enum TTriggerMode : int32_t { tmAuto = 0, tmNormal = 1, tmSingle = 2, tmManual = 3 };

// The device object. Not thread-safe: callers make sure no two calls overlap. Channel 0 is A, 1 is B;
// trigger "which" 0 is the primary, 1 the secondary trigger; source 0 is A, 1 B, 2 external.
class TDriverAbstraction {
public:
    virtual ~TDriverAbstraction() = default;

    // True when the family enumerates: the list then holds its devices (possibly none). False: the list
    // is not used and the device is opened with index -1.
    virtual bool EnumerateDevices(TDeviceList &list) = 0;
    // The model name for the main form's caption.
    virtual std::string GetDeviceName() = 0;
    // drOk, drNoLibrary or drMissingExport. Called once, right after the object is created.
    virtual int32_t LoadDriver() = 0;
    // Index: a slot index from the device list, or -1 for the first device. May be called again after a
    // broken link. drOk and drCalibrationBroken mean usable.
    virtual int32_t OpenDevice(int32_t index) = 0;
    // Fills the capability fields and lists. Called once at start-up, after the built-in defaults.
    virtual void GetCapabilities(TCapabilities &capabilities) = 0;
    // Begins a new capture; in single and manual mode it waits for a start request.
    virtual void StartAcquisition() = 0;
    virtual void SetStartRequest(bool on) = 0;
    // A TAcquisitionState. With asRecordRead the physical channels (data[0], data[1]) got the record:
    // Data keeps its length, First/Last give the valid samples. Channels on hold keep their Data.
    virtual int32_t ReadAcquisition(TAcquiredData &data) = 0;
    // Value: the DeviceValue of the time-base row.
    virtual void SetTimeBase(int32_t value) = 0;
    // Value: the DeviceValue of the range row. Returns the shift the device chose (to be broadcast).
    virtual int32_t SetRange(int32_t channel, int32_t value) = 0;
    virtual void SetVerticalShift(int32_t channel, int32_t shift) = 0;
    // A TTriggerMode.
    virtual void SetTriggerMode(int32_t mode) = 0;
    virtual void SetTriggerSource(int32_t which, int32_t source, bool on) = 0;
    virtual void SetTriggerLeading(int32_t which, int32_t source, bool leading) = 0;
    // Level in ADC levels.
    virtual void SetTriggerLevel(int32_t source, int32_t level) = 0;
    virtual void SetAfterTrigger(int32_t samples) = 0;
    virtual void SetHoldOff(int32_t value) = 0;
    virtual void SetTriggerCount(int32_t which, int32_t count) = 0;
    virtual void SetTriggerLength(int32_t which, int32_t length) = 0;
    virtual void SetFilterOn(int32_t channel, bool on) = 0;
    virtual void SetFilterFactor(int32_t channel, int32_t factor) = 0;
    virtual void SetGround(int32_t channel, bool on) = 0;
    virtual void SetDCCoupling(int32_t channel, bool on) = 0;
    // Mode 0..3 (probe 1:1 .. 1:1000).
    virtual void SetProbeMode(int32_t channel, int32_t mode) = 0;
    // The level (ADC levels) of the channel's 0 V after the last shift.
    virtual double GetGroundPosition(int32_t channel) = 0;
    // The shift that puts the channel's 0 V at the given level.
    virtual int32_t PositionToShift(int32_t channel, int32_t position) = 0;
    // While on, ReadAcquisition leaves the channel's waveform unchanged.
    virtual void SetChannelHold(int32_t channel, bool on) = 0;
    virtual void SetMemorySize(int32_t samples) = 0;
    virtual void SetWCD(int32_t value) = 0;
    // Equivalent-time fill of each channel in percent (100 = complete).
    virtual void GetSamplingProgress(int32_t &progressA, int32_t &progressB) = 0;
    virtual void SetCompensationGenerator(bool on) = 0;
    // Major and minor version of the driver.
    virtual void QueryDriverVersion(std::array<uint8_t, 2> &version) = 0;
    // False: the link to the device is broken.
    virtual bool IsCommunicationOK() = 0;
    virtual int32_t GetSerialNumber() = 0;
};

// The program's one device object: empty before the device search and after shut-down.
extern std::unique_ptr<TDriverAbstraction> DeviceObject;
// Device ID of the enumerated list row that was opened; 0 when the device was opened with index -1.
extern int32_t EnumeratedDeviceID;

// One row of the family table searched at start-up: how to create the family's device object (loading
// its library from the given program folder) and the family's series name.
struct TDAO {
    std::unique_ptr<TDriverAbstraction> (*DriverClass)(const std::string &programFolder);
    std::string SeriesName;
};

// The family table, in search order: Pellan, Tarnel, Vaskel.
const std::array<TDAO, 3> &DeviceFamilies();

// Drives an instrument through a family's driver library by numbered device functions. This class serves
// the Pellan library; the Tarnel and Vaskel classes derive from it.
class TDAO_Pellan : public TDriverAbstraction {
public:
    static constexpr int32_t ReadBufferSize = 0x200000; // bytes: two 8-bit channels per 16-bit word

    // Loads the library from the given folder; sleeps with the given sleeper (the real one when null).
    explicit TDAO_Pellan(std::string programFolder = platform::ProgramFolder(),
                         platform::ISleeper *sleeper = nullptr);
    // Frees the library without deinitialising the device: the library does that itself when unloaded.
    ~TDAO_Pellan() override;
    TDAO_Pellan(const TDAO_Pellan &) = delete;
    TDAO_Pellan &operator=(const TDAO_Pellan &) = delete;

    bool EnumerateDevices(TDeviceList &list) override;
    std::string GetDeviceName() override;
    int32_t LoadDriver() override;
    int32_t OpenDevice(int32_t index) override;
    void GetCapabilities(TCapabilities &capabilities) override;
    void StartAcquisition() override;
    void SetStartRequest(bool on) override;
    int32_t ReadAcquisition(TAcquiredData &data) override;
    void SetTimeBase(int32_t value) override;
    int32_t SetRange(int32_t channel, int32_t value) override;
    void SetVerticalShift(int32_t channel, int32_t shift) override;
    void SetTriggerMode(int32_t mode) override;
    void SetTriggerSource(int32_t which, int32_t source, bool on) override;
    void SetTriggerLeading(int32_t which, int32_t source, bool leading) override;
    void SetTriggerLevel(int32_t source, int32_t level) override;
    void SetAfterTrigger(int32_t samples) override;
    void SetHoldOff(int32_t value) override;
    void SetTriggerCount(int32_t which, int32_t count) override;
    void SetTriggerLength(int32_t which, int32_t length) override;
    void SetFilterOn(int32_t channel, bool on) override;
    void SetFilterFactor(int32_t channel, int32_t factor) override;
    void SetGround(int32_t channel, bool on) override;
    void SetDCCoupling(int32_t channel, bool on) override;
    void SetProbeMode(int32_t channel, int32_t mode) override;
    double GetGroundPosition(int32_t channel) override;
    int32_t PositionToShift(int32_t channel, int32_t position) override;
    void SetChannelHold(int32_t channel, bool on) override;
    void SetMemorySize(int32_t samples) override;
    void SetWCD(int32_t value) override;
    void GetSamplingProgress(int32_t &progressA, int32_t &progressB) override;
    void SetCompensationGenerator(bool on) override;
    void QueryDriverVersion(std::array<uint8_t, 2> &version) override;
    bool IsCommunicationOK() override;
    int32_t GetSerialNumber() override;

    // One device function through the bound DeviceFunction; 0 without a loaded library. The Pellan library
    // takes Reserved2 and BufferSize as 16-bit values.
    virtual uint8_t DeviceCall(int32_t code, int32_t reserved1, int32_t reserved2, void *buffer,
                               int32_t bufferSize, intptr_t value, int32_t *resultPtr);

    // Whether the counts and times of a description block stay within what the application supports: a
    // screen of at most 10,000 points that fits in the record, finite times within the 32-bit range, at
    // least one time base and one range.
    static bool PellanDescriptionUsable(const uint8_t *block);
    static bool OtherFamilyBlockUsable(const uint8_t *block, int32_t rowSize);

protected:
    // The check of the block the last open filled; a failing block makes OpenDevice fail.
    virtual bool BlockUsable() const;
    // Result of a device function that answers through its Result cell.
    int32_t Ask(int32_t code, intptr_t value = 0);
    void Send(int32_t code, intptr_t value = 0) { DeviceCall(code, 0, 0, nullptr, 0, value, nullptr); }
    void RegisterLinkByte(volatile uint8_t *byte);
    // Limits and fixed geometry shared by every family.
    void SetCommonCapabilities(TCapabilities &c, int32_t screenPoints, int32_t pointsPerDiv);
    static int32_t MapInitializeResult(int32_t result);
    static bool IsChannel(int32_t channel) { return channel == 0 || channel == 1; }

    virtual const char *LibraryFileName() const { return "pellexdrv.so"; }

    TInitializeDevice InitializeEntry = nullptr;
    TDeInitializeDevice DeInitializeEntry = nullptr;
    TDeviceFunction DeviceFunctionEntry = nullptr;
    int32_t RecordLength = 0;
    int32_t StoredAfterTrigger = 0;
    int32_t StoredHoldOff = 0;
    volatile uint8_t CommunicationError = 0;

private:
    std::string Folder;
    std::unique_ptr<platform::ISleeper> OwnSleeper;
    platform::ISleeper *Sleeper;
    std::vector<uint8_t> ReadBuffer;
    std::array<uint8_t, ddSize> Description{};
    platform::TLibrary Library;
    volatile uint8_t ScratchLink = 0;
    bool WaitsForStart = false;
    bool StartRequest = false;
    // Paces the polls of a filling record (see ReadAcquisition).
    static constexpr int32_t QuickPolls = 8;
    int32_t PointsPerDivision = 0;
    int32_t TimePerDivision = 0; // ns, the last time base sent
    int32_t WaitingPolls = 0;
    bool SecondarySource[3] = {false, false, false};
    bool FilterOn[2] = {false, false};
    int32_t FilterFactor[2] = {0, 0};
    int32_t GroundPosition[2] = {0, 0};
    bool Hold[2] = {false, false};
    int32_t MemorySize = 0;
    int32_t FillClasses = 0;
};

// The Tarnel family: enumerates its devices, opens one by slot, and serves memory size and progress.
class TDAO_Tarnel : public TDAO_Pellan {
public:
    using TDAO_Pellan::TDAO_Pellan;

    bool EnumerateDevices(TDeviceList &list) override;
    std::string GetDeviceName() override;
    int32_t OpenDevice(int32_t index) override;
    void GetCapabilities(TCapabilities &capabilities) override;
    void SetProbeMode(int32_t channel, int32_t mode) override;
    void SetMemorySize(int32_t samples) override;
    void GetSamplingProgress(int32_t &progressA, int32_t &progressB) override;
    // The outside libraries take Reserved2 and BufferSize as 32-bit values.
    uint8_t DeviceCall(int32_t code, int32_t reserved1, int32_t reserved2, void *buffer, int32_t bufferSize,
                       intptr_t value, int32_t *resultPtr) override;

    // True when another holder has the named lock of the enumerated device.
    static bool IsDeviceInUse(int32_t id);

protected:
    bool BlockUsable() const override;
    const char *LibraryFileName() const override { return "tarneldrv.so"; }
    // Capabilities of an outside family's description block.
    void ReadOtherFamilyCapabilities(TCapabilities &c, const uint8_t *block, int32_t rowSize,
                                     int32_t memorySizeCount, int32_t recordLength);

private:
    std::array<uint8_t, tdTarnelSize> Block{};
};

// The Vaskel family: no enumeration, progress as the Pellan family reports it.
class TDAO_Vaskel : public TDAO_Tarnel {
public:
    using TDAO_Tarnel::TDAO_Tarnel;

    bool EnumerateDevices(TDeviceList &list) override;
    std::string GetDeviceName() override;
    int32_t OpenDevice(int32_t index) override;
    void GetCapabilities(TCapabilities &capabilities) override;
    void GetSamplingProgress(int32_t &progressA, int32_t &progressB) override;

protected:
    bool BlockUsable() const override;
    const char *LibraryFileName() const override { return "vaskeldrv.so"; }

private:
    std::array<uint8_t, tdVaskelSize> Block{};
};

} // namespace scope
