// Register numbers of the Pellan family's logic, the control words of its capture register and the bits of
// its trigger control and input registers.
#pragma once

#include <cstdint>

namespace pellex {

enum TRegister : int32_t {
    regCapture = 1,         // time-base word plus capture control; read: the status word
    regTriggerControl = 2,  // trigger sources and edges
    regPrimaryLength = 3,   // trigger words: primary pulse length
    regPrimaryCount = 4,    // primary event count
    regSecondaryLength = 5, // secondary pulse length
    regSecondaryCount = 6,  // secondary event count
    regHoldOff = 7,         // hold-off counter
    regGainA = 8,           // channel A gain DAC
    regOffsetA = 9,         // channel A offset DAC
    regTriggerLevelA = 10,  // channel A trigger level
    regGainB = 11,          // channel B gain DAC
    regOffsetB = 12,        // channel B offset DAC
    regTriggerLevelB = 13,  // channel B trigger level
    regAfterTrigger = 14,   // after-trigger counter preload; read: the sample count
    regInput = 15,          // input relays of both channels (A in the low half, B in the high half)
};

inline int32_t GainRegister(int ch) {
    return ch == 0 ? regGainA : regGainB;
}
inline int32_t OffsetRegister(int ch) {
    return ch == 0 ? regOffsetA : regOffsetB;
}

// Control words of the capture register; the time-base word is added where a step names it.
constexpr int32_t CaptureStop = 0x0000;
constexpr int32_t CaptureArmStep = 0x1000;   // + time-base word: prepares the capture
constexpr int32_t CaptureStart = 0xF000;     // + time-base word: starts filling
constexpr int32_t CaptureFinish = 0xE000;    // + time-base word: stops the capture for read-out
constexpr int32_t CaptureRewind = 0xA000;    // after the count is read
constexpr int32_t CaptureFifoReset = 0xE020; // then
constexpr int32_t CaptureFifoOpen = 0x6020;  // the FIFO hands out the record

// Bits of the trigger control word.
constexpr uint16_t TriggerControlStart = 0xC000;     // the word after initialisation
constexpr uint16_t TriggerSecondarySources = 0x01C0; // bits 6-8: the secondary trigger's sources
constexpr uint16_t TriggerSecondaryOn = 0x1000;      // the secondary trigger runs

// Bits of the input register: channel A's half in the low byte (and bit 15), channel B's in the high byte.
constexpr uint16_t InputRangeBitsA = 0x003D; // bits 0 and 2-5
constexpr uint16_t InputRangeBitsB = 0x3D00; // bits 8 and 10-13
constexpr uint16_t InputAcA = 0x0002;        // set: AC coupling
constexpr uint16_t InputAcB = 0x0200;
constexpr uint16_t InputBit15 = 0x8000;

// Added to the time-base word of the fast equivalent-time intervals.
constexpr uint16_t TimeBaseFastEquivalent = 0x0400;

// Neutral value of a trigger word (no condition) and the start-up words.
constexpr int32_t TriggerWordNeutral = 0x8000;
constexpr int32_t StartPrimaryCount = 0x7FF0;
constexpr int32_t StartHoldOff = 0x7FFF;

} // namespace pellex
