#include "DriverAbstraction.h"

std::unique_ptr<TDriverAbstraction> DeviceObject;
int32_t EnumeratedDeviceID = 0;
