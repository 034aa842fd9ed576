// Opening Settings > Options: the dialog and its hot-keys form built, every control filled from the
// options, shown and laid out, then cancelled. The hold hot key holds the number of keys given (300 is the
// case to report; the longest one a settings file may hold shows that the cost stays linear).
#include "ScreenBenchRig.h"

#include "dialogs/OptionsForm.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>

using namespace scope;

namespace {

// The modal cycle replaced by one pass of the event loop over the shown dialog.
class TShownOnce : public TOptionsForm {
protected:
    int ShowModal() override {
        show();
        QCoreApplication::processEvents();
        hide();
        return QDialog::Rejected;
    }
};

void BM_OpenOptionsDialog(benchmark::State &state) {
    bench::App();
    TSettingsTarn settings;
    settings.SetDefaultCapabilities();
    settings.Options = std::make_unique<TOptions>(&settings);
    std::string text;
    for (int64_t i = 0; i < state.range(0); ++i)
        text += std::to_string(2 + i % 80) + ";";
    settings.Options->GetOption(opHotkey_Hold)->SetFromText(text);
    for (auto _ : state) {
        TShownOnce form;
        benchmark::DoNotOptimize(form.Execute(settings));
    }
}

BENCHMARK(BM_OpenOptionsDialog)
    ->Arg(2)
    ->Arg(300)
    ->Arg(int64_t(MaxHotkeyKeys))
    ->ArgName("keys")
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

} // namespace
