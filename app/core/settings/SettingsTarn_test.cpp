#include "settings/SettingsTarn.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "testkit/ScriptedMessages.h"
#include "testkit/TestFolder.h"

#include "device/DemoDevice.h"
#include "platform/Platform.h"

namespace scope {

namespace fs = std::filesystem;

namespace {

std::string Lines(std::initializer_list<const char *> lines) {
    std::string text;
    for (const char *line : lines)
        text += std::string(line) + "\r\n";
    return text;
}

class SettingsTest : public TTestFolder {
protected:
    // A component as start-up prepares it: built-in capabilities, then the demonstration instrument's.
    std::unique_ptr<TSettingsTarn> Demo(const std::string &settingsFile) {
        auto s = std::make_unique<TSettingsTarn>();
        s->SetDefaultCapabilities();
        TDAO_DEMO device;
        device.GetCapabilities(*s);
        s->SettingsFileName = settingsFile;
        s->Messages = &Messages;
        return s;
    }
    // Settings text with the given elements inside SETTINGS.
    std::string Settings(const std::string &inside) {
        return WriteFile("settings.xml", "<SETTINGS>" + inside + "</SETTINGS>");
    }

    TScriptedMessages Messages;
};

// A capability set small enough to reason about: one time base of 100 MS/s, two ranges.
void SmallCapabilities(TSettingsTarn &s) {
    s.SetDefaultCapabilities();
    s.TimeBases = {{1e8, 1e8, 0, 0}, {1e6, 1e8, 0, 1}};
    s.Ranges = {{0.005, 0}, {1.0, 1}, {10, 2}};
}

TEST_F(SettingsTest, DefaultsOfTheDemonstrationInstrumentGiveThisWholeFile) {
    auto s = Demo(PathOf("missing.xml"));
    s->LoadSettingsFile();
    s->SettingsFileName = PathOf("settings.xml");
    ASSERT_TRUE(s->SaveSettingsFile());
    const std::string expected = Lines({
        "<SETTINGS version=\"1\">",
        "\t<VISUAL>",
        "\t\t<SCREEN>",
        "\t\t\t<CURSORS>",
        "\t\t\t\t<VERON type=\"bool\">true</VERON>",
        "\t\t\t\t<HORON type=\"bool\">true</HORON>",
        "\t\t\t\t<TRCON type=\"bool\">false</TRCON>",
        "\t\t\t\t<VERPOS0 type=\"int\">50</VERPOS0>",
        "\t\t\t\t<VERPOS1 type=\"int\">450</VERPOS1>",
        "\t\t\t\t<HORPOS0 type=\"int\">25</HORPOS0>",
        "\t\t\t\t<HORPOS1 type=\"int\">230</HORPOS1>",
        "\t\t\t\t<XON type=\"bool\">false</XON>",
        "\t\t\t</CURSORS>",
        "\t\t\t<TRANSPARENCY type=\"int\">255</TRANSPARENCY>",
        "\t\t\t<GRID>",
        "\t\t\t\t<ON type=\"bool\">true</ON>",
        "\t\t\t\t<INTENSITY type=\"float\">0.7</INTENSITY>",
        "\t\t\t</GRID>",
        "\t\t\t<DISPLAYMODE type=\"int\">3</DISPLAYMODE>",
        "\t\t\t<DISPLAYSTART type=\"int\">0</DISPLAYSTART>",
        "\t\t\t<DISPLAYRATIO type=\"float\">1</DISPLAYRATIO>",
        "\t\t\t<CHANNELSON type=\"boolarray\" length=\"8\">",
        "\t\t\t\t<ITEM index=\"0\">true</ITEM>",
        "\t\t\t\t<ITEM index=\"1\">true</ITEM>",
        "\t\t\t\t<ITEM index=\"2\">false</ITEM>",
        "\t\t\t\t<ITEM index=\"3\">false</ITEM>",
        "\t\t\t\t<ITEM index=\"4\">false</ITEM>",
        "\t\t\t\t<ITEM index=\"5\">false</ITEM>",
        "\t\t\t\t<ITEM index=\"6\">false</ITEM>",
        "\t\t\t\t<ITEM index=\"7\">false</ITEM>",
        "\t\t\t</CHANNELSON>",
        "\t\t\t<ZOOMON type=\"bool\">true</ZOOMON>",
        "\t\t\t<ZOOMRATIO type=\"float\">1</ZOOMRATIO>",
        "\t\t\t<ZOOMSTART type=\"int\">0</ZOOMSTART>",
        "\t\t</SCREEN>",
        "\t\t<QUICKVIEW>",
        "\t\t\t<RATIO type=\"int\">8</RATIO>",
        "\t\t\t<START type=\"int\">0</START>",
        "\t\t\t<ON type=\"bool\">false</ON>",
        "\t\t</QUICKVIEW>",
        "\t\t<TRIGGER>",
        "\t\t\t<ATMODE type=\"int\">0</ATMODE>",
        "\t\t\t<ATVALUEMODE type=\"int\">0</ATVALUEMODE>",
        "\t\t\t<HFMODE type=\"int\">0</HFMODE>",
        "\t\t\t<SIMPLE type=\"bool\">true</SIMPLE>",
        "\t\t\t<HOLD type=\"bool\">false</HOLD>",
        "\t\t</TRIGGER>",
        "\t</VISUAL>",
        "\t<DEVICE>",
        "\t\t<HORIZONTAL>",
        "\t\t\t<MEMSIZE type=\"int\">8192</MEMSIZE>",
        "\t\t\t<TIMEBASE type=\"int\">11</TIMEBASE>",
        "\t\t\t<WCD type=\"int\">20</WCD>",
        "\t\t\t<HOLDCHANNEL type=\"boolarray\" length=\"2\">",
        "\t\t\t\t<ITEM index=\"0\">false</ITEM>",
        "\t\t\t\t<ITEM index=\"1\">false</ITEM>",
        "\t\t\t</HOLDCHANNEL>",
        "\t\t</HORIZONTAL>",
        "\t\t<VERTICAL>",
        "\t\t\t<RANGE type=\"intarray\" length=\"2\">",
        "\t\t\t\t<ITEM index=\"0\">4</ITEM>",
        "\t\t\t\t<ITEM index=\"1\">4</ITEM>",
        "\t\t\t</RANGE>",
        "\t\t\t<SHIFT type=\"intarray\" length=\"2\">",
        "\t\t\t\t<ITEM index=\"0\">2047</ITEM>",
        "\t\t\t\t<ITEM index=\"1\">2047</ITEM>",
        "\t\t\t</SHIFT>",
        "\t\t\t<FILTERON type=\"boolarray\" length=\"2\">",
        "\t\t\t\t<ITEM index=\"0\">false</ITEM>",
        "\t\t\t\t<ITEM index=\"1\">false</ITEM>",
        "\t\t\t</FILTERON>",
        "\t\t\t<FILTERFACTOR type=\"intarray\" length=\"2\">",
        "\t\t\t\t<ITEM index=\"0\">4</ITEM>",
        "\t\t\t\t<ITEM index=\"1\">4</ITEM>",
        "\t\t\t</FILTERFACTOR>",
        "\t\t\t<PROBEMODE type=\"intarray\" length=\"2\">",
        "\t\t\t\t<ITEM index=\"0\">0</ITEM>",
        "\t\t\t\t<ITEM index=\"1\">0</ITEM>",
        "\t\t\t</PROBEMODE>",
        "\t\t\t<GROUND type=\"boolarray\" length=\"2\">",
        "\t\t\t\t<ITEM index=\"0\">false</ITEM>",
        "\t\t\t\t<ITEM index=\"1\">false</ITEM>",
        "\t\t\t</GROUND>",
        "\t\t\t<DC type=\"boolarray\" length=\"2\">",
        "\t\t\t\t<ITEM index=\"0\">true</ITEM>",
        "\t\t\t\t<ITEM index=\"1\">true</ITEM>",
        "\t\t\t</DC>",
        "\t\t</VERTICAL>",
        "\t\t<TRIGGER>",
        "\t\t\t<PRIMARY>",
        "\t\t\t\t<SOURCEON type=\"boolarray\" length=\"3\">",
        "\t\t\t\t\t<ITEM index=\"0\">true</ITEM>",
        "\t\t\t\t\t<ITEM index=\"1\">false</ITEM>",
        "\t\t\t\t\t<ITEM index=\"2\">false</ITEM>",
        "\t\t\t\t</SOURCEON>",
        "\t\t\t\t<LEADING type=\"boolarray\" length=\"3\">",
        "\t\t\t\t\t<ITEM index=\"0\">true</ITEM>",
        "\t\t\t\t\t<ITEM index=\"1\">false</ITEM>",
        "\t\t\t\t\t<ITEM index=\"2\">false</ITEM>",
        "\t\t\t\t</LEADING>",
        "\t\t\t\t<COUNT type=\"int\">1</COUNT>",
        "\t\t\t\t<LENGTH type=\"int\">0</LENGTH>",
        "\t\t\t</PRIMARY>",
        "\t\t\t<SECONDARY>",
        "\t\t\t\t<SOURCEON type=\"boolarray\" length=\"3\">",
        "\t\t\t\t\t<ITEM index=\"0\">false</ITEM>",
        "\t\t\t\t\t<ITEM index=\"1\">false</ITEM>",
        "\t\t\t\t\t<ITEM index=\"2\">false</ITEM>",
        "\t\t\t\t</SOURCEON>",
        "\t\t\t\t<LEADING type=\"boolarray\" length=\"3\">",
        "\t\t\t\t\t<ITEM index=\"0\">false</ITEM>",
        "\t\t\t\t\t<ITEM index=\"1\">false</ITEM>",
        "\t\t\t\t\t<ITEM index=\"2\">false</ITEM>",
        "\t\t\t\t</LEADING>",
        "\t\t\t\t<COUNT type=\"int\">1</COUNT>",
        "\t\t\t\t<LENGTH type=\"int\">0</LENGTH>",
        "\t\t\t</SECONDARY>",
        "\t\t\t<LEVEL type=\"intarray\" length=\"3\">",
        "\t\t\t\t<ITEM index=\"0\">127</ITEM>",
        "\t\t\t\t<ITEM index=\"1\">127</ITEM>",
        "\t\t\t\t<ITEM index=\"2\">127</ITEM>",
        "\t\t\t</LEVEL>",
        "\t\t\t<MODE type=\"int\">0</MODE>",
        "\t\t\t<AFTERTRIGGER type=\"int\">4096</AFTERTRIGGER>",
        "\t\t\t<HOLDOFF type=\"int\">4096</HOLDOFF>",
        "\t\t</TRIGGER>",
        "\t</DEVICE>",
        "\t<OPTIONS>",
        "\t\t<SAVEINCREMENTFILENAME type=\"bool\">true</SAVEINCREMENTFILENAME>",
        "\t\t<LOADINCREMENTFILENAME type=\"bool\">false</LOADINCREMENTFILENAME>",
        "\t\t<LOADAPPLYSETTINGS type=\"bool\">false</LOADAPPLYSETTINGS>",
        "\t\t<LOADALLOWXOFFSET type=\"bool\">true</LOADALLOWXOFFSET>",
        "\t\t<LOADALLOWYOFFSET type=\"bool\">true</LOADALLOWYOFFSET>",
        "\t\t<DISPALLOWSTARTCHANGE type=\"bool\">true</DISPALLOWSTARTCHANGE>",
        "\t\t<DISPALLOWVERTICALCHANGE type=\"bool\">true</DISPALLOWVERTICALCHANGE>",
        "\t\t<DISPALLOWQUICKVIEW type=\"bool\">true</DISPALLOWQUICKVIEW>",
        "\t\t<COLORSCREEN type=\"hex\">00000000</COLORSCREEN>",
        "\t\t<COLORGRID type=\"hex\">00FFFFFF</COLORGRID>",
        "\t\t<COLORCURSORS type=\"hexarray\" length=\"2\">",
        "\t\t\t<ITEM index=\"0\">000000FF</ITEM>",
        "\t\t\t<ITEM index=\"1\">00FF0000</ITEM>",
        "\t\t</COLORCURSORS>",
        "\t\t<COLORCHANNELS type=\"hexarray\" length=\"8\">",
        "\t\t\t<ITEM index=\"0\">0000FF00</ITEM>",
        "\t\t\t<ITEM index=\"1\">0000FFFF</ITEM>",
        "\t\t\t<ITEM index=\"2\">00FF8000</ITEM>",
        "\t\t\t<ITEM index=\"3\">000080FF</ITEM>",
        "\t\t\t<ITEM index=\"4\">0080FF80</ITEM>",
        "\t\t\t<ITEM index=\"5\">0080FFFF</ITEM>",
        "\t\t\t<ITEM index=\"6\">00FFFF80</ITEM>",
        "\t\t\t<ITEM index=\"7\">0080FFFF</ITEM>",
        "\t\t</COLORCHANNELS>",
        "\t\t<TOOLTIP type=\"bool\">true</TOOLTIP>",
        "\t\t<DEFAULTEXPORT>",
        "\t\t\t<NAME type=\"string\">Whole memory in mV</NAME>",
        "\t\t\t<UNITS type=\"int\">0</UNITS>",
        "\t\t\t<AREA type=\"int\">0</AREA>",
        "\t\t\t<STYLE type=\"int\">0</STYLE>",
        "\t\t\t<TARGET type=\"int\">0</TARGET>",
        "\t\t\t<SOURCE type=\"int\">3</SOURCE>",
        "\t\t</DEFAULTEXPORT>",
        "\t\t<DEFINEDEXPORT type=\"exportarray\" length=\"1\">",
        "\t\t\t<ITEM index=\"0\">",
        "\t\t\t\t<NAME type=\"string\">Whole memory in mV</NAME>",
        "\t\t\t\t<UNITS type=\"int\">0</UNITS>",
        "\t\t\t\t<AREA type=\"int\">0</AREA>",
        "\t\t\t\t<STYLE type=\"int\">0</STYLE>",
        "\t\t\t\t<TARGET type=\"int\">0</TARGET>",
        "\t\t\t\t<SOURCE type=\"int\">3</SOURCE>",
        "\t\t\t</ITEM>",
        "\t\t</DEFINEDEXPORT>",
        "\t\t<SEPARATEHOLD type=\"bool\">false</SEPARATEHOLD>",
        "\t\t<DISPINFORMATION type=\"bool\">false</DISPINFORMATION>",
        "\t\t<COLORINFO type=\"hex\">00FFFFFF</COLORINFO>",
        "\t\t<OPTIMIZEFORAERO type=\"bool\">true</OPTIMIZEFORAERO>",
        "\t\t<PRINTBLACKWHITE type=\"bool\">true</PRINTBLACKWHITE>",
        "\t\t<KEYBOARDCONTROL type=\"bool\">true</KEYBOARDCONTROL>",
        "\t\t<HOTKEY_HOLD type=\"string\">29;57;</HOTKEY_HOLD>",
        "\t\t<HOTKEY_RANGEA_UP type=\"string\">29;328;</HOTKEY_RANGEA_UP>",
        "\t\t<HOTKEY_RANGEB_UP type=\"string\">;</HOTKEY_RANGEB_UP>",
        "\t\t<HOTKEY_RANGEA_DOWN type=\"string\">29;336;</HOTKEY_RANGEA_DOWN>",
        "\t\t<HOTKEY_RANGEB_DOWN type=\"string\">;</HOTKEY_RANGEB_DOWN>",
        "\t\t<HOTKEY_SHIFTA_UP type=\"string\">29;329;</HOTKEY_SHIFTA_UP>",
        "\t\t<HOTKEY_SHIFTB_UP type=\"string\">;</HOTKEY_SHIFTB_UP>",
        "\t\t<HOTKEY_SHIFTA_DOWN type=\"string\">29;337;</HOTKEY_SHIFTA_DOWN>",
        "\t\t<HOTKEY_SHIFTB_DOWN type=\"string\">;</HOTKEY_SHIFTB_DOWN>",
        "\t\t<HOTKEY_TIMEBASE_UP type=\"string\">29;333;</HOTKEY_TIMEBASE_UP>",
        "\t\t<HOTKEY_TIMEBASE_DOWN type=\"string\">29;331;</HOTKEY_TIMEBASE_DOWN>",
        "\t\t<HOTKEY_ZOOM_IN type=\"string\">29;78;</HOTKEY_ZOOM_IN>",
        "\t\t<HOTKEY_ZOOM_OUT type=\"string\">29;74;</HOTKEY_ZOOM_OUT>",
        "\t\t<HOTKEY_SCREEN_RIGHT type=\"string\">29;77;</HOTKEY_SCREEN_RIGHT>",
        "\t\t<HOTKEY_SCREEN_LEFT type=\"string\">29;75;</HOTKEY_SCREEN_LEFT>",
        "\t\t<HOTKEY_SCREEN_RIGHT_BIG type=\"string\">29;73;</HOTKEY_SCREEN_RIGHT_BIG>",
        "\t\t<HOTKEY_SCREEN_LEFT_BIG type=\"string\">29;71;</HOTKEY_SCREEN_LEFT_BIG>",
        "\t\t<DISTINGUISHLEFTRIGHTCONTROLS type=\"bool\">false</DISTINGUISHLEFTRIGHTCONTROLS>",
        "\t\t<ENABLEAUTOSAVE type=\"bool\">false</ENABLEAUTOSAVE>",
        "\t\t<CLEARSCREENONFLAG type=\"bool\">true</CLEARSCREENONFLAG>",
        "\t\t<DEFAULTEXPORTASIMAGE>",
        "\t\t\t<NAME type=\"string\">Current screen (PNG)</NAME>",
        "\t\t\t<CHANNELCOLORS type=\"hexarray\" length=\"8\">",
        "\t\t\t\t<ITEM index=\"0\">0000FF00</ITEM>",
        "\t\t\t\t<ITEM index=\"1\">0000FFFF</ITEM>",
        "\t\t\t\t<ITEM index=\"2\">00FF8000</ITEM>",
        "\t\t\t\t<ITEM index=\"3\">000080FF</ITEM>",
        "\t\t\t\t<ITEM index=\"4\">0000FF00</ITEM>",
        "\t\t\t\t<ITEM index=\"5\">0000FFFF</ITEM>",
        "\t\t\t\t<ITEM index=\"6\">00FF8000</ITEM>",
        "\t\t\t\t<ITEM index=\"7\">000080FF</ITEM>",
        "\t\t\t</CHANNELCOLORS>",
        "\t\t\t<CURSORCOLORS type=\"hexarray\" length=\"2\">",
        "\t\t\t\t<ITEM index=\"0\">000000FF</ITEM>",
        "\t\t\t\t<ITEM index=\"1\">00FF0000</ITEM>",
        "\t\t\t</CURSORCOLORS>",
        "\t\t\t<VERCURSORSON type=\"bool\">true</VERCURSORSON>",
        "\t\t\t<HORCURSORSON type=\"bool\">true</HORCURSORSON>",
        "\t\t\t<QUICKVIEWON type=\"bool\">false</QUICKVIEWON>",
        "\t\t\t<OUTPUTFORMAT type=\"int\">0</OUTPUTFORMAT>",
        "\t\t\t<OVERRIDECOLORS type=\"bool\">true</OVERRIDECOLORS>",
        "\t\t\t<SCREENCOLOR type=\"hex\">00000000</SCREENCOLOR>",
        "\t\t\t<GRIDCOLOR type=\"hex\">00A0A0A0</GRIDCOLOR>",
        "\t\t\t<GRIDON type=\"bool\">true</GRIDON>",
        "\t\t\t<INFOCOLOR type=\"hex\">00FFFFFF</INFOCOLOR>",
        "\t\t\t<INFOON type=\"bool\">true</INFOON>",
        "\t\t</DEFAULTEXPORTASIMAGE>",
        "\t\t<DEFINEDEXPORTASIMAGE type=\"exportasimagearray\" length=\"2\">",
        "\t\t\t<ITEM index=\"0\">",
        "\t\t\t\t<NAME type=\"string\">Current screen (PNG)</NAME>",
        "\t\t\t\t<CHANNELCOLORS type=\"hexarray\" length=\"8\">",
        "\t\t\t\t\t<ITEM index=\"0\">0000FF00</ITEM>",
        "\t\t\t\t\t<ITEM index=\"1\">0000FFFF</ITEM>",
        "\t\t\t\t\t<ITEM index=\"2\">00FF8000</ITEM>",
        "\t\t\t\t\t<ITEM index=\"3\">000080FF</ITEM>",
        "\t\t\t\t\t<ITEM index=\"4\">0000FF00</ITEM>",
        "\t\t\t\t\t<ITEM index=\"5\">0000FFFF</ITEM>",
        "\t\t\t\t\t<ITEM index=\"6\">00FF8000</ITEM>",
        "\t\t\t\t\t<ITEM index=\"7\">000080FF</ITEM>",
        "\t\t\t\t</CHANNELCOLORS>",
        "\t\t\t\t<CURSORCOLORS type=\"hexarray\" length=\"2\">",
        "\t\t\t\t\t<ITEM index=\"0\">000000FF</ITEM>",
        "\t\t\t\t\t<ITEM index=\"1\">00FF0000</ITEM>",
        "\t\t\t\t</CURSORCOLORS>",
        "\t\t\t\t<VERCURSORSON type=\"bool\">true</VERCURSORSON>",
        "\t\t\t\t<HORCURSORSON type=\"bool\">true</HORCURSORSON>",
        "\t\t\t\t<QUICKVIEWON type=\"bool\">false</QUICKVIEWON>",
        "\t\t\t\t<OUTPUTFORMAT type=\"int\">0</OUTPUTFORMAT>",
        "\t\t\t\t<OVERRIDECOLORS type=\"bool\">true</OVERRIDECOLORS>",
        "\t\t\t\t<SCREENCOLOR type=\"hex\">00000000</SCREENCOLOR>",
        "\t\t\t\t<GRIDCOLOR type=\"hex\">00A0A0A0</GRIDCOLOR>",
        "\t\t\t\t<GRIDON type=\"bool\">true</GRIDON>",
        "\t\t\t\t<INFOCOLOR type=\"hex\">00FFFFFF</INFOCOLOR>",
        "\t\t\t\t<INFOON type=\"bool\">true</INFOON>",
        "\t\t\t</ITEM>",
        "\t\t\t<ITEM index=\"1\">",
        "\t\t\t\t<NAME type=\"string\">Black/white (PNG)</NAME>",
        "\t\t\t\t<CHANNELCOLORS type=\"hexarray\" length=\"8\">",
        "\t\t\t\t\t<ITEM index=\"0\">00000000</ITEM>",
        "\t\t\t\t\t<ITEM index=\"1\">00000000</ITEM>",
        "\t\t\t\t\t<ITEM index=\"2\">00000000</ITEM>",
        "\t\t\t\t\t<ITEM index=\"3\">00000000</ITEM>",
        "\t\t\t\t\t<ITEM index=\"4\">00000000</ITEM>",
        "\t\t\t\t\t<ITEM index=\"5\">00000000</ITEM>",
        "\t\t\t\t\t<ITEM index=\"6\">00000000</ITEM>",
        "\t\t\t\t\t<ITEM index=\"7\">00000000</ITEM>",
        "\t\t\t\t</CHANNELCOLORS>",
        "\t\t\t\t<CURSORCOLORS type=\"hexarray\" length=\"2\">",
        "\t\t\t\t\t<ITEM index=\"0\">00000000</ITEM>",
        "\t\t\t\t\t<ITEM index=\"1\">00000000</ITEM>",
        "\t\t\t\t</CURSORCOLORS>",
        "\t\t\t\t<VERCURSORSON type=\"bool\">false</VERCURSORSON>",
        "\t\t\t\t<HORCURSORSON type=\"bool\">false</HORCURSORSON>",
        "\t\t\t\t<QUICKVIEWON type=\"bool\">false</QUICKVIEWON>",
        "\t\t\t\t<OUTPUTFORMAT type=\"int\">0</OUTPUTFORMAT>",
        "\t\t\t\t<OVERRIDECOLORS type=\"bool\">false</OVERRIDECOLORS>",
        "\t\t\t\t<SCREENCOLOR type=\"hex\">00FFFFFF</SCREENCOLOR>",
        "\t\t\t\t<GRIDCOLOR type=\"hex\">00A0A0A0</GRIDCOLOR>",
        "\t\t\t\t<GRIDON type=\"bool\">false</GRIDON>",
        "\t\t\t\t<INFOCOLOR type=\"hex\">00000000</INFOCOLOR>",
        "\t\t\t\t<INFOON type=\"bool\">false</INFOON>",
        "\t\t\t</ITEM>",
        "\t\t</DEFINEDEXPORTASIMAGE>",
        "\t\t<ALLOWTRIGGERDRAG type=\"bool\">true</ALLOWTRIGGERDRAG>",
        "\t\t<AUTOSETATMODE type=\"bool\">true</AUTOSETATMODE>",
        "\t</OPTIONS>",
        "</SETTINGS>",
    });
    EXPECT_EQ(ReadFile(PathOf("settings.xml")), expected);
    EXPECT_TRUE(Messages.Log.empty());

    // Start-up leaves the three copies equal and sizes what is not stored.
    EXPECT_EQ(s->AcquisitionSettings().Range, s->RequestedSettings().Range);
    EXPECT_EQ(s->ShownSettings().TriggerSourceOn[0], s->RequestedSettings().TriggerSourceOn[0]);
    EXPECT_EQ(s->ShownSettings().GroundPosition, (TDoubleArray{128.0, 128.0}));
    for (TDeviceSettings *copy : {&s->RequestedSettings(), &s->AcquisitionSettings(), &s->ShownSettings()})
        EXPECT_EQ(copy->GroundPositionMove, (TDoubleArray{0.0, 0.0}));
    EXPECT_EQ(s->ShownSettings().VerticalParams.size(), 2u);
    EXPECT_EQ(s->VirtualChannels, (TVirtualChannelsAssignment{-1, -1}));
}

// Every stored key with a value other than its default.
void SetEveryKey(TSettingsTarn &s) {
    s.VerCursorsOn = false;
    s.HorCursorsOn = false;
    s.CursorTrackOn = true;
    s.CursorPositions = {11, 22, 33, 44};
    s.CursorsXOn = true;
    s.Transparency = 128;
    s.GridOn = false;
    s.GridIntensity = 0.25;
    s.DisplayMode = 1;
    s.DisplayStart = 77;
    s.DisplayRatio = 2.5;
    s.ChannelsOn = {0, 1, 0, 0, 0, 0, 0, 0};
    s.ZoomOn = false;
    s.ZoomRatio = 0.125;
    s.ZoomStart = 99;
    s.QuickViewRatio = 16;
    s.QuickViewStart = 5;
    s.QuickViewOn = true;
    s.ATMode = 2;
    s.ATValueMode = 1;
    s.HFMode = 1;
    s.SimpleTrigger = false;
    s.TriggerHold = true;
    TDeviceSettings &d = s.RequestedSettings();
    d.MemorySize = 65536;
    d.TimeBase = 3;
    d.WCD = 7;
    d.HoldChannel = {1, 0};
    d.Range = {1, 8};
    d.Shift = {100, 4000};
    d.FilterOn = {0, 1};
    d.FilterFactor = {2, 9};
    d.ProbeMode = {3, 1};
    d.Ground = {1, 0};
    d.DCCoupling = {0, 1};
    d.TriggerSourceOn = {TBoolArray{0, 1, 1}, TBoolArray{1, 0, 1}};
    d.TriggerLeading = {TBoolArray{0, 0, 1}, TBoolArray{1, 1, 0}};
    d.TriggerCount = {5, 6};
    d.TriggerLength = {40, 80};
    d.TriggerLevel = {10, 200, 255};
    d.TriggerMode = 3;
    d.AfterTrigger = 1000;
    d.HoldOff = 2000;
    TOptions &o = *s.Options;
    dynamic_cast<TBooleanOption &>(*o.GetOption(opToolTip)).Value = false;
    dynamic_cast<TColorOption &>(*o.GetOption(opColorGrid)).Value = 0x112233;
    dynamic_cast<TColorArrayOption &>(*o.GetOption(opColorChannels)).Colors[5] = 0x445566;
    dynamic_cast<THotkeyOption &>(*o.GetOption(opHotkey_RangeB_Up)).Keys = {42, 17};
}

void ExpectStoredKeysEqual(TSettingsTarn &a, TSettingsTarn &b) {
    EXPECT_EQ(a.VerCursorsOn, b.VerCursorsOn);
    EXPECT_EQ(a.HorCursorsOn, b.HorCursorsOn);
    EXPECT_EQ(a.CursorTrackOn, b.CursorTrackOn);
    EXPECT_EQ(a.CursorPositions, b.CursorPositions);
    EXPECT_EQ(a.CursorsXOn, b.CursorsXOn);
    EXPECT_EQ(a.Transparency, b.Transparency);
    EXPECT_EQ(a.GridOn, b.GridOn);
    EXPECT_EQ(a.GridIntensity, b.GridIntensity);
    EXPECT_EQ(a.DisplayMode, b.DisplayMode);
    EXPECT_EQ(a.DisplayStart, b.DisplayStart);
    EXPECT_EQ(a.DisplayRatio, b.DisplayRatio);
    EXPECT_EQ(a.ChannelsOn, b.ChannelsOn);
    EXPECT_EQ(a.ZoomOn, b.ZoomOn);
    EXPECT_EQ(a.ZoomRatio, b.ZoomRatio);
    EXPECT_EQ(a.ZoomStart, b.ZoomStart);
    EXPECT_EQ(a.QuickViewRatio, b.QuickViewRatio);
    EXPECT_EQ(a.QuickViewStart, b.QuickViewStart);
    EXPECT_EQ(a.QuickViewOn, b.QuickViewOn);
    EXPECT_EQ(a.ATMode, b.ATMode);
    EXPECT_EQ(a.ATValueMode, b.ATValueMode);
    EXPECT_EQ(a.HFMode, b.HFMode);
    EXPECT_EQ(a.SimpleTrigger, b.SimpleTrigger);
    EXPECT_EQ(a.TriggerHold, b.TriggerHold);
    const TDeviceSettings &x = a.RequestedSettings(), &y = b.RequestedSettings();
    EXPECT_EQ(x.MemorySize, y.MemorySize);
    EXPECT_EQ(x.TimeBase, y.TimeBase);
    EXPECT_EQ(x.WCD, y.WCD);
    EXPECT_EQ(x.HoldChannel, y.HoldChannel);
    EXPECT_EQ(x.Range, y.Range);
    EXPECT_EQ(x.Shift, y.Shift);
    EXPECT_EQ(x.FilterOn, y.FilterOn);
    EXPECT_EQ(x.FilterFactor, y.FilterFactor);
    EXPECT_EQ(x.ProbeMode, y.ProbeMode);
    EXPECT_EQ(x.Ground, y.Ground);
    EXPECT_EQ(x.DCCoupling, y.DCCoupling);
    EXPECT_EQ(x.TriggerSourceOn, y.TriggerSourceOn);
    EXPECT_EQ(x.TriggerLeading, y.TriggerLeading);
    EXPECT_EQ(x.TriggerCount, y.TriggerCount);
    EXPECT_EQ(x.TriggerLength, y.TriggerLength);
    EXPECT_EQ(x.TriggerLevel, y.TriggerLevel);
    EXPECT_EQ(x.TriggerMode, y.TriggerMode);
    EXPECT_EQ(x.AfterTrigger, y.AfterTrigger);
    EXPECT_EQ(x.HoldOff, y.HoldOff);
    TOptions &p = *a.Options, &q = *b.Options;
    EXPECT_EQ(p.GetBoolean(opToolTip), q.GetBoolean(opToolTip));
    EXPECT_EQ(p.GetColor(opColorGrid), q.GetColor(opColorGrid));
    EXPECT_EQ(p.GetColorArray(opColorChannels), q.GetColorArray(opColorChannels));
    EXPECT_EQ(dynamic_cast<THotkeyOption &>(*p.GetOption(opHotkey_RangeB_Up)).Keys,
              dynamic_cast<THotkeyOption &>(*q.GetOption(opHotkey_RangeB_Up)).Keys);
}

TEST_F(SettingsTest, EveryKeyOptionAndModuleKeySurvivesExitAndStart) {
    for (char separator : {'.', ','}) {
        platform::SetDecimalSeparator(separator);
        auto first = Demo(PathOf("missing.xml"));
        first->LoadSettingsFile();
        SetEveryKey(*first);
        EXPECT_TRUE(first->WriteModuleInt("parmod", "rows", -12));
        EXPECT_TRUE(first->WriteModuleBool("parmod", "stats/on", true));
        EXPECT_TRUE(first->WriteModuleFloat("parmod", "ratio", 0.375));
        EXPECT_TRUE(first->WriteModuleString("parmod", "layout", "a;b <c>"));
        first->SettingsFileName = PathOf("settings.xml");
        ASSERT_TRUE(first->SaveSettingsFile());

        auto second = Demo(PathOf("settings.xml"));
        second->LoadSettingsFile();
        ExpectStoredKeysEqual(*first, *second);
        // The changed values really differ from a fresh start's.
        auto fresh = Demo(PathOf("missing.xml"));
        fresh->LoadSettingsFile();
        EXPECT_NE(fresh->RequestedSettings().Shift, second->RequestedSettings().Shift);
        EXPECT_NE(fresh->GridIntensity, second->GridIntensity);

        int32_t i = 0;
        bool b = false;
        double f = 0;
        std::string t;
        EXPECT_TRUE(second->ReadModuleInt("parmod", "rows", i));
        EXPECT_TRUE(second->ReadModuleBool("parmod", "stats/on", b));
        EXPECT_TRUE(second->ReadModuleFloat("parmod", "ratio", f));
        EXPECT_TRUE(second->ReadModuleString("parmod", "layout", t));
        EXPECT_EQ(i, -12);
        EXPECT_TRUE(b);
        EXPECT_EQ(f, 0.375);
        EXPECT_EQ(t, "a;b <c>");
        // Saving what was read gives the same file again.
        second->SettingsFileName = PathOf("again.xml");
        ASSERT_TRUE(second->SaveSettingsFile());
        EXPECT_EQ(ReadFile(PathOf("again.xml")), ReadFile(PathOf("settings.xml")));
    }
}

TEST_F(SettingsTest, StoredValuesAreReadAsThePartsOfTheFileSay) {
    auto s =
        Demo(Settings("<VISUAL><SCREEN>"
                      "<CHANNELSON type=\"boolarray\" length=\"4\"><ITEM index=\"0\">false</ITEM>"
                      "<ITEM index=\"2\">true</ITEM><ITEM index=\"3\">true</ITEM></CHANNELSON>"
                      "<GRID><INTENSITY type=\"float\">0,7</INTENSITY></GRID>"
                      "</SCREEN></VISUAL>"
                      "<DEVICE><VERTICAL><RANGE type=\"intarray\" length=\"3\"><ITEM index=\"0\">1</ITEM>"
                      "<ITEM index=\"1\">2</ITEM><ITEM index=\"2\">3</ITEM></RANGE></VERTICAL></DEVICE>"));
    s->LoadSettingsFile();
    // Virtual and loaded-record channels start switched off whatever the file says.
    EXPECT_EQ(s->ChannelsOn, (TChannelsOn{0, 1, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(s->RequestedSettings().Range, (TIntArray{1, 2}));
    EXPECT_DOUBLE_EQ(s->GridIntensity, 0.7);
    // Keys missing from the file take their defaults from the capabilities: 23 time bases, 9 ranges.
    EXPECT_EQ(s->RequestedSettings().TimeBase, 11);
    EXPECT_EQ(s->RequestedSettings().Shift, (TIntArray{2047, 2047}));
    platform::SetDecimalSeparator(',');
    s->LoadSettingsFile();
    EXPECT_DOUBLE_EQ(s->GridIntensity, 0.7);

    auto missing = Demo(PathOf("missing.xml"));
    missing->LoadSettingsFile();
    EXPECT_EQ(missing->RequestedSettings().Range, (TIntArray{4, 4}));
}

TEST_F(SettingsTest, ValuesOutsideTheCapabilitiesAreBroughtWithinThem) {
    auto s =
        Demo(Settings("<DEVICE><HORIZONTAL><MEMSIZE type=\"int\">12345</MEMSIZE>"
                      "<TIMEBASE type=\"int\">99</TIMEBASE></HORIZONTAL>"
                      "<VERTICAL><RANGE type=\"intarray\" length=\"2\"><ITEM index=\"0\">-3</ITEM>"
                      "<ITEM index=\"1\">50</ITEM></RANGE>"
                      "<SHIFT type=\"intarray\" length=\"2\"><ITEM index=\"0\">-1</ITEM>"
                      "<ITEM index=\"1\">99999</ITEM></SHIFT></VERTICAL>"
                      "<TRIGGER><LEVEL type=\"intarray\" length=\"3\"><ITEM index=\"0\">300</ITEM>"
                      "<ITEM index=\"1\">-5</ITEM><ITEM index=\"2\">100</ITEM></LEVEL></TRIGGER></DEVICE>"));
    s->LoadSettingsFile();
    for (TDeviceSettings *d : {&s->RequestedSettings(), &s->AcquisitionSettings(), &s->ShownSettings()}) {
        EXPECT_EQ(d->MemorySize, 8192);
        EXPECT_EQ(d->TimeBase, 22);
        EXPECT_EQ(d->Range, (TIntArray{0, 8}));
        EXPECT_EQ(d->Shift, (TIntArray{0, 4095}));
        EXPECT_EQ(d->TriggerLevel, (TIntArray{255, 0, 100}));
    }
    auto tiny = Demo(Settings("<DEVICE><HORIZONTAL><MEMSIZE type=\"int\">5</MEMSIZE></HORIZONTAL></DEVICE>"));
    tiny->LoadSettingsFile();
    EXPECT_EQ(tiny->RequestedSettings().MemorySize, 1024);
}

TEST_F(SettingsTest, OneUnreadableEntryDoesNotStopTheLoad) {
    auto s = Demo(Settings(
        "<OPTIONS><HOTKEY_HOLD type=\"string\">29;x;</HOTKEY_HOLD>"
        "<TOOLTIP type=\"bool\">false</TOOLTIP></OPTIONS>"
        "<VISUAL><SCREEN><CHANNELSON type=\"boolarray\" length=\"many\">"
        "<ITEM index=\"1\">false</ITEM></CHANNELSON>"
        "<TRANSPARENCY type=\"int\">100</TRANSPARENCY></SCREEN></VISUAL>"
        "<DEVICE><HORIZONTAL><HOLDCHANNEL type=\"boolarray\" length=\"2\">"
        "<ITEM index=\"one\">true</ITEM></HOLDCHANNEL><WCD type=\"int\">9</WCD></HORIZONTAL></DEVICE>"));
    s->LoadSettingsFile();
    EXPECT_EQ(dynamic_cast<THotkeyOption &>(*s->Options->GetOption(opHotkey_Hold)).Keys, (TKeyList{29, 57}));
    EXPECT_FALSE(s->Options->GetBoolean(opToolTip));
    EXPECT_EQ(s->ChannelsOn, (TChannelsOn{1, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(s->Transparency, 100);
    EXPECT_EQ(s->RequestedSettings().HoldChannel, (TBoolArray{0, 0}));
    EXPECT_EQ(s->RequestedSettings().WCD, 9);
}

TEST_F(SettingsTest, ModuleKeysReportTheirSuccess) {
    auto s =
        Demo(Settings("<APPCONTAINER><PARMOD><ON type=\"bool\">yes</ON><TRUE type=\"bool\">TRUE</TRUE>"
                      "<ROWS type=\"int\">abc</ROWS><GOOD type=\"int\">7</GOOD><F type=\"float\">0,5</F>"
                      "<BADF type=\"float\">x</BADF><S type=\"string\"></S><WRONG type=\"string\">1</WRONG>"
                      "</PARMOD></APPCONTAINER>"));
    s->LoadSettingsFile();
    bool b = true;
    EXPECT_TRUE(s->ReadModuleBool("parmod", "on", b));
    EXPECT_FALSE(b);
    EXPECT_TRUE(s->ReadModuleBool("parmod", "true", b));
    EXPECT_TRUE(b);
    EXPECT_FALSE(s->ReadModuleBool("parmod", "rows", b));
    EXPECT_FALSE(s->ReadModuleBool("parmod", "none", b));

    int32_t i = 55;
    EXPECT_FALSE(s->ReadModuleInt("parmod", "rows", i));
    EXPECT_FALSE(s->ReadModuleInt("parmod", "wrong", i));
    EXPECT_FALSE(s->ReadModuleInt("other", "good", i));
    EXPECT_EQ(i, 55);
    EXPECT_TRUE(s->ReadModuleInt("PARMOD", "good", i));
    EXPECT_EQ(i, 7);

    double f = 9;
    EXPECT_FALSE(s->ReadModuleFloat("parmod", "badf", f));
    EXPECT_EQ(f, 9);
    EXPECT_TRUE(s->ReadModuleFloat("parmod", "f", f));
    EXPECT_EQ(f, 0.5);

    std::string t = "keep";
    EXPECT_FALSE(s->ReadModuleString("parmod", "good", t));
    EXPECT_EQ(t, "keep");
    EXPECT_TRUE(s->ReadModuleString("parmod", "s", t));
    EXPECT_EQ(t, "");

    // A name that cannot be an element is refused and leaves the document as it was.
    const std::string before = s->Document.FileText();
    EXPECT_FALSE(s->WriteModuleInt("my module", "k", 1));
    EXPECT_FALSE(s->WriteModuleString("parmod", "a[1]", "x"));
    EXPECT_EQ(s->Document.FileText(), before);
}

// A settings file larger than any the program writes is refused unread, at start-up and on import; the
// import's message names the limit.
TEST_F(SettingsTest, SettingsFilesPastTheSizeLimitAndSpecialFilesAreRefusedUnread) {
    // A good settings document padded with spaces after its end to the given size.
    const std::string huge = PathOf("huge.st");
    auto padded = [&](uint64_t size) {
        const std::string document = "<SETTINGS><VISUAL><SCREEN><TRANSPARENCY type=\"int\">100</TRANSPARENCY>"
                                     "</SCREEN></VISUAL></SETTINGS>";
        std::ofstream out(huge, std::ios::binary | std::ios::trunc);
        out << document;
        const std::string spaces(1 << 20, ' ');
        for (uint64_t left = size - document.size(); left > 0;) {
            const size_t n = size_t(std::min<uint64_t>(left, spaces.size()));
            out.write(spaces.data(), std::streamsize(n));
            left -= n;
        }
    };
    padded(TXMLSettings::MaxFileSize + 1);
    auto s = Demo(PathOf("missing.xml"));
    s->LoadSettingsFile();
    EXPECT_FALSE(s->ImportSettings(huge));
    ASSERT_EQ(Messages.Log.size(), 1u);
    EXPECT_EQ(Messages.Log[0].Text,
              "Unable to import settings from specified file: it is larger than 64 MB.");
    EXPECT_EQ(s->Transparency, 255);
    // At start-up, silently, as any unreadable settings file.
    ASSERT_EQ(mkfifo(PathOf("pipe.xml").c_str(), 0644), 0);
    fs::create_symlink("/dev/zero", PathOf("zero.xml"));
    for (const std::string &file : {huge, PathOf("pipe.xml"), PathOf("zero.xml")}) {
        SCOPED_TRACE(file);
        auto started = Demo(file);
        started->LoadSettingsFile();
        EXPECT_EQ(started->Transparency, 255);
    }
    EXPECT_EQ(Messages.Log.size(), 1u);
    // A file of just the limit is read.
    padded(TXMLSettings::MaxFileSize);
    EXPECT_TRUE(s->ImportSettings(huge));
    EXPECT_EQ(s->Transparency, 100);
    fs::remove(huge);
}

TEST_F(SettingsTest, FailedSaveAndExportShowTheirMessagesAndKeepTheOldFile) {
    auto s = Demo(PathOf("missing.xml"));
    s->LoadSettingsFile();
    s->SettingsFileName = WriteFile("settings.xml", "old");
    chmod(s->SettingsFileName.c_str(), 0444);
    EXPECT_FALSE(s->SaveSettingsFile());
    EXPECT_EQ(ReadFile(s->SettingsFileName), "old");
    EXPECT_FALSE(s->ExportSettings(PathOf("no/folder/x.st")));
    ASSERT_EQ(Messages.Log.size(), 2u);
    EXPECT_EQ(Messages.Log[0].Text,
              "Unable to save settings. Please check if the settings.xml is not read-only.");
    EXPECT_EQ(Messages.Log[1].Text, "Unable to export settings to specified file.");
    for (const auto &box : Messages.Log) {
        EXPECT_EQ(box.Kind, TMsgKind::Error);
        EXPECT_EQ(box.Caption, "Error");
        EXPECT_EQ(box.Buttons, unsigned(mbOK));
    }
}

TEST_F(SettingsTest, ExportThenImportCarriesSettingsOptionsAndModuleKeys) {
    auto source = Demo(PathOf("missing.xml"));
    source->LoadSettingsFile();
    SetEveryKey(*source);
    source->WriteModuleInt("parmod", "rows", 3);
    ASSERT_TRUE(source->ExportSettings(PathOf("mine.st")));

    auto target = Demo(PathOf("missing.xml"));
    target->LoadSettingsFile();
    int imported = 0;
    target->OnImported = [&] { ++imported; };
    ASSERT_TRUE(target->ImportSettings(PathOf("mine.st")));
    EXPECT_EQ(imported, 1);
    ExpectStoredKeysEqual(*source, *target);
    int32_t rows = 0;
    EXPECT_TRUE(target->ReadModuleInt("parmod", "rows", rows));
    EXPECT_EQ(rows, 3);
    // Only the requested copy takes the import; the acquisition thread pushes it on.
    EXPECT_EQ(target->AcquisitionSettings().Shift, (TIntArray{2047, 2047}));
    EXPECT_TRUE(Messages.Log.empty());
}

TEST_F(SettingsTest, FailedImportChangesNothing) {
    auto s = Demo(PathOf("missing.xml"));
    s->LoadSettingsFile();
    SetEveryKey(*s);
    s->WriteModuleInt("parmod", "rows", 3);
    auto reference = Demo(PathOf("missing.xml"));
    reference->LoadSettingsFile();
    SetEveryKey(*reference);
    TOptions *options = s->Options.get();
    const std::string document = s->Document.FileText();
    int imported = 0;
    s->OnImported = [&] { ++imported; };

    const std::string damaged[] = {
        WriteFile("damaged.st",
                  "<SETTINGS><VISUAL><SCREEN><TRANSPARENCY type=\"int\">1</TRANSPARENCY></SCREEN>"),
        WriteFile("foreign.st", "<html><body>not settings</body></html>"),
        WriteFile("empty.st", ""),
        PathOf("absent.st"),
        // Special files are refused unread, without waiting for a writer or reading without end.
        PathOf("pipe.st"),
        PathOf("zero.st"),
        PathOf("folder.st"),
    };
    ASSERT_EQ(mkfifo(PathOf("pipe.st").c_str(), 0644), 0);
    fs::create_symlink("/dev/zero", PathOf("zero.st"));
    fs::create_directory(PathOf("folder.st"));
    for (const std::string &file : damaged) {
        Messages.Log.clear();
        EXPECT_FALSE(s->ImportSettings(file)) << file;
        ASSERT_EQ(Messages.Log.size(), 1u) << file;
        EXPECT_EQ(Messages.Log[0].Text, "Unable to import settings from specified file.");
        EXPECT_EQ(Messages.Log[0].Caption, "Error");
        EXPECT_EQ(Messages.Log[0].Kind, TMsgKind::Error);
        EXPECT_EQ(s->Options.get(), options) << file;
        ExpectStoredKeysEqual(*s, *reference);
        EXPECT_EQ(s->Document.FileText(), document) << file;
        int32_t rows = 0;
        EXPECT_TRUE(s->ReadModuleInt("parmod", "rows", rows));
        EXPECT_EQ(rows, 3);
    }
    EXPECT_EQ(imported, 7);
}

TEST_F(SettingsTest, StartAndExitUseSettingsXmlInTheWorkingFolderSilently) {
    const fs::path previous = fs::current_path();
    fs::current_path(Folder);
    // Another spelling is another file; a damaged file at start-up gives the defaults without a word.
    WriteFile("SETTINGS.XML",
              "<SETTINGS><VISUAL><SCREEN><TRANSPARENCY type=\"int\">1</TRANSPARENCY></SCREEN></VISUAL>"
              "</SETTINGS>");
    WriteFile("settings.xml", "<SETTINGS><VISUAL>");
    // A save killed before this program started left its temporary; a file of another name stays.
    WriteFile(".settings.xml.Xy12Zw", "<SETTINGS>");
    WriteFile(".settings.xml.keep", "<SETTINGS>");
    fs::last_write_time(PathOf(".settings.xml.Xy12Zw"),
                        fs::file_time_type::clock::now() - std::chrono::hours(24 * 365));
    TSettingsTarn s;
    s.SetDefaultCapabilities();
    s.Messages = &Messages;
    s.LoadSettingsFile();
    EXPECT_FALSE(fs::exists(PathOf(".settings.xml.Xy12Zw")));
    EXPECT_TRUE(fs::exists(PathOf(".settings.xml.keep")));
    EXPECT_EQ(s.Transparency, 255);
    EXPECT_TRUE(Messages.Log.empty());
    s.Transparency = 7;
    EXPECT_TRUE(s.SaveSettingsFile());
    fs::current_path(previous);
    TXMLSettings written;
    ASSERT_TRUE(written.LoadFromFile(PathOf("settings.xml")));
    EXPECT_EQ(written.ReadInt("/visual/screen/transparency", 0), 7);
}

TEST_F(SettingsTest, TriggerPositionCountsTheLatency) {
    TSettingsTarn s;
    s.SetDefaultCapabilities();
    TDeviceSettings d;
    d.MemorySize = 8192;
    d.AfterTrigger = 4096;
    EXPECT_EQ(s.TriggerDelaySamples(d), 0) << "no time bases";
    EXPECT_EQ(s.TriggerPosition(d), 4096);
    SmallCapabilities(s);
    EXPECT_EQ(s.TriggerPosition(d), 4096) << "no latency";
    s.TriggerLatency = 9.3e-9;
    EXPECT_EQ(s.TriggerDelaySamples(d), 1);
    EXPECT_EQ(s.TriggerPosition(d), 4097);
    s.TriggerLatency = 2e-8;
    EXPECT_EQ(s.TriggerDelaySamples(d), 2);
    d.TimeBase = 1;
    EXPECT_EQ(s.TriggerDelaySamples(d), 0);
    d.TimeBase = 7;
    EXPECT_EQ(s.TriggerDelaySamples(d), 0) << "row outside the list";
}

TEST_F(SettingsTest, SmallTextsAndCursorPositions) {
    EXPECT_EQ(TSettingsTarn::EdgeName(true), "leading");
    EXPECT_EQ(TSettingsTarn::EdgeName(false), "trailing");
    const std::pair<int32_t, char> letters[] = {{0, 'A'}, {1, 'B'}, {2, 'E'}, {3, ' '}, {-1, ' '}};
    for (const auto &[source, letter] : letters)
        EXPECT_EQ(TSettingsTarn::TriggerSourceLetter(source), letter) << source;

    TSettingsTarn s;
    s.SetVerCursorPos(0, 1);
    s.SetVerCursorPos(1, 2);
    s.SetHorCursorPos(0, 3);
    s.SetHorCursorPos(1, 4);
    EXPECT_EQ(s.CursorPositions, (std::array<int32_t, 4>{1, 2, 3, 4}));
    EXPECT_EQ(s.GetVerCursorPos(1), 2);
    EXPECT_EQ(s.GetHorCursorPos(0), 3);
}

class InfoTextTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::SetDecimalSeparator('.');
        SmallCapabilities(S);
        S.ChannelsOn = {1, 1, 0, 0, 0, 0};
        S.DisplayRatio = 1;
        TDeviceSettings &d = S.ShownSettings();
        d.MemorySize = 8192;
        d.TimeBase = 1;
        d.TriggerSourceOn = {TBoolArray{1, 1, 0}, TBoolArray{0, 0, 0}};
        d.TriggerLeading = {TBoolArray{1, 0, 0}, TBoolArray{0, 0, 1}};
        d.TriggerLength = {10, 20};
        d.TriggerCount = {1, 3};
        d.AfterTrigger = 4096;
        d.Range = {0, 2};
        d.DCCoupling = {1, 0};
        d.ProbeMode = {0, 1};
    }
    TSettingsTarn S;
};

TEST_F(InfoTextTest, TriggerTextListsSourcesFilterCountAndAfterTrigger) {
    EXPECT_EQ(S.TriggerInfoText(), "Primary sources:  A (leading), B (trailing)\r\n"
                                   "Primary filter: 100ns\r\n"
                                   "Primary count: 1\r\n"
                                   "Secondary sources: none\r\n"
                                   "After trigger: 4.096ms");
    S.ShownSettings().TriggerSourceOn = {TBoolArray{0, 0, 0}, TBoolArray{0, 0, 1}};
    EXPECT_EQ(S.TriggerInfoText(), "Primary sources: none\r\n"
                                   "Secondary sources:  E (leading)\r\n"
                                   "Secondary filter: 200ns\r\n"
                                   "Secondary count: 3\r\n"
                                   "After trigger: 4.096ms");
}

TEST_F(InfoTextTest, ChannelTextHasRangeCouplingAndProbePerChannelOn) {
    EXPECT_EQ(S.ChannelInfoText(), "Channel A range: 5mV/div\r\n"
                                   "Channel A coupling: DC\r\n"
                                   "Channel A probe: 1:1\r\n"
                                   "Channel B range: 10V/div\r\n"
                                   "Channel B coupling: AC\r\n"
                                   "Channel B probe: 1:10");
    S.ChannelsOn = {0, 1, 0, 0, 0, 0};
    S.ShownSettings().ProbeMode = {0, 3};
    EXPECT_EQ(S.ChannelInfoText(), "Channel B range: 10V/div\r\n"
                                   "Channel B coupling: AC\r\n"
                                   "Channel B probe: 1:1000");
    S.ShownSettings().ProbeMode = {0, 4};
    EXPECT_EQ(S.ChannelInfoText(), "Channel B range: 10V/div\r\n"
                                   "Channel B coupling: AC");
    S.ChannelsOn = {0, 0, 1, 1, 1, 1};
    EXPECT_EQ(S.ChannelInfoText(), "");
}

TEST_F(InfoTextTest, HorizontalTextDescribesTheShownRecord) {
    S.RequestedSettings().MemorySize = 1024;
    S.RequestedSettings().TimeBase = 0;
    S.DisplayRatio = 2;
    // 50 points per division times 2 samples per point at 1 MS/s.
    EXPECT_EQ(S.HorizontalInfoText(), "Memory size:8192\r\nTimebase:100us/div");
}

TEST_F(InfoTextTest, IndicesOutsideTheListsNeverReachThem) {
    TDeviceSettings &d = S.ShownSettings();
    d.TimeBase = 50;
    d.Range = {-1, 3};
    d.TriggerSourceOn = {TBoolArray{1}, TBoolArray{}};
    d.TriggerLeading = {TBoolArray{}, TBoolArray{}};
    EXPECT_EQ(S.HorizontalInfoText(), "Memory size:8192\r\nTimebase:N/As/div");
    EXPECT_EQ(S.TriggerInfoText(), "Primary sources:  A (trailing)\r\n"
                                   "Primary filter: N/As\r\n"
                                   "Primary count: 1\r\n"
                                   "Secondary sources: none\r\n"
                                   "After trigger: N/As");
    EXPECT_EQ(S.ChannelInfoText().substr(0, 26), "Channel A range: N/AV/div\r");
}

TEST_F(SettingsTest, CopyGivesTheDestinationTheSourceLengthsButKeepsItsGroundMove) {
    TDeviceSettings source, destination;
    source.MemorySize = 2048;
    source.TimeBase = 4;
    source.Range = {1, 2};
    source.TriggerSourceOn = {TBoolArray{1, 0, 1}, TBoolArray{0, 1, 0}};
    source.TriggerCount = {3, 4};
    source.GroundPosition = {100.5, 90};
    source.GroundPositionMove = {1, 2};
    source.WCD = 9;
    source.CompensationGenerator = true;
    source.StartRequest = true;
    source.VerticalParams = {TVerticalParamsRow{1, 2, 3}};
    destination.Range = {7, 7, 7, 7};
    destination.TriggerSourceOn = {TBoolArray{1, 1, 1, 1, 1}, TBoolArray{}};
    destination.GroundPositionMove = {5, 6, 7};
    destination.VerticalParams = {TVerticalParamsRow{}, TVerticalParamsRow{}};
    TSettingsTarn::CopyDeviceSettings(source, destination);
    EXPECT_EQ(destination.MemorySize, 2048);
    EXPECT_EQ(destination.TimeBase, 4);
    EXPECT_EQ(destination.Range, (TIntArray{1, 2}));
    EXPECT_EQ(destination.TriggerSourceOn, source.TriggerSourceOn);
    EXPECT_EQ(destination.TriggerCount, source.TriggerCount);
    EXPECT_EQ(destination.GroundPosition, source.GroundPosition);
    EXPECT_EQ(destination.WCD, 9);
    EXPECT_TRUE(destination.CompensationGenerator);
    EXPECT_TRUE(destination.StartRequest);
    EXPECT_EQ(destination.VerticalParams, source.VerticalParams);
    EXPECT_EQ(destination.GroundPositionMove, (TDoubleArray{5, 6, 7}));

    TSettingsTarn s;
    s.RequestedSettings() = source;
    s.StartAcquisitionSettings();
    s.ShowAcquisitionSettings();
    EXPECT_EQ(s.ShownSettings().Range, source.Range);
    EXPECT_TRUE(s.ShownSettings().GroundPositionMove.empty());
}

} // namespace

// Element texts that no program writes, as a damaged disk, a careless hand or a hostile tool leaves them.
std::string Nested(const std::string &name, int depth, const std::string &inner) {
    std::string text;
    text.reserve(static_cast<size_t>(depth) * (2 * name.size() + 5) + inner.size());
    for (int i = 0; i < depth; ++i)
        text += "<" + name + ">";
    text += inner;
    for (int i = 0; i < depth; ++i)
        text += "</" + name + ">";
    return text;
}

std::string Repeated(const std::string &piece, int count) {
    std::string text;
    for (int i = 0; i < count; ++i)
        text += piece;
    return text;
}

TEST_F(SettingsTest, HostileSettingsTextsLoadFailOrAreBroughtWithinLimits) {
    const std::string transparency =
        "<VISUAL><SCREEN><TRANSPARENCY type=\"int\">100</TRANSPARENCY></SCREEN></VISUAL>";
    const std::string valid = "<SETTINGS>" + transparency + "</SETTINGS>";
    std::string siblings;
    for (int i = 0; i < 500000; ++i)
        siblings += "<S/>";
    enum TOutcome { Loaded, Failed };
    struct TCase {
        const char *Name;
        std::string Text;
        TOutcome Outcome;
        int32_t MemorySize, TriggerLevelA;
        TKeyList Hold = {29, 57};
    } cases[] = {
        {"valid", valid, Loaded, 8192, 127},
        {"truncated", valid.substr(0, valid.size() - 12), Failed, 8192, 127},
        {"garbage", std::string("\x01\xFF<\x00>&&<<", 9) + std::string(5000, '\xC3'), Failed, 8192, 127},
        {"another root", "<CONFIG>" + transparency + "</CONFIG>", Failed, 8192, 127},
        {"hold hot key in 100,000 elements",
         "<SETTINGS><OPTIONS><HOTKEY_HOLD type=\"string\">" + Nested("K", 100000, "29;57;") +
             "</HOTKEY_HOLD></OPTIONS>" + transparency + "</SETTINGS>",
         Failed, 8192, 127},
        {"30,000 elements nobody reads",
         "<SETTINGS><UNREAD>" + Nested("N", 30000, "x") + "</UNREAD>" + transparency + "</SETTINGS>", Failed,
         8192, 127},
        {"nested to the limit",
         "<SETTINGS>" + Nested("N", TXMLSettings::MaxElementDepth - 1, "x") + transparency + "</SETTINGS>",
         Loaded, 8192, 127},
        {"one level past the limit",
         "<SETTINGS>" + Nested("N", TXMLSettings::MaxElementDepth, "x") + transparency + "</SETTINGS>",
         Failed, 8192, 127},
        {"huge numbers",
         "<SETTINGS>" + transparency +
             "<DEVICE><HORIZONTAL><MEMSIZE type=\"int\">2147483647</MEMSIZE></HORIZONTAL>"
             "<TRIGGER><LEVEL type=\"intarray\" length=\"3\"><ITEM index=\"0\">99999999999999999999</ITEM>"
             "<ITEM index=\"2147483647\">1</ITEM></LEVEL>"
             "<AFTERTRIGGER type=\"int\">-2147483648</AFTERTRIGGER></TRIGGER></DEVICE></SETTINGS>",
         Loaded, 1048576, 127},
        {"2 MB strings",
         "<SETTINGS><OPTIONS><HOTKEY_HOLD type=\"string\">" + std::string(2 << 20, '7') +
             "</HOTKEY_HOLD></OPTIONS><APPCONTAINER><PARMOD><S type=\"string\">" + std::string(2 << 20, 'x') +
             "</S></PARMOD></APPCONTAINER>" + transparency + "</SETTINGS>",
         Loaded,
         8192,
         127,
         {}},
        {"500,000 siblings", "<SETTINGS>" + siblings + transparency + "</SETTINGS>", Loaded, 8192, 127},
        // Bad hot keys go back to their defaults; the rest of the file loads.
        {"hot keys whose codes sum past 32 bits",
         "<SETTINGS><OPTIONS><HOTKEY_HOLD type=\"string\">2147483647;1;</HOTKEY_HOLD>"
         "<HOTKEY_ZOOM_IN type=\"string\">-2147483648;-1;</HOTKEY_ZOOM_IN></OPTIONS>" +
             transparency + "</SETTINGS>",
         Loaded, 8192, 127},
        {"hot key of more keys than there are key codes",
         "<SETTINGS><OPTIONS><HOTKEY_HOLD type=\"string\">" + Repeated("29;", KeyCodeCount + 1) +
             "</HOTKEY_HOLD></OPTIONS>" + transparency + "</SETTINGS>",
         Loaded, 8192, 127},
        {"hot key of 300 keys",
         "<SETTINGS><OPTIONS><HOTKEY_HOLD type=\"string\">" + Repeated("57;", 300) +
             "</HOTKEY_HOLD></OPTIONS>" + transparency + "</SETTINGS>",
         Loaded, 8192, 127, TKeyList(300, 57)},
        // Not well-formed: the whole file is refused.
        {"duplicate attribute",
         "<SETTINGS><VISUAL><SCREEN><TRANSPARENCY type=\"int\" type=\"bool\">100</TRANSPARENCY></SCREEN>"
         "</VISUAL><DEVICE><HORIZONTAL><MEMSIZE type=\"bool\" type=\"int\">4096</MEMSIZE></HORIZONTAL>"
         "</DEVICE></SETTINGS>",
         Failed, 8192, 127},
        {"two roots", valid + "<SETTINGS/>", Failed, 8192, 127},
        {"a character XML cannot hold",
         "<SETTINGS>" + transparency +
             "<OPTIONS><HOTKEY_HOLD type=\"string\">&#1;57;</HOTKEY_HOLD></OPTIONS>" + "</SETTINGS>",
         Failed, 8192, 127},
        {"bytes that are not UTF-8",
         "<SETTINGS>" + transparency + "<LAST type=\"string\">\xE9t\xE9</LAST></SETTINGS>", Failed, 8192,
         127},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.Name);
        const std::string file = WriteFile("settings.xml", c.Text);
        auto s = Demo(file);
        s->LoadSettingsFile();
        EXPECT_EQ(s->Transparency, c.Outcome == Loaded ? 100 : 255);
        EXPECT_EQ(s->RequestedSettings().MemorySize, c.MemorySize);
        EXPECT_EQ(s->RequestedSettings().TriggerLevel[0], c.TriggerLevelA);
        EXPECT_EQ(dynamic_cast<THotkeyOption &>(*s->Options->GetOption(opHotkey_Hold)).Keys, c.Hold);
        EXPECT_EQ(dynamic_cast<THotkeyOption &>(*s->Options->GetOption(opHotkey_Zoom_In)).Keys,
                  (TKeyList{29, 78}));
        EXPECT_GE(s->RequestedSettings().AfterTrigger, s->AfterTriggerMin);
        EXPECT_LE(s->RequestedSettings().AfterTrigger, s->AfterTriggerMax);
        // The exit save rewrites the file readable and within a small multiple of what was read.
        ASSERT_TRUE(s->SaveSettingsFile());
        const size_t saved = fs::file_size(file);
        EXPECT_LE(saved, 3 * c.Text.size() + 64 * 1024);
        TXMLSettings again;
        EXPECT_TRUE(again.LoadFromFile(file));
        EXPECT_EQ(again.ReadInt("/visual/screen/transparency", 0), s->Transparency);
        THotkeyOption hold;
        hold.Keys = c.Hold;
        EXPECT_EQ(again.ReadString("/options/hotkey_hold", ""), hold.Text());

        // The same file through the settings import: refused with its message, or taken.
        auto imported = Demo(PathOf("other.xml"));
        imported->LoadSettingsFile();
        Messages.Log.clear();
        EXPECT_EQ(imported->ImportSettings(WriteFile("hostile.st", c.Text)), c.Outcome == Loaded);
        EXPECT_EQ(Messages.Log.size(), c.Outcome == Loaded ? 0u : 1u);
        EXPECT_EQ(imported->Transparency, c.Outcome == Loaded ? 100 : 255);
    }
}

} // namespace scope
