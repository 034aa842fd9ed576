#include "platform/QtColors.h"

#include "testkit/ui/QtTestKit.h"

#include <QColorDialog>
#include <QTimer>
#include <gtest/gtest.h>

namespace scope {
namespace {

TEST(QtColors, ChosenColourComesBackAndCancelKeepsTheColour) {
    TestApp();
    QColorDialog dialog;
    dialog.setOption(QColorDialog::DontUseNativeDialog);
    QColor offered;
    // The user changes the colour to blue, then confirms.
    QTimer::singleShot(0, &dialog, [&] {
        offered = dialog.currentColor();
        dialog.setCurrentColor(QColor(0, 0, 255));
        dialog.accept();
    });
    uint32_t color = 0x00563412; // red in the lowest byte
    EXPECT_TRUE(ChooseColor(dialog, color));
    EXPECT_EQ(offered, QColor(0x12, 0x34, 0x56));
    EXPECT_EQ(color, 0x00FF0000u);

    QTimer::singleShot(0, &dialog, [&] {
        dialog.setCurrentColor(QColor(0, 255, 0));
        dialog.reject();
    });
    EXPECT_FALSE(ChooseColor(dialog, color));
    EXPECT_EQ(color, 0x00FF0000u);
}

} // namespace
} // namespace scope
