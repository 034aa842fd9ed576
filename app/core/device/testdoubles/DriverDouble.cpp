// A scriptable driver library with the three driver exports, for tests of the device bindings. Tests
// set its answers and read the log of its calls through the "dbl_" exports. Built once per family
// with the family's description block size.
#include "ScopeConstsPellX.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <vector>

#ifndef DOUBLE_BLOCK_SIZE
#error DOUBLE_BLOCK_SIZE must be defined
#endif

namespace {

struct TCall {
    int32_t Code, Reserved1, Reserved2, BufferSize;
    intptr_t Value;
    int32_t ResultIn; // the Result cell as the caller handed it in
    bool HasBuffer, HasResult;
};

// The pseudo code that logs an InitializeDevice call among the device functions.
constexpr int32_t InitializeCall = -1;

std::vector<uint8_t> Block;
int32_t InitResult = irOk;
std::map<int32_t, int32_t> Answers;
bool Enumerates = false;
int32_t EnumResult = 0;
uint32_t EnumIds[16];
std::vector<uint8_t> Record;
int32_t RecordCount = 0;
int32_t PollReturn = 0;
int32_t PollStatus = psArmed;
uint8_t Version[2] = {0, 0};
volatile uint8_t *LinkByte = nullptr;
int32_t DeInitCount = 0;
std::vector<TCall> Calls;

} // namespace

extern "C" {

SCOPE_EXPORT int32_t InitializeDevice(void *Desc) {
    Calls.push_back(TCall{InitializeCall, 0, 0, 0, 0, 0, Desc != nullptr, false});
    if (Desc && !Block.empty())
        std::memcpy(Desc, Block.data(), std::min<size_t>(Block.size(), DOUBLE_BLOCK_SIZE));
    return InitResult;
}

#ifndef DOUBLE_NO_DEINIT
SCOPE_EXPORT void DeInitializeDevice(void) {
    ++DeInitCount;
}
#endif

SCOPE_EXPORT uint8_t DeviceFunction(int32_t Code, int32_t Reserved1, int32_t Reserved2, void *Buffer,
                                    int32_t BufferSize, intptr_t Value, int32_t *ResultPtr) {
    Calls.push_back(TCall{Code, Reserved1, Reserved2, BufferSize, Value, ResultPtr ? *ResultPtr : 0,
                          Buffer != nullptr, ResultPtr != nullptr});
    switch (Code) {
    case dfSetLinkFlag:
        LinkByte = reinterpret_cast<volatile uint8_t *>(Value);
        return 1;
    case dfPollStatus:
        if (ResultPtr)
            *ResultPtr = PollStatus;
        return static_cast<uint8_t>(PollReturn);
    case dfReadRecord:
        // An empty record has no data pointer to copy from.
        if (Buffer && !Record.empty())
            std::memcpy(Buffer, Record.data(), Record.size());
        if (ResultPtr)
            *ResultPtr = RecordCount;
        return 1;
    case dfEnumerateDevices:
        if (!Enumerates)
            return 1;
        for (int i = 0; i < 16 && Buffer; ++i)
            LePutU32(static_cast<uint8_t *>(Buffer), 4 * static_cast<size_t>(i), EnumIds[i]);
        if (ResultPtr)
            *ResultPtr = EnumResult;
        return 1;
    case dfOpenByIndex:
        if (Buffer && !Block.empty())
            std::memcpy(Buffer, Block.data(), std::min<size_t>(Block.size(), DOUBLE_BLOCK_SIZE));
        if (ResultPtr)
            *ResultPtr = InitResult;
        return 1;
    case dfGetDriverVersion:
        if (Buffer)
            std::memcpy(Buffer, Version, 2);
        return 1;
    default:
        break;
    }
    auto answer = Answers.find(Code);
    if (answer != Answers.end() && ResultPtr)
        *ResultPtr = answer->second;
    return 1;
}

SCOPE_EXPORT void dbl_Reset(void) {
    Block.clear();
    InitResult = irOk;
    Answers.clear();
    Enumerates = false;
    Record.clear();
    RecordCount = 0;
    PollReturn = 0;
    PollStatus = psArmed;
    LinkByte = nullptr;
    DeInitCount = 0;
    Calls.clear();
}

SCOPE_EXPORT void dbl_SetBlock(const uint8_t *data, int32_t size) {
    Block.assign(data, data + size);
}
SCOPE_EXPORT void dbl_SetInitResult(int32_t result) {
    InitResult = result;
}
SCOPE_EXPORT void dbl_SetAnswer(int32_t code, int32_t result) {
    Answers[code] = result;
}
SCOPE_EXPORT void dbl_SetVersion(uint8_t major, uint8_t minor) {
    Version[0] = major;
    Version[1] = minor;
}

SCOPE_EXPORT void dbl_SetEnumeration(const uint32_t *ids, int32_t result) {
    Enumerates = true;
    std::memcpy(EnumIds, ids, sizeof EnumIds);
    EnumResult = result;
}

SCOPE_EXPORT void dbl_SetPoll(int32_t pollReturn, int32_t status) {
    PollReturn = pollReturn;
    PollStatus = status;
}

SCOPE_EXPORT void dbl_SetRecord(const uint8_t *words, int32_t bytes, int32_t count) {
    Record.assign(words, words + bytes);
    RecordCount = count;
}

SCOPE_EXPORT int32_t dbl_CallCount(void) {
    return static_cast<int32_t>(Calls.size());
}

// Fields of call i: code, reserved1, reserved2, buffer size, value, Result handed in, has buffer, has Result.
SCOPE_EXPORT void dbl_GetCall(int32_t i, int64_t *out) {
    const TCall &c = Calls.at(static_cast<size_t>(i));
    out[0] = c.Code;
    out[1] = c.Reserved1;
    out[2] = c.Reserved2;
    out[3] = c.BufferSize;
    out[4] = c.Value;
    out[5] = c.ResultIn;
    out[6] = c.HasBuffer;
    out[7] = c.HasResult;
}

SCOPE_EXPORT void dbl_ClearCalls(void) {
    Calls.clear();
}
SCOPE_EXPORT const volatile uint8_t *dbl_LinkByte(void) {
    return LinkByte;
}

// What the library's link callback does: marks the link broken (non-zero) or restored (0).
SCOPE_EXPORT void dbl_SetLink(uint8_t value) {
    if (LinkByte)
        *LinkByte = value;
}

SCOPE_EXPORT int32_t dbl_DeInitCount(void) {
    return DeInitCount;
}

} // extern "C"
