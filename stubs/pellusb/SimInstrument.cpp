#include "SimInstrument.h"

#include "ConfigImageContent.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace pellsim {

namespace {

constexpr int CalibrationAddress = 256;

// The model named by PELLUSB_SIMULATE, or -1 (no instrument) when it names none.
int32_t ModelFromEnvironment() {
    const char *text = std::getenv("PELLUSB_SIMULATE");
    if (!text || !*text)
        return -1;
    char *end = nullptr;
    const long type = std::strtol(text, &end, 10);
    if (*end != '\0' || type < 0 || type > 5)
        return -1;
    return static_cast<int32_t>(type);
}

// Steps from a counter preload to $FFFF; a preload that never gets there (0) counts none.
int32_t CounterSteps(uint16_t preload) {
    uint16_t s = preload;
    for (int32_t n = 0; n <= 65536; ++n) {
        if (s == 0xFFFF)
            return n;
        s = static_cast<uint16_t>((s << 1) | (((s >> 6) ^ (s >> 15)) & 1));
    }
    return 0;
}

// Count and length registers hold $8000 minus the value; lengths count in fours.
int32_t CountOf(uint16_t word) {
    return 0x8000 - static_cast<int32_t>(word);
}
int32_t LengthOf(uint16_t word) {
    return std::max(0, 0x8000 - static_cast<int32_t>(word)) * 4;
}

// Configuration image each model's logic expects.
int ImageOf(int32_t type) {
    return type == 0 || type == 2 ? 0 : type == 1 || type == 3 ? 1 : type == 4 ? 2 : 3;
}

// True while the file named by PELLUSB_LINK_FILE exists: a test of another process holds the link down
// with it, and it outlives a reload of this library.
bool LinkFileHoldsLinkDown() {
    const char *path = std::getenv("PELLUSB_LINK_FILE");
    return path && *path && access(path, F_OK) == 0;
}

TSimInstrument *&InstrumentPointer() {
    static TSimInstrument *instrument = new TSimInstrument;
    return instrument;
}

// Freed when the library is unloaded. Not by a static destructor: a driver's own static objects may still
// unregister their callback while the process exits, and those run before any library's finaliser.
__attribute__((destructor)) void FreeInstrument() {
    delete InstrumentPointer();
    InstrumentPointer() = nullptr;
}

} // namespace

TSimInstrument &Instrument() {
    return *InstrumentPointer();
}

void TSimInstrument::Reset() {
    Type = ModelFromEnvironment();
    Open = false;
    IsConfigured = false;
    RejectImages = false;
    LinkUp = true;
    ReportedUp = true;
    BreakCountdown = 0;
    Registers.fill(0);
    Queue.clear();
    WriteLog.clear();
    Memory.fill(0xFF);
    Signals = TSignals{};
    Capture = TSimCapture{};
    Random.seed(12345);
    ManualTime = false;
    ManualNow = 0;
    const TRecord record = CalibrationRecord();
    std::memcpy(Memory.data() + CalibrationAddress, record.data(), record.size());
}

bool TSimInstrument::Reach() {
    if (BreakCountdown > 0 && --BreakCountdown == 0)
        LinkUp = false;
    const bool up = LinkIsUp();
    if (up != ReportedUp) {
        ReportedUp = up;
        if (!up)
            Queue.clear();
        if (Callback)
            Callback(up ? 1 : 0);
    }
    return up;
}

bool TSimInstrument::LinkIsUp() const {
    return LinkUp && !LinkFileHoldsLinkDown();
}

int32_t TSimInstrument::InitDevice() {
    if (Type < 0 || !Reach())
        return 1;
    Open = true;
    IsConfigured = false;
    Registers.fill(0);
    Queue.clear();
    // A freshly opened device reports its link, so that a caller's byte left over from an earlier
    // break is cleared.
    if (Callback)
        Callback(1);
    return 0;
}

int32_t TSimInstrument::ConfigureFpga(const uint8_t *buffer, int32_t size) {
    if (!Open || !Reach())
        return 0;
    IsConfigured = false;
    if (RejectImages || Type > 5 || !buffer)
        return 0;
    const int image = ImageOf(Type);
    if (size != static_cast<int32_t>(pellex::ConfigBufferSize(image)))
        return 0;
    for (size_t j = 0; j < pellex::ConfigImageSize(image); ++j)
        if (buffer[j + 1] != pellex::ConfigImageByte(image, j))
            return 0;
    IsConfigured = true;
    return 1;
}

