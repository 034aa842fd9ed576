#include "ModuleTypesTarn.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>

namespace parmod {

extern "C" void ModuleTypesFillFromC(uint8_t *row, uint8_t *cursors);
extern "C" int32_t ModuleChannelIndexFromC(int32_t id);

// Records cross the boundary as little-endian bytes at fixed offsets.
TEST(ModuleTypesTarn, VerticalParamsRowIsTwoLittleEndianDoubles) {
    std::array<uint8_t, VERTICAL_PARAMS_ROW_SIZE> row{};
    VerticalParamsWrite(row.data(), 1.0, -2.0);
    // 1.0 = 0x3FF0000000000000, -2.0 = 0xC000000000000000
    const std::array<uint8_t, 16> expected{0, 0, 0, 0, 0, 0, 0xF0, 0x3F, 0, 0, 0, 0, 0, 0, 0, 0xC0};
    EXPECT_EQ(row, expected);
    EXPECT_EQ(VerticalParamsVoltsPerLevel(row.data()), 1.0);
    EXPECT_EQ(VerticalParamsGroundLevel(row.data()), -2.0);
}

TEST(ModuleTypesTarn, CellsRoundTripAtTheirWidths) {
    uint8_t cell[8] = {};
    ModuleWriteInt32(cell, -2);
    EXPECT_EQ(cell[0], 0xFE);
    EXPECT_EQ(cell[3], 0xFF);
    EXPECT_EQ(ModuleReadInt32(cell), -2);
    std::memset(cell, 0xAA, sizeof cell);
    ModuleWriteBool(cell, 7);
    EXPECT_EQ(cell[0], 1);
    EXPECT_EQ(cell[1], 0xAA); // a Boolean cell is one byte
    int probe = 0;
    ModuleWriteAddress(cell, reinterpret_cast<intptr_t>(&probe));
    EXPECT_EQ(ModuleReadAddress(cell), reinterpret_cast<intptr_t>(&probe));
}

TEST(ModuleTypesTarn, UsableFromC) {
    std::array<uint8_t, VERTICAL_PARAMS_ROW_SIZE> row{};
    std::array<uint8_t, MODULE_CURSORS_SIZE> cursors{};
    ModuleTypesFillFromC(row.data(), cursors.data());
    EXPECT_EQ(VerticalParamsVoltsPerLevel(row.data()), 0.25);
    EXPECT_EQ(VerticalParamsGroundLevel(row.data()), -3.5);
    EXPECT_EQ(ModuleReadInt32(cursors.data()), -2);
    EXPECT_EQ(ModuleReadInt32(cursors.data() + 16), 127);
    struct Case {
        int32_t id, index;
    };
    for (Case c : {Case{200, 1}, Case{300, 2}, Case{400, 3}, Case{0, 0}, Case{100, 0}, Case{201, 0}}) {
        EXPECT_EQ(ModuleChannelIndexFromC(c.id), c.index) << c.id;
        EXPECT_EQ(ModuleChannelIndex(c.id), c.index) << c.id;
    }
}

} // namespace parmod
