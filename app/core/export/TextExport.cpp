#include "export/TextExport.h"

#include "ModuleTypesTarn.h"
#include "format/NumberText.h"
#include "settings/ExportOptionsTarn.h"
#include "settings/SettingsTarn.h"

#include <algorithm>
#include <cmath>

namespace scope {

TScaleTable BuildScaleTable(TSettingsTarn &settings) {
    const TDeviceSettings &shown = settings.ShownSettings();
    const int32_t physical = settings.PhysicalChannelCount;
    TScaleTable table(static_cast<size_t>(std::max(0, physical + settings.VirtualChannelCount)));
    for (int32_t i = 0; i < physical; ++i) {
        TScaleRow &row = table[size_t(i)];
        const size_t ch = size_t(i);
        if (ch >= shown.Range.size() || ch >= shown.GroundPosition.size() || settings.LevelsPerDiv <= 0)
            continue;
        const int32_t range = shown.Range[ch];
        if (range < 0 || range >= int32_t(settings.Ranges.size()))
            continue;
        const int32_t probe = ch < shown.ProbeMode.size() ? shown.ProbeMode[ch] : 0;
        row.VoltsPerLevel =
            settings.Ranges[size_t(range)].VoltsPerDiv / settings.LevelsPerDiv * ProbeFactor(probe);
        row.GroundLevel = shown.GroundPosition[ch];
        row.Valid = true;
    }
    for (int32_t v = 0; v < settings.VirtualChannelCount; ++v) {
        if (size_t(v) >= shown.VerticalParams.size())
            break;
        TScaleRow &row = table[size_t(physical + v)];
        const TVerticalParamsRow &params = shown.VerticalParams[size_t(v)];
        row.VoltsPerLevel = VerticalParamsVoltsPerLevel(params.data());
        row.GroundLevel = VerticalParamsGroundLevel(params.data());
        row.Valid = std::isfinite(row.VoltsPerLevel) && std::isfinite(row.GroundLevel);
    }
    return table;
}

std::string FormatLevel(uint8_t level, const TScaleRow &scale, int32_t units, char separator) {
    if (units != euMillivolts && units != euVolts)
        return std::to_string(level);
    if (!scale.Valid)
        return "-";
    // With a 1:1000 probe the scaled value reaches 4e12 fifth-decimal steps: beyond 32 bits.
    const double factor = units == euMillivolts ? 100000000.0 : 100000.0;
    const double scaled = std::nearbyint((level - scale.GroundLevel) * factor * scale.VoltsPerLevel);
    if (!std::isfinite(scaled) || std::fabs(scaled) > 9.0e15)
        return "-";
    const int64_t steps = static_cast<int64_t>(scaled);
    return numtext::FloatToText(static_cast<double>(steps) / 100000.0, separator);
}

TSampleRange ExportRange(int32_t area, const TWaveform &channelA, TSettingsTarn &settings,
                         const std::function<int32_t(int32_t)> &pointToSample) {
    TSampleRange range;
    if (channelA.Empty())
        return range;
    range.First = channelA.First;
    range.Last = channelA.Last;
    if (area == eaScreen) {
        range.First = std::max(range.First, pointToSample(0));
        range.Last = std::min(range.Last, pointToSample(settings.PointsOnScreen) - 1);
    } else if (area == eaVerticalCursors) {
        const int32_t c0 = settings.GetVerCursorPos(0), c1 = settings.GetVerCursorPos(1);
        range.First = std::max(range.First, pointToSample(std::min(c0, c1)));
        range.Last = std::min(range.Last, pointToSample(std::max(c0, c1)));
    }
    return range;
}

// File sink

bool TFileSink::Create(const std::string &path) {
    return Writer.Open(path);
}

void TFileSink::Put(const std::string &row) {
    if (!Writer.Ok())
        throw Exception(Writer.Error().empty() ? "The file is not open" : Writer.Error());
    if (!Writer.Write(row))
        throw Exception(Writer.Error());
}

bool TFileSink::Commit() {
    return Writer.Commit();
}

// Rows

TTextRowWriter::TTextRowWriter(const TExportOption &preset, TInput input)
    : In(std::move(input)), Units(preset.Units), TimeColumn(preset.Style == 1) {
    std::vector<int32_t> channels;
    for (int32_t c = 0; c < 4; ++c)
        if (preset.Source & (1 << c))
            channels.push_back(c);
    const size_t count = In.Waves ? In.Waves->size() : 0;
    for (size_t i = 0; i < channels.size(); ++i) {
        const int32_t c = channels[i];
        const bool absent = size_t(c) >= count || (*In.Waves)[size_t(c)].Empty();
        const bool unscaled =
            Units != euLevels && (size_t(c) >= In.Scale.size() || !In.Scale[size_t(c)].Valid);
        TColumn column{c, i + 1 == channels.size(), absent || unscaled, {}};
        if (!column.Dash) {
            const TScaleRow none;
            const TScaleRow &scale = size_t(c) < In.Scale.size() ? In.Scale[size_t(c)] : none;
            for (int level = 0; level < 256; ++level)
                column.Texts.push_back(FormatLevel(uint8_t(level), scale, Units, In.Separator));
        }
        Columns.push_back(std::move(column));
    }
    MicrosecondsPerSample = In.SampleRate > 0 ? 1000000.0 / In.SampleRate : 0;
}

void TTextRowWriter::AppendCell(const TColumn &column, int32_t index, std::string &row) const {
    if (column.Dash) {
        row += '-';
        return;
    }
    // A channel on hold or a shorter module channel has no sample here: nothing stale is exported.
    const TWaveform &w = (*In.Waves)[size_t(column.Channel)];
    if (index < w.First || index > w.Last || index < 0 || size_t(index) >= w.Data.size())
        row += '-';
    else
        row += column.Texts[w.Data[size_t(index)]];
}

void TTextRowWriter::AppendRow(int32_t index, std::string &row) const {
    if (TimeColumn) {
        const double t = In.SampleRate > 0
                             ? double(int64_t(index) - In.TriggerPosition) * MicrosecondsPerSample
                             : std::nan("");
        row += In.SampleRate > 0 ? numtext::FloatToText(t, In.Separator) : std::string("-");
        row += '\t';
    }
    for (const TColumn &column : Columns) {
        AppendCell(column, index, row);
        if (!column.Last)
            row += '\t';
    }
    row += "\r\n";
}

void TTextRowWriter::WriteRows(const TSampleRange &range, ITextSink &sink) const {
    std::string row;
    for (int64_t i = range.First; i <= range.Last; ++i) {
        row.clear();
        AppendRow(int32_t(i), row);
        sink.Put(row);
    }
}

} // namespace scope
