// The main window: its controls and their Tab order, and every command with its messages.
#include <fstream>
#include <functional>

#include <QCheckBox>
#include <QCoreApplication>
#include <QPushButton>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <QTableWidget>
#include <QTemporaryDir>

#include "engine/StageMeasures.h"
#include "model_files/ModelFile.h"
#include "platform/Locale.h"
#include "reports/HistoryReport.h"
#include "reports/StatsReport.h"
#include "support/GuiTest.h"
#include "support/MainWindowHarness.h"
#include "text/NumberText.h"
#include "ui/DiagramView.h"
#include "ui/TextLinesView.h"

namespace {

const std::string Distribution = ORVANTIS_EXAMPLES_DIR "/distribution.txt";

std::vector<std::string> Texts(std::initializer_list<const char*> List)
{
    return {List.begin(), List.end()};
}

void SetSettings(TMainWindowHarness& H, const char* Seed, const char* Periods, const char* WarmUp)
{
    H.Child<QLineEdit>("RandSeedEdit").setText(Seed);
    H.Child<QLineEdit>("NumPeriodsEdit").setText(Periods);
    H.Child<QLineEdit>("WarmUpEdit").setText(WarmUp);
}

std::string FileBytes(const std::string& Path)
{
    std::ifstream In(Path, std::ios::binary);
    return {std::istreambuf_iterator<char>(In), {}};
}

void WriteFile(const QString& Path, const std::string& Bytes)
{
    std::ofstream(Path.toStdString(), std::ios::binary) << Bytes;
}

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private slots:
    void controlsStartWithTheirCaptionsAndAccessibleNames()
    {
        TMainWindowHarness H;
        QCOMPARE(H.Window.windowTitle(), QString("Orvantis v2.4[*]"));
        QCOMPARE(H.Window.size(), QSize(969, 516));  // the arrangement users know, where it fits
        QCOMPARE(H.Child("DiagramScroll").geometry(), QRect(352, 0, 617, 369));
        QCOMPARE(H.Child("Diagram").size(), QSize(617, 369));
        QCOMPARE(H.Child("ParamGrid").size(), QSize(208, 473));
        const std::pair<const char*, const char*> Captions[] = {
            {"NewStageButton", "&New Stage"}, {"RunButton", "&Run Simulation"}, {"StatsButton", "Display Stats"},
            {"HistoryButton", "Display History"}, {"BatchRunsButton", "&Batch Runs..."}, {"ResetButton", "Reset Sim"},
            {"ClearButton", "Clear All"}, {"SaveButton", "&Save"}, {"LoadButton", "&Load"}};
        for (const auto& [Name, Caption] : Captions) {
            QCOMPARE(H.Child<QPushButton>(Name).text(), QString(Caption));
            QCOMPARE(H.Child(Name).accessibleName(), QString(Caption).remove('&'));
        }
        const std::pair<const char*, const char*> Values[] = {
            {"SelectedStageLabel", "Selected Stage: 0"}, {"PeriodLabel", "Period 0"}};
        for (const auto& [Name, Text] : Values) {
            QCOMPARE(H.Child<QLabel>(Name).text(), QString(Text));
            QCOMPARE(H.Child(Name).accessibleName(), QString(Text));
        }
        for (const auto& [Name, Title] : {std::pair{"ReplayBox", "Instant Replay"}, std::pair{"OptionsBox", "Options"},
                                          std::pair{"CostsBox", "Simulated Costs"}}) {
            QCOMPARE(H.Child<QGroupBox>(Name).title(), QString(Title));
        }
        const std::tuple<const char*, const char*, const char*> Edits[] = {
            {"NumPeriodsEdit", "1000", "# of Periods"}, {"WarmUpEdit", "100", "Warm Up"},
            {"RandSeedEdit", "0", "RandSeed"}};
        for (const auto& [Name, Text, Label] : Edits) {
            auto& Edit = H.Child<QLineEdit>(Name);
            QCOMPARE(Edit.text(), QString(Text));
            QCOMPARE(Edit.accessibleName(), QString(Label));
            const auto Labels = H.Window.findChildren<QLabel*>();
            QVERIFY(std::any_of(Labels.begin(), Labels.end(), [&](QLabel* L) { return L->buddy() == &Edit && L->text() == Label; }));
        }
        auto& Force = H.Child<QCheckBox>("ForceCSTCheck");
        QVERIFY(Force.text() == "Service Time >= CST" && !Force.isChecked() && !H.Window.Model().ForceCST());
        auto& Track = H.Child<QSlider>("PeriodSlider");
        QVERIFY(!Track.isEnabled() && Track.minimum() == 0 && Track.maximum() == 10 && Track.value() == 0);
        QVERIFY(!H.Child("PeriodLabel").isEnabled());
        QVERIFY(!H.Child("ParamGrid").isEnabled());
        auto& Measures = H.Child<QTableWidget>("MeasuresTable");
        QCOMPARE(Measures.rowCount(), 11);
        QCOMPARE(Measures.item(10, 0)->text(), QString("Safety Stock"));
        for (QWidget* W : H.Window.findChildren<QWidget*>()) {
            if (!W->objectName().isEmpty() && !W->objectName().startsWith("qt_")) {
                QVERIFY2(!W->accessibleName().isEmpty(), qPrintable(W->objectName()));
            }
        }
    }

