// The Pellan family's USB access library, standing in with a simulated instrument.
#include "PellUsbFunctions.h"
#include "SimControls.h"
#include "SimInstrument.h"
#include "SimLatency.h"

#define PELLUSB_EXPORT extern "C" __attribute__((visibility("default")))

using pellsim::Instrument;
using pellsim::Latency;

PELLUSB_EXPORT int32_t USBInitDevice(void) {
    Latency().WaitControl();
    return Instrument().InitDevice();
}
PELLUSB_EXPORT int32_t USBFlushBuffer(void) {
    Latency().WaitControl();
    return Instrument().Flush();
}
PELLUSB_EXPORT int32_t USBConfigureFPGA(const uint8_t *Buffer, int32_t Size) {
    Latency().WaitBulk(Size);
    return Instrument().ConfigureFpga(Buffer, Size);
}
PELLUSB_EXPORT int32_t USBSingleRead(int32_t Register) {
    Latency().WaitControl();
    return Instrument().SingleRead(Register);
}
// Queued: it travels with the next flushing write.
PELLUSB_EXPORT void USBSingleWriteWithoutFlush(int32_t Register, int32_t Value) {
    Instrument().QueueWrite(Register, Value);
}
PELLUSB_EXPORT void USBSingleWrite(int32_t Register, int32_t Value) {
    Latency().WaitControl();
    Instrument().Write(Register, Value);
}
PELLUSB_EXPORT void USBFIFORead(int32_t Channel, void *Buffer, int32_t ByteCount) {
    Latency().WaitBulk(ByteCount);
    Instrument().FifoRead(Channel, Buffer, ByteCount);
}
// The instrument takes no FIFO data and its memory is written only at the factory.
PELLUSB_EXPORT int32_t USBFIFOWrite(void) {
    return 0;
}
PELLUSB_EXPORT int32_t USBWriteToEEPROM(void) {
    return 0;
}
PELLUSB_EXPORT int32_t USBReadFromEEPROM(int32_t Address) {
    Latency().WaitControl();
    return Instrument().ReadMemory(Address);
}
PELLUSB_EXPORT int32_t USBGetDeviceID(void) {
    Latency().WaitControl();
    return Instrument().DeviceId();
}
PELLUSB_EXPORT void USBSetCallBackFunction(TLinkStateCallback Callback) {
    Instrument().SetCallback(Callback);
}
PELLUSB_EXPORT int32_t DeviceReady(void) {
    Latency().WaitControl();
    return Instrument().Ready();
}
PELLUSB_EXPORT void GetDriverVersion(uint8_t *Buffer) {
    if (Buffer) {
        Buffer[0] = 2;
        Buffer[1] = 4;
    }
}

PELLUSB_EXPORT void sim_Reset(void) {
    Instrument().Reset();
}
PELLUSB_EXPORT void sim_SetModel(int32_t Type) {
    Instrument().SetModel(Type);
}
PELLUSB_EXPORT void sim_SetLinkUp(int32_t Up) {
    Instrument().SetLinkUp(Up != 0);
}
PELLUSB_EXPORT void sim_BreakLinkAfter(int32_t Calls) {
    Instrument().BreakLinkAfter(Calls);
}
PELLUSB_EXPORT void sim_WriteMemory(int32_t Address, const uint8_t *Bytes, int32_t Count) {
    Instrument().WriteMemory(Address, Bytes, Count);
}
PELLUSB_EXPORT void sim_ReadMemory(int32_t Address, uint8_t *Bytes, int32_t Count) {
    Instrument().CopyMemory(Address, Bytes, Count);
}
PELLUSB_EXPORT void sim_DamageCalibration(void) {
    Instrument().DamageCalibration();
}
PELLUSB_EXPORT void sim_SetImageMismatch(int32_t On) {
    Instrument().SetImageMismatch(On != 0);
}
PELLUSB_EXPORT int32_t sim_IsConfigured(void) {
    return Instrument().Configured() ? 1 : 0;
}
PELLUSB_EXPORT int32_t sim_ReadRegisterLog(int32_t *Cells, int32_t MaxEntries) {
    const auto &log = Instrument().Log();
    for (int32_t i = 0; Cells && i < MaxEntries && i < static_cast<int32_t>(log.size()); ++i) {
        Cells[3 * i] = log[i].Register;
        Cells[3 * i + 1] = log[i].Value;
        Cells[3 * i + 2] = log[i].Flushing ? 1 : 0;
    }
    return static_cast<int32_t>(log.size());
}
PELLUSB_EXPORT void sim_ClearRegisterLog(void) {
    Instrument().ClearLog();
}
PELLUSB_EXPORT int32_t sim_GetRegister(int32_t Register) {
    return Instrument().Register(Register);
}
PELLUSB_EXPORT void sim_SetManualTime(int32_t On) {
    Instrument().SetManualTime(On != 0);
}
PELLUSB_EXPORT void sim_AdvanceTime(double Nanoseconds) {
    Instrument().AdvanceTime(Nanoseconds);
}
PELLUSB_EXPORT void sim_SetSignal(int32_t Channel, int32_t Shape, double FrequencyHz, double AmplitudeV,
                                  double OffsetV) {
    Instrument().SetSignal(
        Channel, pellsim::TSignal{static_cast<pellsim::TShape>(Shape), FrequencyHz, AmplitudeV, OffsetV});
}
PELLUSB_EXPORT void sim_SetSeed(uint32_t Seed) {
    Instrument().SetSeed(Seed);
}
PELLUSB_EXPORT void sim_SetSampleCount(int32_t Count) {
    Instrument().SetReportedCount(Count);
}
PELLUSB_EXPORT double sim_TriggerTime(void) {
    return Instrument().LastCapture().TriggerTime();
}
PELLUSB_EXPORT double sim_SampleInterval(void) {
    return Instrument().LastCapture().SampleInterval();
}
PELLUSB_EXPORT double sim_SampleTime(int32_t Index) {
    return Instrument().LastCapture().SampleTime(Index, Instrument().Now());
}
PELLUSB_EXPORT double sim_InputLevel(int32_t Channel, double TimeNs) {
    return Instrument().InputLevelAt(Channel, TimeNs);
}
PELLUSB_EXPORT void sim_SetPhase(int32_t Phase) {
    Instrument().SetFixedPhase(static_cast<uint16_t>(Phase & 0xFFF));
}
