#include "ScreenPrint.h"

#include "acquisition/AcquisitionLock.h"
#include "device/DriverAbstraction.h"
#include "platform/UserMessages.h"
#include "screens/QVScreenTarn.h"
#include "screens/ScopeScreenTarn.h"
#include "settings/SettingsTarn.h"

#include <QDateTime>
#include <QPainter>

#include <cmath>
#include <cstring>
#include <limits>

namespace scope {

namespace {

const char *const UnableToInitialize = "Unable to initialize printer";
const char *const LibraryFile = "Quorvel.so";
const char *const Family = "Tarnel";

struct TBlockDeclaration {
    int32_t Id;
    const char *Name;
    bool On;
    int32_t Kind;
    int32_t Height;
};

// In the order the library is told about them.
const TBlockDeclaration Declarations[] = {
    {pbMainScreen, "Main screen", true, pkPicture, 5000},
    {pbQuickView, "Quickview", false, pkPicture, 5000},
    {pbGeneralInfo, "General info", true, pkInfoText, 5000},
    {pbTimebase, "Timebase settings", false, pkInfoText, 5000},
    {pbTrigger, "Trigger settings", false, pkInfoText, 10000},
    {pbRange, "Range settings", false, pkInfoText, 10000},
    {pbFreeText1, "Free text 1", false, pkFreeText, 10000},
    {pbFreeText2, "Free text 2", false, pkFreeText, 10000},
};

int32_t GetLE32(const uint8_t *p) {
    return int32_t(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24);
}

uint64_t GetLE64(const uint8_t *p) {
    uint64_t v = 0;
    for (int i = 7; i >= 0; --i)
        v = v << 8 | p[i];
    return v;
}

// Page size over scale, rounded halves to even; false when the answers give no usable number.
bool PageExtent(int32_t pixels, double scale, int32_t &extent) {
    if (!std::isfinite(scale) || scale <= 0)
        return false;
    const double v = std::nearbyint(double(pixels) * 10.0 / scale);
    if (!std::isfinite(v) || v > std::numeric_limits<int32_t>::max() ||
        v < std::numeric_limits<int32_t>::min())
        return false;
    extent = int32_t(v);
    return true;
}

} // namespace

TScreenPrint *TScreenPrint::Active = nullptr;

TScreenPrint::TScreenPrint(TPrintSources sources) : Sources(std::move(sources)) {}

TScreenPrint::~TScreenPrint() {
    if (Active == this)
        Active = nullptr;
}

void TScreenPrint::Print1Click() {
    bool ready = Library.Load(platform::JoinPath(Sources.ProgramFolder, LibraryFile));
    if (ready) {
        ApplicationRequest = Library.Bind<TApplicationRequest>("ApplicationRequest");
        ready = ApplicationRequest != nullptr;
    }
    if (!ready) {
        if (Sources.Messages)
            Sources.Messages->Error(UnableToInitialize);
    } else {
        Active = this;
        Texts.clear();
        Request(prRegisterCallback, 0, 0, reinterpret_cast<void *>(&TScreenPrint::Callback));
        Request(prFamily, 0, 0, const_cast<char *>(Family));
        DeclareBlocks();
        uint8_t print = 0;
        Request(prSetup, 0, 0, &print);
        // A no is the user's Cancel: nothing to tell.
        if (print)
            Request(prPrint, 0, 0, nullptr);
    }
    // Freed on every path, also when the entry point was missing.
    Active = nullptr;
    ApplicationRequest = nullptr;
    Texts.clear();
    Library.Free();
}

void TScreenPrint::DeclareBlocks() {
    for (const TBlockDeclaration &d : Declarations) {
        Request(prDeclareBlock, d.Id, 0, nullptr);
        Request(prBlockName, d.Id, 0, const_cast<char *>(d.Name));
        Request(prBlockKind, d.Id, d.Kind, nullptr);
        Request(prBlockLeft, d.Id, 10, nullptr);
        Request(prBlockTop, d.Id, 10, nullptr);
        Request(prBlockWidth, d.Id, 10000, nullptr);
        Request(prBlockHeight, d.Id, d.Height, nullptr);
        Request(prBlockOn, d.Id, d.On ? 1 : 0, nullptr);
    }
}

void TScreenPrint::Place(int32_t block, int32_t x, int32_t y, int32_t width, int32_t height) {
    Request(prBlockLeft, block, x, nullptr);
    Request(prBlockTop, block, y, nullptr);
    Request(prBlockWidth, block, width, nullptr);
    Request(prBlockHeight, block, height, nullptr);
}

void TScreenPrint::PlaceBlocks() {
    double scaleX = 0, scaleY = 0;
    int32_t pageWidth = 0, pageHeight = 0;
    Request(prHorizontalScale, 0, 0, &scaleX);
    Request(prVerticalScale, 0, 0, &scaleY);
    Request(prPageWidth, 0, 0, &pageWidth);
    Request(prPageHeight, 0, 0, &pageHeight);
    int32_t W = 0, H = 0;
    // Unusable answers leave the layout as the library has it.
    if (!PageExtent(pageWidth, scaleX, W) || !PageExtent(pageHeight, scaleY, H))
        return;
    Place(pbQuickView, 20, 20, W - 40, 25);
    Place(pbMainScreen, 20, 50, W - 40, H - 150);
    Place(pbTimebase, 20, H - 100, 50, 50);
    Place(pbTrigger, 70, H - 100, 50, 50);
    Place(pbRange, 120, H - 100, 50, 50);
    Place(pbFreeText1, 20, H - 50, 50, 30);
    Place(pbFreeText2, 70, H - 50, 50, 30);
    Place(pbGeneralInfo, 120, H - 50, 50, 30);
}

std::string TScreenPrint::BlockText(int32_t block) {
    switch (block) {
    case pbGeneralInfo: {
        std::string text =
            "Date: " + QDateTime::currentDateTime().toString("dd.MM.yy hh:mm").toStdString() + "\r\nDevice: ";
        if (Sources.Device) {
            TAcquisitionLock lock(Sources.Thread);
            text += Sources.Device->GetDeviceName();
        }
        return text;
    }
    case pbTimebase:
        return Sources.Settings ? Sources.Settings->HorizontalInfoText() : std::string();
    case pbTrigger:
        return Sources.Settings ? Sources.Settings->TriggerInfoText() : std::string();
    case pbRange:
        return Sources.Settings ? Sources.Settings->ChannelInfoText() : std::string();
    default:
        return std::string();
    }
}

void TScreenPrint::DrawBlock(int32_t block, const void *target) {
    if (!target)
        return;
    const auto *bytes = static_cast<const uint8_t *>(target);
    const int32_t width = GetLE32(bytes + ptWidthOffset);
    const int32_t height = GetLE32(bytes + ptHeightOffset);
    auto *painter = reinterpret_cast<QPainter *>(uintptr_t(GetLE64(bytes + ptPainterOffset)));
    if (!painter || width < 1 || height < 1)
        return;
    if (block == pbMainScreen && Sources.Screen)
        Sources.Screen->RenderForPrinter(*painter, width, height);
    else if (block == pbQuickView && Sources.QuickView)
        Sources.QuickView->RenderForPrinter(*painter, width, height);
}

void TScreenPrint::Answer(int32_t type, int32_t kind, void *p) {
    switch (type) {
    case pcTextLength: {
        std::string &text = Texts[kind] = BlockText(kind);
        if (p)
            *static_cast<int32_t *>(p) = int32_t(text.size());
        break;
    }
    case pcText: {
        if (!p)
            break;
        // Only what the length request announced; a text never asked for is empty.
        const auto it = Texts.find(kind);
        const std::string text = it == Texts.end() ? std::string() : it->second;
        std::memcpy(p, text.c_str(), text.size() + 1);
        break;
    }
    case pcLayout:
        PlaceBlocks();
        break;
    case pcDraw:
        DrawBlock(kind, p);
        break;
    }
}

void TScreenPrint::Callback(int32_t Type, int32_t Kind, int32_t, void *P) {
    if (!Active)
        return;
    try {
        Active->Answer(Type, Kind, P);
    } catch (...) {
        // Nothing goes back into the library.
    }
}

} // namespace scope