    void mnemonicsAndShortcutsReachTheirCommands()
    {
        TMainWindowHarness H;
        // A mnemonic clicks its button as buttons do, once a short press animation has run.
        QTest::keyClick(&H.Window, Qt::Key_N, Qt::AltModifier);
        QTRY_COMPARE(H.Window.Model().NumStages(), 1);
        QTest::keyClick(&H.Window, Qt::Key_R, Qt::AltModifier);
        QTRY_VERIFY(H.Window.Model().Period() > 0);
        H.Dialogs.SaveAnswers = {TSaveAnswer::Discard, TSaveAnswer::Discard};  // the new stage
        QTest::keyClick(&H.Window, Qt::Key_O, Qt::ControlModifier);
        QTest::keyClick(&H.Window, Qt::Key_L, Qt::AltModifier);
        QTRY_COMPARE(H.Files.Asked.size(), std::size_t{2});
        QTest::keyClick(&H.Window, Qt::Key_S, Qt::AltModifier);
        QTRY_COMPARE(H.Files.Asked.size(), std::size_t{3});
        QVERIFY(H.Files.Asked[0].Title == "Open Model" && H.Files.Asked[1].Title == "Open Model" &&
                H.Files.Asked[2].Title == "Save Model As");
        QCOMPARE(H.TakeShown(), std::vector<std::string>(2, "Save changes to the new model?"));
    }

