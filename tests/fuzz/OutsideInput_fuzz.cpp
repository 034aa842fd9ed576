// Feeds arbitrary bytes to one reader of outside input, chosen by FUZZ_READER: "settings" (the start-up
// load and the exit save), "import" (Settings > Load settings), "block" (a driver library's description
// block; the first byte picks the family) or "calibration" (the instrument's calibration record). With
// FUZZ_SEEDS=<folder> it writes the seed files of every reader there (real files of the program and
// the files of known faults) and exits.
#include "device/DemoDevice.h"
#include "device/DriverAbstraction.h"
#include "platform/Platform.h"
#include "settings/SettingsTarn.h"

#include "Calibration.h"
#include "ModelTables.h"
#include "SimCalibration.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

using namespace scope;

namespace {

enum TReader { rdSettings, rdImport, rdBlock, rdCalibration };
TReader Reader = rdSettings;
std::string InputFile;

// The block the fake library's InitializeDevice hands out.
std::vector<uint8_t> Block;
size_t BlockSize = 0;

int32_t FakeInitialize(void *description) {
    std::memset(description, 0, BlockSize);
    std::memcpy(description, Block.data(), std::min(Block.size(), BlockSize));
    return 0;
}

// Device objects whose library entry is the fake one; nothing else of a library is bound.
template <class T> struct TFake : T {
    TFake() : T("/nonexistent/") { this->InitializeEntry = FakeInitialize; }
};

std::unique_ptr<TSettingsTarn> DemoSettings(const std::string &file) {
    auto s = std::make_unique<TSettingsTarn>();
    s->SetDefaultCapabilities();
    TDAO_DEMO device;
    device.GetCapabilities(*s);
    s->SettingsFileName = file;
    return s;
}

void Write(const std::string &path, const void *data, size_t size) {
    FILE *f = std::fopen(path.c_str(), "wb");
    if (!f || std::fwrite(data, 1, size, f) != size)
        std::abort();
    std::fclose(f);
}
void Write(const std::string &path, const std::string &text) {
    Write(path, text.data(), text.size());
}

std::string Nested(int depth, const std::string &inner) {
    std::string text;
    for (int i = 0; i < depth; ++i)
        text += "<K>";
    text += inner;
    for (int i = 0; i < depth; ++i)
        text += "</K>";
    return text;
}

void WriteSeeds(const std::string &folder) {
    namespace fs = std::filesystem;
    for (const char *sub : {"settings", "import", "block", "calibration"})
        fs::create_directories(folder + "/" + sub);
    // The settings file and the export of a demonstration run, then the files of the faults.
    auto s = DemoSettings(folder + "/settings/settings.xml");
    s->LoadSettingsFile();
    s->SaveSettingsFile();
    s->ExportSettings(folder + "/import/exported.st");
    const std::string nestedKey = "<SETTINGS><OPTIONS><HOTKEY_HOLD type=\"string\">" +
                                  Nested(2000, "29;57;") + "</HOTKEY_HOLD></OPTIONS></SETTINGS>";
    const std::string nestedUnread = "<SETTINGS><UNREAD>" + Nested(1500, "x") + "</UNREAD></SETTINGS>";
    std::string longKey = "<SETTINGS><OPTIONS><HOTKEY_HOLD type=\"string\">";
    for (int32_t i = 0; i <= KeyCodeCount; ++i)
        longKey += "29;";
    longKey += "</HOTKEY_HOLD></OPTIONS></SETTINGS>";
    const std::pair<const char *, std::string> faults[] = {
        {"nested_hold_hot_key", nestedKey},
        {"nested_unread", nestedUnread},
        {"hot_key_past_32_bits",
         "<SETTINGS><OPTIONS><HOTKEY_HOLD type=\"string\">2147483647;1;</HOTKEY_HOLD>"
         "<HOTKEY_ZOOM_IN type=\"string\">-2147483648;-1;</HOTKEY_ZOOM_IN></OPTIONS></SETTINGS>"},
        {"hot_key_of_513_keys", longKey},
        // What a link to /dev/zero would give, were it read: NUL bytes up to the fuzzer's longest input.
        {"zeros", std::string(16384, '\0')},
        {"duplicate_attribute",
         "<SETTINGS><DEVICE><HORIZONTAL><MEMSIZE type=\"bool\" type=\"int\">4096</MEMSIZE>"
         "</HORIZONTAL></DEVICE></SETTINGS>"},
        {"unknown_reference", "<SETTINGS><S type=\"string\">&bogus;</S></SETTINGS>"},
        {"angle_in_attribute", "<SETTINGS><K type=\"int\" t=\"a<b\">1</K></SETTINGS>"},
        {"text_after_root", "<SETTINGS><K type=\"int\">1</K></SETTINGS>after"},
        {"two_roots",
         "<SETTINGS><VISUAL><SCREEN><TRANSPARENCY type=\"int\">200</TRANSPARENCY></SCREEN></VISUAL>"
         "</SETTINGS><SETTINGS/>"},
    };
    for (const char *sub : {"settings", "import"})
        for (const auto &[name, text] : faults)
            Write(folder + "/" + sub + "/" + name + ".xml", text);

    // The blocks the program's driver fills for every model, and the faulty ones.
    for (int type = 0; type < 6; ++type) {
        const pellex::TDescription d = pellex::BuildDescription(type, pellex::TCalibration::Defaults());
        std::string seed(1, '\0');
        seed.append(reinterpret_cast<const char *>(d.data()), d.size());
        Write(folder + "/block/model" + std::to_string(type), seed);
        if (type == 0) {
            std::string huge = seed;
            LePutU32(reinterpret_cast<uint8_t *>(&huge[1]), ddPointsPerDivision, 300000000);
            Write(folder + "/block/huge_points_per_division", huge);
            std::string time = seed;
            LePutF64(reinterpret_cast<uint8_t *>(&time[1]), PellTimeBaseRow(3) + tbTimePerDivision, 1.8e169);
            Write(folder + "/block/time_per_division_1.8e169", time);
        }
    }
    for (int family : {1, 2}) {
        std::string seed(1 + (family == 1 ? tdTarnelSize : tdVaskelSize), '\0');
        seed[0] = static_cast<char>(family);
        uint8_t *b = reinterpret_cast<uint8_t *>(&seed[1]);
        LePutU32(b, tdRangeCount, 2);
        LePutU32(b, tdRanges, 10);
        LePutU32(b, tdRanges + 4, 20);
        LePutU32(b, tdTimeBaseCount, 2);
        const int32_t rowSize = family == 1 ? tdTarnelRowSize : tdVaskelRowSize;
        for (int row = 0; row < 2; ++row) {
            const size_t at = tdTimeBases + static_cast<size_t>(row * rowSize);
            LePutU32(b, at + tdRowDeviceCode, static_cast<uint32_t>(row + 1));
            LePutF64(b, at + tdRowRealRate, 1e8);
            LePutF64(b, at + tdRowEffectiveRate, row == 0 ? 1e10 : 1e8);
            LePutF64(b, at + tdRowEtsFactor, row == 0 ? 100 : 1);
        }
        Write(folder + "/block/family" + std::to_string(family), seed);
    }

    // The simulated instrument's record, and one with a gain word of $FFFF and a factor of 1.2.
    pellsim::TRecord record = pellsim::CalibrationRecord();
    Write(folder + "/calibration/simulated", record.data(), record.size());
    record[1] = record[2] = record[13] = record[14] = 0xFF;
    pellsim::SealRecord(record);
    Write(folder + "/calibration/gain_ffff_factor_1.2", record.data(), record.size());
}

void FuzzSettings(const uint8_t *data, size_t size) {
    Write(InputFile, data, size);
    auto s = DemoSettings(InputFile);
    if (Reader == rdSettings) {
        s->LoadSettingsFile();
    } else {
        auto imported = DemoSettings(InputFile + ".none");
        imported->LoadSettingsFile();
        imported->ImportSettings(InputFile);
        s = std::move(imported);
    }
    // What the exit save writes stays within a small multiple of what was read.
    s->SaveToXML(s->Document);
    const std::string saved = s->Document.FileText();
    if (saved.size() > 32 * size + 64 * 1024)
        std::abort();
    // And it reads back as a well-formed settings document.
    Write(InputFile + ".saved", saved);
    TXMLSettings again;
    if (!again.LoadFromFile(InputFile + ".saved"))
        std::abort();
}

void FuzzBlock(const uint8_t *data, size_t size) {
    if (size < 1)
        return;
    Block.assign(data + 1, data + size);
    // One device object per family for the whole run: each holds a read-out buffer of 2 MB.
    static TFake<TDAO_Pellan> pellan;
    static TFake<TDAO_Tarnel> tarnel;
    static TFake<TDAO_Vaskel> vaskel;
    TDriverAbstraction *device = nullptr;
    switch (data[0] % 3) {
    case 0:
        BlockSize = ddSize;
        device = &pellan;
        break;
    case 1:
        BlockSize = tdTarnelSize;
        device = &tarnel;
        break;
    default:
        BlockSize = tdVaskelSize;
        device = &vaskel;
        break;
    }
    if (!DeviceUsable(device->OpenDevice(-1)))
        return;
    TCapabilities c;
    c.SetDefaultCapabilities();
    device->GetCapabilities(c);
    // An accepted block gives a screen, rates and lists the program can use.
    if (c.PointsOnScreen < 10 || c.PointsOnScreen > 10000 || c.TimeBases.empty() || c.Ranges.empty())
        std::abort();
    for (const TTimeBaseRow &row : c.TimeBases)
        if (!std::isfinite(row.SampleRate) || !(row.SampleRate > 0) || !std::isfinite(row.RealSampleRate))
            std::abort();
}

void FuzzCalibration(const uint8_t *data, size_t size) {
    pellex::TCalibrationBytes record{};
    std::memcpy(record.data(), data, std::min(size, record.size()));
    const pellex::TCalibration c = pellex::TCalibration::Decode(record);
    for (int type = 0; type < 6; ++type)
        pellex::BuildDescription(type, c);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    if (const char *seeds = std::getenv("FUZZ_SEEDS")) {
        WriteSeeds(seeds);
        std::exit(0);
    }
    const char *reader = std::getenv("FUZZ_READER");
    const std::string name = reader ? reader : "";
    if (name == "settings")
        Reader = rdSettings;
    else if (name == "import")
        Reader = rdImport;
    else if (name == "block")
        Reader = rdBlock;
    else if (name == "calibration")
        Reader = rdCalibration;
    else
        std::abort();
    // A folder of its own: the settings load looks for stale temporaries beside its file.
    const std::string folder = "/dev/shm/scope_fuzz_" + std::to_string(getpid());
    std::filesystem::create_directories(folder);
    InputFile = folder + "/settings.xml";
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    switch (Reader) {
    case rdSettings:
    case rdImport:
        FuzzSettings(data, size);
        break;
    case rdBlock:
        FuzzBlock(data, size);
        break;
    case rdCalibration:
        FuzzCalibration(data, size);
        break;
    }
    return 0;
}