int32_t TSimInstrument::Register(int32_t reg) const {
    if (reg < 0 || reg >= RegisterCount)
        return 0;
    return Registers[reg];
}

int32_t TSimInstrument::SingleRead(int32_t reg) {
    if (!Open || !Reach())
        return 0;
    if (reg == 1)
        return Capture.StatusWord(Now());
    if (reg == 14)
        return Capture.SampleCount(Now());
    return Register(reg);
}

void TSimInstrument::QueueWrite(int32_t reg, int32_t value) {
    if (Open)
        Queue.emplace_back(reg, value);
}

void TSimInstrument::Write(int32_t reg, int32_t value) {
    if (!Open || !Reach())
        return;
    for (const auto &[r, v] : Queue)
        Apply(r, v, false);
    Queue.clear();
    Apply(reg, value, true);
}

int32_t TSimInstrument::Flush() {
    if (!Open || !Reach())
        return 0;
    for (const auto &[r, v] : Queue)
        Apply(r, v, false);
    Queue.clear();
    return 1;
}

void TSimInstrument::Apply(int32_t reg, int32_t value, bool flushing) {
    WriteLog.push_back({reg, value & 0xFFFF, flushing});
    if (reg >= 0 && reg < RegisterCount)
        Registers[reg] = static_cast<uint16_t>(value);
    if (reg == 1) {
        const uint16_t word = static_cast<uint16_t>(value);
        if ((word & 0xF000) == 0xF000)
            ArmCapture(word & 0x0FFF);
        else if (word == 0)
            Capture.Stop();
    }
}

int32_t TSimInstrument::RecordLength() const {
    return Type == 1 || Type == 3 || Type == 5 ? 8192 : 4096;
}

namespace {

// A level as the converter gives it: rounded, halves to even as nearbyint does, within 0..255. Limited
// first, so that the rounding by the magic number holds.
inline uint8_t ToByte(double level) {
    constexpr double magic = 6755399441055744.0; // 1.5 * 2^52
    const double limited = std::min(std::max(level, -1.0), 256.0);
    return static_cast<uint8_t>(std::min(std::max((limited + magic) - magic, 0.0), 255.0));
}

// Both channels' levels of a run into their words, A the low byte of each, B the high one: four points a
// step, rounded halves to even by the processor's conversion as above, saturated to 0..255 by the packs.
// The map holds each channel's level of 0 V and levels per volt.
void PackLevels(const double *a, const double *b, int32_t n, const std::array<double, 4> &map,
                uint8_t *words) {
    const double groundA = map[0], perVoltA = map[1], groundB = map[2], perVoltB = map[3];
    int32_t k = 0;
#if defined(__SSE2__)
    const __m128d low = _mm_set1_pd(-1.0), high = _mm_set1_pd(256.0);
    const __m128d ga = _mm_set1_pd(groundA), pa = _mm_set1_pd(perVoltA);
    const __m128d gb = _mm_set1_pd(groundB), pb = _mm_set1_pd(perVoltB);
    const auto levels = [&](const double *v, __m128d ground, __m128d perVolt) {
        const __m128d first = _mm_add_pd(ground, _mm_mul_pd(_mm_loadu_pd(v), perVolt));
        const __m128d second = _mm_add_pd(ground, _mm_mul_pd(_mm_loadu_pd(v + 2), perVolt));
        return _mm_unpacklo_epi64(_mm_cvtpd_epi32(_mm_min_pd(_mm_max_pd(first, low), high)),
                                  _mm_cvtpd_epi32(_mm_min_pd(_mm_max_pd(second, low), high)));
    };
    for (; k + 4 <= n; k += 4) {
        const __m128i la = levels(a + k, ga, pa), lb = levels(b + k, gb, pb);
        const __m128i pairs = _mm_packs_epi32(_mm_unpacklo_epi32(la, lb), _mm_unpackhi_epi32(la, lb));
        _mm_storel_epi64(reinterpret_cast<__m128i *>(words + 2 * k), _mm_packus_epi16(pairs, pairs));
    }
#endif
    for (; k < n; ++k) {
        words[2 * k] = ToByte(groundA + a[k] * perVoltA);
        words[2 * k + 1] = ToByte(groundB + b[k] * perVoltB);
    }
}

} // namespace

