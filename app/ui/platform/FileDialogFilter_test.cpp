#include "platform/FileDialogFilter.h"

#include <gtest/gtest.h>

namespace scope {

namespace {

TEST(FileDialogFilter, BarSeparatedFiltersBecomeQtNameFilters) {
    struct Case {
        const char *Filter;
        QStringList Qt;
    } cases[] = {
        {"Text file (*.txt)|*.txt|Any file (*.*)|*.*", {"Text file (*.txt)", "Any file (*.*)"}},
        {"PNG (*.png)|*.png|JPG (*.jpg)|*.jpg|BMP (*.bmp)|*.bmp",
         {"PNG (*.png)", "JPG (*.jpg)", "BMP (*.bmp)"}},
        {"All supported formats|*.rsb;*.rsc;*.rsa|TRN Scope Binary format (*.rsb)|*.rsb|"
         "TRN Scope ASCII format (*.rsa)|*.rsa",
         {"All supported formats (*.rsb *.rsc *.rsa)", "TRN Scope Binary format (*.rsb)",
          "TRN Scope ASCII format (*.rsa)"}},
        // Patterns the description does not show are added; several are separated by spaces.
        {"Pictures|*.png;*.bmp", {"Pictures (*.png *.bmp)"}},
        // A description without its pattern is no entry.
        {"Text file (*.txt)|*.txt|Odd", {"Text file (*.txt)"}},
        {"Odd|*.a|Dangling", {"Odd (*.a)"}},
        {"", {}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(QtNameFilters(c.Filter), c.Qt) << c.Filter;
}

} // namespace

} // namespace scope
