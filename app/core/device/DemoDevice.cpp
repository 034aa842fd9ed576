#include "device/DemoDevice.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

namespace scope {

namespace {

constexpr double TwoPi = 2 * std::numbers::pi;
// Sine-table steps per second of signal: 16384 steps per 100 us period.
constexpr double TableStepsPerSecond = TDAO_DEMO::SineSteps * TDAO_DEMO::SignalFrequency;

constexpr double SampleRates[] = {500, 1000, 2500,  5000, 10000, 25000, 50000, 1e5, 2.5e5, 5e5, 1e6, 2.5e6,
                                  5e6, 1e7,  2.5e7, 5e7,  1e8,   2.5e8, 5e8,   1e9, 2.5e9, 5e9, 1e10};
constexpr int32_t TimeBaseCount = sizeof SampleRates / sizeof SampleRates[0];
// The converter samples at most this fast; faster bases are equivalent time.
constexpr double MaxRealRate = 1e8;
constexpr int32_t FirstEquivalentTimeRow = 16;
constexpr double VoltsPerDiv[] = {0.01, 0.02, 0.05, 0.1, 0.2, 0.5, 1, 2, 5};
constexpr int32_t RangeCount = sizeof VoltsPerDiv / sizeof VoltsPerDiv[0];
constexpr int32_t MemorySizeCount = 11;

// Levels per unit of the sine table at a range: the signal's amplitude is 3.5 divisions at 1 V/div.
double GainOfRange(int32_t row) {
    return 112 / VoltsPerDiv[row];
}

double OffsetOfShift(int32_t shift) {
    return 128 + 350.0 * (shift - 2048) / 2048;
}

// Nearest integer, halves to even, under the default rounding mode. Valid for |x| < 2^51; cheaper than
// nearbyint in the sample loop.
inline double RoundEven(double x) {
    constexpr double Magic = 6755399441055744.0; // 1.5 * 2^52
    return (x + Magic) - Magic;
}

inline uint8_t ToLevel(double x) {
    return static_cast<uint8_t>(std::clamp(RoundEven(x), 0.0, 255.0));
}

// x reduced into [0, m) by a true modulo.
inline double Modulo(double x, double m) {
    double r = std::fmod(x, m);
    if (r < 0)
        r += m;
    return r >= m ? 0 : r;
}

// Noise values 0..9 from the low 16 bits (multiply-shift; the counts differ by one in 6554).
inline uint32_t NoiseDigit(uint64_t bits) {
    return static_cast<uint32_t>(((bits & 0xFFFF) * 10) >> 16);
}

// xorshift64*: four noise values per step; a zero state stays zero.
inline uint64_t NextNoise(uint64_t &state) {
    state ^= state >> 12;
    state ^= state << 25;
    state ^= state >> 27;
    return state * 0x2545F4914F6CDD1Dull;
}

// Spreads the bits of a seed; only zero maps to zero.
inline uint64_t MixSeed(uint64_t x) {
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    x ^= x >> 31;
    return x != 0 ? x : 1;
}

struct TGeneration {
    const double *Sine;
    uint8_t *RingA, *RingB;
    const uint8_t *LevelsA, *LevelsB; // rows of 10 noise values per sine step
    double GainA, GainB, OffsetA, OffsetB;
    double Step, Phase; // table steps per sample, table position
    uint64_t Noise;
};

constexpr int32_t Mask = TDAO_DEMO::RingSize - 1;
constexpr int32_t Steps = TDAO_DEMO::SineSteps;

// One sample of both channels at the current table position; then the position moves on.
template <bool Tables> inline void PutSample(TGeneration &g, int32_t w, uint64_t digits) {
    const int32_t t = static_cast<int32_t>(RoundEven(g.Phase));
    const uint32_t dA = NoiseDigit(digits), dB = NoiseDigit(digits >> 16);
    if constexpr (Tables) {
        g.RingA[w] = g.LevelsA[t * 10 + int32_t(dA)];
        g.RingB[w] = g.LevelsB[t * 10 + int32_t(dB)];
    } else {
        const double s = g.Sine[t];
        g.RingA[w] = ToLevel(static_cast<int32_t>(dA) / 20.0 + s * g.GainA + g.OffsetA);
        g.RingB[w] = ToLevel(static_cast<int32_t>(dB) / 20.0 + s * g.GainB + g.OffsetB);
    }
    g.Phase += g.Step;
    if (g.Phase >= Steps)
        g.Phase -= Steps;
}

// n samples from ring position 0 on; returns the next write position.
template <bool Tables> int32_t Generate(TGeneration &g, int32_t n) {
    int32_t w = 0, k = 0;
    for (; k + 1 < n; k += 2) {
        const uint64_t digits = NextNoise(g.Noise);
        PutSample<Tables>(g, w, digits);
        w = (w + 1) & Mask;
        PutSample<Tables>(g, w, digits >> 32);
        w = (w + 1) & Mask;
    }
    if (k < n) {
        PutSample<Tables>(g, w, NextNoise(g.Noise));
        w = (w + 1) & Mask;
    }
    return w;
}

} // namespace

TDAO_DEMO::TDAO_DEMO()
    : OwnClock(std::make_unique<platform::TSteadyClock>()),
      OwnSleeper(std::make_unique<platform::TThreadSleeper>()),
      OwnRandom(std::make_unique<platform::TMersenneRandom>(0)), Clock(OwnClock.get()),
      Sleeper(OwnSleeper.get()), RandomSource(OwnRandom.get()), RingA(RingSize), RingB(RingSize),
      Interval(1 / SampleRates[0]), GainOf{GainOfRange(0), GainOfRange(0)} {}

TDAO_DEMO::TDAO_DEMO(platform::IClock &clock, platform::ISleeper &sleeper, platform::IRandom &random)
    : Clock(&clock), Sleeper(&sleeper), RandomSource(&random), RingA(RingSize), RingB(RingSize),
      Interval(1 / SampleRates[0]), GainOf{GainOfRange(0), GainOfRange(0)} {}

bool TDAO_DEMO::EnumerateDevices(TDeviceList &) {
    return false;
}

std::string TDAO_DEMO::GetDeviceName() {
    return "Tarne4 oscilloscope <DEMO>";
}

int32_t TDAO_DEMO::LoadDriver() {
    // An injected random source stays as the caller seeded it, so that tests repeat.
    if (OwnRandom) {
        OwnRandom = std::make_unique<platform::TMersenneRandom>(Clock->TickCount());
        RandomSource = OwnRandom.get();
    }
    Sine.resize(SineSteps + 1);
    for (int32_t i = 0; i <= SineSteps; ++i)
        Sine[i] = std::sin(TwoPi * i / SineSteps);
    return drOk;
}

int32_t TDAO_DEMO::OpenDevice(int32_t) {
    return drOk;
}

void TDAO_DEMO::GetCapabilities(TCapabilities &c) {
    c.PointsOnScreen = 500;
    c.PointsPerDiv = 50;
    c.LevelCount = 256;
    c.LevelsPerDiv = 32;
    c.ChannelCount = 8;
    c.PhysicalChannelCount = 2;
    c.VirtualChannelCount = 2;
    c.TriggerSourceCount = 3;
    c.MemorySizes.clear();
    for (int32_t k = 0; k < MemorySizeCount; ++k)
        c.MemorySizes.push_back(1024 << k);
    c.TimeBases.clear();
    for (int32_t row = 0; row < TimeBaseCount; ++row)
        c.TimeBases.push_back(TTimeBaseRow{SampleRates[row], std::min(SampleRates[row], MaxRealRate),
                                           row >= FirstEquivalentTimeRow ? 1 : 0, row});
    c.Ranges.clear();
    for (int32_t row = 0; row < RangeCount; ++row)
        c.Ranges.push_back(TRangeRow{VoltsPerDiv[row], row});
    c.ShiftMax = 4095;
    c.ShiftMin = 0;
    c.AfterTriggerMin = 1;
    c.AfterTriggerMax = RingSize;
    c.HoldOffMin = 0;
    c.HoldOffMax = RingSize;
    c.HoldOffStep = 4;
    c.CountMin = 1;
    c.CountMax = 32767;
    c.LengthMin = 0;
    c.LengthMax = 131068;
    c.LengthStep = 4;
}

void TDAO_DEMO::Reset() {
    WritePos = 0;
    Generated = 0;
    StateValue = 0;
}

void TDAO_DEMO::StartAcquisition() {
    Reset();
}

void TDAO_DEMO::SetStartRequest(bool on) {
    StartRequest = on;
}

void TDAO_DEMO::SetTimeBase(int32_t value) {
    if (value >= 0 && value < TimeBaseCount)
        Interval = 1 / SampleRates[value];
    Reset();
}

int32_t TDAO_DEMO::SetRange(int32_t channel, int32_t value) {
    if (!IsChannel(channel))
        return 0;
    if (value >= 0 && value < RangeCount)
        GainOf[channel] = GainOfRange(value);
    Reset();
    return Shift[channel];
}

void TDAO_DEMO::SetVerticalShift(int32_t channel, int32_t shift) {
    if (!IsChannel(channel))
        return;
    Shift[channel] = shift;
    OffsetOf[channel] = OffsetOfShift(shift);
}

void TDAO_DEMO::SetTriggerMode(int32_t mode) {
    TriggerMode = mode;
    Reset();
}

void TDAO_DEMO::SetTriggerSource(int32_t which, int32_t source, bool on) {
    // Only the primary trigger on A or B exists here; the rest is accepted and ignored.
    if (which == 0 && IsChannel(source))
        TriggerSourceOn[source] = on;
    Reset();
}

void TDAO_DEMO::SetTriggerLeading(int32_t which, int32_t source, bool leading) {
    if (which == 0 && IsChannel(source))
        Leading[source] = leading;
    Reset();
}

void TDAO_DEMO::SetTriggerLevel(int32_t source, int32_t level) {
    if (IsChannel(source))
        TriggerLevel[source] = level;
}

// Counts beyond the ring would only wrap around it; negative ones mean nothing.
void TDAO_DEMO::SetAfterTrigger(int32_t samples) {
    AfterTrigger = std::clamp(samples, 0, RingSize);
    Reset();
}

void TDAO_DEMO::SetHoldOff(int32_t value) {
    HoldOff = std::clamp(value, 0, RingSize);
    Reset();
}

void TDAO_DEMO::SetMemorySize(int32_t samples) {
    MemorySize = std::clamp(samples, 0, RingSize);
    Reset();
}

void TDAO_DEMO::SetTriggerCount(int32_t, int32_t) {}
void TDAO_DEMO::SetTriggerLength(int32_t, int32_t) {}
void TDAO_DEMO::SetFilterOn(int32_t, bool) {}
void TDAO_DEMO::SetFilterFactor(int32_t, int32_t) {}
void TDAO_DEMO::SetDCCoupling(int32_t, bool) {}
void TDAO_DEMO::SetProbeMode(int32_t, int32_t) {}
void TDAO_DEMO::SetWCD(int32_t) {}
void TDAO_DEMO::SetCompensationGenerator(bool) {}

void TDAO_DEMO::SetGround(int32_t channel, bool on) {
    if (IsChannel(channel))
        Ground[channel] = on;
    Reset();
}

void TDAO_DEMO::SetChannelHold(int32_t channel, bool on) {
    if (IsChannel(channel))
        Hold[channel] = on;
}

double TDAO_DEMO::GetGroundPosition(int32_t channel) {
    return IsChannel(channel) ? OffsetOf[channel] : 0;
}

int32_t TDAO_DEMO::PositionToShift(int32_t, int32_t position) {
    return static_cast<int32_t>(std::nearbyint((position - 128) * 2048.0 / 350 + 2048));
}

void TDAO_DEMO::GetSamplingProgress(int32_t &progressA, int32_t &progressB) {
    progressA = 100;
    progressB = 100;
}

void TDAO_DEMO::QueryDriverVersion(std::array<uint8_t, 2> &version) {
    version = {0, 0};
}

bool TDAO_DEMO::IsCommunicationOK() {
    return true;
}

int32_t TDAO_DEMO::GetSerialNumber() {
    return 0;
}

int32_t TDAO_DEMO::Random(int32_t range) {
    return range <= 0 ? 0 : RandomSource->Next(range);
}

double TDAO_DEMO::FindTriggerPhase() const {
    struct TEntry {
        double Phase;
        bool Hit;
    };
    // At most: the start, two crossings per channel, the end.
    TEntry list[6];
    int32_t count = 0;
    list[count++] = {0, false};
    for (int32_t ch = 0; ch < 2; ++ch) {
        if (!TriggerSourceOn[ch])
            continue;
        double u = (TriggerLevel[ch] - OffsetOf[ch]) / GainOf[ch];
        if (u >= -1 && u <= 1) {
            double q = std::asin(u);
            list[count++] = {q >= 0 ? q : q + TwoPi, false};
            list[count++] = {std::numbers::pi - q, false};
        }
    }
    list[count++] = {TwoPi, false};
    std::stable_sort(list, list + count, [](const TEntry &a, const TEntry &b) { return a.Phase < b.Phase; });

    // Each entry tells whether the trigger condition holds between it and the next one.
    for (int32_t i = 0; i + 1 < count; ++i) {
        if (list[i].Phase == list[i + 1].Phase)
            continue;
        double m = (list[i].Phase + list[i + 1].Phase) / 2;
        bool hit = false;
        for (int32_t ch = 0; ch < 2; ++ch) {
            if (!TriggerSourceOn[ch])
                continue;
            double value = std::sin(m) * GainOf[ch] + OffsetOf[ch];
            hit = hit || (Leading[ch] ? value > TriggerLevel[ch] : value <= TriggerLevel[ch]);
        }
        list[i].Hit = hit;
    }
    list[count - 1].Hit = list[0].Hit;
    for (int32_t i = 1; i < count; ++i)
        if (list[i].Hit && !list[i - 1].Hit)
            return list[i].Phase;
    return -1;
}

bool TDAO_DEMO::GenerateRecord(bool requireTrigger, bool noSearch) {
    if (Sine.empty())
        LoadDriver();
    double phase = noSearch ? -1 : FindTriggerPhase();
    bool found = phase >= 0;
    if (!found && requireTrigger)
        return false;
    if (!found)
        phase = Random(10000) * TwoPi / 10000;

    // A random sample count within one signal period.
    double perPeriod = std::min(RoundEven(1 / (Interval * SignalFrequency)), 2147483647.0);
    int32_t r = Random(static_cast<int32_t>(perPeriod));
    int32_t pre = noSearch ? 0 : std::min(MemorySize, r + HoldOff);

    double p = (phase / (TwoPi * SignalFrequency) - pre * Interval) * TableStepsPerSecond;
    p -= std::trunc(p / SineSteps) * SineSteps;
    // At the slow time bases one sample moves the phase by more than one table length, so the step and
    // the start are reduced by a true modulo; each step then needs at most one subtraction.
    p = Modulo(p, SineSteps);
    const double step = Modulo(Interval * TableStepsPerSecond, SineSteps);

    WritePos = 0;
    Generated = 0;
    const int32_t n = pre + AfterTrigger;
    // Noise: two values of 0..9 per sample from a fast generator that one draw of the random source
    // seeds per record. A source that always draws 0 gives a noise-free record.
    uint64_t noise = (uint64_t(Random(1 << 30)) << 30) | uint64_t(Random(1 << 30));
    if (noise != 0)
        noise = MixSeed(noise);
    // A long record reads its levels from tables of every sine step and noise value; a short one
    // computes the few it needs. Both give the same levels.
    // The tables cost about as much as 2^16 computed samples: they are made for a long record, or once
    // the gain and offset have stayed for a few short ones (not while a shift is being dragged).
    const bool current = LevelTablesCurrent();
    ShortRecordsSinceChange = current ? 0 : ShortRecordsSinceChange + 1;
    const bool tables = current || n >= TableWorthSamples || ShortRecordsSinceChange >= TableWorthRecords;
    if (tables)
        UpdateLevelTables();
    TGeneration g;
    g.Sine = Sine.data();
    g.RingA = RingA.data();
    g.RingB = RingB.data();
    g.LevelsA = LevelTable[0].data();
    g.LevelsB = LevelTable[1].data();
    g.GainA = GainOf[0];
    g.GainB = GainOf[1];
    g.OffsetA = OffsetOf[0];
    g.OffsetB = OffsetOf[1];
    g.Step = step;
    g.Phase = p;
    g.Noise = noise;
    const int32_t w = tables ? Generate<true>(g, n) : Generate<false>(g, n);
    WritePos = w;
    Generated = n;

    if (Ground[0])
        std::memset(RingA.data(), ToLevel(OffsetOf[0]), RingSize);
    if (Ground[1])
        std::memset(RingB.data(), ToLevel(OffsetOf[1]), RingSize);
    return found;
}

bool TDAO_DEMO::LevelTablesCurrent() const {
    for (int32_t c = 0; c < 2; ++c)
        if (LevelTable[c].empty() || TableGain[c] != GainOf[c] || TableOffset[c] != OffsetOf[c])
            return false;
    return true;
}

void TDAO_DEMO::UpdateLevelTables() {
    for (int32_t c = 0; c < 2; ++c) {
        std::vector<uint8_t> &table = LevelTable[c];
        if (!table.empty() && TableGain[c] == GainOf[c] && TableOffset[c] == OffsetOf[c])
            continue;
        table.resize(size_t(SineSteps + 1) * NoiseValues);
        const double gain = GainOf[c], offset = OffsetOf[c];
        for (int32_t t = 0; t <= SineSteps; ++t)
            for (int32_t d = 0; d < NoiseValues; ++d)
                table[size_t(t) * NoiseValues + size_t(d)] = ToLevel(d / 20.0 + Sine[t] * gain + offset);
        TableGain[c] = gain;
        TableOffset[c] = offset;
    }
}

double TDAO_DEMO::FillTime() const {
    return Generated * Interval * 1000;
}

bool TDAO_DEMO::FillTimePassed() const {
    uint32_t elapsed = Clock->TickCount() - StartTime;
    return elapsed >= FillTime();
}

// A millisecond between polls; while a record fills, or an auto record waits out its fill time, the
// poll sleeps until that time is up (at most a display frame, so that settings and the shut-down are
// served): a wake-up that could only say "not yet" costs the processor and shows nothing.
uint32_t TDAO_DEMO::PauseBeforePoll() const {
    constexpr double MaxPauseMs = 16;
    if (StateValue != 2 && !(StateValue == 1 && TriggerMode == tmAuto))
        return 1;
    const double left = FillTime() - double(uint32_t(Clock->TickCount() - StartTime));
    return uint32_t(std::clamp(std::ceil(left), 1.0, MaxPauseMs));
}

int32_t TDAO_DEMO::ReadAcquisition(TAcquiredData &data) {
    Sleeper->Sleep(PauseBeforePoll());
    switch (StateValue) {
    case 0:
        StartTime = Clock->TickCount();
        if (TriggerMode == tmAuto)
            StateValue = GenerateRecord(false, false) ? 2 : 1;
        else if (TriggerMode == tmNormal) {
            if (GenerateRecord(true, false))
                StateValue = 2;
        } else if (TriggerMode == tmSingle) {
            if (StartRequest)
                StateValue = GenerateRecord(false, false) ? 2 : 1;
        } else if (TriggerMode == tmManual) {
            if (StartRequest) {
                GenerateRecord(false, true);
                StateValue = 2;
            }
        }
        break;
    case 1:
        if (TriggerMode == tmAuto) {
            // Waited one fill time for a trigger that did not come: the untriggered record fills now.
            if (FillTimePassed()) {
                StateValue = 2;
                StartTime = Clock->TickCount();
            }
        } else if (TriggerMode == tmSingle) {
            if (GenerateRecord(true, false)) {
                StateValue = 2;
                StartTime = Clock->TickCount();
            }
        }
        break;
    case 2:
        if (FillTimePassed())
            StateValue = 3;
        break;
    default:
        break;
    }
    if (StateValue == 2)
        return asTriggered;
    if (StateValue != 3)
        return asWaiting;
    CopyOut(data);
    return asRecordRead;
}

void TDAO_DEMO::CopyOut(TAcquiredData &data) {
    for (int32_t ch = 0; ch < 2 && ch < static_cast<int32_t>(data.size()); ++ch) {
        TWaveform &wave = data[ch];
        const int32_t length = static_cast<int32_t>(wave.Data.size());
        // Each channel by its own length, so that a shorter buffer is never written past its end.
        const int32_t n = std::min({RingSize, Generated, length});
        if (Hold[ch]) {
            wave.Last = std::min(wave.Last, length - 1);
            wave.First = std::max(wave.First, length - n);
        } else {
            // The n samples before the write position, oldest first, end at the end of Data.
            const uint8_t *ring = Ring(ch).data();
            int32_t start = (WritePos - n) & (RingSize - 1);
            int32_t firstPart = std::min(n, RingSize - start);
            uint8_t *out = wave.Data.data() + (length - n);
            if (firstPart > 0)
                std::memcpy(out, ring + start, static_cast<size_t>(firstPart));
            if (n > firstPart)
                std::memcpy(out + firstPart, ring, static_cast<size_t>(n - firstPart));
            wave.First = length - n;
            wave.Last = length - 1;
        }
        if (wave.Last < wave.First)
            wave.MakeEmpty();
    }
    StartRequest = false;
}

} // namespace scope