int32_t TSimInstrument::AfterTriggerSteps() const {
    if (StepsOfPreload < 0 || StepsPreload != Registers[14]) {
        StepsPreload = Registers[14];
        StepsOfPreload = CounterSteps(StepsPreload);
    }
    return StepsOfPreload;
}

TCaptureSettings TSimInstrument::DecodeCaptureSettings(uint16_t word) const {
    const bool wide = Type == 4 || Type == 5;
    const double ppd = wide ? 40 : 50;
    TCaptureSettings c;
    c.RecordLength = RecordLength();
    if (word & 0x0800) {
        c.EquivalentTime = true;
        c.SampleIntervalNs = wide ? 12.5 : 20;
    } else if (word & 0x0080) {
        c.SampleIntervalNs = 5;
    } else if (word & 0x0040) {
        c.SampleIntervalNs = wide ? 12.5 : 10;
    } else {
        static const std::array<std::pair<int, double>, 16> bases = {{{0, 1e3},
                                                                      {1, 2e3},
                                                                      {2, 5e3},
                                                                      {3, 1e4},
                                                                      {5, 2e4},
                                                                      {6, 5e4},
                                                                      {7, 1e5},
                                                                      {13, 2e5},
                                                                      {14, 5e5},
                                                                      {15, 1e6},
                                                                      {21, 2e6},
                                                                      {22, 5e6},
                                                                      {23, 1e7},
                                                                      {29, 2e7},
                                                                      {30, 5e7},
                                                                      {31, 1e8}}};
        double v = 1e3;
        for (const auto &[code, perDivision] : bases)
            if (code == (word & 0x1F))
                v = perDivision;
        c.SampleIntervalNs = v / ppd;
    }
    c.AfterTrigger = AfterTriggerSteps();
    c.HoldOffSamples = std::max(0, 0x8000 - static_cast<int32_t>(Registers[7])) * 4;
    const uint16_t control = Registers[2];
    for (int s = 0; s < 3; ++s) {
        c.Primary.On[s] = (control >> s) & 1;
        c.Primary.Falling[s] = (control >> (3 + s)) & 1;
        c.Secondary.On[s] = (control >> (6 + s)) & 1;
        c.Secondary.Falling[s] = (control >> (9 + s)) & 1;
    }
    c.SecondaryOn = (control >> 12) & 1;
    c.Primary.Count = CountOf(Registers[4]);
    c.Primary.LengthSamples = LengthOf(Registers[3]);
    c.Secondary.Count = CountOf(Registers[6]);
    c.Secondary.LengthSamples = LengthOf(Registers[5]);
    c.Levels = {static_cast<double>(Registers[10] & 0xFF), static_cast<double>(Registers[13] & 0xFF), 128};
    return c;
}

void TSimInstrument::ArmCapture(uint16_t word) {
    const TCaptureSettings settings = DecodeCaptureSettings(word);
    // The external input follows A's period.
    TPeriods periods{TSimCapture::Never, 0};
    for (int s = 0; s < 3; ++s) {
        if (!settings.Primary.On[s] && !settings.Secondary.On[s])
            continue;
        const double period = Signals.Inputs[s == 1 ? 1 : 0].PeriodNs();
        periods.Shortest = std::min(periods.Shortest, period);
        periods.Longest = std::max(periods.Longest, period);
    }
    if (periods.Longest == 0)
        periods = {Signals.Inputs[0].PeriodNs(), Signals.Inputs[0].PeriodNs()};
    // The input stages stay as they are during the search: their level maps are worked out once.
    const std::array<TInputStage, 2> stages = {Stage(0), Stage(1)};
    const std::array<TLevelMap, 2> maps = {TLevelMap(0, stages[0]), TLevelMap(1, stages[1])};
    const TSourceLevel level = [&](int source, double t) {
        if (source == 2)
            return Signals.ExternalLevel(t);
        return maps[size_t(source)].Level(
            Signals.Inputs[size_t(source)].Volts(t, stages[size_t(source)].AcCoupled));
    };
    Capture.Arm(Now(), settings, level, Random, periods);
}

void TSimInstrument::SetManualTime(bool on) {
    if (on && !ManualTime)
        ManualNow = Now();
    ManualTime = on;
}

