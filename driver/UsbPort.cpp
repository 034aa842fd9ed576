#include "UsbPort.h"

#include <dlfcn.h>

namespace pellex {

namespace {

template <typename T> bool BindOne(void *handle, const char *name, T &slot) {
    slot = reinterpret_cast<T>(dlsym(handle, name));
    return slot != nullptr;
}

} // namespace

TUsbPort::TBindResult TUsbPort::Load(const std::string &path) {
    Free();
    void *handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle)
        return TBindResult::NoLibrary;
    TUsbFunctions f;
    // Every function the driver calls must be there: none is ever called through a null entry.
    bool all = true;
    all &= BindOne(handle, "USBInitDevice", f.InitDevice);
    all &= BindOne(handle, "USBFlushBuffer", f.FlushBuffer);
    all &= BindOne(handle, "USBConfigureFPGA", f.ConfigureFPGA);
    all &= BindOne(handle, "USBSingleRead", f.SingleRead);
    all &= BindOne(handle, "USBSingleWriteWithoutFlush", f.SingleWriteWithoutFlush);
    all &= BindOne(handle, "USBSingleWrite", f.SingleWrite);
    all &= BindOne(handle, "USBFIFORead", f.FIFORead);
    all &= BindOne(handle, "USBFIFOWrite", f.FIFOWrite);
    all &= BindOne(handle, "USBWriteToEEPROM", f.WriteToEEPROM);
    all &= BindOne(handle, "USBReadFromEEPROM", f.ReadFromEEPROM);
    all &= BindOne(handle, "USBGetDeviceID", f.GetDeviceID);
    all &= BindOne(handle, "USBSetCallBackFunction", f.SetCallBackFunction);
    all &= BindOne(handle, "DeviceReady", f.DeviceReady);
    all &= BindOne(handle, "GetDriverVersion", f.GetDriverVersion);
    if (!all) {
        dlclose(handle);
        return TBindResult::MissingEntry;
    }
    Handle = handle;
    F = f;
    return TBindResult::Ok;
}

void TUsbPort::Free() {
    if (Borrowed) {
        Borrowed = false;
        F = TUsbFunctions{};
        return;
    }
    if (!Handle)
        return;
    F.SetCallBackFunction(nullptr);
    dlclose(Handle);
    Handle = nullptr;
    F = TUsbFunctions{};
}

bool TUsbPort::Write(int32_t reg, int32_t value) {
    F.SingleWrite(reg, value & 0xFFFF);
    return !LinkBroken();
}

void TUsbPort::Queue(int32_t reg, int32_t value) {
    F.SingleWriteWithoutFlush(reg, value & 0xFFFF);
}

uint16_t TUsbPort::Read(int32_t reg, bool &ok) {
    const uint16_t value = static_cast<uint16_t>(F.SingleRead(reg));
    ok = !LinkBroken();
    return value;
}

uint8_t TUsbPort::ReadMemory(int32_t address, bool &ok) {
    const uint8_t value = static_cast<uint8_t>(F.ReadFromEEPROM(address));
    ok = !LinkBroken();
    return value;
}

bool TUsbPort::ReadFifo(void *buffer, int32_t byteCount) {
    F.FIFORead(7, buffer, byteCount);
    return !LinkBroken();
}

} // namespace pellex
