/* The function table of the Pellan family's USB access library (pellusb.so), as its users bind it by
   name. The driver's view of the library; the stand-in implements it. */
#ifndef PELL_USB_FUNCTIONS_H
#define PELL_USB_FUNCTIONS_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif
typedef void (*TLinkStateCallback)(uint8_t LinkUp);

typedef int32_t (*TUSBInitDevice)(void);
typedef int32_t (*TUSBFlushBuffer)(void);
typedef int32_t (*TUSBConfigureFPGA)(const uint8_t *Buffer, int32_t Size);
typedef int32_t (*TUSBSingleRead)(int32_t Register);
typedef void (*TUSBSingleWriteWithoutFlush)(int32_t Register, int32_t Value);
typedef void (*TUSBSingleWrite)(int32_t Register, int32_t Value);
typedef void (*TUSBFIFORead)(int32_t Channel, void *Buffer, int32_t ByteCount);
typedef int32_t (*TUSBFIFOWrite)(void);
typedef int32_t (*TUSBWriteToEEPROM)(void);
typedef int32_t (*TUSBReadFromEEPROM)(int32_t Address);
typedef int32_t (*TUSBGetDeviceID)(void);
typedef void (*TUSBSetCallBackFunction)(TLinkStateCallback Callback);
typedef int32_t (*TDeviceReady)(void);
typedef void (*TGetDriverVersion)(uint8_t *Buffer);

#ifdef __cplusplus
}
#endif

#endif /* PELL_USB_FUNCTIONS_H */
