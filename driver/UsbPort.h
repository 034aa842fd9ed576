// The USB access library bound by name, and the register traffic through it with the link rule:
// after a write or read the caller's link byte is looked at, and a set byte ends the sequence.
#pragma once

#include "PellUsbFunctions.h"

#include <cstdint>
#include <string>

namespace pellex {

struct TUsbFunctions {
    TUSBInitDevice InitDevice = nullptr;
    TUSBFlushBuffer FlushBuffer = nullptr;
    TUSBConfigureFPGA ConfigureFPGA = nullptr;
    TUSBSingleRead SingleRead = nullptr;
    TUSBSingleWriteWithoutFlush SingleWriteWithoutFlush = nullptr;
    TUSBSingleWrite SingleWrite = nullptr;
    TUSBFIFORead FIFORead = nullptr;
    TUSBFIFOWrite FIFOWrite = nullptr;
    TUSBWriteToEEPROM WriteToEEPROM = nullptr;
    TUSBReadFromEEPROM ReadFromEEPROM = nullptr;
    TUSBGetDeviceID GetDeviceID = nullptr;
    TUSBSetCallBackFunction SetCallBackFunction = nullptr;
    TDeviceReady DeviceReady = nullptr;
    TGetDriverVersion GetDriverVersion = nullptr;
};

class TUsbPort {
public:
    enum class TBindResult { Ok, NoLibrary, MissingEntry };

    TUsbPort() = default;
    ~TUsbPort() { Free(); }
    TUsbPort(const TUsbPort &) = delete;
    TUsbPort &operator=(const TUsbPort &) = delete;

    // Loads the library by absolute path and binds all fourteen functions; a missing one frees it.
    TBindResult Load(const std::string &path);
    // Unregisters the link callback and frees the library.
    void Free();
    // Calls functions the caller owns instead of a loaded library (benchmarks of the read-out).
    void UseFunctions(const TUsbFunctions &functions) {
        Free();
        F = functions;
        Borrowed = true;
    }
    bool Bound() const { return Handle != nullptr || Borrowed; }
    const TUsbFunctions &Functions() const { return F; }

    // The caller's link byte; null points it at a byte of the port's own.
    void SetLinkByte(uint8_t *byte) { LinkByte = byte ? byte : &OwnLinkByte; }
    uint8_t *LinkByteAddress() const { return LinkByte; }
    bool LinkBroken() const { return *LinkByte != 0; }

    // A write that sends the queued ones first; false when the link byte is then set.
    bool Write(int32_t reg, int32_t value);
    void Queue(int32_t reg, int32_t value);
    // The low 16 bits of a register; ok false when the link byte is then set.
    uint16_t Read(int32_t reg, bool &ok);
    // One byte of instrument memory; ok false when the link byte is then set.
    uint8_t ReadMemory(int32_t address, bool &ok);
    // The FIFO's sample data; false when the link byte is then set.
    bool ReadFifo(void *buffer, int32_t byteCount);

private:
    void *Handle = nullptr;
    bool Borrowed = false;
    TUsbFunctions F;
    uint8_t OwnLinkByte = 0;
    uint8_t *LinkByte = &OwnLinkByte;
};

} // namespace pellex
