// The module's one export: the host's requests, and the module-wide state they keep.
#include "HostLink.h"
#include "MainScreen.h"
#include "ModuleSettings.h"
#include "ModuleTypesTarn.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>

#include <cmath>
#include <cstring>
#include <memory>

namespace parmod {

namespace {

// Kept from mrAttach until the library is unloaded.
struct TModuleState {
    THostLink Host;
    std::unique_ptr<TMainForm> Window;

    ~TModuleState() {
        // Unloaded with its window still open after the application object is gone: a widget can no
        // longer be freed safely, so it is left to the end of the process.
        if (!QCoreApplication::instance())
            (void)Window.release();
    }
};

TModuleState &Module() {
    static TModuleState state;
    return state;
}

const char ShortName[] = "Wp";
const char LongName[] = "Waveform parameters";
const char VendorTag[] = "TRN";

void WriteInt(intptr_t cell, int32_t value) {
    if (cell)
        ModuleWriteInt32(reinterpret_cast<uint8_t *>(cell), value);
}

// Texts go into the host's buffer of MODULE_TEXT_BUFFER_SIZE bytes, with their length in the cell.
void WriteText(intptr_t buffer, intptr_t lengthCell, const char *text) {
    const size_t length = std::strlen(text);
    if (buffer && length < MODULE_TEXT_BUFFER_SIZE)
        std::memcpy(reinterpret_cast<char *>(buffer), text, length + 1);
    WriteInt(lengthCell, static_cast<int32_t>(length));
}

void Create() {
    TModuleState &m = Module();
    m.Window = std::make_unique<TMainForm>(m.Host);
    TModuleSettings settings;
    settings.Load(m.Host);
    m.Window->ApplySettings(settings);
    const QScreen *screen = QGuiApplication::primaryScreen();
    const int32_t screenWidth = screen ? screen->geometry().width() : 1000;
    m.Window->Table()->MaxWidth = static_cast<int32_t>(std::nearbyint(screenWidth * 0.9));
    m.Window->Table()->Refresh();
}

void Destroy() {
    TModuleState &m = Module();
    if (!m.Window)
        return;
    m.Window->CurrentSettings().Save(m.Host);
    m.Window.reset();
}

void Serve(int32_t Code, int32_t Value, intptr_t Param1, intptr_t Param2) {
    TModuleState &m = Module();
    switch (Code) {
    case mrGetInfo1:
        WriteInt(Param1, 99);
        break;
    case mrProbeShortName:
        WriteText(Param1, Param2, ShortName);
        break;
    case mrProbeLongName:
        WriteText(Param1, Param2, LongName);
        break;
    case mrGetVendorTag:
        WriteText(Param1, Param2, VendorTag);
        break;
    case mrShowResults:
        if (m.Window)
            m.Window->UpdateChannelInfo();
        break;
    case mrGetInfo6:
        WriteInt(Param1, 255);
        break;
    case mrProbeSortKey:
        WriteInt(Param1, 1049);
        break;
    case mrProbeKind:
        WriteInt(Param1, mkWindow);
        break;
    case mrAttach:
        m.Host.Attach(Value, reinterpret_cast<THostCallback>(Param1));
        break;
    case mrCreate:
        if (!m.Window)
            Create();
        break;
    case mrStart:
        if (m.Window)
            m.Window->show();
        break;
    case mrDestroy:
        Destroy();
        break;
    case mrProcessAcquisition:
        if (m.Window)
            m.Window->CalculateParams();
        break;
    default:
        break;
    }
}

} // namespace

extern "C" SCOPE_EXPORT uint8_t AppRequest(int32_t Code, int32_t Value, int32_t, intptr_t Param1,
                                           intptr_t Param2, int32_t) {
    // Nothing may unwind into the host.
    try {
        Serve(Code, Value, Param1, Param2);
    } catch (...) {
    }
    return 1;
}

} // namespace parmod
