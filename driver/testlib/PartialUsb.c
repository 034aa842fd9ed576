/* A USB access library that has USBInitDevice but lacks the rest: the driver must refuse it. */
#include <stdint.h>

__attribute__((visibility("default"))) int32_t USBInitDevice(void) {
    return 0;
}
__attribute__((visibility("default"))) int32_t USBGetDeviceID(void) {
    return 1;
}
