/* Binary interface between the program and an analysis module. Usable from C and C++. */
#ifndef MODULETYPESTARN_H
#define MODULETYPESTARN_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The module's one export, bound by name. */
typedef uint8_t (*TAppRequest)(int32_t Code, int32_t Value, int32_t Reserved1, intptr_t Param1, intptr_t Param2,
                               int32_t Reserved2);

/* The host's callback, handed to the module when it is attached. */
typedef uint8_t (*THostCallback)(int32_t ModuleIndex, int32_t Code, int32_t Value, int32_t Reserved1,
                                 intptr_t Param1, intptr_t Param2, int32_t Reserved2);

#ifndef SCOPE_EXPORT
#define SCOPE_EXPORT __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
}
#endif

#endif
