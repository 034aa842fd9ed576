#include "controllers/PresetMenuItems.h"

#include "testkit/ui/QtTestKit.h"

#include <QAction>
#include <QMenu>
#include <gtest/gtest.h>
#include <memory>

namespace scope {
namespace {

struct TPreset {
    std::string PresetName;
};
struct TPresetList {
    std::vector<std::unique_ptr<TPreset>> List;
};

TEST(PresetMenuItems, ItemsGoAboveTheMenusOwnAndAreReplacedOnRebuild) {
    TestApp();
    QMenu menu;
    menu.addSeparator();
    menu.addAction("Manage exports");
    TPresetList list;
    for (const char *name : {"One", "Two"})
        list.List.push_back(std::make_unique<TPreset>(TPreset{name}));
    std::vector<QAction *> clicked;
    TPresetMenuItems items;
    const auto onClick = [&](QAction *a) { clicked.push_back(a); };
    items.Rebuild(&menu, TPresetMenuItems::NamesOf(&list), onClick);
    EXPECT_EQ(MenuCaptions(menu), (std::vector<std::string>{"One", "Two", "|", "Manage exports"}));
    menu.actions()[1]->trigger();
    ASSERT_EQ(clicked.size(), 1u);
    EXPECT_EQ(TPresetMenuItems::PresetOf(&list, clicked[0]), list.List[1].get());

    list.List.pop_back();
    items.Rebuild(&menu, TPresetMenuItems::NamesOf(&list), onClick);
    EXPECT_EQ(MenuCaptions(menu), (std::vector<std::string>{"One", "|", "Manage exports"}));
    EXPECT_EQ(items.Items().size(), 1u);

    // An item the menu lost already is not deleted twice; no list or no menu gives no items.
    delete items.Items()[0].data();
    items.Rebuild(&menu, TPresetMenuItems::NamesOf<TPresetList>(nullptr), onClick);
    EXPECT_EQ(MenuCaptions(menu), (std::vector<std::string>{"|", "Manage exports"}));
    items.Rebuild(nullptr, TPresetMenuItems::NamesOf(&list), onClick);
    EXPECT_TRUE(items.Items().empty());
}

TEST(PresetMenuItems, AnItemStandsForThePresetAtItsTagOnly) {
    TestApp();
    TPresetList list;
    list.List.push_back(std::make_unique<TPreset>(TPreset{"Only"}));
    QAction item;
    const struct {
        int Tag;
        bool Found;
    } cases[] = {{0, true}, {1, false}, {-1, false}, {1 << 30, false}};
    for (const auto &c : cases) {
        item.setData(c.Tag);
        EXPECT_EQ(TPresetMenuItems::PresetOf(&list, &item), c.Found ? list.List[0].get() : nullptr) << c.Tag;
    }
    EXPECT_EQ(TPresetMenuItems::PresetOf(&list, nullptr), nullptr);
    item.setData(0);
    EXPECT_EQ(TPresetMenuItems::PresetOf<TPresetList>(nullptr, &item), nullptr);
}

} // namespace
} // namespace scope
