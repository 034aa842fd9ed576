// The program's main routine: the single-instance test, the device search with its fall-back to the
// demonstration device, the start-up of every component through the bus, the message loop and the
// orderly shut-down.
#pragma once

#include "device/DriverAbstraction.h"
#include "platform/Platform.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace scope {

class IStatusDisplay;
class IUserMessages;
class TAcquisitionThread;
class TMainForm;
class TQtSynchronizer;
class TSplashForm;

// True when at least two of the running executables have the program's own file name (compared in
// lower case, folders ignored): the own process is one of them.
bool IsOtherInstanceRunning(const std::vector<std::string> &runningExecutables,
                            const std::string &ownExecutable);

// What a device search found: the opened device (empty when none) and, when it was chosen from an
// enumerated list, its device ID (0 otherwise).
struct TFoundDevice {
    std::unique_ptr<TDriverAbstraction> Device;
    int32_t EnumeratedID = 0;
};

// Tries the families in table order; a row without a class counts as a family whose library is absent.
TFoundDevice SearchDevice(const std::vector<TDAO> &families, const std::string &programFolder,
                          IStatusDisplay &status, IUserMessages &messages);

// The main form's caption: the device name, with " (SN:<serial>)" for an enumerated device.
std::string DeviceCaption(TDriverAbstraction &device, int32_t enumeratedID);

// What the program block needs from its surroundings; the program fills it from the desktop, tests
// with doubles.
struct TProgramEnvironment {
    IUserMessages *Messages = nullptr;
    std::vector<std::string> RunningExecutables;
    std::string OwnExecutable;
    std::string ProgramFolder;
    std::vector<TDAO> Families;
    std::function<std::unique_ptr<TDriverAbstraction>()> CreateDemonstration;
    // Runs the message loop until the main form closes.
    std::function<void()> RunMessageLoop;
    // Told once the main form exists, before the device search.
    std::function<void(TMainForm &)> MainFormCreated;
};

class TProgramBlock {
public:
    explicit TProgramBlock(TProgramEnvironment environment);
    ~TProgramBlock();
    // Start-up, message loop and shut-down. False when another copy was running.
    bool Run();
    // Set by Abort at the device question: start-up is finished but the message loop is not entered.
    bool TerminateRequested() const { return Terminate; }

private:
    void StartUp();
    void FindDevice();
    void StartAcquisition();
    void ShutDown();

    TProgramEnvironment Env;
    std::unique_ptr<TSplashForm> Splash;
    std::unique_ptr<TMainForm> Form;
    std::unique_ptr<TQtSynchronizer> Synchronizer;
    std::unique_ptr<platform::ISleeper> Sleeper;
    std::unique_ptr<TAcquisitionThread> Thread;
    bool Terminate = false;
};

} // namespace scope
