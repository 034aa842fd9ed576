#include "controllers/ExportAsImageWrapperTarn.h"

#include "export/ImageEncoders.h"

#include "acquisition/DataSourceTarn.h"
#include "bus/ObjMasterTarn.h"
#include "screens/ScopeScreenTarn.h"
#include "settings/ExportOptionsTarn.h"
#include "settings/SettingsTarn.h"
#include "testkit/TestFolder.h"
#include "testkit/WriteTargets.h"
#include "testkit/ui/QtTestKit.h"
#include "testkit/ui/ScriptedSaveDialog.h"

#include <QAction>
#include <QImage>
#include <QMenu>
#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

namespace scope {

namespace {

class ExportAsImageFixture : public TTestFolder {
protected:
    void SetUp() override {
        TTestFolder::SetUp();
        S.SetDefaultCapabilities();
        S.TimeBases = {{1e6, 1e6, 0, 0}};
        S.Ranges = {{1.0, 0}};
        S.Options = std::make_unique<TOptions>(&S);
        S.Messages = &Messages;
        S.BringWithinCapabilities(S.RequestedSettings());
        S.StartAcquisitionSettings();
        S.ShowAcquisitionSettings();
        S.DisplayRatio = 1;
        Source.SetSettings(&S);
        Source.SetObjMaster(&Bus);
        Screen.SetSettings(&S);
        Screen.SetDataSource(&Source);
        Screen.SetObjMaster(&Bus);
        Screen.resize(120, 80);
        Bus.Broadcast(bmInitialize, 0, nullptr);

        Menu.addSeparator();
        Menu.addAction("Manage exports");
        Export.SetSettings(&S);
        Export.SetObjMaster(&Bus);
        Export.ExportMenu = &Menu;
        Export.ScopeScreen = &Screen;
        Export.SaveDialog = &Dialog;
    }
    TExportAsImageArrayOption &Presets() {
        return *static_cast<TExportAsImageArrayOption *>(S.Options->GetOption(opDefinedExportAsImage));
    }
    // The black/white preset with another output format.
    TExportAsImageOption &Preset(int32_t format) {
        TExportAsImageOption &p = *Presets().List[1];
        p.OutputFormat = format;
        return p;
    }
    QImage Rendered(const TExportAsImageOption &p) {
        QImage bitmap;
        Screen.RenderToBitmap(p, bitmap);
        return bitmap.convertToFormat(QImage::Format_RGB888);
    }

