#include "SimLatency.h"

#include <gtest/gtest.h>

namespace pellsim {

namespace {

using std::chrono::microseconds;
using std::chrono::nanoseconds;

TEST(UsbLatency, SettingTextChoosesTheControlTransferTime) {
    struct TCase {
        const char *Setting;
        int64_t ControlUs;
    } cases[] = {{nullptr, 125}, {"0", 0},      {"40", 40}, {"1000000", 1000000}, {"1000001", 125},
                 {"-3", 125},    {"12us", 125}, {"", 125},  {" 5", 125}};
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.Setting ? c.Setting : "(unset)");
        EXPECT_EQ(TUsbLatency(c.Setting).Control(), microseconds(c.ControlUs));
    }
}

TEST(UsbLatency, BulkDataTakesTheBusRateOnTopOfTheSetUp) {
    const TUsbLatency usb(nullptr);
    EXPECT_EQ(usb.Bulk(0), microseconds(125));
    EXPECT_EQ(usb.Bulk(40), microseconds(126));
    EXPECT_EQ(usb.Bulk(1 << 20), microseconds(125) + nanoseconds(26'214'400)); // a 1 MiB FIFO read
    EXPECT_EQ(usb.Bulk(-5), microseconds(125));
    // Without latency nothing takes time, however large.
    EXPECT_EQ(TUsbLatency("0").Bulk(1 << 20), nanoseconds(0));
}

} // namespace

} // namespace pellsim
