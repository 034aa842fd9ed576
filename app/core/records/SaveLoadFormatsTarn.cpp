#include "records/SaveLoadFormatsTarn.h"

#include "format/NumberText.h"
#include "platform/Platform.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

namespace scope {

const std::array<TValueIDRow, 28> TValueID = {{
    {"MemorySize", 0, TValueKind::Integer, 0},
    {"TimeBase", 1, TValueKind::Real, 0},
    {"Range", 2, TValueKind::RealArray, 0},
    {"Shift", 3, TValueKind::IntArray, 0},
    {"Filter", 4, TValueKind::BoolArray, 0},
    {"FilterFactor", 5, TValueKind::IntArray, 0},
    {"TriggerSrcOnPrimary", 6, TValueKind::BoolArray, 0},
    {"TriggerSrcLeadingPrimary", 7, TValueKind::BoolArray, 0},
    {"TriggerLevel", 8, TValueKind::IntArray, 0},
    {"TriggerCount", 9, TValueKind::Pair, 0},
    {"TriggerLength", 10, TValueKind::Pair, 0},
    {"TriggerMode", 11, TValueKind::Integer, 0},
    {"AfterTriggerSamples", 12, TValueKind::Integer, 0},
    {"HoldOffSamples", 13, TValueKind::Integer, 0},
    {"ProbeMode", 14, TValueKind::IntArray, 0},
    {"Ground", 15, TValueKind::BoolArray, 0},
    {"DC", 16, TValueKind::BoolArray, 0},
    {"GroundPos", 17, TValueKind::RealArray, 0},
    {"AcquiredData", 18, TValueKind::ChannelSamples, 0},
    {"Version", 19, TValueKind::Integer, 0},
    {"FirstValidSample", 20, TValueKind::IntArray, 0},
    {"LastValidSample", 21, TValueKind::IntArray, 0},
    {"TriggerSrcOnSecondary", 22, TValueKind::BoolArray, 0},
    {"TriggerSrcLeadingSecondary", 23, TValueKind::BoolArray, 0},
    {"ATMode", 24, TValueKind::Integer, 0},
    {"HFMode", 25, TValueKind::Integer, 0},
    {"SimpleTrigger", 26, TValueKind::Boolean, 0},
    {"WCDSensitivity", 27, TValueKind::Integer, 0},
}};

namespace {

const char *const Corrupted = "The file is corrupted";
const char *const CorruptedChannels = "The file is corrupted.";
const char *const IncorrectKey = "Incorrect key";
const char *const IncorrectValue = "Incorrect value";

[[noreturn]] void Fail(const char *message) {
    throw Exception(message);
}

// ---- streams over files ----

class TFileReadStream : public TRecordReadStream {
public:
    ~TFileReadStream() override {
        if (Fd >= 0)
            close(Fd);
    }
    // Only regular files count as openable; a FIFO or device is refused without waiting.
    bool Open(const std::string &path) {
        Fd = platform::OpenRegularFile(path);
        if (Fd < 0)
            return false;
        struct stat st;
        if (fstat(Fd, &st) != 0 || !S_ISREG(st.st_mode))
            return false;
        Length = static_cast<uint64_t>(st.st_size);
        return true;
    }
    size_t Read(void *buffer, size_t count) override {
        auto *p = static_cast<char *>(buffer);
        size_t done = 0;
        while (done < count) {
            ssize_t n = ::read(Fd, p + done, count - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                Fail(Corrupted);
            if (n == 0)
                break;
            done += static_cast<size_t>(n);
        }
        Pos += done;
        return done;
    }
    void Skip(uint64_t count) override {
        uint64_t to = std::min(Pos + count, Length);
        if (lseek(Fd, static_cast<off_t>(to), SEEK_SET) < 0)
            Fail(Corrupted);
        Pos = to;
    }
    uint64_t Position() const override { return Pos; }
    uint64_t Size() const override { return Length; }

private:
    int Fd = -1;
    uint64_t Pos = 0, Length = 0;
};

// Gathers small writes; large ones go straight through.
class TFileWriteStream : public TRecordWriteStream {
public:
    explicit TFileWriteStream(platform::TSafeFileWriter &writer) : Writer(writer) {
        Buffer.reserve(Capacity);
    }
    void Write(const void *data, size_t count) override {
        if (Buffer.size() + count > Capacity)
            Flush();
        if (count >= Capacity)
            Put(data, count);
        else
            Buffer.insert(Buffer.end(), static_cast<const char *>(data),
                          static_cast<const char *>(data) + count);
    }
    void Flush() {
        if (!Buffer.empty())
            Put(Buffer.data(), Buffer.size());
        Buffer.clear();
    }

private:
    static constexpr size_t Capacity = 65536;
    void Put(const void *data, size_t count) {
        if (!Writer.Write(data, count))
            Fail("Unable to write the file");
    }
    platform::TSafeFileWriter &Writer;
    std::vector<char> Buffer;
};

void ReadExact(TRecordReadStream &stream, void *buffer, size_t count) {
    if (stream.Read(buffer, count) != count)
        Fail(Corrupted);
}

// ---- little-endian fields ----

void PutU32(std::vector<uint8_t> &out, uint32_t v) {
    uint8_t b[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
    out.insert(out.end(), b, b + 4);
}
void PutI32(std::vector<uint8_t> &out, int32_t v) {
    PutU32(out, static_cast<uint32_t>(v));
}
void PutF64(std::vector<uint8_t> &out, double v) {
    uint64_t bits;
    std::memcpy(&bits, &v, 8);
    PutU32(out, static_cast<uint32_t>(bits));
    PutU32(out, static_cast<uint32_t>(bits >> 32));
}
void SetI32(uint8_t *at, int32_t v) {
    auto u = static_cast<uint32_t>(v);
    for (int i = 0; i < 4; ++i)
        at[i] = uint8_t(u >> (8 * i));
}
int32_t GetI32(const uint8_t *at) {
    return static_cast<int32_t>(uint32_t(at[0]) | uint32_t(at[1]) << 8 | uint32_t(at[2]) << 16 |
                                uint32_t(at[3]) << 24);
}

// A chunk's size must fit its 32-bit field.
int32_t ChunkSize(uint64_t size) {
    if (size > static_cast<uint64_t>(std::numeric_limits<int32_t>::max()))
        Fail("The value is too large for a chunk");
    return static_cast<int32_t>(size);
}

std::vector<uint8_t> ChunkHead(uint64_t size, int32_t id) {
    std::vector<uint8_t> head;
    PutI32(head, ChunkSize(size));
    PutI32(head, id);
    return head;
}

// Reads fields of one chunk payload; never past its end.
class TPayload {
public:
    TPayload(const uint8_t *data, size_t size) : P(data), Left(size) {}
    int32_t I32() {
        Need(4);
        int32_t v = GetI32(P);
        Advance(4);
        return v;
    }
    double F64() {
        Need(8);
        uint64_t lo = static_cast<uint32_t>(GetI32(P)), hi = static_cast<uint32_t>(GetI32(P + 4));
        uint64_t bits = lo | hi << 32;
        double v;
        std::memcpy(&v, &bits, 8);
        Advance(8);
        return v;
    }
    void Bytes(void *to, size_t n) {
        Need(n);
        if (n > 0)
            std::memcpy(to, P, n);
        Advance(n);
    }
    // A count given twice, each item taking itemSize bytes of what is left.
    size_t Count(size_t itemSize, const char *message) {
        int32_t a = I32(), b = I32();
        if (a != b || a < 0 || static_cast<uint64_t>(a) * itemSize > Left)
            Fail(message);
        return static_cast<size_t>(a);
    }
    void Need(size_t n) const {
        if (n > Left)
            Fail(Corrupted);
    }
    void Advance(size_t n) {
        P += n;
        Left -= n;
    }
    // Every byte of the chunk must belong to its value.
    void Finish() const {
        if (Left != 0)
            Fail(Corrupted);
    }
    const uint8_t *Data() const { return P; }
    size_t Remaining() const { return Left; }

private:
    const uint8_t *P;
    size_t Left;
};

bool SameTextIgnoringCase(const std::string &a, const char *b) {
    size_t n = std::strlen(b);
    if (a.size() != n)
        return false;
    for (size_t i = 0; i < n; ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z')
            x = char(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = char(y - 'A' + 'a');
        if (x != y)
            return false;
    }
    return true;
}

std::string Trim(const std::string &s) {
    size_t b = 0, e = s.size();
    while (b < e && static_cast<unsigned char>(s[b]) <= ' ')
        ++b;
    while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ')
        --e;
    return s.substr(b, e - b);
}

int32_t TextToInt(const std::string &text) {
    int32_t v;
    if (!numtext::TryParseInt(Trim(text), v))
        throw EConvertError("'" + text + "' is not a valid integer value");
    return v;
}

double TextToReal(const std::string &text) {
    double v;
    if (!numtext::TryParseFloat(Trim(text), '.', v))
        throw EConvertError("'" + text + "' is not a valid floating point value");
    return v;
}

// ---- text output ----

// Text gathered in memory and handed on in pieces, so that a long channel line is never held whole.
class TTextOut {
public:
    explicit TTextOut(TRecordWriteStream &stream) : Stream(stream) {}
    ~TTextOut() = default;
    void Text(const char *s, size_t n) {
        Buf.append(s, n);
        Check();
    }
    void Text(const std::string &s) { Text(s.data(), s.size()); }
    void Int(int64_t v) {
        char b[24];
        auto r = std::to_chars(b, b + sizeof b, v);
        Buf.append(b, r.ptr);
        Check();
    }
    void Real(double v) {
        if (!std::isfinite(v))
            Fail("A real value that is not finite has no text form");
        Text(numtext::FloatToText(v, '.'));
    }
    void Byte(uint8_t v) {
        Buf.append(ByteTexts[v].Text, ByteTexts[v].Length);
        Check();
    }
    void Check() {
        if (Buf.size() > PieceSize)
            Flush();
    }
    void Flush() {
        if (!Buf.empty())
            Stream.Write(Buf.data(), Buf.size());
        Buf.clear();
    }

private:
    static constexpr size_t PieceSize = 131072;
    struct TByteText {
        char Text[4];
        uint8_t Length;
    };
    static const std::array<TByteText, 256> ByteTexts;
    TRecordWriteStream &Stream;
    std::string Buf;
};

const std::array<TTextOut::TByteText, 256> TTextOut::ByteTexts = [] {
    std::array<TByteText, 256> t{};
    for (int i = 0; i < 256; ++i) {
        auto r = std::to_chars(t[i].Text, t[i].Text + 4, i);
        t[i].Length = static_cast<uint8_t>(r.ptr - t[i].Text);
    }
    return t;
}();

// ---- text input ----

constexpr int EndOfFile = -1;

// Characters of the file through a buffer of its own.
class TTextIn {
public:
    explicit TTextIn(TRecordReadStream &stream) : Stream(stream) {}
    int Next() {
        if (Pos == Fill && !Refill())
            return EndOfFile;
        return static_cast<unsigned char>(Buffer[Pos++]);
    }
    bool End() const { return AtEnd; }
    uint64_t FileSize() const { return Stream.Size(); }
    uint64_t BytesLeft() const { return Stream.Left() + (Fill - Pos); }
    // The rest of the line, carriage returns dropped, trimmed.
    std::string RestOfLine() {
        std::string s;
        for (int c = Next(); c != EndOfFile && c != '\n'; c = Next())
            if (c != '\r')
                s += char(c);
        return Trim(s);
    }
    void SkipLine() {
        for (int c = Next(); c != EndOfFile && c != '\n'; c = Next()) {
        }
    }

private:
    bool Refill() {
        Pos = 0;
        Fill = AtEnd ? 0 : Stream.Read(Buffer, sizeof Buffer);
        if (Fill == 0)
            AtEnd = true;
        return Fill > 0;
    }
    TRecordReadStream &Stream;
    char Buffer[16384];
    size_t Pos = 0, Fill = 0;
    bool AtEnd = false;
};

// The key before "=": a name, an optional ".channel" and an optional "[count]".
struct TTextKey {
    std::string Name;
    int64_t Channel = -1;
    int64_t Count = -1;
    // Set when the key does not follow that form; raised only for a registered name.
    const char *Error = nullptr;
    bool ConvertError = false;
};

TTextKey ParseKey(const std::string &key) {
    TTextKey k;
    std::string text;
    int state = 0;
    auto number = [&](int64_t &into) {
        int32_t v;
        if (!numtext::TryParseInt(Trim(text), v)) {
            k.Error = "Not a valid integer in the key";
            k.ConvertError = true;
            return false;
        }
        into = v;
        return true;
    };
    auto fail = [&](const char *message) {
        if (state == 0)
            k.Name = Trim(text);
        k.Error = message;
        return k;
    };
    for (char c : key) {
        if (c == '.') {
            if (state != 0)
                return fail(IncorrectKey);
            k.Name = Trim(text);
            state = 1;
            text.clear();
        } else if (c == '[') {
            if (state == 0)
                k.Name = Trim(text);
            else if (state == 1) {
                if (!number(k.Channel))
                    return k;
            } else
                return fail(IncorrectKey);
            state = 2;
            text.clear();
        } else if (c == ']') {
            if (state != 2)
                return fail(IncorrectKey);
            if (!number(k.Count))
                return k;
            state = 3;
            text.clear();
        } else
            text += c;
    }
    if (state == 0)
        k.Name = Trim(text);
    else if (state == 1)
        number(k.Channel);
    else if (state == 2)
        number(k.Count);
    return k;
}

std::vector<std::string> SplitPieces(const std::string &rest) {
    std::vector<std::string> pieces;
    if (rest.empty())
        return pieces;
    size_t from = 0;
    for (;;) {
        size_t comma = rest.find(',', from);
        pieces.push_back(rest.substr(from, comma == std::string::npos ? std::string::npos : comma - from));
        if (comma == std::string::npos)
            break;
        from = comma + 1;
    }
    return pieces;
}

template <typename T, typename Convert>
void ReadTextArray(TTextIn &in, int64_t count, std::vector<T> &into, Convert convert) {
    if (count < 0)
        Fail(IncorrectKey);
    std::vector<std::string> pieces = SplitPieces(in.RestOfLine());
    if (static_cast<int64_t>(pieces.size()) != count)
        Fail(IncorrectValue);
    std::vector<T> items;
    items.reserve(pieces.size());
    for (const std::string &p : pieces)
        items.push_back(convert(p));
    into = std::move(items);
}

// One channel line's samples, read as they stream past.
std::vector<uint8_t> ReadTextSamples(TTextIn &in, int64_t count) {
    std::vector<uint8_t> samples;
    if (static_cast<uint64_t>(count) <= in.BytesLeft())
        samples.reserve(static_cast<size_t>(count));
    int64_t value = 0;
    bool negative = false, any = false, bad = false, separator = false;
    std::string gathered;
    for (;;) {
        int c = in.Next();
        if (c >= '0' && c <= '9') {
            if (!bad) {
                value = value * 10 + (c - '0');
                bad = value > 2147483648LL;
            }
            any = true;
            gathered += char(c);
            continue;
        }
        if (c == ' ' || c == '\r')
            continue;
        bool lineEnd = c == '\n' || c == EndOfFile;
        if (c == ',' || lineEnd) {
            if (lineEnd && !separator && gathered.empty() && samples.empty())
                break;
            if (!any || bad || (!negative && value > 2147483647LL))
                throw EConvertError("'" + gathered + "' is not a valid integer value");
            if (static_cast<int64_t>(samples.size()) >= count)
                Fail(IncorrectValue);
            samples.push_back(static_cast<uint8_t>(negative ? -value : value));
            value = 0;
            negative = any = bad = false;
            gathered.clear();
            separator = c == ',';
            if (lineEnd)
                break;
            continue;
        }
        // A sign is part of a number only in front of it; anything else makes the number invalid.
        if ((c == '-' || c == '+') && gathered.empty())
            negative = c == '-';
        else
            bad = true;
        gathered += char(c);
    }
    if (static_cast<int64_t>(samples.size()) != count)
        Fail(IncorrectValue);
    return samples;
}

void ReadTextValue(TTextIn &in, const TTextKey &key, TValueRef &variable) {
    switch (static_cast<TValueKind>(variable.index())) {
    case TValueKind::Integer:
        *std::get<int32_t *>(variable) = TextToInt(in.RestOfLine());
        break;
    case TValueKind::Real:
        *std::get<double *>(variable) = TextToReal(in.RestOfLine());
        break;
    case TValueKind::Boolean:
        *std::get<bool *>(variable) = TextToInt(in.RestOfLine()) > 0;
        break;
    case TValueKind::IntArray:
        ReadTextArray(in, key.Count, *std::get<TIntArray *>(variable), TextToInt);
        break;
    case TValueKind::BoolArray:
        ReadTextArray(in, key.Count, *std::get<TBoolArray *>(variable),
                      [](const std::string &p) { return static_cast<uint8_t>(TextToInt(p)); });
        break;
    case TValueKind::RealArray:
        ReadTextArray(in, key.Count, *std::get<TRealArray *>(variable), TextToReal);
        break;
    case TValueKind::Pair: {
        std::string rest = in.RestOfLine();
        size_t comma = rest.find(',');
        if (comma == std::string::npos)
            Fail(IncorrectValue);
        int32_t first = TextToInt(rest.substr(0, comma));
        int32_t second = TextToInt(rest.substr(comma + 1));
        TPairRef pair = std::get<TPairRef>(variable);
        *pair.First = first;
        *pair.Second = second;
        break;
    }
    case TValueKind::ChannelSamples: {
        if (key.Channel < 0 || key.Count < 0)
            Fail(IncorrectKey);
        // Every channel of a written file has a line of at least 8 bytes, so a larger index is damage.
        if (static_cast<uint64_t>(key.Channel) >= in.FileSize() / 8)
            Fail(IncorrectKey);
        TAcquiredData &data = *std::get<TAcquiredData *>(variable);
        if (static_cast<size_t>(key.Channel) >= data.size())
            data.resize(static_cast<size_t>(key.Channel) + 1);
        data[static_cast<size_t>(key.Channel)].Data = ReadTextSamples(in, key.Count);
        break;
    }
    }
}

bool IsNull(const TValueRef &v) {
    return std::visit(
        [](auto p) {
            if constexpr (std::is_same_v<decltype(p), TPairRef>)
                return p.First == nullptr || p.Second == nullptr;
            else
                return p == nullptr;
        },
        v);
}

template <typename T> std::unique_ptr<TSaveLoadFormat> CreateFormat() {
    return std::make_unique<T>();
}

} // namespace

// ---- memory stream ----

size_t TRecordMemoryReadStream::Read(void *buffer, size_t count) {
    size_t n = std::min(count, Length - Pos);
    if (n > 0)
        std::memcpy(buffer, Data + Pos, n);
    Pos += n;
    return n;
}

void TRecordMemoryReadStream::Skip(uint64_t count) {
    Pos = static_cast<size_t>(std::min<uint64_t>(Pos + count, Length));
}

// ---- base ----

void TSaveLoadFormat::AddValue(const std::string &name, TValueRef variable, uint32_t flags) {
    for (size_t row = 0; row < TValueID.size(); ++row) {
        if (name != TValueID[row].TxtID)
            continue;
        if (variable.index() != static_cast<size_t>(TValueID[row].Kind) || IsNull(variable))
            throw Exception("Variable does not fit the kind of value " + name);
        Values.push_back({variable, static_cast<int32_t>(row), flags & ~vfFound});
        return;
    }
    throw Exception("Unable to match TxtID with value");
}

int32_t TSaveLoadFormat::SaveToFile(const std::string &fileName) {
    platform::TSafeFileWriter writer;
    // The writer refuses what it could not write over (a directory, a read-only or special file).
    if (!writer.Open(fileName))
        return slCannotCreate;
    try {
        TFileWriteStream stream(writer);
        for (const TRegisteredValue &v : Values)
            WriteValue(stream, v);
        stream.Flush();
    } catch (...) {
        writer.Abort();
        return slWriteFailed;
    }
    return writer.Commit() ? slOK : slWriteFailed;
}

int32_t TSaveLoadFormat::LoadFromStream(TRecordReadStream &stream) {
    for (TRegisteredValue &v : Values)
        v.Flags &= ~vfFound;
    try {
        ReadValues(stream);
    } catch (...) {
        return slReadFailed;
    }
    return slOK;
}

int32_t TSaveLoadFormat::LoadFromFile(const std::string &fileName) {
    TFileReadStream stream;
    if (!stream.Open(fileName))
        return slCannotOpen;
    return LoadFromStream(stream);
}

bool TSaveLoadFormat::AllValuesRead() const {
    for (const TRegisteredValue &v : Values)
        if (v.ID().MinVersion <= Version && (v.Flags & (vfOptional | vfFound)) == 0)
            return false;
    return true;
}

// ---- binary ----

void TSaveLoadFormatBin::WriteValue(TRecordWriteStream &stream, const TRegisteredValue &value) {
    const int32_t id = value.ID().BinID;
    std::vector<uint8_t> out;
    auto counted = [&](size_t n, size_t itemSize) {
        if (n > static_cast<size_t>(std::numeric_limits<int32_t>::max()))
            Fail("The value is too large for a chunk");
        out = ChunkHead(16 + static_cast<uint64_t>(n) * itemSize, id);
        PutI32(out, static_cast<int32_t>(n));
        PutI32(out, static_cast<int32_t>(n));
    };
    switch (value.ID().Kind) {
    case TValueKind::Integer:
        out = ChunkHead(12, id);
        PutI32(out, *std::get<int32_t *>(value.Variable));
        break;
    case TValueKind::Real:
        out = ChunkHead(16, id);
        PutF64(out, *std::get<double *>(value.Variable));
        break;
    case TValueKind::Boolean:
        out = ChunkHead(12, id);
        PutI32(out, *std::get<bool *>(value.Variable) ? 1 : 0);
        break;
    case TValueKind::Pair: {
        TPairRef pair = std::get<TPairRef>(value.Variable);
        out = ChunkHead(16, id);
        PutI32(out, *pair.First);
        PutI32(out, *pair.Second);
        break;
    }
    case TValueKind::IntArray: {
        const TIntArray &a = *std::get<TIntArray *>(value.Variable);
        counted(a.size(), 4);
        for (int32_t v : a)
            PutI32(out, v);
        break;
    }
    case TValueKind::BoolArray: {
        const TBoolArray &a = *std::get<TBoolArray *>(value.Variable);
        counted(a.size(), 1);
        out.insert(out.end(), a.begin(), a.end());
        break;
    }
    case TValueKind::RealArray: {
        const TRealArray &a = *std::get<TRealArray *>(value.Variable);
        counted(a.size(), 8);
        for (double v : a)
            PutF64(out, v);
        break;
    }
    case TValueKind::ChannelSamples: {
        const TAcquiredData &data = *std::get<TAcquiredData *>(value.Variable);
        uint64_t size = 16;
        for (const TWaveform &w : data)
            size += 8 + w.Data.size();
        out = ChunkHead(size, id);
        PutI32(out, static_cast<int32_t>(data.size()));
        PutI32(out, static_cast<int32_t>(data.size()));
        for (const TWaveform &w : data) {
            PutI32(out, static_cast<int32_t>(w.Data.size()));
            PutI32(out, static_cast<int32_t>(w.Data.size()));
            stream.Write(out.data(), out.size());
            out.clear();
            stream.Write(w.Data.data(), w.Data.size());
        }
        break;
    }
    }
    stream.Write(out.data(), out.size());
}

void TSaveLoadFormatBin::ReadValues(TRecordReadStream &stream) {
    // Payload bytes are overwritten by the read at once, so the buffer is never zero-filled.
    std::unique_ptr<uint8_t[]> payload;
    size_t capacity = 0;
    while (stream.Position() < stream.Size()) {
        uint8_t head[8];
        if (stream.Left() < sizeof head)
            Fail(Corrupted);
        ReadExact(stream, head, sizeof head);
        int32_t size = GetI32(head), id = GetI32(head + 4);
        // Each chunk moves the position forward and stays inside the file.
        if (size < 8 || static_cast<uint64_t>(size) - 8 > stream.Left())
            Fail(Corrupted);
        const size_t payloadSize = static_cast<size_t>(size) - 8;
        TRegisteredValue *found = nullptr;
        for (TRegisteredValue &v : Values)
            if (v.ID().BinID == id) {
                found = &v;
                break;
            }
        if (!found) {
            stream.Skip(payloadSize);
            continue;
        }
        if (payloadSize > capacity) {
            payload.reset(new uint8_t[payloadSize]);
            capacity = payloadSize;
        }
        ReadExact(stream, payload.get(), payloadSize);
        ReadValue(payload.get(), payloadSize, *found);
        found->Flags |= vfFound;
    }
}

void TSaveLoadFormatBin::ReadValue(const uint8_t *data, size_t size, TRegisteredValue &value) {
    TPayload p(data, size);
    switch (value.ID().Kind) {
    case TValueKind::Integer:
        *std::get<int32_t *>(value.Variable) = p.I32();
        break;
    case TValueKind::Real:
        *std::get<double *>(value.Variable) = p.F64();
        break;
    case TValueKind::Boolean:
        *std::get<bool *>(value.Variable) = p.I32() != 0;
        break;
    case TValueKind::Pair: {
        TPairRef pair = std::get<TPairRef>(value.Variable);
        int32_t first = p.I32(), second = p.I32();
        *pair.First = first;
        *pair.Second = second;
        break;
    }
    case TValueKind::IntArray: {
        TIntArray &a = *std::get<TIntArray *>(value.Variable);
        a.resize(p.Count(4, Corrupted));
        for (int32_t &v : a)
            v = p.I32();
        break;
    }
    case TValueKind::BoolArray: {
        TBoolArray &a = *std::get<TBoolArray *>(value.Variable);
        a.resize(p.Count(1, Corrupted));
        p.Bytes(a.data(), a.size());
        break;
    }
    case TValueKind::RealArray: {
        TRealArray &a = *std::get<TRealArray *>(value.Variable);
        a.resize(p.Count(8, Corrupted));
        for (double &v : a)
            v = p.F64();
        break;
    }
    case TValueKind::ChannelSamples: {
        TAcquiredData &data = *std::get<TAcquiredData *>(value.Variable);
        data.resize(p.Count(8, CorruptedChannels));
        for (TWaveform &w : data) {
            w.Data.resize(p.Count(1, CorruptedChannels));
            p.Bytes(w.Data.data(), w.Data.size());
        }
        break;
    }
    }
    p.Finish();
}

// ---- compressed ----

void TSaveLoadFormatZip::WriteValue(TRecordWriteStream &stream, const TRegisteredValue &value) {
    if (value.ID().Kind != TValueKind::ChannelSamples) {
        TSaveLoadFormatBin::WriteValue(stream, value);
        return;
    }
    const TAcquiredData &data = *std::get<TAcquiredData *>(value.Variable);
    // The whole chunk is built first: its size is known only once the streams are written.
    std::vector<uint8_t> chunk = ChunkHead(0, value.ID().BinID);
    PutI32(chunk, static_cast<int32_t>(data.size()));
    PutI32(chunk, static_cast<int32_t>(data.size()));
    for (const TWaveform &w : data) {
        if (w.Data.size() > static_cast<size_t>(std::numeric_limits<int32_t>::max()))
            Fail("The value is too large for a chunk");
        PutI32(chunk, static_cast<int32_t>(w.Data.size()));
        PutI32(chunk, static_cast<int32_t>(w.Data.size()));
        size_t at = chunk.size();
        uLongf streamSize = compressBound(static_cast<uLong>(w.Data.size()));
        chunk.resize(at + streamSize);
        if (compress2(chunk.data() + at, &streamSize, w.Data.data(), static_cast<uLong>(w.Data.size()), 9) !=
            Z_OK)
            Fail("Unable to compress the samples");
        chunk.resize(at + streamSize);
        ChunkSize(chunk.size());
    }
    SetI32(chunk.data(), ChunkSize(chunk.size()));
    stream.Write(chunk.data(), chunk.size());
}

namespace {

// Inflates one zlib stream into exactly out.size() bytes; returns the bytes of input it took.
size_t InflateExactly(const uint8_t *in, size_t inSize, std::vector<uint8_t> &out) {
    z_stream z{};
    if (inflateInit(&z) != Z_OK)
        Fail("Unable to decompress the samples");
    z.next_in = const_cast<Bytef *>(in);
    z.avail_in = static_cast<uInt>(inSize);
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    // Once the samples are full, one spare byte shows whether the stream holds more.
    uint8_t spare;
    bool onSpare = false;
    int r;
    for (;;) {
        if (z.avail_out == 0) {
            if (onSpare)
                break;
            onSpare = true;
            z.next_out = &spare;
            z.avail_out = 1;
        }
        r = inflate(&z, Z_NO_FLUSH);
        if (r != Z_OK)
            break;
    }
    bool exact = r == Z_STREAM_END && z.avail_out == (onSpare ? 1u : 0u);
    size_t used = inSize - z.avail_in;
    inflateEnd(&z);
    if (!exact)
        Fail(CorruptedChannels);
    return used;
}

} // namespace

void TSaveLoadFormatZip::ReadValue(const uint8_t *data, size_t size, TRegisteredValue &value) {
    if (value.ID().Kind != TValueKind::ChannelSamples) {
        TSaveLoadFormatBin::ReadValue(data, size, value);
        return;
    }
    TPayload p(data, size);
    TAcquiredData &channels = *std::get<TAcquiredData *>(value.Variable);
    channels.resize(p.Count(8, CorruptedChannels));
    // Checked before anything is allocated or inflated.
    uint64_t samplesLeft = static_cast<uint64_t>(RecordSampleLimit) * RecordChannelLimit;
    for (TWaveform &w : channels) {
        int32_t a = p.I32(), b = p.I32();
        // Deflate never expands one byte of input into more than 1032 bytes of output.
        if (a != b || a < 0 || a > RecordSampleLimit || static_cast<uint64_t>(a) > samplesLeft ||
            static_cast<uint64_t>(a) > static_cast<uint64_t>(p.Remaining()) * 1032)
            Fail(CorruptedChannels);
        samplesLeft -= static_cast<uint64_t>(a);
        w.Data.resize(static_cast<size_t>(a));
        p.Advance(InflateExactly(p.Data(), p.Remaining(), w.Data));
    }
    p.Finish();
}

// ---- text ----

void TSaveLoadFormatText::WriteValue(TRecordWriteStream &stream, const TRegisteredValue &value) {
    TTextOut out(stream);
    const std::string name = value.ID().TxtID;
    auto array = [&](const auto &items, auto item) {
        out.Text(name + "[");
        out.Int(static_cast<int64_t>(items.size()));
        out.Text("] = ");
        bool first = true;
        for (const auto &v : items) {
            if (!first)
                out.Text(",", 1);
            first = false;
            item(v);
        }
        out.Text("\r\n", 2);
    };
    switch (value.ID().Kind) {
    case TValueKind::Integer:
        out.Text(name + " = ");
        out.Int(*std::get<int32_t *>(value.Variable));
        out.Text("\r\n", 2);
        break;
    case TValueKind::Real:
        out.Text(name + " = ");
        out.Real(*std::get<double *>(value.Variable));
        out.Text("\r\n", 2);
        break;
    case TValueKind::Boolean:
        out.Text(name + (*std::get<bool *>(value.Variable) ? " = 1\r\n" : " = 0\r\n"));
        break;
    case TValueKind::Pair: {
        TPairRef pair = std::get<TPairRef>(value.Variable);
        out.Text(name + "[2] = ");
        out.Int(*pair.First);
        out.Text(",", 1);
        out.Int(*pair.Second);
        out.Text("\r\n", 2);
        break;
    }
    case TValueKind::IntArray:
        array(*std::get<TIntArray *>(value.Variable), [&](int32_t v) { out.Int(v); });
        break;
    case TValueKind::BoolArray:
        array(*std::get<TBoolArray *>(value.Variable), [&](uint8_t v) { out.Int(v); });
        break;
    case TValueKind::RealArray:
        array(*std::get<TRealArray *>(value.Variable), [&](double v) { out.Real(v); });
        break;
    case TValueKind::ChannelSamples: {
        const TAcquiredData &data = *std::get<TAcquiredData *>(value.Variable);
        for (size_t i = 0; i < data.size(); ++i) {
            out.Text(name + ".");
            out.Int(static_cast<int64_t>(i));
            out.Text("[");
            out.Int(static_cast<int64_t>(data[i].Data.size()));
            out.Text("] = ");
            bool first = true;
            for (uint8_t s : data[i].Data) {
                if (!first)
                    out.Text(",", 1);
                first = false;
                out.Byte(s);
            }
            out.Text("\r\n", 2);
        }
        break;
    }
    }
    out.Flush();
}

void TSaveLoadFormatText::ReadValues(TRecordReadStream &stream) {
    auto in = std::make_unique<TTextIn>(stream);
    while (!in->End()) {
        // A key is the text before "=" on its own line; a line without one holds no value.
        std::string keyText;
        bool equals = false;
        for (int c = in->Next(); c != EndOfFile && c != '\n'; c = in->Next()) {
            if (c == '=') {
                equals = true;
                break;
            }
            keyText += char(c);
        }
        if (!equals)
            continue;
        TTextKey key = ParseKey(keyText);
        TRegisteredValue *found = nullptr;
        for (TRegisteredValue &v : Values)
            if (SameTextIgnoringCase(key.Name, v.ID().TxtID)) {
                found = &v;
                break;
            }
        // A foreign line is passed over whole.
        if (!found) {
            in->SkipLine();
            continue;
        }
        if (key.Error) {
            if (key.ConvertError)
                throw EConvertError(key.Error);
            Fail(key.Error);
        }
        ReadTextValue(*in, key, found->Variable);
        found->Flags |= vfFound;
    }
}

// ---- format table ----

const std::array<TSaveLoadFormatDescRow, 3> TSaveLoadFormatDesc = {{
    {CreateFormat<TSaveLoadFormatBin>, "TRN Scope Binary format", "rsb", sfCanSave | sfCanLoad},
    {CreateFormat<TSaveLoadFormatZip>, "TRN Scope Compressed format", "rsc", sfCanSave | sfCanLoad},
    {CreateFormat<TSaveLoadFormatText>, "TRN Scope ASCII format", "rsa", sfCanSave | sfCanLoad | sfShowWait},
}};

} // namespace scope
