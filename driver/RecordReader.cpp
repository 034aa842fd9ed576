#include "RecordReader.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace pellex {

namespace {

uint8_t ChannelByte(uint16_t word, int channel) {
    return static_cast<uint8_t>(channel == 0 ? word : word >> 8);
}

uint16_t WithByte(uint16_t word, int channel, uint8_t value) {
    return channel == 0 ? static_cast<uint16_t>((word & 0xFF00) | value)
                        : static_cast<uint16_t>((word & 0x00FF) | (value << 8));
}

} // namespace

bool TRecordReader::Read(uint16_t *buffer, int32_t &count) {
    const int len = S.RecordLength;
    Capture.Finish();
    int32_t result =
        S.EquivalentTime ? std::min<int32_t>(S.AfterTrigger + S.HoldOffExtent, len) : S.SampleCount;
    bool read = false;
    if (S.State == TCaptureState::Complete || S.State == TCaptureState::Forced) {
        FifoBytes.resize(static_cast<size_t>(2 * len));
        if (!Port.ReadFifo(FifoBytes.data(), 2 * len)) {
            // Samples of a broken link are not a record.
            count = 0;
            S.State = TCaptureState::Idle;
            return false;
        }
        for (int i = 0; i < len; ++i)
            Temp[i] = static_cast<uint16_t>(FifoBytes[2 * i] | (FifoBytes[2 * i + 1] << 8));
        SubstituteGround(len);
        if (S.EquivalentTime) {
            MergeEquivalentTime(len);
            if (S.GapInterpolation)
                S.EtsRecord->FillGaps(buffer, len);
            else
                S.EtsRecord->CopyTo(buffer, len);
        } else {
            CopyRealTime(buffer, len);
        }
        read = true;
    } else {
        result = 0;
    }
    S.State = TCaptureState::Idle;
    if (S.TriggerMode == TTriggerMode::Auto && S.AutoStage != TAutoStage::Long)
        Capture.RestoreTriggerWords();
    Smooth(buffer, len, S.TimePerDivision);
    if (read)
        Average(buffer, len);
    count = result;
    return read;
}

void TRecordReader::SubstituteGround(int len) {
    for (int ch = 0; ch < 2; ++ch) {
        if (!S.Channels[ch].Ground)
            continue;
        const double p = S.Channels[ch].GroundPosition;
        const uint8_t level = p < 0 ? 0 : p > 255 ? 255 : static_cast<uint8_t>(std::nearbyint(p));
        for (int i = 0; i < len; ++i)
            Temp[i] = WithByte(Temp[i], ch, level);
    }
}

void TRecordReader::MergeEquivalentTime(int len) {
    TLinearPrediction &rec = *S.EtsRecord;
    const int32_t f = std::max<int32_t>(S.EtsFactor, 1);
    const int32_t minimum = S.Phases.Minimum();
    const int32_t width = S.Phases.Maximum() - minimum;
    int32_t shift = 0;
    if (width > 0)
        shift = static_cast<int32_t>(std::floor((S.LastPhase - minimum) * 0.9999 * f / width));
    shift = std::clamp<int32_t>(shift, 0, f - 1);
    const int32_t pm = std::min<int32_t>(S.AfterTrigger, len);
    const int32_t x = len - pm + shift;
    const int32_t k0 = x % f;
    const int32_t s0 = S.SampleCount - S.AfterTriggerScaled - x / f;
    // Pairs (k0 + j f, s0 + j) while both stay inside the record; source indices below 0 are skipped.
    const int32_t jFirst = s0 < 0 ? -s0 : 0;
    int32_t jEnd = 0;
    while (k0 + static_cast<int64_t>(jEnd) * f < len && s0 + jEnd < len)
        ++jEnd;
    const int32_t stop = s0 + jEnd; // source index at which the pairs stopped
    if (S.EtsCheck && stop > 0 && jFirst < jEnd) {
        for (int ch = 0; ch < 2; ++ch) {
            if (!rec.Marked(ch, k0))
                continue;
            int64_t sum = 0;
            for (int32_t j = jFirst; j < jEnd; ++j)
                sum += std::abs(ChannelByte(Temp[s0 + j], ch) - ChannelByte(rec.Word(k0 + j * f), ch));
            if (static_cast<double>(sum) / stop > S.EtsThreshold)
                rec.ClearChannel(ch, len);
        }
    }
    for (int32_t j = jFirst; j < jEnd; ++j)
        rec.Store(k0 + j * f, Temp[s0 + j]);
    const int32_t tail = std::min<int32_t>(f, len);
    for (int ch = 0; ch < 2; ++ch) {
        const int32_t pct = rec.MarkedCount(ch, len - tail, tail) * 100 / f;
        S.Channels[ch].FillClass = pct > 99 ? 3 : pct > 50 ? 2 : 1;
        if (ch == 1)
            S.EtsFill = pct;
    }
}

