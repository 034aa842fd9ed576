/* The protocol header compiled as C: the helpers the host and the module share. */
#include "ModuleTypesTarn.h"

void ModuleTypesFillFromC(uint8_t *row, uint8_t *cursors) {
    VerticalParamsWrite(row, 0.25, -3.5);
    ModuleWriteInt32(cursors + MODULE_CURSORS_VER0_OFFSET, -2);
    ModuleWriteInt32(cursors + MODULE_CURSORS_MID_OFFSET, 127);
}

int32_t ModuleChannelIndexFromC(int32_t id) {
    return ModuleChannelIndex(id);
}
