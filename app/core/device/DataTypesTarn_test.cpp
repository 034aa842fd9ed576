#include "device/DataTypesTarn.h"
#include "platform/Platform.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace scope {

namespace {

struct SeparatorGuard {
    char Saved = platform::DecimalSeparator();
    explicit SeparatorGuard(char s) { platform::SetDecimalSeparator(s); }
    ~SeparatorGuard() { platform::SetDecimalSeparator(Saved); }
};

struct IntCase {
    int32_t In;
    const char *Out;
};

TEST(FormatPrefix, CountsInStepsOfThousand) {
    SeparatorGuard g('.');
    const IntCase cases[] = {{0, "0"},
                             {999, "999"},
                             {1000, "1k"},
                             {1023, "1.023k"},
                             {999999, "999.999k"},
                             {999999999, "1000M"},
                             {2147483647, "2.147G"},
                             {-5000, "-5000"}};
    for (auto c : cases)
        EXPECT_EQ(FormatDecimalPrefix(c.In), c.Out) << c.In;
}

TEST(FormatPrefix, SizesInStepsOf1024) {
    SeparatorGuard g('.');
    const IntCase cases[] = {{1536, "1.5K"}, {1000, "1000"},         {8192, "8K"},      {1048576, "1M"},
                             {1024, "1K"},   {1048575, "1023.999K"}, {1073741824, "1G"}};
    for (auto c : cases)
        EXPECT_EQ(FormatBinaryPrefix(c.In), c.Out) << c.In;
}

struct RealCase {
    double In;
    const char *Out;
};

TEST(FormatNumbers, SharedEndingRoundsToThreeDecimalsHalvesToEven) {
    SeparatorGuard g('.');
    const RealCase cases[] = {{1.5, "1.5"},      {2, "2"},          {0.12345, "0.123"},
                              {0.0625, "0.062"}, {0.1875, "0.188"}, {2.0005, "2.001"},
                              {-0.0004, "0"},    {-0.0, "0"},       {123456789012.5, "123456789012.5"}};
    for (auto c : cases)
        EXPECT_EQ(NumberText(c.In), c.Out) << c.In;
}

TEST(FormatNumbers, FrequencyTimeVoltage) {
    SeparatorGuard g('.');
    const RealCase freq[] = {{0, "0"},        {0.5, "500m"}, {0.001, "1m"}, {1, "1"},    {999.9996, "1000"},
                             {2.5e6, "2.5M"}, {1e12, "1T"},  {-3, "-3"},    {1e9, "1G"}, {25000, "25k"}};
    for (auto c : freq)
        EXPECT_EQ(FormatFrequency(c.In), c.Out) << c.In;
    const RealCase time[] = {{0, "0"},      {0.0015, "1.5m"}, {0.0000025, "2.5u"},  {2e-12, "2p"},
                             {1e-12, "0"},  {-0.5, "-500m"},  {0.9999996, "1000m"}, {5000, "5000"},
                             {1e-7, "100n"}};
    for (auto c : time)
        EXPECT_EQ(FormatTime(c.In), c.Out) << c.In;
    const RealCase volt[] = {{0, "0"},         {0.0005, "500u"},   {0.25, "250m"},
                             {1500, "1.5k"},   {2000000, "2000k"}, {1e-10, "0"},
                             {1e-9, "0.001u"}, {-0.5, "-500m"},    {5, "5"}};
    for (auto c : volt)
        EXPECT_EQ(FormatVoltage(c.In), c.Out) << c.In;
}

TEST(FormatNumbers, NonFiniteValuesGiveNotAvailable) {
    const double values[] = {std::numeric_limits<double>::quiet_NaN(),
                             std::numeric_limits<double>::infinity(),
                             -std::numeric_limits<double>::infinity()};
    for (double v : values) {
        EXPECT_EQ(FormatFrequency(v), "N/A");
        EXPECT_EQ(FormatTime(v), "N/A");
        EXPECT_EQ(FormatVoltage(v), "N/A");
        EXPECT_EQ(NumberText(v), "N/A");
    }
    // A finite value whose scaled product overflows is not a number either.
    EXPECT_EQ(NumberText(1.7e308), "N/A");
}

TEST(FormatNumbers, UsesTheLocaleSeparator) {
    SeparatorGuard g(',');
    EXPECT_EQ(FormatTime(0.0015), "1,5m");
    EXPECT_EQ(FormatBinaryPrefix(1536), "1,5K");
    EXPECT_EQ(FormatVoltage(-0.0125), "-12,5m");
}

TEST(ParseTime, ReadsUnitsAndPrefixes) {
    for (char sep : {'.', ','}) {
        SeparatorGuard g(sep);
        EXPECT_DOUBLE_EQ(ParseTime("10ms"), 0.01);
        EXPECT_DOUBLE_EQ(ParseTime("2,5us"), 0.0000025);
        EXPECT_DOUBLE_EQ(ParseTime("2.5us"), 0.0000025);
        EXPECT_DOUBLE_EQ(ParseTime("100n"), 1e-7);
        EXPECT_DOUBLE_EQ(ParseTime("3"), 3);
        EXPECT_DOUBLE_EQ(ParseTime("5 ms"), 0.005);
        EXPECT_DOUBLE_EQ(ParseTime(" -1.5 "), -1.5);
    }
}

TEST(ParseTime, Failures) {
    SeparatorGuard g('.');
    for (const char *t : {"", "s"}) {
        try {
            ParseTime(t);
            ADD_FAILURE() << t;
        } catch (const EConvertError &) {
            ADD_FAILURE() << "wrong class for " << t;
        } catch (const Exception &e) {
            EXPECT_STREQ(e.what(), "Incorrect time string");
        }
    }
    const struct {
        const char *In;
        const char *Message;
    } conversions[] = {{"ms", "'' is not a valid floating point value"},
                       {"5MS", "'5MS' is not a valid floating point value"},
                       {"5 ms ", "'5 ms' is not a valid floating point value"},
                       {"nan", "'na' is not a valid floating point value"},
                       {"inf", "'inf' is not a valid floating point value"},
                       {"0x10", "'0x10' is not a valid floating point value"},
                       {"1e999", "'1e999' is not a valid floating point value"}};
    for (auto c : conversions) {
        try {
            ParseTime(c.In);
            ADD_FAILURE() << c.In;
        } catch (const EConvertError &e) {
            EXPECT_STREQ(e.what(), c.Message);
        }
    }
}

TEST(ParsePercent, ReadsAndFails) {
    EXPECT_EQ(ParsePercent(""), 0);
    EXPECT_EQ(ParsePercent("%"), 0);
    EXPECT_EQ(ParsePercent("75%"), 75);
    EXPECT_EQ(ParsePercent("-20"), -20);
    for (const char *t : {"75 %", " 75", "7.5", "99999999999"}) {
        try {
            ParsePercent(t);
            ADD_FAILURE() << t;
        } catch (const EConvertError &e) {
            std::string rest = t;
            if (rest.back() == '%')
                rest.pop_back();
            EXPECT_EQ(std::string(e.what()), "'" + rest + "' is not a valid integer value");
        }
    }
}

TEST(SmallTexts, CouplingAndProbe) {
    EXPECT_EQ(CouplingText(true), "DC");
    EXPECT_EQ(CouplingText(false), "AC");
    const char *texts[] = {"1:1", "1:10", "1:100", "1:1000"};
    const int32_t factors[] = {1, 10, 100, 1000};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(ProbeText(i), texts[i]);
        EXPECT_EQ(ProbeFactor(i), factors[i]);
    }
    EXPECT_EQ(ProbeFactor(7), 1);
    EXPECT_EQ(ProbeFactor(-1), 1);
}

