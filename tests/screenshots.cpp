// make screenshots: the windows after a run of the distribution example, as PNG files, so that a
// reviewer can look at them without running anything. Usage: orvantis_screenshots OUTPUT_DIR
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <utility>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QTableWidget>
#include <QTabWidget>
#include <QThread>

#include "engine/ParamCatalogue.h"
#include "stats/Stats.h"
#include "platform/Dialogs.h"
#include "support/ScriptedFileDialogs.h"
#include "ui/DiagramView.h"
#include "ui/HistoryChart.h"
#include "ui/ProgramWindows.h"
#include "ui/WindowPlacement.h"

namespace {

bool Save(QWidget& Window, const QDir& Dir, const char* Name)
{
    QApplication::processEvents();
    const QString Path = Dir.filePath(Name);
    if (!Window.grab().save(Path)) {
        std::fprintf(stderr, "Cannot write %s\n", qPrintable(Path));
        return false;
    }
    std::printf("%s\n", qPrintable(Path));
    return true;
}

// The last period in which some stage was failed, so that the diagram shows a red box, and a
// stage that was not, to show the selected stage's frame.
std::pair<int32_t, int> PeriodWithFailure(const TSimulation& Model)
{
    for (int32_t T = Model.Period(); T >= 1; --T) {
        int Failed = 0;
        int Working = 0;
        for (int N = 1; N <= Model.NumStages(); ++N) {
            (Model.Stage(N).IsFailed(T) ? Failed : Working) = N;
        }
        if (Failed != 0 && Working != 0) {
            return {T, Working};
        }
    }
    return {Model.Period(), 1};
}

// Handles events until Busy says the work is done.
template <class F>
void WaitWhile(F Busy)
{
    while (Busy()) {
        QApplication::processEvents();
        QThread::msleep(20);
    }
    QApplication::processEvents();
}

}  // namespace

// The main window on a 1600 x 1000 screen at QT_SCALE_FACTOR=2 (800 x 500 logical pixels): it
// opens at what fits the screen, below its default size.
int ScaledMain(TProgramWindows& Windows, const QDir& Dir)
{
    TMainWindow& Main = Windows.Main;
    Main.LoadModelFile(ORVANTIS_EXAMPLES_DIR "/distribution.txt");
    Main.findChild<QLineEdit*>("RandSeedEdit")->setText("3");
    Main.findChild<QPushButton*>("RunButton")->click();
    FitToScreen(Main);
    Main.show();
    return Save(Main, Dir, "main_window_2x.png") ? 0 : 1;
}

