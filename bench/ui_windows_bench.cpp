// From the main window's button to the shown statistics or history window, for the largest
// model: 25 stages x 9999 periods (a History text of about 20 MB). Offscreen.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPushButton>
#include <QWindow>

#include "BenchNetworks.h"
#include "platform/Dialogs.h"
#include "ui/FileDialogs.h"
#include "ui/ProgramWindows.h"

namespace {

struct TNoFiles final : FileDialogs {
    std::optional<std::string> ChooseOpenFile(const TFileDialogSpec&) override { return std::nullopt; }
    std::optional<std::string> ChooseSaveFile(const TFileDialogSpec&) override { return std::nullopt; }
};

// The button's click, then events until the window is on screen, then its first paint.
void ClickToShown(benchmark::State& State, const char* Button, bool History)
{
    TSilentDialogs Messages;
    TNoFiles Files;
    TProgramWindows Windows(Messages, Files);
    BuildNetwork25(Windows.Main.Model(), 1);
    Windows.Main.Model().RunSimulation(9999, 100, 12345);
    Windows.Main.show();
    QWidget& Shown = History ? static_cast<QWidget&>(Windows.History) : Windows.Stats;
    auto* Click = Windows.Main.findChild<QPushButton*>(Button);
    for (auto _ : State) {
        Click->click();
        while (!Shown.windowHandle() || !Shown.windowHandle()->isExposed()) {
            QApplication::processEvents();
        }
        Shown.repaint();
        State.PauseTiming();
        Shown.hide();
        QApplication::processEvents();
        State.ResumeTiming();
    }
}

void DisplayHistory(benchmark::State& State)
{
    ClickToShown(State, "HistoryButton", true);
}
BENCHMARK(DisplayHistory)->Name("ui/DisplayHistory/25x9999")->Unit(benchmark::kMillisecond);

void DisplayStats(benchmark::State& State)
{
    ClickToShown(State, "StatsButton", false);
}
BENCHMARK(DisplayStats)->Name("ui/DisplayStats/25x9999")->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication App(argc, argv);
    // The offscreen platform warns on every raise(); the table is what matters here.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
