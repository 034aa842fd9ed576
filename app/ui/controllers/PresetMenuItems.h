// The menu items an export controller keeps for its presets: one a preset, at the top of the menu in
// list order, tagged with the preset's index; rebuilt whenever the list may have changed.
#pragma once

#include <QPointer>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class QAction;
class QMenu;

namespace scope {

class TPresetMenuItems {
public:
    TPresetMenuItems() = default;
    ~TPresetMenuItems();
    TPresetMenuItems(const TPresetMenuItems &) = delete;
    TPresetMenuItems &operator=(const TPresetMenuItems &) = delete;

    // The items made last time go; a null menu gets none.
    void Rebuild(QMenu *menu, const std::vector<std::string> &names,
                 const std::function<void(QAction *)> &onClick);
    void Clear();
    const std::vector<QPointer<QAction>> &Items() const { return List; }

    // The preset names of a list of presets (anything with List of pointers to PresetName holders).
    template <class TPresetList> static std::vector<std::string> NamesOf(const TPresetList *list) {
        std::vector<std::string> names;
        if (list)
            for (const auto &entry : list->List)
                names.push_back(entry->PresetName);
        return names;
    }

    // The preset an item of the menu stands for: the list's entry at the item's tag; null for a tag out
    // of the list, a null item or a null list.
    template <class TPresetList> static auto *PresetOf(const TPresetList *list, const QAction *item) {
        const int32_t index = TagOf(item);
        return list && index >= 0 && size_t(index) < list->List.size() ? list->List[size_t(index)].get()
                                                                       : nullptr;
    }

private:
    // The item's tag; -1 for a null item.
    static int32_t TagOf(const QAction *item);

    // Guarded: the menu may have deleted them already.
    std::vector<QPointer<QAction>> List;
};

} // namespace scope
