// Record files: one record's device settings and samples as named values, in a binary chunk format,
// the same with each channel's samples deflated, and a text format of name = value lines.
#pragma once

#include "device/DataTypesTarn.h"
#include "settings/XMLSettings.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <variant>
#include <vector>

namespace scope {

using TRealArray = std::vector<double>;

// The value kinds; the order matches the alternatives of TValueRef.
enum class TValueKind : uint8_t {
    Integer = 0,
    Real = 1,
    IntArray = 2,
    BoolArray = 3,
    RealArray = 4,
    Pair = 5,
    Boolean = 6,
    ChannelSamples = 7,
};

struct TValueIDRow {
    const char *TxtID;
    int32_t BinID;
    TValueKind Kind;
    int32_t MinVersion;
};

// The names every record file uses; BinID equals the row number.
extern const std::array<TValueIDRow, 28> TValueID;

// Two integers, primary then secondary, wherever they live.
struct TPairRef {
    int32_t *First = nullptr;
    int32_t *Second = nullptr;
    TPairRef(int32_t *first, int32_t *second) : First(first), Second(second) {}
    TPairRef(std::array<int32_t, 2> *pair) : First(pair->data()), Second(pair->data() + 1) {}
    TPairRef(int32_t (*pair)[2]) : First(*pair), Second(*pair + 1) {}
};

using TValueRef = std::variant<int32_t *, double *, TIntArray *, TBoolArray *, TRealArray *, TPairRef, bool *,
                               TAcquiredData *>;

// Flags of a registered value.
constexpr uint32_t vfOptional = 1;
constexpr uint32_t vfFound = 2;

// The longest record an instrument takes, in samples per channel, and the channels of the full channel list:
// no record the program can hold is larger, so a compressed chunk never inflates past their product.
constexpr int32_t RecordSampleLimit = 1048576;
constexpr int32_t RecordChannelLimit = 8;

// Results of SaveToFile and LoadFromFile.
constexpr int32_t slOK = 0;
constexpr int32_t slCannotCreate = 1;
constexpr int32_t slWriteFailed = 2;
constexpr int32_t slCannotOpen = 3;
constexpr int32_t slReadFailed = 4;

// Bytes of a file being read; reads come back short only at the end.
class TRecordReadStream {
public:
    virtual ~TRecordReadStream() = default;
    virtual size_t Read(void *buffer, size_t count) = 0;
    virtual void Skip(uint64_t count) = 0;
    virtual uint64_t Position() const = 0;
    virtual uint64_t Size() const = 0;
    uint64_t Left() const { return Size() - Position(); }
};

class TRecordMemoryReadStream : public TRecordReadStream {
public:
    TRecordMemoryReadStream(const void *data, size_t size)
        : Data(static_cast<const uint8_t *>(data)), Length(size) {}
    size_t Read(void *buffer, size_t count) override;
    void Skip(uint64_t count) override;
    uint64_t Position() const override { return Pos; }
    uint64_t Size() const override { return Length; }

private:
    const uint8_t *Data;
    size_t Length;
    size_t Pos = 0;
};

// Bytes of a file being written; a failed write raises an exception.
class TRecordWriteStream {
public:
    virtual ~TRecordWriteStream() = default;
    virtual void Write(const void *data, size_t count) = 0;
};

class TSaveLoadFormat {
public:
    virtual ~TSaveLoadFormat() = default;

    // Registers a variable under a name of the value table; the variable's type must fit the row.
    virtual void AddValue(const std::string &name, TValueRef variable, uint32_t flags = 0);
    virtual int32_t SaveToFile(const std::string &fileName);
    virtual int32_t LoadFromFile(const std::string &fileName);
    // False when a value that is not optional was not in the file.
    bool AllValuesRead() const;

    // Reads from any stream: 0, or 4 when reading raised.
    int32_t LoadFromStream(TRecordReadStream &stream);

protected:
    struct TRegisteredValue {
        TValueRef Variable;
        int32_t Row;
        uint32_t Flags;
        const TValueIDRow &ID() const { return TValueID[static_cast<size_t>(Row)]; }
    };

    virtual void WriteValue(TRecordWriteStream &stream, const TRegisteredValue &value) = 0;
    virtual void ReadValues(TRecordReadStream &stream) = 0;

    int32_t Version = 0;
    std::vector<TRegisteredValue> Values;
};

class TSaveLoadFormatBin : public TSaveLoadFormat {
protected:
    void WriteValue(TRecordWriteStream &stream, const TRegisteredValue &value) override;
    void ReadValues(TRecordReadStream &stream) override;
    // One chunk payload, whole in memory, into one registered value.
    virtual void ReadValue(const uint8_t *payload, size_t size, TRegisteredValue &value);
};

class TSaveLoadFormatZip : public TSaveLoadFormatBin {
protected:
    void WriteValue(TRecordWriteStream &stream, const TRegisteredValue &value) override;
    void ReadValue(const uint8_t *payload, size_t size, TRegisteredValue &value) override;
};

class TSaveLoadFormatText : public TSaveLoadFormat {
protected:
    void WriteValue(TRecordWriteStream &stream, const TRegisteredValue &value) override;
    void ReadValues(TRecordReadStream &stream) override;
};

// Flags of a row of the format table.
constexpr uint32_t sfCanSave = 1;
constexpr uint32_t sfCanLoad = 2;
constexpr uint32_t sfShowWait = 4;

struct TSaveLoadFormatDescRow {
    std::unique_ptr<TSaveLoadFormat> (*Create)();
    const char *Description;
    const char *Extension;
    uint32_t Flags;
};

extern const std::array<TSaveLoadFormatDescRow, 3> TSaveLoadFormatDesc;

} // namespace scope
