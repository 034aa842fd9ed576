// File > Print: one page through the print library, loaded from the program folder for each print and
// freed afterwards. The library asks back through a callback for the layout, the block texts and the
// drawings of the screens.
#pragma once

#include "QuorvelPrint.h"
#include "platform/Platform.h"

#include <cstdint>
#include <map>
#include <string>

class QPainter;

namespace scope {

class IUserMessages;
class TAcquisitionThread;
class TDriverAbstraction;
class TQVScreenTarn;
class TScopeScreenTarn;
class TSettingsTarn;

// What a print draws from; any of the pointers may be missing.
struct TPrintSources {
    std::string ProgramFolder;
    IUserMessages *Messages = nullptr;
    TSettingsTarn *Settings = nullptr;
    TScopeScreenTarn *Screen = nullptr;
    TQVScreenTarn *QuickView = nullptr;
    TDriverAbstraction *Device = nullptr;
    // Its lock guards the device call of the general information.
    TAcquisitionThread *Thread = nullptr;
};

// Block ids of the page.
enum TPrintBlock : int32_t {
    pbMainScreen = 1,
    pbGeneralInfo = 2,
    pbTimebase = 3,
    pbTrigger = 4,
    pbRange = 5,
    pbFreeText1 = 6,
    pbFreeText2 = 7,
    pbQuickView = 8
};

class TScreenPrint {
public:
    explicit TScreenPrint(TPrintSources sources);
    ~TScreenPrint();
    TScreenPrint(const TScreenPrint &) = delete;
    TScreenPrint &operator=(const TScreenPrint &) = delete;

    // Loads the library, declares the page, lets the library ask and print, and frees the library.
    void Print1Click();

    // The block's text as it is now.
    std::string BlockText(int32_t block);
    // Places every block from the library's page answers (callback type 3).
    void PlaceBlocks();
    // Draws a picture block onto a draw target record (callback type 4).
    void DrawBlock(int32_t block, const void *target);
    bool LibraryLoaded() const { return Library.Loaded(); }

    // The callback the library is given; it serves the print that is running.
    static void Callback(int32_t Type, int32_t Kind, int32_t C, void *P);

private:
    void Answer(int32_t type, int32_t kind, void *p);
    void Request(int32_t code, int32_t a, int32_t b, void *p) {
        if (ApplicationRequest)
            ApplicationRequest(code, a, b, p);
    }
    void DeclareBlocks();
    void Place(int32_t block, int32_t x, int32_t y, int32_t width, int32_t height);

    TPrintSources Sources;
    platform::TLibrary Library;
    TApplicationRequest ApplicationRequest = nullptr;
    // Each text is taken once, at its length request, so that the copy fits the library's buffer.
    std::map<int32_t, std::string> Texts;

    // The print whose library is loaded: the library's callback carries no context.
    static TScreenPrint *Active;
};

} // namespace scope