    void tabVisitsEveryControlInReadingOrderAndComesBack()
    {
        TMainWindowHarness H;
        H.Window.LoadModelFile(Distribution);
        H.Click("RunButton");  // the replay slider takes the focus once there is a run
        QWidget& First = H.Child("NewStageButton");
        First.setFocus();
        QStringList Visited{First.objectName()};
        for (int Step = 0; Step < 40 && (Step == 0 || QApplication::focusWidget() != &First); ++Step) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            Visited << QApplication::focusWidget()->objectName();
        }
        // The left column, the diagram, then the command panel column by column.
        const QStringList Expected{"NewStageButton", "ParamGrid", "MeasuresTable",
                                   "StageBox1", "StageBox2", "StageBox3", "StageBox4", "StageBox5",
                                   "ForceCSTCheck", "NumPeriodsEdit", "WarmUpEdit", "RandSeedEdit",
                                   "RunButton", "StatsButton", "HistoryButton", "BatchRunsButton",
                                   "PeriodSlider", "ResetButton", "ClearButton", "SaveButton", "LoadButton",
                                   "NewStageButton"};
        QCOMPARE(Visited, Expected);
    }

    void newStagePlacesBoxesWhereNoneStandsUpToTwentyFive()
    {
        TMainWindowHarness H;
        for (int N = 1; N <= 26; ++N) {
            H.Click("NewStageButton");
        }
        QCOMPARE(H.TakeShown(), Texts({"The model already contains the maximum number of stages (25)."}));
        QCOMPARE(H.Window.Model().NumStages(), 25);
        TDiagramView& Diagram = H.Window.Diagram();
        QCOMPARE(Diagram.NumBoxes(), 25);
        QCOMPARE(Diagram.Box(1)->geometry(), QRect(50, 100, 50, 50));
        for (int N = 1; N <= 25; ++N) {
            QCOMPARE(Diagram.Box(N)->accessibleName(), QString("Stage %1").arg(N));
            QCOMPARE(Diagram.Box(N)->IsSelected(), N == 25);
            QVERIFY(Diagram.rect().contains(Diagram.Box(N)->geometry()));
            for (int Other = 1; Other < N; ++Other) {
                QVERIFY(!Diagram.Box(N)->geometry().intersects(Diagram.Box(Other)->geometry()));
            }
        }
        QCOMPARE(H.Window.SelectedStage(), 25);
        QCOMPARE(H.Child<QLabel>("SelectedStageLabel").text(), QString("Selected Stage: 25"));
        QVERIFY(H.Child("ParamGrid").isEnabled());
    }

    void newStageAfterARunAsksToResetFirst()
    {
        TMainWindowHarness H;
        H.Click("NewStageButton");
        H.Click("RunButton");
        QVERIFY(H.Window.Model().Period() > 0);
        H.Dialogs.Answers = {false, true};
        H.Click("NewStageButton");
        QCOMPARE(H.Window.Model().NumStages(), 1);
        H.Click("NewStageButton");
        const std::string Question =
            "The simulation must be reset before a new stage can be added.  Reset current simulation and add stage?";
        QCOMPARE(H.TakeShown(), std::vector<std::string>(2, Question));
        QCOMPARE(H.Window.Model().NumStages(), 2);
        QCOMPARE(H.Window.Model().Period(), 0);
        QVERIFY(!H.Child("PeriodSlider").isEnabled());
    }

    void runSettingsAreRefusedWithTheirMessage_data()
    {
        QTest::addColumn<QString>("Seed");
        QTest::addColumn<QString>("Periods");
        QTest::addColumn<QString>("WarmUp");
        QTest::addColumn<QString>("Message");
        const QString Seed = "You must enter an integer RandSeed (or set to 0 to generate randomly).";
        const QString Periods = "You must enter an integer number of periods between 1 and 9999.";
        const QString WarmUp = "You must enter an integer number of periods between 1 and the number of periods in "
                               "your simulation (%1).";
        QTest::newRow("seed first") << "1.5" << "0" << "0" << Seed;
        QTest::newRow("seed word") << "x" << "10" << "1" << Seed;
        QTest::newRow("periods 0") << "1" << "0" << "1" << Periods;
        QTest::newRow("periods 10000") << "-5" << "10000" << "1" << Periods;
        QTest::newRow("periods empty") << "1" << "" << "1" << Periods;
        QTest::newRow("warm-up 0") << "1" << "1000" << "0" << WarmUp.arg(1000);
        QTest::newRow("warm-up beyond") << "1" << "50" << "51" << WarmUp.arg(50);
    }
    void runSettingsAreRefusedWithTheirMessage()
    {
        QFETCH(QString, Seed);
        QFETCH(QString, Periods);
        QFETCH(QString, WarmUp);
        QFETCH(QString, Message);
        TMainWindowHarness H;
        H.Click("NewStageButton");
        SetSettings(H, qPrintable(Seed), qPrintable(Periods), qPrintable(WarmUp));
        H.Click("RunButton");
        QCOMPARE(H.TakeShown(), std::vector<std::string>{Message.toStdString()});
        QCOMPARE(H.Window.Model().Period(), 0);
        QVERIFY(!H.Child("PeriodSlider").isEnabled());
    }

    void runShowsTheCoreTotalsAndReplaysThePeriods()
    {
        TMainWindowHarness H;
        H.Window.LoadModelFile(Distribution);
        SetSettings(H, "5", "200", "20");
        H.Click("RunButton");
        QVERIFY(H.TakeShown().empty());

        TScriptedDialogs Quiet;
        TSimulation Same;
        QVERIFY(LoadModel(Same, Distribution, Quiet).Ok);
        const TCostTotals Costs = Same.RunSimulation(200, 20, 5);
        const std::pair<const char*, double> Labels[] = {
            {"OrderCostLabel", Costs.OrderCost}, {"HoldingCostLabel", Costs.HoldingCost},
            {"WIPHoldingCostLabel", Costs.WIPHoldingCost}, {"StockoutCostLabel", Costs.StockoutCost},
            {"TotalCostLabel", Costs.TotalCost}};
        for (const auto& [Name, Value] : Labels) {
            QCOMPARE(H.Child<QLabel>(Name).text().toStdString(), FormatFixed(Value, 2, LocaleDecimalSeparator()));
        }
        auto& Track = H.Child<QSlider>("PeriodSlider");
        QVERIFY(Track.isEnabled() && Track.minimum() == 1 && Track.maximum() == 200 && Track.value() == 200);
        QCOMPARE(Track.tickInterval(), 20);
        QCOMPARE(H.Child<QLabel>("PeriodLabel").text(), QString("Period 200"));

        const TSimulation& Model = H.Window.Model();
        auto& Measures = H.Child<QTableWidget>("MeasuresTable");
        int FirstFailure = 1;
        while (FirstFailure < 200 && !Model.Stage(4).IsFailed(FirstFailure)) {
            ++FirstFailure;
        }
        QVERIFY(Model.Stage(4).IsFailed(FirstFailure));
        int FailedSeen = 0;
        for (int Period : {200, 1, FirstFailure, FirstFailure - 1}) {
            Track.setValue(Period);
            QCOMPARE(H.Child<QLabel>("PeriodLabel").text(), QString("Period %1").arg(Period));
            const auto Expected = StageMeasures(Model, H.Window.SelectedStage(), Period);
            for (int Row = 0; Row < 11; ++Row) {
                QCOMPARE(Measures.item(Row, 1)->text(), QString::number(Expected[static_cast<std::size_t>(Row)]));
            }
            for (int N = 1; N <= Model.NumStages(); ++N) {
                const bool Red = H.Window.Diagram().Box(N)->Colour() == ::Red;
                QCOMPARE(Red, Model.Stage(N).IsFailed(Period));
                FailedSeen += Red;
            }
        }
        QVERIFY(FailedSeen > 0);
    }

    void rerunAsksFirstButARefusedSettingKeepsTheRun()
    {
        TMainWindowHarness H;
        H.Click("NewStageButton");
        SetSettings(H, "1", "100", "10");
        H.Click("RunButton");
        const QString Total = H.Child<QLabel>("TotalCostLabel").text();
        H.Dialogs.Answers = {false};
        QTest::keyClick(&H.Child<QLineEdit>("RandSeedEdit"), Qt::Key_Return);  // Enter runs: No
        QCOMPARE(H.Window.Model().Period(), 100);
        H.Child<QLineEdit>("WarmUpEdit").setText("0");
        QTest::keyClick(&H.Window, Qt::Key_F5);  // refused before the question
        QCOMPARE(H.TakeShown(), Texts({"Reset current simulation and re-run?",
                                       "You must enter an integer number of periods between 1 and the number of "
                                       "periods in your simulation (100)."}));
        QCOMPARE(H.Window.Model().Period(), 100);
        QVERIFY(H.Child("PeriodSlider").isEnabled());
        QCOMPARE(H.Child<QLabel>("TotalCostLabel").text(), Total);
    }

    void statsAndHistoryNeedARunAndShowTheCoreTexts()
    {
        TMainWindowHarness H;
        H.Click("StatsButton");
        H.Click("HistoryButton");
        H.Window.LoadModelFile(Distribution);
        H.Click("RunButton");
        H.Click("ResetButton");
        QVERIFY(!H.Child("PeriodSlider").isEnabled());
        H.Click("StatsButton");
        H.Click("HistoryButton");
        const std::string Stats = "You must run the simulation before stats can be displayed.";
        const std::string History = "You must run the simulation before history can be displayed.";
        QCOMPARE(H.TakeShown(), (std::vector<std::string>{Stats, History, Stats, History}));
        QVERIFY(!H.Stats.isVisible() && !H.History.isVisible());

        H.Click("RunButton");
        H.Click("StatsButton");
        H.Click("HistoryButton");
        QVERIFY(H.Stats.isVisible() && H.History.isVisible());
        const auto Tail = [](std::vector<std::string> Lines) { return std::vector(Lines.begin() + 1, Lines.end()); };
        const TSimulation& M = H.Window.Model();
        QVERIFY(Tail(H.Stats.ReportView().Lines()) == Tail(BuildStatsReport(M, "", LocaleDecimalSeparator())));
        QVERIFY(Tail(H.History.HistoryText().Lines()) == Tail(BuildHistoryText(M, "", LocaleDecimalSeparator())));
        QVERIFY(Tail(H.History.OrderHistoryText().Lines()) == Tail(BuildOrderHistoryText(M, "")));
    }

    void clearAllAsksThenLeavesNothingSelected()
    {
        TMainWindowHarness H;
        H.Click("NewStageButton");
        H.Click("NewStageButton");
        QTemporaryDir Saved;
        QVERIFY(H.Windows.Document.SaveAs(Saved.filePath("two.txt").toStdString()));  // saved: the plain question
        H.Dialogs.Answers = {false, true};
        H.Click("ClearButton");
        QCOMPARE(H.Window.Model().NumStages(), 2);
        H.Click("ClearButton");
        QCOMPARE(H.TakeShown(), std::vector<std::string>(2, "Are you sure you want to erase your model?"));
        QCOMPARE(H.Window.Model().NumStages(), 0);
        QCOMPARE(H.Window.Diagram().NumBoxes(), 0);
        QCOMPARE(H.Window.SelectedStage(), 0);
        QCOMPARE(H.Child<QLabel>("SelectedStageLabel").text(), QString("Stage 0"));
        QVERIFY(!H.Child("ParamGrid").isEnabled());
        H.Click("ResetButton");  // nothing to reset but the run
        H.Click("NewStageButton");
        QVERIFY(H.Child("ParamGrid").isEnabled());
        QCOMPARE(H.Window.SelectedStage(), 1);
    }

    void saveClearAndLoadGiveTheSameModel()
    {
        TMainWindowHarness H;
        QTemporaryDir Dir;
        const std::string Path = Dir.filePath("model.txt").toStdString();
        H.Window.LoadModelFile(Distribution);
        QCOMPARE(H.Windows.Document.FileName(), Distribution);  // a batch's "Data file: " names it
        H.Click("NewStageButton");
        H.Windows.Document.SetParam(6, ParamHoldingCost, 2.5);
        const std::string Before = ModelFileText(H.Window.Model());
        H.Files.Answers = {Path, Path};
        QTest::keyClick(&H.Window, Qt::Key_S, Qt::ControlModifier);
        H.Dialogs.Answers = {true};
        H.Click("ClearButton");
        H.Click("LoadButton");
        QCOMPARE(H.TakeShown(), Texts({"Are you sure you want to erase your model?"}));
        QVERIFY(ModelFileText(H.Window.Model()) == Before);
        QVERIFY(H.Child<QCheckBox>("ForceCSTCheck").isChecked());  // the example has it on
        QCOMPARE(H.Window.SelectedStage(), 1);
        QCOMPARE(H.Window.Diagram().NumBoxes(), 6);
        QCOMPARE(H.Windows.Document.FileName(), Path);
        // The save dialog starts at the model's own file.
        const std::string Models = "Model files (*.txt;*.orv)|*.txt;*.orv|All files (*.*)|*.*";
        const std::vector<TFileDialogSpec> Asked{{"Save Model As", "txt", Models, Distribution},
                                                 {"Open Model", "txt", Models, {}}};
        QVERIFY(H.Files.Asked == Asked);
        H.Click("LoadButton");  // cancelled: nothing changes
        QCOMPARE(H.Window.Model().NumStages(), 6);
    }

    void loadReportsErrorsAndNotices()
    {
        TMainWindowHarness H;
        QTemporaryDir Dir;
        std::ifstream In(Distribution, std::ios::binary);
        const std::string Bytes(std::istreambuf_iterator<char>(In), {});
        const std::size_t Third = Bytes.find('\r', Bytes.find('\r', Bytes.find('\r', Bytes.find('\r') + 1) + 1) + 1);
        WriteFile(Dir.filePath("bad.txt"), Bytes.substr(0, Third + 1) + "2 x\r");  // stage 2 stops at its first token
        WriteFile(Dir.filePath("empty.txt"), "v2.4\r0 0\r");
        H.Files.Answers = {std::string(Distribution), Dir.filePath("bad.txt").toStdString(),
                           ORVANTIS_TEST_DATA_DIR "/model_v20.txt", Dir.filePath("empty.txt").toStdString()};

        // A failed load keeps the open model byte for byte, and says why with the line.
        H.Click("LoadButton");
        const std::string Before = ModelFileText(H.Window.Model());
        H.Click("LoadButton");
        std::vector<std::string> Shown = H.TakeShown();
        QCOMPARE(Shown.size(), std::size_t{1});
        QVERIFY(Shown[0].starts_with("The file was not loaded; the model you had open is unchanged.\r\rLine 5: "));
        QVERIFY(ModelFileText(H.Window.Model()) == Before);
        QCOMPARE(H.Windows.Document.FileName(), std::string(Distribution));
        QCOMPARE(H.Window.Diagram().NumBoxes(), H.Window.Model().NumStages());

        H.Click("LoadButton");
        QVERIFY(H.Dialogs.Shown.size() == 1 && H.Dialogs.Shown[0].Kind == TScriptedDialogs::TKind::Info);
        QCOMPARE(H.TakeShown()[0], std::string(ConversionNotice));

        H.Click("LoadButton");
        QVERIFY(H.TakeShown().empty());
        QCOMPARE(H.Window.SelectedStage(), 0);
        QVERIFY(!H.Child("ParamGrid").isEnabled());
    }

    void unsavedChangesAskAndEachAnswerDoesWhatItSays()
    {
        enum class TCommand { Close, Load, Clear };
        struct TCase {
            const char* Name;
            TCommand Command;
            TSaveAnswer Answer;
        };
        const TCase Cases[] = {
            {"close, save", TCommand::Close, TSaveAnswer::Save},     {"close, discard", TCommand::Close, TSaveAnswer::Discard},
            {"close, cancel", TCommand::Close, TSaveAnswer::Cancel}, {"load, save", TCommand::Load, TSaveAnswer::Save},
            {"load, discard", TCommand::Load, TSaveAnswer::Discard}, {"load, cancel", TCommand::Load, TSaveAnswer::Cancel},
            {"clear, save", TCommand::Clear, TSaveAnswer::Save},     {"clear, discard", TCommand::Clear, TSaveAnswer::Discard},
            {"clear, cancel", TCommand::Clear, TSaveAnswer::Cancel},
        };
        const std::string Original = FileBytes(Distribution);
        TScriptedDialogs Quiet;
        TSimulation Loaded;
        QVERIFY(LoadModel(Loaded, Distribution, Quiet).Ok);
        const std::string LoadedText = ModelFileText(Loaded);
        for (const TCase& C : Cases) {
            qInfo("%s", C.Name);
            QTemporaryDir Dir;
            const std::string Copy = Dir.filePath("distribution.txt").toStdString();
            std::ofstream(Copy, std::ios::binary) << Original;
            TMainWindowHarness H;
            H.Window.LoadModelFile(Copy);
            QCOMPARE(H.Window.windowTitle(), QString::fromUtf8("distribution.txt[*] \u2014 Orvantis v2.4"));
            QVERIFY(!H.Window.isWindowModified());
            H.Click("RunButton");
            H.Click("StatsButton");
            QTest::mouseClick(&H.Child<QCheckBox>("ForceCSTCheck"), Qt::LeftButton);
            QVERIFY(H.Window.isWindowModified());
            const std::string Edited = ModelFileText(H.Window.Model());

            H.Dialogs.SaveAnswers = {C.Answer};
            H.Files.Answers = {std::string(Distribution)};
            switch (C.Command) {
            case TCommand::Close:
                H.Window.close();
                break;
            case TCommand::Load:
                H.Click("LoadButton");
                break;
            case TCommand::Clear:
                H.Click("ClearButton");
                break;
            }
            QCOMPARE(H.TakeShown(), Texts({"Save changes to distribution.txt?"}));
            QVERIFY(H.Dialogs.Unexpected.empty());
            // Save writes to the model's own file without a dialog; the command then goes on.
            QVERIFY(FileBytes(Copy) == (C.Answer == TSaveAnswer::Save ? Edited : Original));
            const bool Goes = C.Answer != TSaveAnswer::Cancel;
            QCOMPARE(H.Files.Asked.size(), std::size_t{C.Command == TCommand::Load && Goes});
            QCOMPARE(H.Window.isVisible(), !(C.Command == TCommand::Close && Goes));
            QCOMPARE(H.Stats.isVisible(), !(C.Command == TCommand::Close && Goes));
            const std::string Now = H.Window.Model().NumStages() == 0 ? "" : ModelFileText(H.Window.Model());
            const std::string Expected = !Goes || C.Command == TCommand::Close ? Edited
                                         : C.Command == TCommand::Load     ? LoadedText
                                                                           : "";
            QVERIFY(Now == Expected);
            // Only a discarded close leaves the model as edited.
            QCOMPARE(H.Window.isWindowModified(), !Goes || (C.Command == TCommand::Close && C.Answer == TSaveAnswer::Discard));
        }
    }

    void everyResetBlanksTheCostsAndTheOpenReportsAndARunRefillsThem()
    {
        struct TCase {
            const char* Name;
            std::function<void(TMainWindowHarness&)> Reset;
        };
        const TCase Cases[] = {
            {"Reset Sim", [](TMainWindowHarness& H) { H.Click("ResetButton"); }},
            {"Load", [](TMainWindowHarness& H) { H.Files.Answers = {std::string(Distribution)}; H.Click("LoadButton"); }},
            {"Clear All", [](TMainWindowHarness& H) { H.Dialogs.Answers = {true}; H.Click("ClearButton"); }},
            {"New Stage", [](TMainWindowHarness& H) { H.Dialogs.Answers = {true}; H.Click("NewStageButton"); }},
            {"a link", [](TMainWindowHarness& H) { H.Dialogs.Answers = {true}; emit H.Window.Diagram().LinkRequested(3, 1); }},
        };
        for (const TCase& C : Cases) {
            qInfo("%s", C.Name);
            TMainWindowHarness H;
            H.Window.LoadModelFile(Distribution);
            SetSettings(H, "3", "50", "5");
            H.Click("RunButton");
            H.Click("StatsButton");
            H.Click("HistoryButton");
            C.Reset(H);
            QVERIFY(H.Dialogs.Unexpected.empty());
            QCOMPARE(H.Window.Model().Period(), 0);
            for (const char* Label : {"OrderCostLabel", "HoldingCostLabel", "WIPHoldingCostLabel", "StockoutCostLabel", "TotalCostLabel"}) {
                QCOMPARE(H.Child<QLabel>(Label).text(), QString());
            }
            QVERIFY(H.Stats.ReportView().Lines().empty() && H.History.HistoryText().Lines().empty() &&
                    H.History.OrderHistoryText().Lines().empty());
            if (H.Window.Model().NumStages() == 0) {
                H.Click("NewStageButton");
            }
            H.Click("RunButton");  // the open windows follow the new run
            const TSimulation& M = H.Window.Model();
            QVERIFY(!H.Child<QLabel>("TotalCostLabel").text().isEmpty());
            QCOMPARE(H.Stats.ReportView().Lines().size(), BuildStatsReport(M, "", LocaleDecimalSeparator()).size());
            QCOMPARE(H.History.HistoryText().Lines().size(), BuildHistoryText(M, "", LocaleDecimalSeparator()).size());
        }
    }

    void theFocusedStageBoxShowsAFocusFrame()
    {
        TMainWindowHarness H;
        H.Window.LoadModelFile(Distribution);
        TStageBox& Box = *H.Window.Diagram().Box(2);
        H.Window.Diagram().Box(1)->setFocus();
        const QImage Unfocused = Box.grab().toImage();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);  // as the keyboard reaches it
        QVERIFY(Box.hasFocus());
        QVERIFY(Box.grab().toImage() != Unfocused);
    }

    // The window grows with the diagram taking the width and height and the grid the height; on
    // an 800 x 500 screen (a laptop at 2x) it shrinks to fit, the replay block moves under the
    // options, and every button stays whole inside it.
    void windowGrowsAndShrinksToItsScreen()
    {
        const struct {
            QSize Size;
            QSize Diagram;
            int GridHeight;
        } Cases[] = {
            {{969, 516}, {617, 369}, 473},
            {{1400, 900}, {1048, 753}, 857},
            {{780, 470}, {617, 369}, 427},  // the diagram scrolls
        };
        for (const auto& C : Cases) {
            TMainWindowHarness H;
            H.Window.resize(C.Size);
            QCoreApplication::processEvents();
            QCOMPARE(H.Window.size(), C.Size);
            QCOMPARE(H.Child("Diagram").size(), C.Diagram);
            QCOMPARE(H.Child("DiagramScroll").width(), C.Size.width() - 352);
            QCOMPARE(H.Child("ParamGrid").height(), C.GridHeight);
            for (QPushButton* Button : H.Window.findChildren<QPushButton*>()) {
                const QRect At(Button->mapTo(&H.Window, QPoint(0, 0)), Button->size());
                QVERIFY2(H.Window.rect().contains(At) && Button->isVisibleTo(&H.Window),
                         qPrintable(Button->objectName()));
                for (QPushButton* Other : H.Window.findChildren<QPushButton*>()) {
                    const QRect OtherAt(Other->mapTo(&H.Window, QPoint(0, 0)), Other->size());
                    QVERIFY2(Other == Button || !At.intersects(OtherAt), qPrintable(Button->objectName()));
                }
            }
        }
    }

    // The costs keep their numbers after an edit, captioned as belonging to the run before it,
    // until a run or a reset; an edit refused while nothing ran leaves the blank labels alone.
    void costsCaptionSaysWhenTheModelChangedSinceTheRun()
    {
        TMainWindowHarness H;
        H.Window.LoadModelFile(Distribution);
        auto& Costs = H.Child<QGroupBox>("CostsBox");
        H.Click("RunButton");
        const std::function<void()> Edits[] = {
            [&] { H.Windows.Document.SetParam(1, ParamHoldingCost, 9); },
            [&] { H.Child<QCheckBox>("ForceCSTCheck").click(); },
        };
        for (const auto& Edit : Edits) {
            H.Dialogs.Answers = {true};
            H.Click("RunButton");
            QCOMPARE(Costs.title(), QString("Simulated Costs"));
            Edit();
            QCOMPARE(Costs.title(), QString("Simulated Costs (model changed since)"));
            QVERIFY(!H.Child<QLabel>("TotalCostLabel").text().isEmpty());
        }
        H.Click("ResetButton");
        QCOMPARE(Costs.title(), QString("Simulated Costs"));
        QVERIFY(H.Child<QLabel>("TotalCostLabel").text().isEmpty());
    }

    // A file that ends early asks before it replaces the model: Cancel keeps the open model byte
    // for byte, Load takes what the file holds with what is missing as 0.
    void aShortFileAsksAndCancelKeepsTheModel()
    {
        QTemporaryDir Dir;
        std::ifstream In(Distribution, std::ios::binary);
        const std::string Bytes(std::istreambuf_iterator<char>(In), {});
        const std::size_t Cut = Bytes.find('\r', Bytes.find('\r', Bytes.find('\r') + 1) + 1);
        WriteFile(Dir.filePath("short.txt"), Bytes.substr(0, Cut + 1));  // two stages of six
        for (const bool Load : {false, true}) {
            TMainWindowHarness H;
            H.Window.LoadModelFile(ORVANTIS_EXAMPLES_DIR "/serial_chain.txt");
            const std::string Before = ModelFileText(H.Window.Model());
            H.Dialogs.Answers = {Load};
            H.Window.LoadModelFile(Dir.filePath("short.txt").toStdString());
            const std::vector<std::string> Shown = H.TakeShown();
            QCOMPARE(Shown.size(), std::size_t{1});
            QVERIFY2(Shown[0].starts_with("short.txt ends early at line 3: the file ends before ") &&
                         Shown[0].ends_with(". Load it with what is missing as 0?"),
                     Shown[0].c_str());
            QCOMPARE(ModelFileText(H.Window.Model()) == Before, !Load);
            QCOMPARE(H.Windows.Document.FileName().ends_with("short.txt"), Load);
            QCOMPARE(H.Window.Diagram().NumBoxes(), H.Window.Model().NumStages());
        }
    }
};

ORVANTIS_GUI_TEST_MAIN(MainWindowTest)
#include "gui_main_window_test.moc"
