// The application's main window: it owns the bus, the settings and every component, lays out the
// areas of the instrument, carries the menus and asks before the program ends.
#pragma once

#include <QMainWindow>
#include <array>
#include <functional>
#include <memory>
#include <string>

class QAction;
class QActionGroup;
class QFrame;
class QGroupBox;
class QMenu;
class QScrollBar;

namespace scope {

class IKeyMessageTarget;
class THotkeyDetector;
class TKeyboardControlWrapperTarn;
class TKeyEventAdapter;
class IUserMessages;
class TChannelWrapperTarn;
class TQtRecordFileDialog;
class TSaveLoadWrapperTarn;
class TCursorsWrapperTarn;
class TDataSourceTarn;
class TExportArrayOption;
class TExportAsImageArrayOption;
class TExportAsImageOption;
class TExportAsImageWrapperTarn;
class TExportOption;
class TExportWrapperTarn;
class TIM2StdBridge;
class TFormTransparency;
class TFrameClock;
class TParamWrapperTarn;
class TWidgetOpacity;
class TModuleManagerTarn;
class TModulesBoxTarn;
class TMasterTimerDriver;
class TScopeScreenTarn;
class TQVScreenTarn;
class TSaveDialog;
class TTriggerPositionScreenTarn;
class TTriggerWrapperTarn;
class TZoomWrapperTarn;
class TVerticalWrapperTarn;
class TTimeBaseWrapperTarn;
class TMasterTimerTarn;
class TObjMasterTarn;
class TSettingsTarn;
class TWaitForm;

// Replaces the extension of the last path component (adds one where there is none).
std::string ChangeFileExt(const std::string &path, const std::string &extension);

class TMainForm : public QMainWindow {
    Q_OBJECT
public:
    explicit TMainForm(IUserMessages &messages, QWidget *parent = nullptr);
    ~TMainForm() override;

    // Set by the communication-broken path: the main form then closes without the exit question.
    static bool CloseWithoutQuestion;

    // Dialogs that come with their own components; an item whose dialog is not set stays disabled.
    struct TDialogs {
        std::function<void()> Print;
        std::function<bool()> Options; // true when accepted with OK
        // The preset dialogs on the list option and the buffer option; true when closed with OK.
        std::function<bool(TExportArrayOption &, TExportOption &)> ManageExports;
        std::function<bool(TExportAsImageArrayOption &, TExportAsImageOption &)> ManageImageExports;
        std::function<void()> About;
    };
    void SetDialogs(TDialogs dialogs);
    void SetKeyMessageTarget(IKeyMessageTarget *target) { KeyTarget = target; }

    TObjMasterTarn &ObjMasterTarn1() { return *Bus; }
    TSettingsTarn &SettingsTarn1() { return *Settings; }
    TMasterTimerTarn &MasterTimerTarn1() { return *MasterTimer; }
    TDataSourceTarn &DataSourceTarn1() { return *DataSource; }
    TModuleManagerTarn &ModuleManagerTarn1() { return *ModuleManager; }
    TZoomWrapperTarn &ZoomWrapperTarn1() { return *ZoomWrapper; }
    TVerticalWrapperTarn &VerticalWrapperTarn1() { return *VerticalWrapper; }
    TTimeBaseWrapperTarn &TimeBaseWrapperTarn1() { return *TimeBaseWrapper; }
    THotkeyDetector &HotkeyDetector1() { return *HotkeyDetector; }
    // What the detector takes the window's key events through.
    IKeyMessageTarget &HotkeyKeyEvents();
    TKeyboardControlWrapperTarn &KeyboardControlWrapperTarn1() { return *KeyboardControl; }
    TCursorsWrapperTarn &CursorsWrapperTarn1() { return *CursorsWrapper; }
    TParamWrapperTarn &ParamWrapperTarn1() { return *ParamWrapper; }
    TChannelWrapperTarn &ChannelWrapperTarn1() { return *ChannelWrapper; }
    TSaveLoadWrapperTarn &SaveLoadWrapperTarn1() { return *SaveLoadWrapper; }
    TTriggerWrapperTarn &TriggerWrapperTarn1() { return *TriggerWrapper; }
    TFormTransparency &FormTransparency1() { return *Transparency; }
    TExportWrapperTarn &ExportWrapperTarn1() { return *ExportWrapper; }
    TExportAsImageWrapperTarn &ExportAsImageWrapperTarn1() { return *ExportAsImageWrapper; }
    // Makes the acquisition thread's next push send every setting (set once the thread exists).
    std::function<void()> ForceSettingsPush;

    // Areas, named as the rest of the program knows them.
    TScopeScreenTarn *ScopeScreenTarn1 = nullptr;
    // The display frame that the screens, readouts and lamp draw records in.
    TFrameClock *FrameClock = nullptr;
    TQVScreenTarn *QVScreenTarn1 = nullptr;
    TTriggerPositionScreenTarn *TriggerPositionScreenTarn1 = nullptr;
    QGroupBox *GroupBox1 = nullptr, *GroupBox2 = nullptr, *GroupBox3 = nullptr, *GroupBox4 = nullptr,
              *GroupBox5 = nullptr, *GroupBox6 = nullptr, *GroupBox7 = nullptr, *GroupBox8 = nullptr,
              *GroupBox9 = nullptr, *GroupBox10 = nullptr, *GroupBox11 = nullptr, *GroupBox12 = nullptr;
    TModulesBoxTarn *ModulesBoxTarn1 = nullptr;
    QScrollBar *ScrollBar2 = nullptr;
    QFrame *Bevel9 = nullptr;