TEST(Capabilities, DefaultsTouchOnlyTheirFields) {
    TCapabilities caps;
    caps.ShiftMax = 77;
    caps.TimeBases.push_back({1e6, 1e6, 0, 3});
    caps.SetDefaultCapabilities();
    EXPECT_EQ(caps.PointsOnScreen, 500);
    EXPECT_EQ(caps.PointsPerDiv, 50);
    EXPECT_EQ(caps.LevelCount, 256);
    EXPECT_EQ(caps.LevelsPerDiv, 32);
    EXPECT_EQ(caps.ChannelCount, 6);
    EXPECT_EQ(caps.PhysicalChannelCount, 2);
    EXPECT_EQ(caps.TriggerSourceCount, 3);
    ASSERT_EQ(caps.MemorySizes.size(), 11u);
    EXPECT_EQ(caps.MemorySizes.front(), 1024);
    EXPECT_EQ(caps.MemorySizes.back(), 1048576);
    for (size_t i = 1; i < caps.MemorySizes.size(); ++i)
        EXPECT_EQ(caps.MemorySizes[i], 2 * caps.MemorySizes[i - 1]);
    EXPECT_EQ(caps.ShiftMax, 77);
    EXPECT_EQ(caps.TimeBases.size(), 1u);
    EXPECT_TRUE(TCapabilities().Ranges.empty());
}

TEST(Waveform, EmptinessComesFromTheIndices) {
    TWaveform w;
    w.Data.assign(100, 128);
    EXPECT_TRUE(w.Empty());
    w.First = 10;
    w.Last = 10;
    EXPECT_FALSE(w.Empty());
    w.MakeEmpty();
    EXPECT_EQ(w.First, 0);
    EXPECT_EQ(w.Last, -1);
}

} // namespace

} // namespace scope