    TTestAppFirst AppFirst;
    TObjMasterTarn Bus;
    TSettingsTarn S;
    TDataSourceTarn Source;
    TScopeScreenTarn Screen;
    QMenu Menu;
    TScriptedMessages Messages;
    TScriptedSaveDialog Dialog;
    TExportAsImageWrapperTarn Export;
};

TEST_F(ExportAsImageFixture, MenuHoldsOneTaggedItemPerPresetAboveItsOwnItems) {
    Bus.Broadcast(bmSettingsApplied, 3, nullptr);
    EXPECT_EQ(Menu.actions().size(), 2);
    Bus.Broadcast(bmSettingsApplied, SettingsStageCount - 1, nullptr);
    ASSERT_EQ(Menu.actions().size(), 4);
    EXPECT_EQ(Menu.actions()[0]->text(), "Current screen (PNG)");
    EXPECT_EQ(Menu.actions()[1]->text(), "Black/white (PNG)");
    EXPECT_EQ(Menu.actions()[1]->data().toInt(), 1);
    EXPECT_TRUE(Menu.actions()[2]->isSeparator());

    Presets().Move(1, 0);
    Export.RebuildMenu();
    ASSERT_EQ(Menu.actions().size(), 4);
    EXPECT_EQ(Menu.actions()[0]->text(), "Black/white (PNG)");
    EXPECT_EQ(Menu.actions()[0]->data().toInt(), 0);

    Presets().Clear();
    Export.RebuildMenu();
    ASSERT_EQ(Menu.actions().size(), 2);
    EXPECT_EQ(Menu.actions()[1]->text(), "Manage exports");
}

TEST_F(ExportAsImageFixture, ChosenEntryDecidesFormatAndExtension) {
    // The JPEG preset preselects the JPG entry; PNG chosen there writes a PNG under ".png".
    const TExportAsImageOption &jpeg = Preset(1);
    Dialog.Answers = {{PathOf("picture.bmp"), 1}};
    Export.Export(jpeg);
    EXPECT_EQ(Dialog.Preselected, (std::vector<int32_t>{2}));
    EXPECT_FALSE(std::filesystem::exists(PathOf("picture.bmp")));
    const QImage png(QString::fromStdString(PathOf("picture.png")), "PNG");
    ASSERT_FALSE(png.isNull());
    EXPECT_EQ(png.convertToFormat(QImage::Format_RGB888), Rendered(jpeg));
    EXPECT_EQ(jpeg.OutputFormat, 1);

    struct Case {
        int32_t Format, Preselected, Entry;
        const char *Typed, *Written, *Decoder;
    } cases[] = {
        {2, 3, 3, "shot", "shot.bmp", "BMP"},
        {0, 1, 2, "shot.png", "shot.jpg", "JPG"},
        {7, 1, 1, "other.jpg", "other.png", "PNG"},
        {-1, 1, 3, "dot.ted.name.x", "dot.ted.name.bmp", "BMP"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.Written);
        Dialog.Preselected.clear();
        Dialog.Answers = {{PathOf(c.Typed), c.Entry}};
        const TExportAsImageOption &p = Preset(c.Format);
        Export.Export(p);
        EXPECT_EQ(Dialog.Preselected, (std::vector<int32_t>{c.Preselected}));
        const QImage read(QString::fromStdString(PathOf(c.Written)), c.Decoder);
        ASSERT_FALSE(read.isNull());
        EXPECT_EQ(read.size(), Screen.Bitmap().size());
        if (std::string(c.Decoder) != "JPG")
            EXPECT_EQ(read.convertToFormat(QImage::Format_RGB888), Rendered(p));
    }
    EXPECT_TRUE(Messages.Log.empty());
}

TEST_F(ExportAsImageFixture, ClickedItemExportsItsPresetAndCancelWritesNothing) {
    Export.RebuildMenu();
    Dialog.Answers = {{"", 1}};
    Menu.actions()[0]->trigger();
    EXPECT_EQ(Dialog.Preselected.size(), 1u);
    EXPECT_TRUE(std::filesystem::is_empty(Folder));

    // The application's colours (first preset) against the black/white one: two different pictures.
    Dialog.Answers = {{PathOf("current"), 1}, {PathOf("bw"), 1}};
    Menu.actions()[0]->trigger();
    Menu.actions()[1]->trigger();
    const QImage current(QString::fromStdString(PathOf("current.png")));
    const QImage bw(QString::fromStdString(PathOf("bw.png")));
    ASSERT_FALSE(current.isNull());
    ASSERT_FALSE(bw.isNull());
    EXPECT_EQ(bw.pixelColor(0, 0), QColor(Qt::white));
    EXPECT_NE(current.pixelColor(0, 0), bw.pixelColor(0, 0));
}

TEST_F(ExportAsImageFixture, FailedSaveShowsTheFinalNameAndKeepsTheOldFile) {
    const std::string missing = PathOf("missing/picture.png");
    Dialog.Answers = {{PathOf("missing/picture.jpg"), 1}};
    Export.Export(Preset(0));
    ASSERT_EQ(Messages.Log.size(), 1u);
    EXPECT_EQ(Messages.Log[0].Kind, TMsgKind::Error);
    EXPECT_EQ(Messages.Log[0].Text, "Unable to save to " + missing + ".");
    EXPECT_EQ(Messages.Log[0].Buttons, unsigned(mbOK));

    // A folder that takes no new file: the old picture stays as it was (root writes anyway).
    const std::string picture = WriteFile("old.bmp", "old picture");
    std::filesystem::permissions(Folder,
                                 std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    if (access(Folder.c_str(), W_OK) != 0) {
        Dialog.Answers = {{picture, 3}};
        Export.Export(Preset(2));
        ASSERT_EQ(Messages.Log.size(), 2u);
        EXPECT_EQ(Messages.Log[1].Text, "Unable to save to " + picture + ".");
        EXPECT_EQ(ReadFile(picture), "old picture");
    }
    std::filesystem::permissions(Folder, std::filesystem::perms::owner_all);
    Dialog.Answers = {{picture, 3}};
    Export.Export(Preset(2));
    EXPECT_EQ(ReadFile(picture).substr(0, 2), "BM");
}

// The places of the writers' table, in every picture format: the picture lands at a link's final target,
// a refusal says "Unable to save to" with the name.
TEST_F(ExportAsImageFixture, PicturesLandAtTheFinalTargetAndRefusalsSayUnableToSave) {
    int n = 0;
    for (int32_t entry : {1, 2, 3})
        for (const TWriteTargetKind kind : TWriteTarget::Kinds()) {
            SCOPED_TRACE(std::to_string(entry) + " onto a " + TWriteTarget::KindName(kind));
            const TWriteTarget target(kind, Folder / std::to_string(n++), ImageExtension(entry));
            Messages.Log.clear();
            Dialog.Answers = {{target.Path, entry}};
            Export.Export(Preset(entry - 1));
            target.ExpectOnDisk(Messages.Log.empty());
            if (!target.Saves) {
                ASSERT_EQ(Messages.Log.size(), 1u);
                EXPECT_EQ(Messages.Log[0].Text, "Unable to save to " + target.Path + ".");
            }
        }
}

TEST(RgbImageOf, RowsArePackedRedGreenBlue) {
    QImage bitmap(3, 2, QImage::Format_RGB32);
    bitmap.fill(QColor(1, 2, 3));
    bitmap.setPixelColor(2, 1, QColor(200, 100, 50));
    const TRgbImage rgb = RgbImageOf(bitmap);
    EXPECT_EQ(rgb.Width, 3);
    EXPECT_EQ(rgb.Height, 2);
    ASSERT_EQ(rgb.Pixels.size(), 18u);
    EXPECT_EQ(std::vector<uint8_t>(rgb.Pixels.begin(), rgb.Pixels.begin() + 3),
              (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_EQ(std::vector<uint8_t>(rgb.Pixels.end() - 3, rgb.Pixels.end()),
              (std::vector<uint8_t>{200, 100, 50}));
    EXPECT_TRUE(RgbImageOf(QImage()).Pixels.empty());
}

} // namespace

} // namespace scope
