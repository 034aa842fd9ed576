// The one device of a loaded driver library: start-up, the numbered device functions and their
// register traffic.
#pragma once

#include "CaptureControl.h"
#include "DriverSeams.h"
#include "DriverState.h"
#include "ModelTables.h"
#include "RecordReader.h"
#include "Registers.h"
#include "UsbPort.h"

#include <cstdint>
#include <string>

namespace pellex {

class TPellexDriver {
public:
    // usbLibraryPath: the USB access library to load at start-up; callback: the function that the
    // USB library calls on link changes, which must end in LinkStateChanged of this driver.
    TPellexDriver(std::string usbLibraryPath, TLinkStateCallback callback, ITickSource &ticks,
                  IRandomSource &random);
    ~TPellexDriver();
    TPellexDriver(const TPellexDriver &) = delete;
    TPellexDriver &operator=(const TPellexDriver &) = delete;

    // desc: at least 905 bytes (may be null: nothing is copied then).
    int32_t Initialize(uint8_t *desc);
    uint8_t Function(int32_t code, void *buffer, intptr_t value, int32_t *result);
    void DeInitialize();

    // The link callback of the USB library lands here.
    void LinkStateChanged(uint8_t linkUp);

    const TDriverState &State() const { return S; }
    const TDescription &Description() const { return Desc; }
    bool Disabled() const { return IsDisabled; }

private:
    void StartValues();
    int32_t Fail(int32_t code, uint8_t *desc);
    bool LoadCalibration();
    void ClearEquivalentTime();
    void Dispatch(int32_t code, void *buffer, int32_t value, int32_t *result);

    void ApplyTimeBase(int32_t v, int32_t *result);
    bool WriteTriggerControl() { return Port.Write(regTriggerControl, S.TriggerControl); }
    void SetControlBit(int bit, bool on);
    void SetSecondarySource(int bit, bool on);
    void SetRange(int channel, int32_t key);
    void SetRangeCentered(int channel, int32_t key);
    void SetShift(int channel, int32_t dac, int32_t *result);
    uint16_t PositionToDac(int channel, double position) const;
    double DacToPosition(int channel) const;
    bool WriteInputRegister();
    void SetTriggerMode(TTriggerMode mode);
    void SetHoldOff(int32_t value);
    void SetAfterTrigger(int32_t value);
    int32_t PollStatus();

    std::string UsbPath;
    TLinkStateCallback Callback;
    ITickSource &Ticks;
    IRandomSource &Random;
    TUsbPort Port;
    TDriverState S;
    TCaptureControl Capture;
    TRecordReader Reader;
    TDescription Desc{};
    bool IsDisabled = false;
    // Started and bound to a device; false before start-up and after a start without the USB entries.
    bool Running = false;
};

} // namespace pellex