int main(int argc, char** argv)
{
    // A laptop's 1600 x 1000 screen; QT_SCALE_FACTOR=2 makes it 800 x 500 logical pixels.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        const std::filesystem::path Screen = std::filesystem::temp_directory_path() / "orvantis-screenshots-screen.json";
        std::ofstream(Screen) << R"({"screens":[{"name":"Laptop","x":0,"y":0,"width":1600,"height":1000,)"
                                 R"("logicalDpi":96,"logicalBaseDpi":96}]})";
        qputenv("QT_QPA_PLATFORM", QByteArray("offscreen:configfile=") + Screen.string().c_str());
    }
    // Windows remember their places in the user's settings: these pictures use settings of their own.
    const std::filesystem::path Settings = std::filesystem::temp_directory_path() / "orvantis-screenshots-settings";
    std::filesystem::remove_all(Settings);
    qputenv("XDG_CONFIG_HOME", Settings.string().c_str());
    QApplication App(argc, argv);
    QApplication::setApplicationName("Orvantis");
    const bool Scaled = argc == 3 && std::string_view(argv[2]) == "2x";
    if (argc != 2 && !Scaled) {
        std::fprintf(stderr, "usage: orvantis_screenshots OUTPUT_DIR [2x]\n");
        return 2;
    }
    const QDir Dir(QString::fromLocal8Bit(argv[1]));
    if (!QDir().mkpath(Dir.path())) {
        std::fprintf(stderr, "Cannot create %s\n", argv[1]);
        return 1;
    }
    TSilentDialogs Dialogs(true);
    TScriptedFileDialogs Files;
    TProgramWindows Windows(Dialogs, Files);
    if (Scaled) {
        return ScaledMain(Windows, Dir);
    }
    TMainWindow& Main = Windows.Main;
    Main.show();

    Files.Answers = {ORVANTIS_EXAMPLES_DIR "/distribution.txt"};  // through Load: the batch names the file
    Main.findChild<QPushButton*>("LoadButton")->click();
    Main.findChild<QLineEdit*>("RandSeedEdit")->setText("3");
    Main.findChild<QPushButton*>("RunButton")->click();
    const auto [Period, Selected] = PeriodWithFailure(Main.Model());
    Main.SelectStage(Selected);
    Main.findChild<QSlider*>("PeriodSlider")->setValue(Period);
    bool Ok = Save(Main, Dir, "main_window.png");
    // Maximised: the diagram and the grid take the room.
    Main.showMaximized();
    QApplication::processEvents();
    Ok = Save(Main, Dir, "main_window_maximised.png") && Ok;
    Main.showNormal();
    Main.resize(Main.sizeHint().expandedTo(QSize(969, 516)));

    Main.findChild<QPushButton*>("StatsButton")->click();
    Ok = Save(Windows.Stats, Dir, "stats_window.png") && Ok;
    Main.findChild<QPushButton*>("HistoryButton")->click();
    Ok = Save(Windows.History, Dir, "history_tab.png") && Ok;
    Windows.History.findChild<QTabWidget*>("Tabs")->setCurrentIndex(1);
    Ok = Save(Windows.History, Dir, "order_history_tab.png") && Ok;
    // The chart: two stages, three series, the warm-up shaded and the replay period marked.
    Windows.History.findChild<QTabWidget*>("Tabs")->setCurrentIndex(2);
    Windows.History.Chart().Select({3, 5, 8}, {1, 4});
    Ok = Save(Windows.History, Dir, "history_chart.png") && Ok;

    // A small batch: the base stock of the three retail stages over three levels, two trials each.
    Main.findChild<QPushButton*>("BatchRunsButton")->click();
    TBatchRunsWindow& Batch = Windows.BatchRuns;
    Batch.findChild<QComboBox*>("ParamList1")->setCurrentIndex(ParamBaseStockLevel + 1);
    const std::pair<const char*, const char*> Row[] = {{"FirstStageEdit1", "1"}, {"LastStageEdit1", "3"},
                                                       {"FirstValueEdit1", "40"}, {"LastValueEdit1", "60"},
                                                       {"StepEdit1", "10"}, {"NumTrialsEdit", "2"}};
    for (const auto& [Name, Text] : Row) {
        Batch.findChild<QLineEdit*>(Name)->setText(Text);
    }
    Batch.findChild<QPushButton*>("StartButton")->click();
    WaitWhile([&Batch] { return Batch.Running(); });
    Ok = Save(Batch, Dir, "batch_runs_window.png") && Ok;
    Ok = Save(Main, Dir, "main_window_after_batch.png") && Ok;  // its costs captioned as the batch's
    // A two-row batch: its chart has one line per value of the second row.
    Batch.findChild<QComboBox*>("ParamList2")->setCurrentIndex(ParamStockoutCost + 1);
    const std::pair<const char*, const char*> Row2[] = {{"FirstStageEdit2", "1"}, {"LastStageEdit2", "3"},
                                                        {"FirstValueEdit2", "10"}, {"LastValueEdit2", "30"},
                                                        {"StepEdit2", "20"}};
    for (const auto& [Name, Text] : Row2) {
        Batch.findChild<QLineEdit*>(Name)->setText(Text);
    }
    Batch.findChild<QPushButton*>("StartButton")->click();
    WaitWhile([&Batch] { return Batch.Running(); });
    Ok = Save(Batch, Dir, "batch_chart.png") && Ok;
    Windows.BatchOptions.show();  // modal in the program; shown here only to be painted
    Ok = Save(Windows.BatchOptions, Dir, "batch_options_window.png") && Ok;

    // A short search: the retailers' shared base stock and the centre's, the first retailer's
    // orders within its committed service time at least 0.95 of the time.
    Batch.findChild<QPushButton*>("OptimiseButton")->click();
    TOptimiseWindow* Optimise = &Windows.Optimise;
    Optimise->findChild<QPushButton*>("AddVariableButton")->click();
    Optimise->findChild<QPushButton*>("AddConstraintButton")->click();
    auto* Variables = Optimise->findChild<QTableWidget*>("VariablesTable");
    const char* const Cells[2][4] = {{"1-3", "0", "120", "1"}, {"4", "0", "200", "1"}};
    for (int Row = 0; Row < 2; ++Row) {
        for (int Column = 0; Column < 4; ++Column) {
            Variables->item(Row, Column + 1)->setText(Cells[Row][Column]);
        }
    }
    auto* Constraints = Optimise->findChild<QTableWidget*>("ConstraintsTable");
    qobject_cast<QComboBox*>(Constraints->cellWidget(0, 0))->setCurrentIndex(MetricWithinCST);
    Optimise->findChild<QLineEdit*>("TrialsEdit")->setText("4");
    Optimise->findChild<QLineEdit*>("BudgetEdit")->setText("60");
    Optimise->findChild<QPushButton*>("GoButton")->click();
    WaitWhile([Optimise] { return Optimise->Searching(); });
    Ok = Save(*Optimise, Dir, "optimise_window.png") && Ok;

    // A long batch under way, and the same batch stopped: the windows answer meanwhile.
    Batch.findChild<QPushButton*>("ClearTextButton")->click();
    Batch.findChild<QLineEdit*>("NumTrialsEdit")->setText("200");
    Batch.findChild<QLineEdit*>("LastValueEdit1")->setText("140");
    Main.findChild<QLineEdit*>("NumPeriodsEdit")->setText("9999");
    Batch.findChild<QPushButton*>("StartButton")->click();
    auto* Progress = Batch.findChild<QProgressBar*>("SettingsProgress");
    WaitWhile([Progress] { return Progress->value() < 2; });
    Ok = Save(Batch, Dir, "batch_running.png") && Ok;
    Ok = Save(Main, Dir, "main_window_during_batch.png") && Ok;
    Batch.findChild<QPushButton*>("StopButton")->click();
    WaitWhile([&Batch] { return Batch.Running(); });
    Ok = Save(Batch, Dir, "batch_stopped.png") && Ok;
    return Ok ? 0 : 1;
}
