#include "ProgramBlock.h"

#include "Platform.h"
#include "SplashScreen.h"
#include "UserMessages.h"

#include <algorithm>
#include <cctype>

namespace {

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return s;
}

const char *const CheckingFamily = "Checking and initializing %s ...";
const char *const AllChecked = "All devices checked.";
const char *const CalibrationBroken = "Calibration data in the device are broken. All measurements will be "
                                      "inaccurate.\r\nPlease contact manufacturer for support.";

std::string Format(const char *pattern, const std::string &value) {
    std::string s = pattern;
    const size_t at = s.find("%s");
    if (at != std::string::npos)
        s.replace(at, 2, value);
    return s;
}

} // namespace

bool IsOtherInstanceRunning(const std::vector<std::string> &runningExecutables,
                            const std::string &ownExecutable) {
    std::vector<std::string> lowered;
    lowered.reserve(runningExecutables.size());
    for (const auto &e : runningExecutables)
        lowered.push_back(Lower(e));
    return platform::CountProcessesNamed(lowered, Lower(platform::FileName(ownExecutable))) >= 2;
}

TFoundDevice SearchDevice(const std::vector<TDAO> &families, const std::string &programFolder,
                          IStatusDisplay &status, IUserMessages &messages) {
    TFoundDevice found;
    for (const auto &row : families) {
        status.SetStatus(Format(CheckingFamily, row.SeriesName));
        if (!row.DriverClass)
            continue;
        std::unique_ptr<TDriverAbstraction> device = row.DriverClass(programFolder);
        if (!device)
            continue;
        int32_t id = 0;
        int32_t result = drDeviceNotFound;
        if (device->LoadDriver() == drOk) {
            TDeviceList list;
            if (device->EnumerateDevices(list)) {
                const auto free =
                    std::find_if(list.begin(), list.end(), [](const TDeviceListRow &r) { return !r.InUse; });
                if (free != list.end()) {
                    result = device->OpenDevice(free->SlotIndex);
                    id = free->ID;
                }
            } else {
                result = device->OpenDevice(-1);
            }
        }
        if (DeviceUsable(result)) {
            if (result == drCalibrationBroken)
                messages.Warning(CalibrationBroken);
            found.Device = std::move(device);
            found.EnumeratedID = id;
            break;
        }
    }
    status.SetStatus(AllChecked);
    return found;
}

std::string DeviceCaption(TDriverAbstraction &device, int32_t enumeratedID) {
    std::string caption = device.GetDeviceName();
    if (enumeratedID != 0)
        caption += " (SN:" + std::to_string(device.GetSerialNumber()) + ")";
    return caption;
}
