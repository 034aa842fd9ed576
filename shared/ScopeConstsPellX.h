/* Binary interface between the program and a device driver library. Usable from C and C++. */
#ifndef SCOPECONSTSPELLX_H
#define SCOPECONSTSPELLX_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The three exports every driver library provides, bound by name. */
typedef int32_t (*TInitializeDevice)(void *Desc);
typedef uint8_t (*TDeviceFunction)(int32_t Code, int32_t Reserved1, int32_t Reserved2, void *Buffer,
                                   int32_t BufferSize, intptr_t Value, int32_t *ResultPtr);
typedef void (*TDeInitializeDevice)(void);

#define SCOPE_EXPORT __attribute__((visibility("default")))

#ifdef __cplusplus
}
#endif

#endif
