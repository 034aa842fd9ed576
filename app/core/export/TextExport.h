// The record as tab-separated text: one row per sample, optionally led by the time, one column per chosen
// channel. Scale table, sample range, row text and the two destinations (gathered text, text file).
#pragma once

#include "device/DataTypesTarn.h"
#include "platform/Platform.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace scope {

class TExportOption;
class TSettingsTarn;

enum TExportUnits : int32_t { euMillivolts, euVolts, euLevels };
enum TExportArea : int32_t { eaWholeMemory, eaScreen, eaVerticalCursors };

// Volts per level and ground level of one channel; not Valid when its range or module row is missing.
struct TScaleRow {
    double VoltsPerLevel = 0;
    double GroundLevel = 0;
    bool Valid = false;
};
using TScaleTable = std::vector<TScaleRow>;

// One row per physical and virtual channel from the shown settings. Physical channels read at the
// probe tip (volts per division times the probe factor); module channels take their own vertical
// parameters.
TScaleTable BuildScaleTable(TSettingsTarn &settings);

// A sample level as exported: millivolts or volts rounded to five decimals (halves to even), or the
// raw level.
std::string FormatLevel(uint8_t level, const TScaleRow &scale, int32_t units, char separator);

// First and last sample index to export, within channel A's valid part; Last < First for none.
struct TSampleRange {
    int32_t First = 0;
    int32_t Last = -1;
};
TSampleRange ExportRange(int32_t area, const TWaveform &channelA, TSettingsTarn &settings,
                         const std::function<int32_t(int32_t)> &pointToSample);

// Where the rows go; Put raises Exception when a row cannot be taken.
class ITextSink {
public:
    virtual ~ITextSink() = default;
    virtual void Put(const std::string &row) = 0;
};

// Gathers the rows in memory for one hand-over.
class TStringSink : public ITextSink {
public:
    void Put(const std::string &row) override { Text += row; }
    std::string Text;
};

// Writes every row straight to the file through the safe writer (nothing is held back in a buffer): the
// rows go to a temporary file that replaces the file, or the final target of a link, at Commit.
class TFileSink : public ITextSink {
public:
    // False with Error() holding the system's message when the file cannot be created or replaced.
    bool Create(const std::string &path);
    void Put(const std::string &row) override;
    // Puts the file in place; false with Error() set when that fails.
    bool Commit();
    // Drops the rows; a file that was there stays as it was.
    void Abort() { Writer.Abort(); }
    const std::string &Error() const { return Writer.Error(); }

private:
    platform::TSafeFileWriter Writer;
};

// Builds the rows of one export: formatter by units, time column by style, columns A to D by source.
class TTextRowWriter {
public:
    struct TInput {
        const TAcquiredData *Waves = nullptr;
        TScaleTable Scale;
        int32_t TriggerPosition = 0;
        double SampleRate = 0;
        char Separator = '.';
    };
    TTextRowWriter(const TExportOption &preset, TInput input);

    // The row of one sample index, CR LF ended.
    void AppendRow(int32_t index, std::string &row) const;
    // Every row of the range into the sink; a sink error stops it with the rows so far delivered.
    void WriteRows(const TSampleRange &range, ITextSink &sink) const;

private:
    struct TColumn {
        int32_t Channel;
        bool Last;
        bool Dash; // the whole column is "-"
        // The text of every level 0..255, made once per export.
        std::vector<std::string> Texts;
    };
    void AppendCell(const TColumn &column, int32_t index, std::string &row) const;

    TInput In;
    int32_t Units;
    bool TimeColumn;
    std::vector<TColumn> Columns;
    double MicrosecondsPerSample = 0;
};

} // namespace scope
