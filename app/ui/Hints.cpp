#include "Hints.h"

namespace scope {

namespace {

// The hints of the controls the controllers place in the areas, by object name.
struct HintRow {
    const char *Names;
    const char *Hint;
};
constexpr HintRow Hints[] = {
    {"SpeedButton1", "Vertical cursors On/Off"},
    {"SpeedButton2", "Horizontal cursors On/Off"},
    {"SpeedButton3", "Cursors track mode On/Off"},
    {"SpeedButton4", "Cursors X mode On/Off"},
    {"SpeedButton6", "Grid On/Off"},
    {"SpeedButton18", "Activate/deactivate channel A"},
    {"SpeedButton22", "Activate/deactivate channel B"},
    {"DragButtonTarn1", "Activate/deactivate channel C"},
    {"DragButtonTarn2", "Activate/deactivate channel D"},
    {"ScrollBar1", "Adjust grid brightness"},
    {"SpeedButton23 SpeedButton33", "Browse for data file"},
    {"SpeedButton24", "Load data from file"},
    {"SpeedButton25", "Save data to file"},
    {"SpeedButton31", "Unload loaded data"},
    {"SpeedButton32", "Set settings from loaded data"},
    {"SpeedButton9", "Zoom On/Off"},
    {"SpeedButton10", "Increase zoom"},
    {"SpeedButton11", "Decrease zoom"},
    {"SpeedButton8", "Display maximums"},
    {"SpeedButton7", "Display averages"},
    {"SpeedButton5", "Display minimums"},
    {"ScrollBar3", "Change size of the used device memory"},
    {"ScrollBar4", "Adjust time base"},
    {"SpeedButton28", "Change trigger mode"},
    {"SpeedButton29", "Measurement start"},
    {"SpeedButton17", "Trigger threshold to 1/2 of waveform"},
    {"SpeedButton16", "Pause measurement"},
    {"SpeedButton15", "Simple mode"},
    {"SpeedButton12 SpeedButton13 SpeedButton14 SpeedButton19 SpeedButton20 SpeedButton21",
     "Trigger source select"},
    {"GlyphRotateBtnTarn1 GlyphRotateBtnTarn6", "Trigger slope select channel A"},
    {"GlyphRotateBtnTarn2 GlyphRotateBtnTarn5", "Trigger slope select shannel B"},
    {"GlyphRotateBtnTarn3 GlyphRotateBtnTarn4", "Trigger slope select extern"},
    {"HLEditTarn5 HLEditTarn6", "Digital filter time length"},
    {"UpDownSpeedButton5 UpDownSpeedButton6 UpDownSpeedButton7 UpDownSpeedButton8",
     "Adjust filter time length"},
    {"HLEditTarn3 HLEditTarn4", "Trigger occurence amount"},
    {"UpDownSpeedButton1 UpDownSpeedButton2 UpDownSpeedButton3 UpDownSpeedButton4",
     "Adjust trigger occurence amount"},
    {"SpeedButton26", "Set hold off mode"},
    {"LogScrollBarTarn2", "Adjust hold off time"},
    {"SpeedButton27", "Set after trigger mode"},
    {"LogScrollBarTarn1", "Adjust after trigger time"},
    {"UpDownSpeedButton9 UpDownSpeedButton11", "Decrease digital shielding factor"},
    {"UpDownSpeedButton10 UpDownSpeedButton12", "Increase digital shielding factor"},
    {"GlyphRotateBtnTarn7", "Digital shielding channel A"},
    {"GlyphRotateBtnTarn8", "Digital shielding channel B"},
    {"ChannelButtonTarn2", "Decrease channel A range"},
    {"ChannelButtonTarn1", "Increase channel A range"},
    {"ChannelButtonTarn4", "Decrease channel B range"},
    {"ChannelButtonTarn3", "Increase channel B range"},
    {"RangeBarTarn1", "Adjust channel A vertical shift"},
    {"RangeBarTarn2", "Adjust channel B vertical shift"},
    {"ChannelButtonTarn5", "Ground channel A"},
    {"ChannelButtonTarn6", "Ground channel B"},
    {"GlyphRotateBtnTarn9", "AC/DC switch channel A"},
    {"GlyphRotateBtnTarn10", "AC/DC switch channel B"},
    {"ChannelButtonTarn7", "Probe type channel A"},
    {"ChannelButtonTarn8", "Probe type channel B"},
};

} // namespace

QString HintFor(const QString &objectName) {
    for (const auto &row : Hints)
        for (const QString &name : QString::fromLatin1(row.Names).split(' '))
            if (name == objectName)
                return QString::fromLatin1(row.Hint);
    return QString();
}

void NameControl(QWidget *control, const char *objectName) {
    control->setObjectName(QString::fromLatin1(objectName));
    const QString hint = HintFor(control->objectName());
    if (!hint.isEmpty())
        control->setToolTip(hint);
}

} // namespace scope
