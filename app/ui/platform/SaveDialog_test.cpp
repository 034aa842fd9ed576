#include "platform/SaveDialog.h"

#include <gtest/gtest.h>

namespace scope {

namespace {

TEST(SaveDialog, BarSeparatedFiltersBecomeQtNameFilters) {
    struct Case {
        const char *Filter;
        QStringList Qt;
    } cases[] = {
        {"Text file (*.txt)|*.txt|Any file (*.*)|*.*", {"Text file (*.txt)", "Any file (*.*)"}},
        {"PNG (*.png)|*.png|JPG (*.jpg)|*.jpg|BMP (*.bmp)|*.bmp",
         {"PNG (*.png)", "JPG (*.jpg)", "BMP (*.bmp)"}},
        // Patterns the description does not show are added; several are separated by spaces.
        {"Pictures|*.png;*.bmp", {"Pictures (*.png *.bmp)"}},
        // A description without its pattern is no entry.
        {"Text file (*.txt)|*.txt|Odd", {"Text file (*.txt)"}},
        {"", {}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(TSaveDialog::QtFilters(c.Filter), c.Qt) << c.Filter;
}

} // namespace

} // namespace scope
