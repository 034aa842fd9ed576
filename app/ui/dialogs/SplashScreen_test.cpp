#include "dialogs/SplashScreen.h"

#include "testkit/ui/QtTestKit.h"

#include <QLabel>
#include <gtest/gtest.h>

namespace scope {

namespace {

TEST(SplashForm, ShowsItsStatusAndCannotBeClosedByTheUser) {
    TestApp();
    TSplashForm splash;
    splash.show();
    EXPECT_EQ(splash.size(), QSize(390, 268));
    EXPECT_EQ(splash.Image1->size(), QSize(390, 250));
    EXPECT_TRUE(splash.Label1->font().bold());
    splash.SetStatus("Checking and initializing Pellan series ...");
    EXPECT_EQ(splash.Label1->text(), "Checking and initializing Pellan series ...");
    EXPECT_FALSE(splash.close());
    EXPECT_TRUE(splash.isVisible());
}

} // namespace

} // namespace scope
