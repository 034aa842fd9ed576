/* Binary interface between the program and an analysis module. Usable from C and C++.

   The host calls the module's one export AppRequest with a request code (mr...); the module calls back
   through the THostCallback it was given with mrAttach, with its module index in front (hc...). Param1 and
   Param2 carry addresses of answer cells or zero-terminated 8-bit texts, owned by the caller and valid
   during the call only. Cells and records are read and written with the little-endian helpers below, never
   by casting. */
#ifndef MODULETYPESTARN_H
#define MODULETYPESTARN_H

#include <stdint.h>
#include <string.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The module's one export, bound by name. */
typedef uint8_t (*TAppRequest)(int32_t Code, int32_t Value, int32_t Reserved1, intptr_t Param1,
                               intptr_t Param2, int32_t Reserved2);

/* The host's callback, handed to the module when it is attached. */
typedef uint8_t (*THostCallback)(int32_t ModuleIndex, int32_t Code, int32_t Value, int32_t Reserved1,
                                 intptr_t Param1, intptr_t Param2, int32_t Reserved2);

#ifndef SCOPE_EXPORT
#define SCOPE_EXPORT __attribute__((visibility("default")))
#endif

/* The name under which the host binds the module's export. */
#define MODULE_ENTRY_NAME "AppRequest"

/* The host's text buffer for mrProbeShortName, mrProbeLongName and mrGetVendorTag, terminating zero included.
 */
#define MODULE_TEXT_BUFFER_SIZE 1024

/* Requests, host to module. The host ignores the result; a module answers true. */
enum TModuleRequest {
    mrGetInfo1 = 1,            /* never sent; Param1 = integer cell */
    mrProbeShortName = 2,      /* Param1 = text buffer (1024 bytes), Param2 = integer cell (length) */
    mrProbeLongName = 3,       /* as mrProbeShortName */
    mrGetVendorTag = 4,        /* never sent; as mrProbeShortName, a three-letter tag */
    mrShowResults = 5,         /* GUI thread; function module: Param1 = its zeroed TVerticalParams row */
    mrGetInfo6 = 6,            /* never sent; Param1 = integer cell */
    mrProbeSortKey = 7,        /* Param1 = integer cell; ascending */
    mrProbeKind = 8,           /* Param1 = integer cell; a TModuleKind */
    mrAttach = 11,             /* Value = module index, Param1 = THostCallback */
    mrCreate = 12,             /* no arguments */
    mrStart = 13,              /* Param1 = integer cell preset to 1; 0 refuses */
    mrStop = 14,               /* no arguments */
    mrDestroy = 15,            /* no arguments; the library is freed afterwards */
    mrProcessAcquisition = 17, /* acquisition thread; no arguments */
    mrProbeStage = 18          /* Param1 = integer cell preset to 0; a TModuleStage */
};

/* Callbacks, module to host. Unless noted the result is true; a code not listed answers false and does
   nothing. Cells: integer = int32, Boolean = one byte, floating = double, address = intptr_t. */
