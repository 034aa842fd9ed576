// The state of the one device a loaded driver library serves.
#pragma once

#include "Calibration.h"
#include "LinearPrediction.h"
#include "PhaseStatistics.h"
#include "Registers.h"

#include <array>
#include <cstdint>
#include <memory>

namespace pellex {

enum class TCaptureState : uint8_t { Idle = 0, Triggered = 1, Complete = 2, Forced = 3, Armed = 4 };
enum class TTriggerMode : uint8_t { Auto = 1, Normal = 2, None = 4 };
enum class TAutoStage : uint8_t { Forcing = 1, Short = 3, Long = 4 };

struct TChannelState {
    int32_t RangeKey = 0;
    uint16_t InputHalf = 0;
    uint16_t Gain = 0;
    uint8_t Probe = 0;
    int32_t OffsetDac = 0;
    double GroundPosition = 0;
    bool Ground = false;
    bool Averaging = false;
    int32_t AveragingCount = 1;
    uint8_t FillClass = 1;
};

struct TDriverState {
    int DeviceType = 0;
    int32_t RecordLength = 0;
    int32_t PointsPerDivision = 50;
    TCalibration Calibration = TCalibration::Defaults();

    // Time base.
    uint16_t TimeBaseWord = 0;
    int32_t TimePerDivision = 0;
    bool EquivalentTime = false;
    int32_t EtsFactor = 1;
    bool FastEts = false;

    std::array<TChannelState, 2> Channels{};
    uint16_t TriggerControl = TriggerControlStart;

    // Stored trigger words of registers 3 (primary length), 4 (primary count), 5 and 6.
    uint16_t PrimaryLength = 0x8000, PrimaryCount = 0x7FF0, SecondaryLength = 0x8000, SecondaryCount = 0x8000;
    uint16_t AfterTrigger = 0;      // P
    int32_t AfterTriggerScaled = 0; // P' = Ceil(P / f)
    uint16_t Preload = 0xFFFF;
    uint16_t HoldOffExtent = 0; // H, samples

    // Capture.
    TCaptureState State = TCaptureState::Idle;
    uint8_t Status = 3;
    TTriggerMode TriggerMode = TTriggerMode::Normal;
    TAutoStage AutoStage = TAutoStage::Long;
    uint16_t StatusWord = 0;
    int32_t SampleCount = 0;
    bool Forced = false;
    uint32_t AutoStart = 0;
    uint16_t LastPhase = 0;
    TPhaseStatistics Phases;

    // Read-out.
    bool EtsCheck = true;
    int32_t EtsThreshold = 12;
    bool AveragingStarted = false;
    bool GapInterpolation = false;
    int32_t EtsFill = 0;
    std::unique_ptr<TLinearPrediction> EtsRecord;
};

} // namespace pellex