void TRecordReader::CopyRealTime(uint16_t *buffer, int len) const {
    if (S.AfterTrigger >= len || S.Forced) {
        std::copy(Temp.begin(), Temp.begin() + len, buffer);
        return;
    }
    const int32_t c = std::clamp<int32_t>(S.SampleCount, 0, len);
    std::copy(Temp.begin(), Temp.begin() + c, buffer + (len - c));
}

void TRecordReader::Smooth(uint16_t *buffer, int len, int32_t v) {
    int half;
    if (v == 2 || v == 5)
        half = 4;
    else if (v == 10)
        half = 2;
    else if (v == 20)
        half = 1;
    else
        return;
    if (len < 2 * half + 2)
        return;
    std::vector<uint16_t> in(buffer, buffer + len);
    // Window [lo, hi] of sample i: the full window inside, shorter ones towards both ends, and the
    // two outermost samples unchanged.
    auto window = [&](int i, int &lo, int &hi) {
        lo = i - half;
        hi = i + half;
        if (i < half) {
            lo = std::max(0, i - 1);
            hi = i == 1 ? 1 : i + 1;
        } else if (i > len - 1 - half) {
            const int fromEnd = len - 1 - i; // 0 .. half-1
            lo = fromEnd == 1 ? len - 2 : i - 1;
            hi = fromEnd == 1 ? len - 1 : i + 1;
        }
    };
    for (int i = 1; i < len - 1; ++i) {
        int lo, hi;
        window(i, lo, hi);
        int sa = 0, sb = 0;
        for (int k = lo; k <= hi; ++k) {
            sa += in[k] & 0xFF;
            sb += in[k] >> 8;
        }
        const int n = hi - lo + 1;
        buffer[i] = static_cast<uint16_t>((sa / n) | ((sb / n) << 8));
    }
}

void TRecordReader::Average(uint16_t *buffer, int len) {
    if (!S.Channels[0].Averaging && !S.Channels[1].Averaging)
        return;
    if (!S.AveragingStarted) {
        S.AveragingStarted = true;
        for (int i = 0; i < len; ++i) {
            Averages[0][i] = buffer[i] & 0xFF;
            Averages[1][i] = buffer[i] >> 8;
        }
        return;
    }
    for (int ch = 0; ch < 2; ++ch) {
        if (!S.Channels[ch].Averaging)
            continue;
        // A count of zero or below averages nothing away.
        const double n = std::max<int32_t>(S.Channels[ch].AveragingCount, 1);
        std::vector<double> &avg = Averages[ch];
        for (int i = 0; i < len; ++i) {
            avg[i] = ChannelByte(buffer[i], ch) / n + (n - 1) * avg[i] / n;
            buffer[i] = WithByte(buffer[i], ch, static_cast<uint8_t>(std::nearbyint(avg[i])));
        }
    }
}

} // namespace pellex
