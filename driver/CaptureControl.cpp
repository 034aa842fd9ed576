#include "CaptureControl.h"

#include "Lfsr.h"
#include "Registers.h"

#include <algorithm>

namespace pellex {

namespace {

constexpr uint16_t StatusFilling = 0x8000;
constexpr uint16_t StatusTriggered = 0x4000;
constexpr uint16_t StatusUntriggered = 0x1000;

} // namespace

void TCaptureControl::Arm() {
    Port.Queue(regCapture, CaptureStop);
    S.State = TCaptureState::Idle;
    Port.Queue(regCapture, S.TimeBaseWord + CaptureArmStep);
    Port.Write(regCapture, S.TimeBaseWord + CaptureStart);
}

void TCaptureControl::Stop() {
    if (Port.Write(regCapture, CaptureStop))
        S.State = TCaptureState::Idle;
}

void TCaptureControl::Finish() {
    S.Forced = false;
    if (S.StatusWord & StatusUntriggered) {
        S.State = TCaptureState::Forced;
        S.Forced = true;
    }
    if (S.EquivalentTime) {
        int32_t phase;
        if (S.TriggerMode == TTriggerMode::Auto && S.AutoStage == TAutoStage::Forcing) {
            const int32_t span = S.Phases.Maximum() - S.Phases.Minimum();
            phase = span > 0 ? S.Phases.Minimum() + Random.Next(span) : 0;
        } else {
            phase = S.StatusWord & 0xFFF;
        }
        S.LastPhase = static_cast<uint16_t>(phase);
        if (S.Phases.Add(phase))
            S.State = TCaptureState::Idle;
    }
    const uint16_t word = S.TimeBaseWord;
    if (S.State == TCaptureState::Forced) {
        Port.Queue(regCapture, word + CaptureFinish);
        Port.Queue(regCapture, CaptureFifoReset);
        if (Port.Write(regCapture, CaptureFifoOpen))
            S.SampleCount = S.RecordLength;
    } else if (S.State == TCaptureState::Complete) {
        if (!Port.Write(regCapture, word + CaptureFinish))
            return;
        bool ok = false;
        const uint16_t count = Port.Read(regAfterTrigger, ok);
        if (!ok)
            return;
        // The count indexes the record: never beyond it.
        S.SampleCount = std::min<int32_t>(count, S.RecordLength);
        Port.Queue(regCapture, CaptureRewind);
        Port.Queue(regCapture, CaptureFifoReset);
        Port.Write(regCapture, CaptureFifoOpen);
    }
}

bool TCaptureControl::PollSteps() {
    bool ok = false;
    const uint16_t status = Port.Read(regCapture, ok);
    if (!ok)
        return false;
    S.StatusWord = status;
    if (S.State == TCaptureState::Armed && (status & StatusTriggered)) {
        S.State = TCaptureState::Triggered;
        S.Status = 2;
    } else if (S.State == TCaptureState::Triggered && !(status & StatusFilling)) {
        S.State = TCaptureState::Complete;
        S.Status = 1;
    }
    return true;
}

bool TCaptureControl::ArmAndWait() {
    Arm();
    if (Port.LinkBroken())
        return false;
    // The auto time-out counts from here, whoever armed.
    S.AutoStart = Ticks.TickCount();
    S.State = TCaptureState::Armed;
    S.Status = 3;
    return true;
}

bool TCaptureControl::Poll() {
    if (S.TriggerMode == TTriggerMode::Auto)
        return PollAuto();
    if (S.State == TCaptureState::Idle && !ArmAndWait())
        return false;
    if (!PollSteps())
        return false;
    return S.State == TCaptureState::Complete;
}

bool TCaptureControl::PollAuto() {
    if (S.State == TCaptureState::Idle && !ArmAndWait())
        return false;
    if (!PollSteps())
        return false;
    const bool complete = S.State == TCaptureState::Complete;
    const int64_t elapsed =
        static_cast<int64_t>(static_cast<uint32_t>(Ticks.TickCount() - S.AutoStart)) * 1000000;
    const double e = static_cast<double>(elapsed);
    const double v = S.TimePerDivision;
    const double record = static_cast<double>(S.RecordLength) / S.PointsPerDivision * v;
    const double after = static_cast<double>(S.AfterTrigger) * v / S.PointsPerDivision;
    const double shortLimit = std::max({2000000.0, record, after});
    if (S.AutoStage == TAutoStage::Short) {
        if (S.State == TCaptureState::Armed && e > shortLimit)
            Force();
        else if ((S.State == TCaptureState::Triggered || complete) && e < shortLimit)
            S.AutoStage = TAutoStage::Long;
    } else if (S.State == TCaptureState::Armed) {
        const double m = std::max(record, after);
        const bool fires =
            m > 2000000000.0 ? e > m : e > std::min(std::max(10 * record, 10 * after), 2000000000.0);
        if (fires) {
            bool ok = false;
            const uint16_t status = Port.Read(regCapture, ok);
            if (!ok)
                return complete;
            S.StatusWord = status;
            if (status & StatusTriggered) {
                S.State = TCaptureState::Triggered;
                S.Status = 2;
            } else {
                Force();
            }
        }
    }
    return complete;
}

void TCaptureControl::Force() {
    S.State = TCaptureState::Idle;
    S.AutoStage = TAutoStage::Forcing;
    Port.Queue(regPrimaryCount, TriggerWordNeutral);
    Port.Queue(regSecondaryCount, TriggerWordNeutral);
    Port.Queue(regPrimaryLength, TriggerWordNeutral);
    Port.Queue(regSecondaryLength, TriggerWordNeutral);
    Port.Write(regAfterTrigger, LfsrCount(S.RecordLength));
}

bool TCaptureControl::WriteTriggerWords(bool neutral, bool withPreload) {
    const uint16_t n = TriggerWordNeutral;
    Port.Queue(regPrimaryCount, neutral ? n : S.PrimaryCount);
    Port.Queue(regSecondaryCount, neutral ? n : S.SecondaryCount);
    Port.Queue(regPrimaryLength, neutral ? n : S.PrimaryLength);
    if (!withPreload)
        return Port.Write(regSecondaryLength, neutral ? n : S.SecondaryLength);
    Port.Queue(regSecondaryLength, neutral ? n : S.SecondaryLength);
    return Port.Write(regAfterTrigger, S.Preload);
}

void TCaptureControl::RestoreTriggerWords() {
    S.AutoStage = TAutoStage::Short;
    WriteTriggerWords(false, true);
}

} // namespace pellex
