#include "ProgramBlock.h"

#include "MainForm.h"
#include "acquisition/AcquisitionThread.h"
#include "acquisition/DataSourceTarn.h"
#include "bus/ObjMasterTarn.h"
#include "dialogs/AboutScreen.h"
#include "dialogs/CommBrokenScreen.h"
#include "dialogs/ManageExportsAsImageScreen.h"
#include "dialogs/ManageExportsScreen.h"
#include "dialogs/OptionsForm.h"
#include "dialogs/SplashScreen.h"
#include "modules/ModuleManagerTarn.h"
#include "platform/Platform.h"
#include "platform/QtSynchronizer.h"
#include "platform/UserMessages.h"
#include "print/ScreenPrint.h"
#include "settings/SettingsTarn.h"

#include <algorithm>
#include <cctype>

namespace scope {

namespace {

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return s;
}

const char *const CheckingFamily = "Checking and initializing %s ...";
const char *const AllChecked = "All devices checked.";
const char *const CalibrationBroken = "Calibration data in the device are broken. All measurements will be "
                                      "inaccurate.\r\nPlease contact manufacturer for support.";

const char *const OtherInstance =
    "Other instance of the application is already running. Please use the other "
    "one to control oscilloscope.";
const char *const CreatingStructures = "Creating basic structures ...";
const char *const SearchAgainQuestion =
    "Unable to find supported device. Do you want software to search again "
    "(otherwise the demonstration mode runs)?";
const char *const DemonstrationMode =
    "Application will run in demonstration mode.\r\nPlease note, that the "
    "simulation of the measurement in this mode may differ from real measurement.";

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

TProgramBlock::TProgramBlock(TProgramEnvironment environment) : Env(std::move(environment)) {}

TProgramBlock::~TProgramBlock() = default;

bool TProgramBlock::Run() {
    if (IsOtherInstanceRunning(Env.RunningExecutables, Env.OwnExecutable)) {
        Env.Messages->Error(OtherInstance);
        return false;
    }
    StartUp();
    if (!Terminate) {
        Form->show();
        Form->ModuleManagerTarn1().OwnerHandle = static_cast<intptr_t>(Form->winId());
        if (Env.RunMessageLoop)
            Env.RunMessageLoop();
    }
    ShutDown();
    return true;
}

void TProgramBlock::StartUp() {
    Splash = std::make_unique<TSplashForm>();
    Splash->show();
    Splash->SetStatus(CreatingStructures);
    Form = std::make_unique<TMainForm>(*Env.Messages);
    Form->SetKeyMessageTarget(&Form->HotkeyKeyEvents());
    TMainForm::TDialogs dialogs;
    // The dialog is made for each use and freed afterwards.
    dialogs.Options = [form = Form.get()] {
        TOptionsForm options(form);
        return options.Execute(form->SettingsTarn1()) == QDialog::Accepted;
    };
    // Print and About use the device and the thread of the moment, under the thread's lock.
    dialogs.Print = [this] {
        TPrintSources sources;
        sources.ProgramFolder = Env.ProgramFolder;
        sources.Messages = Env.Messages;
        sources.Settings = &Form->SettingsTarn1();
        sources.Screen = Form->ScopeScreenTarn1;
        sources.QuickView = Form->QVScreenTarn1;
        sources.Device = DeviceObject.get();
        sources.Thread = Thread.get();
        TScreenPrint print(std::move(sources));
        print.Print1Click();
    };
    dialogs.About = [this] {
        TAboutForm about(Form.get(), DeviceObject.get(), Thread.get());
        about.exec();
    };
    dialogs.ManageExports = [form = Form.get()](TExportArrayOption &list, TExportOption &buffer) {
        TManageExportsForm manage(form);
        return manage.EditExports(list, buffer);
    };
    dialogs.ManageImageExports = [form = Form.get()](TExportAsImageArrayOption &list,
                                                     TExportAsImageOption &buffer) {
        TManageExportsAsImageForm manage(form);
        return manage.EditExports(list, buffer);
    };
    Form->SetDialogs(std::move(dialogs));
    if (Env.MainFormCreated)
        Env.MainFormCreated(*Form);
    FindDevice();
    Form->setWindowTitle(QString::fromStdString(DeviceCaption(*DeviceObject, EnumeratedDeviceID)));

    TSettingsTarn &settings = Form->SettingsTarn1();
    TObjMasterTarn &bus = Form->ObjMasterTarn1();
    settings.SetDefaultCapabilities();
    DeviceObject->GetCapabilities(settings);
    bus.Broadcast(bmInitialize, 0, nullptr);
    settings.LoadSettingsFile();
    for (int32_t stage = 0; stage < SettingsStageCount; ++stage) {
        bus.Broadcast(bmSettingsApplied, stage, nullptr);
        settings.StartAcquisitionSettings();
        settings.ShowAcquisitionSettings();
    }
    bus.Broadcast(bmStartupComplete, 0, nullptr);
    StartAcquisition();
    Splash.reset();
}

void TProgramBlock::StartAcquisition() {
    Synchronizer = std::make_unique<TQtSynchronizer>();
    Sleeper = std::make_unique<platform::TThreadSleeper>();
    TAcquisitionContext context;
    context.Settings = &Form->SettingsTarn1();
    context.DataSource = &Form->DataSourceTarn1();
    context.ModuleHost = &Form->ModuleManagerTarn1();
    context.Bus = &Form->ObjMasterTarn1();
    context.Device = DeviceObject.get();
    context.Synchronizer = Synchronizer.get();
    context.Sleeper = Sleeper.get();
    TQtSynchronizer *sync = Synchronizer.get();
    context.ServePending = [sync] { sync->ServePending(); };
    // The same device object is reopened: the thread, printing and About hold it.
    context.ShowCommBroken = [form = Form.get()] {
        return ShowCommBroken(*form, *DeviceObject, EnumeratedDeviceID);
    };
    Thread = std::make_unique<TAcquisitionThread>(context);
    TAcquisitionThread *thread = Thread.get();
    Form->ForceSettingsPush = [thread] { thread->SetForced(); };
    Thread->Start();
}

void TProgramBlock::FindDevice() {
    for (;;) {
        TFoundDevice found = SearchDevice(Env.Families, Env.ProgramFolder, *Splash, *Env.Messages);
        if (found.Device) {
            DeviceObject = std::move(found.Device);
            EnumeratedDeviceID = found.EnumeratedID;
            return;
        }
        const TMsgButton answer =
            Env.Messages->Show(TMsgKind::Error, "Error", SearchAgainQuestion, mbYes | mbNo | mbAbort, mbYes);
        if (answer == mbYes)
            continue;
        if (answer == mbNo)
            Env.Messages->Warning(DemonstrationMode);
        else
            Terminate = true; // Abort: start-up still completes, the message loop is skipped
        DeviceObject = Env.CreateDemonstration();
        EnumeratedDeviceID = 0;
        DeviceObject->LoadDriver();
        DeviceObject->OpenDevice(-1);
        return;
    }
}

void TProgramBlock::ShutDown() {
    Form->ForceSettingsPush = nullptr;
    if (Thread) {
        Thread->WaitFor();
        Thread.reset();
    }
    // Modules still on stop first, so that the settings file keeps their configuration.
    Form->ModuleManagerTarn1().StopModules();
    Form->SettingsTarn1().SaveSettingsFile();
    Form->ModuleManagerTarn1().FreeModules();
    DeviceObject.reset();
    EnumeratedDeviceID = 0;
    Form.reset();
}

} // namespace scope