    // Menus and their items.
    QMenu *Files1 = nullptr, *Edit3 = nullptr, *Settings1 = nullptr, *Help1 = nullptr;
    QMenu *Exporttoclipboard1 = nullptr, *Exportasimage1 = nullptr, *WCDsensitivity1 = nullptr;
    QAction *Print1 = nullptr, *Exit1 = nullptr, *Manageexports1 = nullptr, *Manageexports2 = nullptr;
    QAction *Savesettings1 = nullptr, *Loadsettings1 = nullptr, *Compensationgenerator1 = nullptr;
    QAction *Options1 = nullptr, *Help2 = nullptr, *Viewreadme1 = nullptr, *About1 = nullptr;
    QActionGroup *WCDGroup = nullptr;

    // The client area the areas are laid out in.
    QWidget *Client() const { return ClientArea; }
    // Lays the areas out for the client area's current size.
    void FormResize();

    // Menu handlers.
    void Exit1Click();
    void Options1Click();
    void Manageexports1Click();
    void Manageexports2Click();
    void Savesettings1Click();
    void Loadsettings1Click();
    void Help2Click();
    void Viewreadme1Click();
    void About1Click();

    // The wait notice of long operations in the GUI thread.
    void SaveLoadWrapperTarn1WaitDisplay();
    void SaveLoadWrapperTarn1WaitHide();
    TWaitForm *WaitForm() const { return Wait; }

    // Called when the quick view is shown or hidden.
    void QVScreenTarn1VisibilityOnOff() { FormResize(); }

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void changeEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    // The file dialogs of the settings menu; an empty name means cancelled.
    virtual std::string AskSettingsFileName(bool forSaving);
    // Opens a file of the program folder with the desktop's handler; a failure is shown with the path.
    void OpenDocument(const std::string &relativePath);
    // The desktop's handler for a file; false when none could open it.
    virtual bool OpenWithDesktop(const std::string &absolutePath);

private:
    void CreateComponents();
    void CreateScreenControls();
    void CreateReadoutControls();
    void FitReadouts();
    void PlaceReadoutRow(QGroupBox &box, int channel, int width);
    void CreateChannelControls();
    void CreateSaveLoadControls();
    void CreateAreas();
    void SettingsImported();
    void CreateMenus();
    void LoadCaptions();
    void FormDeactivate();

    IUserMessages &Messages;
    // Declared in this order so that the components leave the bus before it goes, and the settings
    // outlive both.
    std::unique_ptr<TSettingsTarn> Settings;
    std::unique_ptr<TObjMasterTarn> Bus;
    std::unique_ptr<TWidgetOpacity> Opacity;
    std::unique_ptr<TFormTransparency> Transparency;
    std::unique_ptr<TCursorsWrapperTarn> CursorsWrapper;
    std::unique_ptr<TDataSourceTarn> DataSource;
    std::unique_ptr<TZoomWrapperTarn> ZoomWrapper;
    std::unique_ptr<TParamWrapperTarn> ParamWrapper;
    std::unique_ptr<TModuleManagerTarn> ModuleManager;
    std::unique_ptr<TChannelWrapperTarn> ChannelWrapper;
    std::unique_ptr<TQtRecordFileDialog> OpenDialog1, SaveDialog1;
    std::unique_ptr<TSaveLoadWrapperTarn> SaveLoadWrapper;
    std::unique_ptr<TMasterTimerTarn> MasterTimer;
    std::unique_ptr<TMasterTimerDriver> MasterTimerClock;
    std::unique_ptr<TTriggerWrapperTarn> TriggerWrapper;
    std::unique_ptr<TVerticalWrapperTarn> VerticalWrapper;
    std::unique_ptr<TTimeBaseWrapperTarn> TimeBaseWrapper;
    std::unique_ptr<THotkeyDetector> HotkeyDetector;
    std::unique_ptr<TKeyEventAdapter> KeyEvents;
    std::unique_ptr<TKeyboardControlWrapperTarn> KeyboardControl;
    std::unique_ptr<TIM2StdBridge> IM2StdBridge1;
    std::unique_ptr<TSaveDialog> SaveDialog2, SaveDialog3; // text export, image export
    std::unique_ptr<TExportWrapperTarn> ExportWrapper;
    std::unique_ptr<TExportAsImageWrapperTarn> ExportAsImageWrapper;
    QWidget *ClientArea = nullptr;
    // The readout columns' left ends, as distances from the right end of a readout box.
    static constexpr int ReadoutColumns = 4;
    std::array<int, ReadoutColumns> ReadoutDistances{};
    IKeyMessageTarget *KeyTarget = nullptr;
    TDialogs Dialogs;
    TWaitForm *Wait = nullptr;
};

} // namespace scope