enum THostCallbackCode {
    hcGetOwnChannelId = 1,    /* Param1 = integer cell: 300 for slot 0 (C), 400 for slot 1 (D), else 300 */
    hcNop = 2,                /* nothing */
    hcSwitchOff = 3,          /* the module is switched off */
    hcWriteInt = 4,           /* Param1 = key, Param2 = integer cell */
    hcWriteBool = 5,          /* Param1 = key, Param2 = Boolean cell */
    hcWriteString = 6,        /* Param1 = key, Param2 = text */
    hcReadInt = 8,            /* Param1 = key, Param2 = integer cell; result = found */
    hcReadBool = 9,           /* Param1 = key, Param2 = Boolean cell; result = found */
    hcReadString = 10,        /* Param1 = key, Param2 = text buffer sized by hcReadStringLength, or of Value
                                 bytes when Value > 0; never written beyond that size */
    hcReadStringLength = 11,  /* Param1 = key, Param2 = integer cell: length + 1 (1 when not found) */
    hcGetChannelData = 12,    /* Value = channel identifier, Param1 = address cell */
    hcGetOwnChannelData = 13, /* Param1 = address cell; function modules only */
    hcGetDataA = 14,          /* Param1 = address cell */
    hcGetDataB = 15,          /* Param1 = address cell */
    hcGetMidLevel = 16,       /* Param1 = integer cell: 127 */
    hcGetGroundA = 18,        /* Param1 = integer cell: ground position in levels, rounded */
    hcGetGroundB = 19,        /* Param1 = integer cell */
    hcMoveCursorsInward = 20, /* no arguments */
    hcGetMidLevelAlt = 21,    /* Param1 = integer cell: 127 */
    hcGetRangeA = 22,         /* Param1 = integer cell: millivolts per division, rounded */
    hcGetRangeB = 23,         /* Param1 = integer cell */
    hcGetMemorySize = 24,     /* Param1 = integer cell: record length in samples */
    hcGetFirstSample = 25,    /* Param1 = integer cell: First of channel A */
    hcGetScreenStart = 26,    /* Param1 = integer cell */
    hcGetScreenEnd = 27,      /* Param1 = integer cell */
    hcReadFloat = 28,         /* Param1 = key, Param2 = floating cell; result = found */
    hcWriteFloat = 29,        /* Param1 = key, Param2 = floating cell */
    hcGetDataC = 31,          /* Param1 = address cell */
    hcGetDataD = 32,          /* Param1 = address cell */
    hcGetSampleRateAlt = 33,  /* Param2 = floating cell: as hcGetSampleRate */
    hcGetProbeRangeA = 34,    /* Param2 = integer cell: millivolts per division times the probe factor */
    hcGetProbeRangeB = 35,    /* Param2 = integer cell */
    hcGetCursors = 36,        /* Param2 = TModuleCursors record */
    hcGetSamplesPerDivision = 38, /* Param2 = integer cell */
    hcGetColorA = 39,             /* Param1 = integer cell: colour 0x00BBGGRR */
    hcGetColorB = 40,             /* Param1 = integer cell */
    hcGetColorC = 41,             /* Param1 = integer cell */
    hcGetColorD = 42,             /* Param1 = integer cell */
    hcGetOwnerHandle = 43,        /* Param1 = integer cell */
    hcGetOwnerObject = 44,        /* Param1 = address cell */
    hcGetDisplayRatio = 45,       /* Param2 = floating cell: samples per screen point */
    hcGetDisplayMode = 46,        /* Param1 = integer cell: display mode + 1 */
    hcFindModule = 47,     /* Param1 = short name, Param2 = address cell (TAppRequest); result = found */
    hcHasDataC = 48,       /* Param1 = Boolean cell */
    hcHasDataD = 49,       /* Param1 = Boolean cell */
    hcGetSampleRate = 50,  /* Param2 = floating cell: samples per millisecond */
    hcGetChannelScale = 51 /* Value = channel index (0 A, 1 B), Param1 = TModuleChannelScale record */
};

/* Highest callback code with a meaning; every code above it answers false. */
#define HOST_CALLBACK_LAST_CODE 51

/* Channel identifiers of hcGetChannelData and hcGetOwnChannelId; any other value means A. */
enum TModuleChannelId { mciChannelB = 200, mciChannelC = 300, mciChannelD = 400 };

/* Channel index 0 (A) .. 3 (D) of a channel identifier. */
static inline int32_t ModuleChannelIndex(int32_t ChannelId) {
    switch (ChannelId) {
    case mciChannelB:
        return 1;
    case mciChannelC:
        return 2;
    case mciChannelD:
        return 3;
    default:
        return 0;
    }
}

/* Answers of mrProbeKind. */
enum TModuleKind { mkFunction = 1, mkWindow = 2 };

/* Answers of mrProbeStage: modules are served stage by stage in this order. Any other answer is never
   served mrProcessAcquisition or mrShowResults. */
enum TModuleStage { msFirst = -1, msNormal = 0, msLast = 1 };

/* Little-endian access to cells and records. */
static inline void ModuleWriteUInt32(uint8_t *p, uint32_t v) {
    p[0] = (uint8_t)v;
    p[1] = (uint8_t)(v >> 8);
    p[2] = (uint8_t)(v >> 16);
    p[3] = (uint8_t)(v >> 24);
}

static inline uint32_t ModuleReadUInt32(const uint8_t *p) {
    return (uint32_t)p[0] | ((uint32_t)p[1] << 8) | ((uint32_t)p[2] << 16) | ((uint32_t)p[3] << 24);
}

