#include "settings/ExportOptionsTarn.h"

#include <gtest/gtest.h>

#include "device/DataTypesTarn.h"
#include "settings/SettingsTarn.h"
#include "testkit/TestFolder.h"

namespace scope {

namespace {

class ExportOptionsTest : public ::testing::Test {
protected:
    void SetUp() override {
        Settings.SetDefaultCapabilities();
        Settings.VirtualChannelCount = 2;
        Settings.ChannelCount = 8;
        Store.LoadFromFile("");
    }
    // Loads the store from a settings text.
    void Load(const std::string &inside) {
        const std::string path = (FreshTestFolder() / "export_options.xml").string();
        FILE *f = fopen(path.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        const std::string text = "<SETTINGS>" + inside + "</SETTINGS>";
        fwrite(text.data(), 1, text.size(), f);
        fclose(f);
        ASSERT_TRUE(Store.LoadFromFile(path));
        remove(path.c_str());
    }
    std::vector<std::string> Names(const TExportArrayOption &list) {
        std::vector<std::string> names;
        for (const auto &entry : list.List)
            names.push_back(entry->PresetName);
        return names;
    }
    std::vector<std::string> Names(const TExportAsImageArrayOption &list) {
        std::vector<std::string> names;
        for (const auto &entry : list.List)
            names.push_back(entry->PresetName);
        return names;
    }
    TSettingsTarn Settings;
    TXMLSettings Store;
};

const TColorList ChannelDefaults = {0x00FF00, 0x00FFFF, 0xFF8000, 0x0080FF,
                                    0x00FF00, 0x00FFFF, 0xFF8000, 0x0080FF};

TEST_F(ExportOptionsTest, FreshPresetsHoldTheBuiltInTexts) {
    TOptions options(&Settings);
    auto &text = dynamic_cast<TExportArrayOption &>(*options.GetOption(opDefinedExport));
    ASSERT_EQ(text.Count(), 1);
    const TExportOption &e = *text.List[0];
    EXPECT_EQ(e.PresetName, "Whole memory in mV");
    EXPECT_EQ((std::array<int32_t, 5>{e.Units, e.Area, e.Style, e.Target, e.Source}),
              (std::array<int32_t, 5>{0, 0, 0, 0, 3}));
    EXPECT_EQ(dynamic_cast<TExportOption &>(*options.GetOption(opDefaultExport)).PresetName,
              "Whole memory in mV");

    auto &images = dynamic_cast<TExportAsImageArrayOption &>(*options.GetOption(opDefinedExportAsImage));
    EXPECT_EQ(Names(images), (std::vector<std::string>{"Current screen (PNG)", "Black/white (PNG)"}));
    const TExportAsImageOption &current = *images.List[0];
    EXPECT_EQ(current.ChannelColors.Colors, ChannelDefaults);
    EXPECT_EQ(current.CursorColors.Colors, (TColorList{255, 16711680}));
    EXPECT_EQ(current.ScreenColor, 0u);
    EXPECT_EQ(current.GridColor, 0xA0A0A0u);
    EXPECT_EQ(current.InfoColor, 0xFFFFFFu);
    EXPECT_TRUE(current.VerCursorsOn && current.HorCursorsOn && current.GridOn && current.InfoOn);
    EXPECT_FALSE(current.QuickViewOn);
    EXPECT_EQ(current.OutputFormat, 0);
    EXPECT_TRUE(current.OverrideColors);
    const TExportAsImageOption &bw = *images.List[1];
    EXPECT_EQ(bw.ChannelColors.Colors, TColorList(8, 0));
    EXPECT_EQ(bw.CursorColors.Colors, (TColorList{0, 0}));
    EXPECT_EQ(bw.ScreenColor, 0xFFFFFFu);
    EXPECT_EQ(bw.GridColor, 0xA0A0A0u);
    EXPECT_EQ(bw.InfoColor, 0u);
    EXPECT_FALSE(bw.VerCursorsOn || bw.HorCursorsOn || bw.QuickViewOn || bw.GridOn || bw.InfoOn ||
                 bw.OverrideColors);

    auto &single = dynamic_cast<TExportAsImageOption &>(*options.GetOption(opDefaultExportAsImage));
    EXPECT_EQ(single.PresetName, "Current screen (PNG)");
    EXPECT_EQ(single.ChannelColors.Colors, ChannelDefaults);
}

TEST_F(ExportOptionsTest, SourceZeroIsReadAsThreeFromTextAndFromXML) {
    TExportOption e;
    e.Name = "one";
    e.SetFromText("Mine;1;2;1;1;0;");
    EXPECT_EQ(e.Source, 3);
    EXPECT_EQ(e.Units, 1);
    EXPECT_EQ(e.Area, 2);
    e.SetFromText("Mine;1;2;1;1;2;");
    EXPECT_EQ(e.Source, 2);
    EXPECT_THROW(e.SetFromText("Mine;1;2;x;1;2;"), EConvertError);
    Store.WriteInt("/opt/one/source", 0);
    e.LoadFromXML("/opt", Store);
    EXPECT_EQ(e.Source, 3);
    EXPECT_EQ(e.PresetName, "Mine");
}

TEST_F(ExportOptionsTest, MoveAndDeleteKeepTheOthersInOrder) {
    TExportAsImageArrayOption list;
    list.Settings = &Settings;
    list.SetFromText("a|1;|1;0;|0|0|0|true|true|true|true|true|0|true|:"
                     "b|1;|1;0;|0|0|0|true|true|true|true|true|0|true|:"
                     "c|1;|1;0;|0|0|0|true|true|true|true|true|0|true|:");
    ASSERT_EQ(Names(list), (std::vector<std::string>{"a", "b", "c"}));
    list.Move(0, 99);
    EXPECT_EQ(Names(list), (std::vector<std::string>{"b", "c", "a"}));
    list.Move(2, -5);
    EXPECT_EQ(Names(list), (std::vector<std::string>{"a", "b", "c"}));
    list.Move(1, 1);
    list.Move(3, 0);
    list.Move(-1, 0);
    EXPECT_EQ(Names(list), (std::vector<std::string>{"a", "b", "c"}));
    list.Delete(3);
    list.Delete(-1);
    list.Delete(1);
    EXPECT_EQ(Names(list), (std::vector<std::string>{"a", "c"}));

    TExportArrayOption texts;
    for (const char *name : {"x", "y", "z"}) {
        auto entry = std::make_unique<TExportOption>();
        entry->PresetName = name;
        texts.Add(std::move(entry));
    }
    texts.Move(0, 99);
    EXPECT_EQ(Names(texts), (std::vector<std::string>{"y", "z", "x"}));
    texts.Move(2, -5);
    EXPECT_EQ(Names(texts), (std::vector<std::string>{"x", "y", "z"}));
    texts.Delete(0);
    EXPECT_EQ(Names(texts), (std::vector<std::string>{"y", "z"}));
}

TEST_F(ExportOptionsTest, ItemsLandAtTheirIndexWhateverTheirOrder) {
    Load("<OPT><LIST type=\"exportarray\" length=\"3\">"
         "<ITEM index=\"1\"><NAME type=\"string\">second</NAME><SOURCE type=\"int\">1</SOURCE></ITEM>"
         "<ITEM index=\"0\"><NAME type=\"string\">first</NAME><TARGET type=\"int\">1</TARGET></ITEM>"
         "<ITEM index=\"7\"><NAME type=\"string\">outside</NAME></ITEM>"
         "<ITEM><NAME type=\"string\">no index</NAME></ITEM>"
         "</LIST></OPT>");
    TExportArrayOption list;
    list.Name = "list";
    list.SetFromText("Whole memory in mV;0;0;0;0;3;");
    list.LoadFromXML("/opt", Store);
    EXPECT_EQ(Names(list), (std::vector<std::string>{"first", "second", ""}));
    EXPECT_EQ(list.List[0]->Target, 1);
    EXPECT_EQ(list.List[0]->Source, 3) << "read entries turn source 0 into 3";
    EXPECT_EQ(list.List[1]->Source, 1);
}

TEST_F(ExportOptionsTest, DamagedListKeepsWhatItHad) {
    Load("<OPTIONS>"
         "<DEFINEDEXPORT type=\"exportarray\" length=\"2\"><ITEM index=\"x\"><NAME "
         "type=\"string\">bad</NAME></ITEM>"
         "<ITEM index=\"1\"/></DEFINEDEXPORT>"
         "<DEFINEDEXPORTASIMAGE type=\"exportasimagearray\" length=\"lots\"><ITEM "
         "index=\"0\"/></DEFINEDEXPORTASIMAGE>"
         "<TOOLTIP type=\"bool\">false</TOOLTIP>"
         "</OPTIONS>");
    TOptions options(&Settings);
    options.LoadFromXML("/options", Store);
    EXPECT_EQ(Names(dynamic_cast<TExportArrayOption &>(*options.GetOption(opDefinedExport))),
              (std::vector<std::string>{"Whole memory in mV"}));
    EXPECT_EQ(Names(dynamic_cast<TExportAsImageArrayOption &>(*options.GetOption(opDefinedExportAsImage))),
              (std::vector<std::string>{"Current screen (PNG)", "Black/white (PNG)"}));
    EXPECT_FALSE(options.GetBoolean(opToolTip));
}

TEST_F(ExportOptionsTest, PresetListSurvivesWriteAndRead) {
    TOptions written(&Settings);
    auto &images = dynamic_cast<TExportAsImageArrayOption &>(*written.GetOption(opDefinedExportAsImage));
    TExportAsImageOption &p = *images.List[1];
    p.PresetName = "Mine";
    p.ChannelColors.Colors[3] = 0x123456;
    p.CursorColors.Colors = {1, 2};
    p.VerCursorsOn = true;
    p.QuickViewOn = true;
    p.OutputFormat = 2;
    p.ScreenColor = 0x010101;
    p.GridColor = 0x020202;
    p.GridOn = true;
    p.InfoColor = 0x030303;
    p.InfoOn = true;
    p.OverrideColors = true;
    auto &texts = dynamic_cast<TExportArrayOption &>(*written.GetOption(opDefinedExport));
    auto extra = std::make_unique<TExportOption>();
    extra->PresetName = "Screen in V";
    extra->Units = 1;
    extra->Area = 1;
    extra->Style = 2;
    extra->Target = 1;
    extra->Source = 2;
    texts.Add(std::move(extra));
    written.SaveToXML("/options", Store);

    TOptions read(&Settings);
    read.LoadFromXML("/options", Store);
    auto &back = dynamic_cast<TExportAsImageArrayOption &>(*read.GetOption(opDefinedExportAsImage));
    ASSERT_EQ(back.Count(), 2);
    const TExportAsImageOption &q = *back.List[1];
    EXPECT_EQ(q.PresetName, "Mine");
    EXPECT_EQ(q.ChannelColors.Colors, p.ChannelColors.Colors);
    EXPECT_EQ(q.CursorColors.Colors, (TColorList{1, 2}));
    EXPECT_EQ(q.VerCursorsOn, true);
    EXPECT_EQ(q.HorCursorsOn, false);
    EXPECT_EQ(q.QuickViewOn, true);
    EXPECT_EQ(q.OutputFormat, 2);
    EXPECT_EQ(q.ScreenColor, 0x010101u);
    EXPECT_EQ(q.GridColor, 0x020202u);
    EXPECT_EQ(q.GridOn, true);
    EXPECT_EQ(q.InfoColor, 0x030303u);
    EXPECT_EQ(q.InfoOn, true);
    EXPECT_EQ(q.OverrideColors, true);
    EXPECT_EQ(back.List[0]->PresetName, "Current screen (PNG)");
    auto &textsBack = dynamic_cast<TExportArrayOption &>(*read.GetOption(opDefinedExport));
    ASSERT_EQ(textsBack.Count(), 2);
    const TExportOption &t = *textsBack.List[1];
    EXPECT_EQ(t.PresetName, "Screen in V");
    EXPECT_EQ((std::array<int32_t, 5>{t.Units, t.Area, t.Style, t.Target, t.Source}),
              (std::array<int32_t, 5>{1, 1, 2, 1, 2}));
}

TEST_F(ExportOptionsTest, LoadedPresetsStartBlackWithTheCursorCountOfTheFirstOne) {
    Load("<OPT><IMG type=\"exportasimagearray\" length=\"1\"><ITEM index=\"0\">"
         "<NAME type=\"string\">only name</NAME></ITEM></IMG></OPT>");
    TExportAsImageArrayOption list;
    list.Name = "img";
    list.Settings = &Settings;
    list.SetFromText("a|1;|3;5;6;7;|0|0|0|true|true|true|true|true|0|true|:");
    list.LoadFromXML("/opt", Store);
    ASSERT_EQ(list.Count(), 1);
    const TExportAsImageOption &p = *list.List[0];
    EXPECT_EQ(p.PresetName, "only name");
    EXPECT_EQ(p.ChannelColors.Colors, TColorList(8, 0));
    EXPECT_EQ(p.CursorColors.Colors, TColorList(3, 0));
    EXPECT_FALSE(p.VerCursorsOn || p.GridOn || p.OverrideColors);
    EXPECT_EQ(p.Settings, &Settings);
}

TEST_F(ExportOptionsTest, ListTextWithoutItsLastColonAddsNoPreset) {
    TExportAsImageArrayOption list;
    list.Settings = &Settings;
    list.SetFromText(
        "a|1;|1;0;|0|0|0|true|true|true|true|true|0|true|:b|1;|1;0;|0|0|0|true|true|true|true|true|0|true|");
    EXPECT_EQ(Names(list), (std::vector<std::string>{"a"}));
    list.SetFromText("");
    EXPECT_EQ(list.Count(), 0);
}

TEST_F(ExportOptionsTest, AssignMakesIndependentCopies) {
    TOptions options(&Settings);
    auto &source = dynamic_cast<TExportAsImageArrayOption &>(*options.GetOption(opDefinedExportAsImage));
    TExportAsImageArrayOption copy;
    copy.Settings = &Settings;
    copy.Assign(source);
    ASSERT_EQ(Names(copy), Names(source));
    EXPECT_EQ(copy.List[0]->ChannelColors.Colors, ChannelDefaults);
    EXPECT_EQ(copy.List[1]->ScreenColor, 0xFFFFFFu);
    copy.List[0]->ChannelColors.Colors[0] = 1;
    copy.List[0]->PresetName = "changed";
    EXPECT_EQ(source.List[0]->ChannelColors.Colors[0], 0x00FF00u);
    EXPECT_EQ(source.List[0]->PresetName, "Current screen (PNG)");

    auto &texts = dynamic_cast<TExportArrayOption &>(*options.GetOption(opDefinedExport));
    TExportArrayOption textCopy;
    textCopy.Assign(texts);
    ASSERT_EQ(textCopy.Count(), 1);
    textCopy.List[0]->Units = 2;
    EXPECT_EQ(texts.List[0]->Units, 0);
    EXPECT_EQ(textCopy.List[0]->Source, 3);
}

} // namespace

} // namespace scope
