/* Binary interface between the program and a device driver library. Usable from C and C++. */
#ifndef SCOPECONSTSPELLX_H
#define SCOPECONSTSPELLX_H

#include <stddef.h>
#include <stdint.h>
#include <string.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The three exports every driver library provides, bound by name. */
typedef int32_t (*TInitializeDevice)(void *Desc);
typedef uint8_t (*TDeviceFunction)(int32_t Code, int32_t Reserved1, int32_t Reserved2, void *Buffer,
                                   int32_t BufferSize, intptr_t Value, int32_t *ResultPtr);
typedef void (*TDeInitializeDevice)(void);

#ifndef SCOPE_EXPORT
#define SCOPE_EXPORT __attribute__((visibility("default")))
#endif

/* Device function codes (the Code argument of DeviceFunction; only its low byte counts). */
enum TDeviceFunctionCode {
    dfSetTimeBase = 1,
    dfSetPrimarySourceA = 2,
    dfSetPrimarySourceB = 3,
    dfSetPrimarySourceExt = 4,
    dfSetPrimaryLeadingA = 5,
    dfSetPrimaryLeadingB = 6,
    dfSetPrimaryLeadingExt = 7,
    dfSetSecondarySourceA = 8,
    dfSetSecondarySourceB = 9,
    dfSetSecondarySourceExt = 10,
    dfSetSecondaryLeadingA = 11,
    dfSetSecondaryLeadingB = 12,
    dfSetSecondaryLeadingExt = 13,
    dfSecondaryTriggerOn = 14,
    dfSecondaryTriggerOff = 15,
    dfSetCompensationGenerator = 16,
    dfSetControlBit14 = 17,
    dfSetControlBit15 = 18,
    dfSetPrimaryLength = 19,
    dfSetPrimaryCount = 20,
    dfSetSecondaryLength = 21,
    dfSetSecondaryCount = 22,
    dfSetHoldOff = 23,
    dfSetGainA = 24,
    dfSetShiftA = 25,
    dfSetTriggerLevelA = 26,
    dfSetGainB = 27,
    dfSetShiftB = 28,
    dfSetTriggerLevelB = 29,
    dfSetAfterTrigger = 30,
    dfSetRangeA = 31,
    dfSetRangeB = 32,
    dfSetDCA = 33,
    dfSetDCB = 34,
    dfSetGroundA = 35,
    dfSetGroundB = 36,
    dfSetInputBit15 = 37,
    dfReadRecord = 38,
    dfPollStatus = 39,
    dfReserved40 = 40,
    dfArm = 41,
    dfFinish = 42,
    dfReserved43 = 43,
    dfReserved44 = 44,
    dfSetGapInterpolation = 45,
    dfReserved46 = 46,
    dfSetTriggerModeNone = 47,
    dfSetTriggerModeNormal = 48,
    dfSetTriggerModeAuto = 49,
    dfGetEtsPhase = 50,
    dfGetEtsFill = 51,
    dfGetDeviceType = 52,
    dfGetPhaseMax = 55,
    dfGetPhaseMin = 56,
    dfSetFilterA = 57,
    dfSetFilterB = 58,
    dfSetProbeModeA = 59,
    dfSetProbeModeB = 60,
    dfSetEtsCheck = 62,
    dfGetReadyStatus = 63,
    dfSetLinkFlag = 64,
    dfGetLibraryVersion = 65,
    dfGetDriverVersion = 66,
    dfGetRecordLength = 67,
    dfSetWCDSensitivity = 68,
    dfGetSerialNumber = 69,
    dfResetEts = 74,
    dfSetRangeCenteredA = 75,
    dfWriteTimeBase = 76,
    dfSetMemorySize = 77,
    dfPositionToShiftA = 78,
    dfPositionToShiftB = 79,
    dfGetProgressA = 80,
    dfGetProgressB = 81,
    dfSetRangeCenteredB = 84,
    dfEnumerateDevices = 100,
    dfOpenByIndex = 101
};

/* Results of InitializeDevice. */
enum TInitializeResult {
    irOk = 0,
    irNoUsbLibrary = 1,
    irNoUsbEntry = 2,
    irDeviceNotFound = 3,
    irFpgaFailed = 4,
    irCalibrationInvalid = 5,
    irUnknownDeviceType = 7
};

/* The Result of dfPollStatus: status byte + 256 x fill class of A + 65536 x fill class of B. */
enum TPollStatusByte { psComplete = 1, psTriggered = 2, psArmed = 3 };
enum TFillClass { fcBelowHalf = 1, fcPartly = 2, fcFull = 3 };