static inline void ModuleWriteInt32(uint8_t *p, int32_t v) {
    ModuleWriteUInt32(p, (uint32_t)v);
}

static inline int32_t ModuleReadInt32(const uint8_t *p) {
    return (int32_t)ModuleReadUInt32(p);
}

static inline void ModuleWriteUInt64(uint8_t *p, uint64_t v) {
    ModuleWriteUInt32(p, (uint32_t)v);
    ModuleWriteUInt32(p + 4, (uint32_t)(v >> 32));
}

static inline uint64_t ModuleReadUInt64(const uint8_t *p) {
    return (uint64_t)ModuleReadUInt32(p) | ((uint64_t)ModuleReadUInt32(p + 4) << 32);
}

static inline void ModuleWriteDouble(uint8_t *p, double v) {
    uint64_t bits;
    memcpy(&bits, &v, sizeof bits);
    ModuleWriteUInt64(p, bits);
}

static inline double ModuleReadDouble(const uint8_t *p) {
    uint64_t bits = ModuleReadUInt64(p);
    double v;
    memcpy(&v, &bits, sizeof v);
    return v;
}

static inline void ModuleWriteBool(uint8_t *p, uint8_t v) {
    p[0] = v ? 1 : 0;
}

static inline uint8_t ModuleReadBool(const uint8_t *p) {
    return p[0] != 0;
}

/* An address cell is pointer-sized. */
static inline void ModuleWriteAddress(uint8_t *p, intptr_t v) {
    if (sizeof(intptr_t) == 8)
        ModuleWriteUInt64(p, (uint64_t)v);
    else
        ModuleWriteUInt32(p, (uint32_t)v);
}

static inline intptr_t ModuleReadAddress(const uint8_t *p) {
    if (sizeof(intptr_t) == 8)
        return (intptr_t)ModuleReadUInt64(p);
    return (intptr_t)ModuleReadUInt32(p);
}

/* One 16-byte row of TVerticalParams per virtual channel, filled by a function module at mrShowResults:
   volts per level, then the ground position in levels. */
#define VERTICAL_PARAMS_ROW_SIZE 16
#define VERTICAL_PARAMS_VOLTS_PER_LEVEL_OFFSET 0
#define VERTICAL_PARAMS_GROUND_LEVEL_OFFSET 8

static inline void VerticalParamsWrite(uint8_t *row, double VoltsPerLevel, double GroundLevel) {
    ModuleWriteDouble(row + VERTICAL_PARAMS_VOLTS_PER_LEVEL_OFFSET, VoltsPerLevel);
    ModuleWriteDouble(row + VERTICAL_PARAMS_GROUND_LEVEL_OFFSET, GroundLevel);
}

static inline double VerticalParamsVoltsPerLevel(const uint8_t *row) {
    return ModuleReadDouble(row + VERTICAL_PARAMS_VOLTS_PER_LEVEL_OFFSET);
}

static inline double VerticalParamsGroundLevel(const uint8_t *row) {
    return ModuleReadDouble(row + VERTICAL_PARAMS_GROUND_LEVEL_OFFSET);
}

/* hcGetCursors: five 32-bit integers. */
#define MODULE_CURSORS_SIZE 20
#define MODULE_CURSORS_VER0_OFFSET 0  /* first vertical cursor, sample index */
#define MODULE_CURSORS_VER1_OFFSET 4  /* second vertical cursor, sample index */
#define MODULE_CURSORS_HOR0_OFFSET 8  /* first horizontal cursor, level */
#define MODULE_CURSORS_HOR1_OFFSET 12 /* second horizontal cursor, level */
#define MODULE_CURSORS_MID_OFFSET 16  /* 127 */

/* hcGetChannelScale: two doubles. */
#define MODULE_CHANNEL_SCALE_SIZE 16
#define MODULE_CHANNEL_SCALE_VOLTS_PER_LEVEL_OFFSET 0
#define MODULE_CHANNEL_SCALE_GROUND_LEVEL_OFFSET 8

/* The export of a module library. */
SCOPE_EXPORT uint8_t AppRequest(int32_t Code, int32_t Value, int32_t Reserved1, intptr_t Param1,
                                intptr_t Param2, int32_t Reserved2);

#ifdef __cplusplus
}
#endif

#endif
