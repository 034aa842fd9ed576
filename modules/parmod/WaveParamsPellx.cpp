#include "WaveParamsPellx.h"

#include <charconv>
#include <cmath>
#include <limits>

const char *StatLabel(int32_t statistic) {
    static const char *const labels[ParamStatCount] = {"now", "avg", "min", "max", "dev"};
    return statistic >= 0 && statistic < ParamStatCount ? labels[statistic] : "";
}

char ChannelLetter(int32_t channel) {
    return channel >= 0 && channel < ParamChannelCount ? char('A' + channel) : ' ';
}

TWaveParam::TWaveParam(std::string name, std::string unit, bool noPrefix)
    : ParamName(std::move(name)), ParamUnit(std::move(unit)), WithoutPrefix(noPrefix) {}

void TWaveParam::AddValue(int32_t channel, double x) {
    if (channel < 0 || channel >= ParamChannelCount)
        return;
    std::lock_guard guard(Lock);
    TParamChannel &c = Channels[channel];
    c.Now = x;
    const int32_t before = c.Count;
    c.Count = before + 1;
    if (before == 0) {
        c.Min = c.Max = c.Mean = x;
        c.Dev = 0;
        c.Decimals.fill(0);
        c.MeanSquare = x * x;
        c.Valid = true;
        return;
    }
    if (x < c.Min)
        c.Min = x;
    if (x > c.Max)
        c.Max = x;
    c.Mean += (x - c.Mean) / c.Count;
    c.MeanSquare += (x * x - c.MeanSquare) / c.Count;
    c.Dev = std::sqrt(std::fabs(c.MeanSquare - c.Mean * c.Mean));
}

void TWaveParam::ResetChannel(int32_t channel) {
    if (channel < 0 || channel >= ParamChannelCount)
        return;
    std::lock_guard guard(Lock);
    Channels[channel].Valid = false;
    Channels[channel].Count = 0;
}

void TWaveParam::Reset() {
    for (int32_t i = 0; i < ParamChannelCount; ++i)
        ResetChannel(i);
}

TParamChannel TWaveParam::Channel(int32_t channel) const {
    std::lock_guard guard(Lock);
    return Channels[channel];
}

std::pair<std::string, std::string> TWaveParam::FormatValue(double x, char decimalSeparator) const {
    if (!std::isfinite(x))
        return {"N/A", ""};
    int32_t e = 0;
    if (!WithoutPrefix && x != 0) {
        while (std::fabs(x) >= 1000 && e < 3) {
            ++e;
            x /= 1000;
        }
        while (std::fabs(x) < 1 && e > -3) {
            --e;
            x *= 1000;
        }
    }
    // Beyond the 64-bit range a double has no fraction left to round.
    const double scaled = x * 1000;
    if (std::fabs(scaled) < 9.0e18)
        x = static_cast<double>(static_cast<int64_t>(std::nearbyint(scaled))) / 1000;
    if (x == 0)
        x = 0; // no "-0"
    char buffer[400];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, x, std::chars_format::fixed);
    std::string number = ec == std::errc() ? std::string(buffer, end) : std::string("N/A");
    for (char &ch : number)
        if (ch == '.')
            ch = decimalSeparator;
    static const char *const prefixes[] = {"n", "u", "m", "", "k", "M", "G"};
    return {number, std::string(prefixes[e + 3]) + ParamUnit};
}

std::string TWaveParam::CellText(int32_t channel, int32_t statistic, char decimalSeparator) {
    if (channel < 0 || channel >= ParamChannelCount || statistic < 0 || statistic >= ParamStatCount)
        return "N/A";
    std::lock_guard guard(Lock);
    TParamChannel &c = Channels[channel];
    if (!c.Valid)
        return "N/A";
    const double values[ParamStatCount] = {c.Now, c.Mean, c.Min, c.Max, c.Dev};
    auto [number, unit] = FormatValue(values[statistic], decimalSeparator);
    const size_t separator = number.find_last_of(".,");
    const int32_t d =
        separator == std::string::npos ? 0 : static_cast<int32_t>(number.size() - separator - 1);
    int32_t &decimals = c.Decimals[statistic];
    if (d > decimals)
        decimals = d;
    if (d == 0 && decimals > 0)
        number += decimalSeparator;
    for (int32_t shown = d; shown < decimals; ++shown)
        number += '0';
    return number + " " + unit;
}

int32_t TWaveParamsPellx::AddParam(const std::string &name, const std::string &unit, bool noPrefix) {
    std::lock_guard guard(ListLock);
    Params.push_back(std::make_unique<TWaveParam>(name, unit, noPrefix));
    return Count() - 1;
}

int32_t TWaveParamsPellx::VisibleCount() const {
    int32_t n = 0;
    for (const auto &p : Params)
        n += p->Visible ? 1 : 0;
    return n;
}

int32_t TWaveParamsPellx::VisibleIndex(int32_t n) const {
    if (n < 0)
        return -1;
    for (int32_t i = 0; i < Count(); ++i)
        if (Params[i]->Visible && n-- == 0)
            return i;
    return -1;
}

void TWaveParamsPellx::ResetAll() {
    for (auto &p : Params)
        p->Reset();
}

void TWaveParamsPellx::ResetChannel(int32_t channel) {
    for (auto &p : Params)
        p->ResetChannel(channel);
}

void TWaveParamsPellx::SetOnParamLoad(TParamLoadEvent handler) {
    OnParamLoad = std::move(handler);
    if (OnParamLoad)
        OnParamLoad(*this);
}

TParamStatsPellx::TParamStatsPellx() {
    Channels = {true, true, false, false};
    Stats = {true, true, false, false, false};
    Colours = {0x008000, 0x0000FF, 0x00FFFF, 0x000080};
}

bool TParamStatsPellx::ChannelVisible(int32_t i) const {
    std::lock_guard guard(Lock);
    return i >= 0 && i < ParamChannelCount && Channels[i];
}

bool TParamStatsPellx::StatVisible(int32_t j) const {
    std::lock_guard guard(Lock);
    return j >= 0 && j < ParamStatCount && Stats[j];
}

int32_t TParamStatsPellx::VisibleChannelCount() const {
    std::lock_guard guard(Lock);
    int32_t n = 0;
    for (bool on : Channels)
        n += on ? 1 : 0;
    return n;
}

int32_t TParamStatsPellx::VisibleStatCount() const {
    std::lock_guard guard(Lock);
    int32_t n = 0;
    for (bool on : Stats)
        n += on ? 1 : 0;
    return n;
}

void TParamStatsPellx::SetChannelVisible(int32_t i, bool on) {
    std::lock_guard guard(Lock);
    if (i >= 0 && i < ParamChannelCount)
        Channels[i] = on;
}

void TParamStatsPellx::SetStatVisible(int32_t j, bool on) {
    std::lock_guard guard(Lock);
    if (j >= 0 && j < ParamStatCount)
        Stats[j] = on;
}

void TParamStatsPellx::SetColour(int32_t i, uint32_t colour) {
    std::lock_guard guard(Lock);
    if (i >= 0 && i < ParamChannelCount)
        Colours[i] = colour;
}

uint32_t TParamStatsPellx::Colour(int32_t i) const {
    std::lock_guard guard(Lock);
    return i >= 0 && i < ParamChannelCount ? Colours[i] : 0;
}

void TParamStatsPellx::Assign(const TParamStatsPellx &source) {
    if (&source == this)
        return;
    std::scoped_lock guard(source.Lock, Lock);
    Stats = source.Stats;
    Channels = source.Channels;
    Colours = source.Colours;
}
