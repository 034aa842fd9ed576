#include "SimInstrument.h"

#include "imagegen/ConfigImageContent.h"

#include <cstdlib>
#include <cstring>

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

// Configuration image each model's logic expects.
int ImageOf(int32_t type) {
    return type == 0 || type == 2 ? 0 : type == 1 || type == 3 ? 1 : type == 4 ? 2 : 3;
}

} // namespace

TSimInstrument &Instrument() {
    // Never destroyed: a driver may still unregister its callback while the process exits.
    static TSimInstrument *instrument = new TSimInstrument;
    return *instrument;
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
    const TRecord record = CalibrationRecord();
    std::memcpy(Memory.data() + CalibrationAddress, record.data(), record.size());
}

bool TSimInstrument::Reach() {
    if (BreakCountdown > 0 && --BreakCountdown == 0)
        LinkUp = false;
    if (LinkUp != ReportedUp) {
        ReportedUp = LinkUp;
        if (!LinkUp)
            Queue.clear();
        if (Callback)
            Callback(LinkUp ? 1 : 0);
    }
    return LinkUp;
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
}

void TSimInstrument::FifoRead(int32_t, void *buffer, int32_t byteCount) {
    if (!buffer || byteCount <= 0)
        return;
    std::memset(buffer, 0, static_cast<size_t>(byteCount));
    if (!Open || !Reach())
        return;
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
    return 0x80 | (Open && IsConfigured && LinkUp ? 1 : 0);
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
