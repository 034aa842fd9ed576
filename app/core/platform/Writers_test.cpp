// Every writer of the program over the same places to save to: records in their three formats, the three
// picture formats, a text export to a file, settings.xml and an exported settings file. Each goes through
// the safe writer, so each lands at a link's final target, keeps its permissions, takes names up to the
// file system's limit and refuses what it cannot write with its own result, changing nothing.
#include "export/ImageEncoders.h"
#include "export/TextExport.h"
#include "platform/Platform.h"
#include "records/SaveLoadFormatsTarn.h"
#include "settings/SettingsTarn.h"
#include "testkit/ScriptedMessages.h"
#include "testkit/TestFolder.h"
#include "testkit/WriteTargets.h"

#include <functional>
#include <gtest/gtest.h>

namespace scope {

namespace {

// What a writer reports: whether it saved, and what it says otherwise.
struct TOutcome {
    bool Saved;
    std::string Told;
};

struct TWriter {
    std::string Name;
    std::string Extension;
    std::function<TOutcome(const std::string &)> Save;
    // What the writer tells about a refused save.
    std::function<std::string(TWriteTargetKind)> Refusal;
};

const char *RecordResult(int32_t result) {
    return result == slOK ? "" : result == slCannotCreate ? "cannot create" : "write failed";
}

TWriter RecordWriter(int row) {
    const TSaveLoadFormatDescRow &format = TSaveLoadFormatDesc[size_t(row)];
    return {std::string("record ") + format.Extension, std::string(".") + format.Extension,
            [&format](const std::string &path) {
                int32_t memory = 8192;
                TAcquiredData data = {{std::vector<uint8_t>(300, 77), 0, 299}};
                std::unique_ptr<TSaveLoadFormat> f = format.Create();
                f->AddValue("MemorySize", &memory);
                f->AddValue("AcquiredData", &data);
                const int32_t result = f->SaveToFile(path);
                return TOutcome{result == slOK, RecordResult(result)};
            },
            // Every refusal comes before a byte is written.
            [](TWriteTargetKind) { return std::string("cannot create"); }};
}

TWriter ImageWriter(TImageFormat format, const char *extension) {
    return {std::string("image ") + extension, extension,
            [format](const std::string &path) {
                TRgbImage image{4, 3, std::vector<uint8_t>(4 * 3 * 3, 200)};
                const bool saved = SaveImage(image, format, path);
                return TOutcome{saved, saved ? "" : "failed"};
            },
            [](TWriteTargetKind) { return std::string("failed"); }};
}

TWriter TextWriter() {
    return {"text export", ".txt",
            [](const std::string &path) {
                TFileSink sink;
                if (!sink.Create(path))
                    return TOutcome{false, sink.Error()};
                sink.Put("0.5\t1\r\n");
                const bool saved = sink.Commit();
                return TOutcome{saved, sink.Error()};
            },
            // The system's words, shown after the file's name.
            [](TWriteTargetKind kind) {
                switch (kind) {
                case TWriteTargetKind::LinkToDevice:
                    return std::string("Not a regular file");
                case TWriteTargetKind::Name256:
                    return std::string("File name too long");
                default:
                    return std::string("Permission denied");
                }
            }};
}

// The settings component as start-up leaves it, telling the user through a scripted box.
struct TSettingsWriter {
    explicit TSettingsWriter(const std::string &settingsFile) {
        S.SetDefaultCapabilities();
        S.SettingsFileName = settingsFile;
        S.Messages = &Messages;
        S.LoadSettingsFile();
    }
    TOutcome Outcome(bool saved) {
        TOutcome o{saved, Messages.Log.empty() ? "" : Messages.Log.back().Text};
        Messages.Log.clear();
        return o;
    }
    TSettingsTarn S;
    TScriptedMessages Messages;
};

TWriter SettingsFileWriter() {
    return {"settings.xml", ".xml",
            [](const std::string &path) {
                TSettingsWriter w(path);
                return w.Outcome(w.S.SaveSettingsFile());
            },
            [](TWriteTargetKind) {
                return std::string(
                    "Unable to save settings. Please check if the settings.xml is not read-only.");
            }};
}

TWriter SettingsExportWriter() {
    return {"settings export", ".st",
            [](const std::string &path) {
                TSettingsWriter w(platform::FolderOf(path) + "missing.xml");
                return w.Outcome(w.S.ExportSettings(path));
            },
            [](TWriteTargetKind) { return std::string("Unable to export settings to specified file."); }};
}

std::vector<TWriter> AllWriters() {
    return {RecordWriter(0),
            RecordWriter(1),
            RecordWriter(2),
            ImageWriter(ifPNG, ".png"),
            ImageWriter(ifJPEG, ".jpg"),
            ImageWriter(ifBMP, ".bmp"),
            TextWriter(),
            SettingsFileWriter(),
            SettingsExportWriter()};
}

class Writers : public TTestFolder {};

TEST_F(Writers, EveryWriterLandsAtTheFinalTargetOrRefusesWithItsMessageChangingNothing) {
    int folder = 0;
    for (const TWriter &writer : AllWriters()) {
        for (const TWriteTargetKind kind : TWriteTarget::Kinds()) {
            SCOPED_TRACE(writer.Name + " onto a " + TWriteTarget::KindName(kind));
            const TWriteTarget target(kind, Folder / std::to_string(folder++), writer.Extension);
            const TOutcome outcome = writer.Save(target.Path);
            target.ExpectOnDisk(outcome.Saved);
            EXPECT_EQ(outcome.Told, target.Saves ? "" : writer.Refusal(kind));
        }
    }
}

} // namespace

} // namespace scope
