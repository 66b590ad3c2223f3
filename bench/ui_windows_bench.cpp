// From the main window's button to the shown statistics or history window, for the largest
// model: 25 stages x 9999 periods (a History text of about 20 MB); the history chart of every
// stage of that run built and shown, and zoomed into 100 periods. Offscreen.
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QWindow>

#include "BenchNetworks.h"
#include "model_files/ModelFile.h"
#include "platform/Dialogs.h"
#include "ui/ChartView.h"
#include "ui/FileDialogs.h"
#include "ui/HistoryChart.h"
#include "ui/ProgramWindows.h"

namespace {

struct TNoFiles final : FileDialogs {
    std::optional<std::string> ChooseOpenFile(const TFileDialogSpec&) override { return std::nullopt; }
    std::optional<std::string> ChooseSaveFile(const TFileDialogSpec&) override { return std::nullopt; }
};

// The 25-stage network of the engine benchmarks, loaded into the document as a user would load it.
void LoadNetwork25(TModelDocument& Document)
{
    TSimulation Network;
    BuildNetwork25(Network, 1);
    const std::string Path = (std::filesystem::temp_directory_path() / "orvantis-bench-network25.txt").string();
    if (!SaveModel(Network, Path).Ok || !Document.Load(Path)) {
        std::abort();
    }
    std::filesystem::remove(Path);
}

// The program's windows over the 25-stage network, with the run settings of the engine benchmarks
// (9999 periods, warm-up 100, seed 12345).
struct TNetworkWindows {
    TSilentDialogs Messages;
    TNoFiles Files;
    TProgramWindows Windows{Messages, Files};
    TNetworkWindows()
    {
        LoadNetwork25(Windows.Document);
        Windows.Document.SetRunSettingsTexts({"12345", "9999", "100"});
    }
};

// The button's click, then events until the window is on screen, then its first paint.
void ClickToShown(benchmark::State& State, const char* Button, bool History)
{
    TNetworkWindows Program;
    TProgramWindows& Windows = Program.Windows;
    Windows.Document.Run();
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

// The longest the window thread goes without handling its events while "Batch Runs" runs a batch
// of 20 runs of the 25-stage network over 9,999 periods (20 settings of its holding cost, one trial
// each): the counter max_stall_ms, which should stay within 50 ms. The time is the whole batch's.
void BatchStall(benchmark::State& State)
{
    TNetworkWindows Program;
    TProgramWindows& Windows = Program.Windows;
    Windows.Main.show();
    Windows.BatchRuns.Open();
    Windows.BatchRuns.findChild<QComboBox*>("ParamList1")->setCurrentIndex(ParamHoldingCost + 1);
    const std::pair<const char*, const char*> Fields[] = {{"FirstStageEdit1", "1"}, {"LastStageEdit1", "1"},
                                                         {"FirstValueEdit1", "1"}, {"LastValueEdit1", "20"},
                                                         {"StepEdit1", "1"}};
    for (const auto& [Name, Text] : Fields) {
        Windows.BatchRuns.findChild<QLineEdit*>(Name)->setText(Text);
    }
    auto* Go = Windows.BatchRuns.findChild<QPushButton*>("StartButton");
    double MaxStall = 0;
    for (auto _ : State) {
        auto Last = std::chrono::steady_clock::now();
        QTimer Tick;
        Tick.setInterval(1);
        QObject::connect(&Tick, &QTimer::timeout, [&] {
            const auto Now = std::chrono::steady_clock::now();
            MaxStall = std::max(MaxStall, std::chrono::duration<double, std::milli>(Now - Last).count());
            Last = Now;
        });
        Tick.start();
        Go->click();
        while (Windows.BatchRuns.Running()) {
            QApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
        Tick.stop();
    }
    State.counters["max_stall_ms"] = MaxStall;
}
BENCHMARK(BatchStall)->Name("ui/BatchStall/25x9999x20")->Unit(benchmark::kMillisecond)->Iterations(1);

// The run every chart benchmark draws.
const TSimulation& Run25x9999()
{
    static TSimulation Model;
    if (Model.Period() == 0) {
        BuildNetwork25(Model, 1);
        Model.RunSimulation(9999, 100, 12345);
    }
    return Model;
}

std::vector<int> AllStages(const TSimulation& Model)
{
    std::vector<int> Stages;
    for (int K = 1; K <= Model.NumStages(); ++K) {
        Stages.push_back(K);
    }
    return Stages;
}

void ShowAndPaint(QWidget& Window)
{
    Window.show();
    while (!Window.windowHandle() || !Window.windowHandle()->isExposed()) {
        QApplication::processEvents();
    }
    Window.repaint();
}

constexpr int InvLevelSeries = 3;

// The run copied for the chart, one line per stage, the window shown and painted.
void HistoryChartShown(benchmark::State& State)
{
    const TSimulation& Model = Run25x9999();
    TSilentDialogs Messages;
    TNoFiles Files;
    for (auto _ : State) {
        THistoryChart Chart(Messages, Files);
        Chart.resize(870, 560);
        Chart.SetHistory(THistorySeriesTable(Model));
        Chart.Select({InvLevelSeries}, AllStages(Model));
        ShowAndPaint(Chart);
        State.PauseTiming();
        Chart.hide();
        QApplication::processEvents();
        State.ResumeTiming();
    }
}
BENCHMARK(HistoryChartShown)->Name("ui/HistoryChart/25x9999")->Unit(benchmark::kMillisecond);

// From every period to 100 of them (a different 100 each time), repainted.
void HistoryChartZoom(benchmark::State& State)
{
    const TSimulation& Model = Run25x9999();
    TSilentDialogs Messages;
    TNoFiles Files;
    THistoryChart Chart(Messages, Files);
    Chart.resize(870, 560);
    Chart.SetHistory(THistorySeriesTable(Model));
    Chart.Select({InvLevelSeries}, AllStages(Model));
    ShowAndPaint(Chart);
    double From = 1;
    for (auto _ : State) {
        Chart.Chart().ZoomX(From, From + 100);
        Chart.repaint();
        State.PauseTiming();
        Chart.Chart().ResetZoom();
        Chart.repaint();
        From = From > 9000 ? 1 : From + 997;
        State.ResumeTiming();
    }
}
BENCHMARK(HistoryChartZoom)->Name("ui/HistoryChartZoom/25x9999to100")->Unit(benchmark::kMillisecond);

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