double TSimInstrument::Now() const {
    if (ManualTime)
        return ManualNow;
    return std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - Origin).count();
}

void TSimInstrument::SetSignal(int channel, const TSignal &signal) {
    if (channel == 0 || channel == 1)
        Signals.Inputs[channel] = signal;
}

double TSimInstrument::InputLevelAt(int channel, double timeNs) const {
    const TInputStage stage = Stage(channel);
    return InputLevel(channel, stage, Signals.Inputs[channel].Volts(timeNs, stage.AcCoupled));
}

void TSimInstrument::FifoRead(int32_t, void *buffer, int32_t byteCount) {
    if (!buffer || byteCount <= 0)
        return;
    std::memset(buffer, 0, static_cast<size_t>(byteCount));
    if (!Open || !Reach())
        return;
    const double now = Now();
    const int32_t valid = Capture.ValidSamples(now);
    const int32_t count = std::min(valid, byteCount / 2);
    uint8_t *bytes = static_cast<uint8_t *>(buffer);
    // The input stages stay as they are during the read: worked out once, not per sample.
    struct TChannel {
        TInputStage Stage;
        const TSignal *Signal;
        TSignal::TRotation Step;
    };
    std::array<TChannel, 2> channels;
    std::array<double, 4> map;
    for (int ch = 0; ch < 2; ++ch) {
        const TInputStage stage = Stage(ch);
        const TLevelMap levels(ch, stage);
        const TSignal &signal = Signals.Inputs[size_t(ch)];
        channels[size_t(ch)] = {stage, &signal, signal.Rotation(Capture.SampleInterval())};
        map[size_t(2 * ch)] = levels.Zero();
        map[size_t(2 * ch + 1)] = levels.PerVolt();
    }
    // A sine is rotated from an exact start every 256 samples (the rotation's error stays far below a
    // level there), other shapes are worked out each.
    constexpr int32_t run = 256;
    double volts[2][run];
    for (int32_t start = 0; start < count; start += run) {
        const int32_t n = std::min(run, count - start);
        for (int ch = 0; ch < 2; ++ch) {
            const TChannel &c = channels[size_t(ch)];
            if (c.Signal->Shape == TShape::Sine)
                c.Signal->SineRun(Capture.SampleTimeOf(start, valid), c.Step, n, c.Stage.AcCoupled,
                                  volts[ch]);
            else
                for (int32_t k = 0; k < n; ++k)
                    volts[ch][k] = c.Signal->Volts(Capture.SampleTimeOf(start + k, valid), c.Stage.AcCoupled);
        }
        PackLevels(volts[0], volts[1], n, map, bytes + 2 * start);
    }
}

int32_t TSimInstrument::ReadMemory(int32_t address) {
    if (!Open || !Reach())
        return 0;
    if (address < 0 || address >= MemorySize)
        return 0xFF;
    return Memory[address];
}

int32_t TSimInstrument::DeviceId() {
    if (!Open || !Reach())
        return -1;
    return Type;
}

int32_t TSimInstrument::Ready() {
    return 0x80 | (Open && IsConfigured && LinkIsUp() ? 1 : 0);
}

void TSimInstrument::WriteMemory(int32_t address, const uint8_t *bytes, int32_t count) {
    for (int32_t i = 0; i < count && bytes; ++i)
        if (address + i >= 0 && address + i < MemorySize)
            Memory[address + i] = bytes[i];
}

void TSimInstrument::CopyMemory(int32_t address, uint8_t *bytes, int32_t count) const {
    for (int32_t i = 0; i < count && bytes; ++i)
        bytes[i] = address + i >= 0 && address + i < MemorySize ? Memory[address + i] : 0xFF;
}

void TSimInstrument::DamageCalibration() {
    Memory[CalibrationAddress + 40] ^= 0x5A;
}

TInputStage TSimInstrument::Stage(int channel) const {
    const uint16_t input = Registers[15];
    TInputStage s;
    const uint16_t half = channel == 0 ? input : static_cast<uint16_t>(input >> 8);
    s.RangeBits = half & 0x3D;
    s.AcCoupled = (half & 0x02) != 0;
    s.Gain = Registers[channel == 0 ? 8 : 11];
    s.OffsetDac = Registers[channel == 0 ? 9 : 12];
    return s;
}

} // namespace pellsim