/* The Pellan device description record that InitializeDevice fills: byte offsets, little-endian. */
enum TDeviceDescriptionLayout {
    ddSize = 905,
    ddCountTableCount = 0,  /* u32 */
    ddCountTableValues = 4, /* ddCountTableSlots x u32 */
    ddCountTableSlots = 16,
    ddTimeBaseCount = 68, /* u32, rows of ddTimeBases in use */
    ddEtsRowCount = 72,   /* u32, equivalent-time rows at the start of ddTimeBases */
    ddTimeBases = 76,     /* ddTimeBaseSlots rows of ddTimeBaseRowSize bytes, fastest first */
    ddTimeBaseSlots = 31,
    ddTimeBaseRowSize = 19,
    ddRangeCount = 665, /* u32, rows of ddRanges in use */
    ddRanges = 669,     /* ddRangeSlots rows of ddRangeRowSize bytes, ascending key */
    ddRangeSlots = 11,
    ddRangeRowSize = 20,
    ddScreenPoints = 889,      /* u32 */
    ddPointsPerDivision = 893, /* u32 */
    ddRecordLength = 897,      /* u32, samples per record */
    ddDeviceType = 901         /* u32, model type 0..5 */
};

/* Fields of a time-base row, relative to the row's start. */
enum TTimeBaseRowLayout {
    tbTimePerDivision = 0, /* f64, ns; the Value of dfSetTimeBase */
    tbSampleInterval = 8,  /* f64, ns between stored samples */
    tbEquivalentTime = 16, /* u8, 1 for an equivalent-time base */
    tbControlWord = 17     /* u16 */
};

/* Fields of a range row, relative to the row's start (all u16 except the u32 key). */
enum TRangeRowLayout {
    rrRangeKey = 0, /* u32, mV per division; the Value of dfSetRangeA/B */
    rrRangeBitsA = 4,
    rrGainA1 = 6,
    rrGainA2 = 8,
    rrDefaultGainA = 10,
    rrRangeBitsB = 12,
    rrGainB1 = 14,
    rrGainB2 = 16,
    rrDefaultGainB = 18
};

/* Description blocks of the Tarnel and Vaskel families: only the fields the program reads. */
enum TOtherFamilyDescriptionLayout {
    tdTarnelSize = 1056,
    tdVaskelSize = 1304,
    tdRangeCount = 0, /* u32 */
    tdRanges = 4,     /* tdRangeSlots x i32, mV per division */
    tdRangeSlots = 13,
    tdTimeBaseCount = 56, /* u32 */
    tdTimeBases = 64,     /* tdTimeBaseSlots rows */
    tdTimeBaseSlots = 31,
    tdTarnelRowSize = 32,
    tdVaskelRowSize = 40,
    tdRowDeviceCode = 0,     /* i32 */
    tdRowRealRate = 8,       /* f64 */
    tdRowEffectiveRate = 16, /* f64 */
    tdRowEtsFactor = 24      /* f64 */
};

/* Offsets of time-base and range rows of the Pellan record. */
static inline size_t PellTimeBaseRow(int index) {
    return (size_t)ddTimeBases + (size_t)index * ddTimeBaseRowSize;
}
static inline size_t PellRangeRow(int index) {
    return (size_t)ddRanges + (size_t)index * ddRangeRowSize;
}

/* Little-endian field access of boundary records. */
static inline uint8_t LeGetU8(const uint8_t *record, size_t offset) {
    return record[offset];
}
static inline uint16_t LeGetU16(const uint8_t *record, size_t offset) {
    return (uint16_t)(record[offset] | (record[offset + 1] << 8));
}
static inline uint32_t LeGetU32(const uint8_t *record, size_t offset) {
    return (uint32_t)record[offset] | ((uint32_t)record[offset + 1] << 8) |
           ((uint32_t)record[offset + 2] << 16) | ((uint32_t)record[offset + 3] << 24);
}
static inline int32_t LeGetI32(const uint8_t *record, size_t offset) {
    return (int32_t)LeGetU32(record, offset);
}
static inline uint64_t LeGetU64(const uint8_t *record, size_t offset) {
    return (uint64_t)LeGetU32(record, offset) | ((uint64_t)LeGetU32(record, offset + 4) << 32);
}
static inline double LeGetF64(const uint8_t *record, size_t offset) {
    uint64_t bits = LeGetU64(record, offset);
    double value;
    memcpy(&value, &bits, sizeof value);
    return value;
}
static inline void LePutU8(uint8_t *record, size_t offset, uint8_t value) {
    record[offset] = value;
}
static inline void LePutU16(uint8_t *record, size_t offset, uint16_t value) {
    record[offset] = (uint8_t)value;
    record[offset + 1] = (uint8_t)(value >> 8);
}
static inline void LePutU32(uint8_t *record, size_t offset, uint32_t value) {
    LePutU16(record, offset, (uint16_t)value);
    LePutU16(record, offset + 2, (uint16_t)(value >> 16));
}
static inline void LePutF64(uint8_t *record, size_t offset, double value) {
    uint64_t bits;
    memcpy(&bits, &value, sizeof bits);
    LePutU32(record, offset, (uint32_t)bits);
    LePutU32(record, offset + 4, (uint32_t)(bits >> 32));
}

#ifdef __cplusplus
}
#endif

#endif
