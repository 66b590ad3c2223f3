#include "ui/BatchRunsWindow.h"

#include <algorithm>
#include <exception>

#include <QComboBox>
#include <QCoreApplication>
#include <QFile>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSplitter>
#include <QTextDocument>
#include <QVBoxLayout>

#include "batch/BatchRun.h"
#include "batch/PrepareBatch.h"
#include "engine/ParamCatalogue.h"
#include "platform/Dialogs.h"
#include "platform/Locale.h"
#include "reports/ModelParamTable.h"
#include "text/CsvText.h"
#include "text/NumberText.h"
#include "ui/BatchChart.h"
#include "ui/Controls.h"
#include "ui/FileDialogs.h"
#include "ui/MainWindow.h"
#include "ui/SecondaryWindow.h"
#include "ui/BatchOptionsWindow.h"
#include "ui/OptimiseWindow.h"

namespace {

constexpr int StageEditWidth = 36;
constexpr int ValueEditWidth = 56;

QLineEdit* NewEdit(const QString& Name, const QString& AccessibleName, int Width)
{
    auto* Edit = new QLineEdit;
    Edit->setObjectName(Name);
    Edit->setAccessibleName(AccessibleName);
    if (Width > 0) {
        Edit->setFixedWidth(Width);
    }
    return Edit;
}

std::string Typed(const QLineEdit* Edit)
{
    return Edit->text().toStdString();
}

}  // namespace

TBatchRunsWindow::TBatchRunsWindow(Dialogs& Messages, FileDialogs& Files, QWidget* Parent)
    : QWidget(Parent, Qt::Window), Messages_(Messages), Files_(Files), DecimalSep_(LocaleDecimalSeparator())
{
    setObjectName("BatchRunsWindow");
    SetUpSecondaryWindow(*this, "Batch Runs", QSize(900, 600));
    setMinimumWidth(780);
    QFont Small = font();  // the main window's size: the definition rows fit the narrowest window
    Small.setPointSize(8);
    setFont(Small);

    ResultsView_ = new QPlainTextEdit(this);
    ResultsView_->setObjectName("ResultsView");
    ResultsView_->setAccessibleName("Batch results");
    ResultsView_->setFont(ReportFont());
    ResultsView_->setLineWrapMode(QPlainTextEdit::NoWrap);
    ResultsView_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    ResultsView_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    auto* Layout = new QVBoxLayout(this);
    Layout->setContentsMargins(0, 0, 0, 0);
    Layout->setSpacing(0);
    Layout->addWidget(BuildDefinitionPanel());
    Layout->addWidget(BuildCommandPanel());
    Chart_ = new TBatchChart(Messages, Files);
    Chart_->setObjectName("BatchChartPanel");
    Chart_->setAccessibleName("Batch chart");
    // Beside the text: the results' lines are wide and scroll, the chart needs height.
    auto* Split = new QSplitter(Qt::Horizontal, this);
    Split->setObjectName("ResultsSplitter");
    Split->setAccessibleName("Batch results and chart");
    Split->addWidget(ResultsView_);
    Split->addWidget(Chart_);
    Split->setSizes({480, 420});
    Layout->addWidget(Split, 1);

    FillParamLists();
    UpdateControls();
}

QWidget* TBatchRunsWindow::BuildDefinitionPanel()
{
    auto* Panel = new QWidget;
    Panel->setObjectName("DefinitionPanel");
    Panel->setAccessibleName("Batch definition");
    auto* Grid = new QGridLayout(Panel);
    Grid->setHorizontalSpacing(4);

    RangeModeButton_ = NewCaptioned<QRadioButton>("RangeModeButton", "Test Range(s) of Parameter Values");
    RangeModeButton_->setChecked(true);
    FileModeButton_ = NewCaptioned<QRadioButton>("FileModeButton", "Load Parameter Values from File");
    connect(RangeModeButton_, &QRadioButton::clicked, this, &TBatchRunsWindow::UpdateControls);
    connect(FileModeButton_, &QRadioButton::clicked, this, &TBatchRunsWindow::UpdateControls);

    Grid->addWidget(RangeModeButton_, 0, 0, 1, 10);
    // A search over the same parameters, beside their definition: the command row is full.
    QPushButton* Optimise = NewCaptioned<QPushButton>("OptimiseButton", "O&ptimise...");
    connect(Optimise, &QPushButton::clicked, this, &TBatchRunsWindow::OpenOptimise);
    Grid->addWidget(Optimise, 0, 10, 1, 2);
    BuildRow(1, "Change value of", *Grid, 1);
    BuildRow(2, "Then value of", *Grid, 2);
    Grid->addWidget(FileModeButton_, 3, 0, 1, 12);

    ValuesFileEdit_ = NewEdit("ValuesFileEdit", "Filename", 0);
    ValuesFileEdit_->setReadOnly(true);
    QLabel* FileLabel = NewBuddyLabel("ValuesFileLabel", "Filename:", ValuesFileEdit_);
    QPushButton* Browse = NewCaptioned<QPushButton>("BrowseButton", "&Browse...");
    connect(Browse, &QPushButton::clicked, this, &TBatchRunsWindow::ChooseValuesFile);
    Grid->addWidget(FileLabel, 4, 0);
    Grid->addWidget(ValuesFileEdit_, 4, 1, 1, 9);
    Grid->addWidget(Browse, 4, 10, 1, 2);
    FileControls_ = {FileLabel, ValuesFileEdit_, Browse};
    Grid->setColumnStretch(1, 1);
    return Panel;
}

void TBatchRunsWindow::BuildRow(int N, const char* Caption, QGridLayout& Grid, int GridRow)
{
    TRowControls& R = Rows_[N - 1];
    const QString Row = QString("Row %1 ").arg(N);
    const QString Num = QString::number(N);
    R.ParamList = new QComboBox;
    R.ParamList->setObjectName("ParamList" + Num);
    R.ParamList->setAccessibleName(Row + "parameter");
    // Narrower than the longest name when the window is; the open list shows every name whole.
    R.ParamList->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    R.ParamList->setMinimumContentsLength(12);
    R.FirstStageEdit = NewEdit("FirstStageEdit" + Num, Row + "first stage", StageEditWidth);
    R.LastStageEdit = NewEdit("LastStageEdit" + Num, Row + "last stage", StageEditWidth);
    R.FirstValueEdit = NewEdit("FirstValueEdit" + Num, Row + "first value", ValueEditWidth);
    R.LastValueEdit = NewEdit("LastValueEdit" + Num, Row + "last value", ValueEditWidth);
    R.StepEdit = NewEdit("StepEdit" + Num, Row + "step", ValueEditWidth);
    const std::pair<QString, QWidget*> Fields[] = {
        {Caption, R.ParamList},
        {"for stages", R.FirstStageEdit},
        {"through", R.LastStageEdit},
        {"Values: ", R.FirstValueEdit},
        {"through", R.LastValueEdit},
        {"step", R.StepEdit},
    };
    const char* const LabelNames[] = {"ParamLabel", "FirstStageLabel", "LastStageLabel",
                                      "FirstValueLabel", "LastValueLabel", "StepLabel"};
    int Column = 0;
    for (std::size_t I = 0; I < std::size(Fields); ++I) {
        const QByteArray Name = QByteArray(LabelNames[I]) + Num.toLatin1();
        QLabel* Label = NewBuddyLabel(Name.constData(), Fields[I].first, Fields[I].second);
        Grid.addWidget(Label, GridRow, Column++, Qt::AlignRight);
        Grid.addWidget(Fields[I].second, GridRow, Column++);
        R.All.push_back(Label);
        R.All.push_back(Fields[I].second);
    }
}

QWidget* TBatchRunsWindow::BuildCommandPanel()
{
    auto* Panel = new QWidget;
    Panel->setObjectName("CommandPanel");
    Panel->setAccessibleName("Batch commands");
    NumTrialsEdit_ = NewEdit("NumTrialsEdit", "# of Trials", 56);
    NumTrialsEdit_->setText("1");
    SettingsProgress_ = new QProgressBar;
    SettingsProgress_->setObjectName("SettingsProgress");
    SettingsProgress_->setAccessibleName("Settings done");
    SettingsProgress_->setRange(1, 1);
    SettingsProgress_->reset();
    SettingsProgress_->setTextVisible(false);

    auto* Row = new QHBoxLayout(Panel);
    Row->addWidget(NewBuddyLabel("NumTrialsLabel", "# of Trials:", NumTrialsEdit_));
    Row->addWidget(NumTrialsEdit_);
    struct TCommand {
        const char* Name;
        const char* Caption;
        void (TBatchRunsWindow::*Slot)();
    };
    const TCommand Before[] = {{"OptionsButton", "&Options...", &TBatchRunsWindow::OpenOptions},
                               {"StartButton", "&Go", &TBatchRunsWindow::StartBatch}};
    const TCommand After[] = {{"WriteModelButton", "&Write Model", &TBatchRunsWindow::WriteModel},
                              {"SaveTextButton", "&Save Text", &TBatchRunsWindow::SaveResults},
                              {"ExportCsvButton", "&Export CSV...", &TBatchRunsWindow::ExportResultsCsv},
                              {"ClearTextButton", "&Clear Text", &TBatchRunsWindow::ClearResults}};
    const auto AddCommands = [&](const auto& Commands) {
        for (const TCommand& C : Commands) {
            QPushButton* Button = NewCaptioned<QPushButton>(C.Name, C.Caption);
            connect(Button, &QPushButton::clicked, this, C.Slot);
            Row->addWidget(Button);
        }
    };
    AddCommands(Before);
    Row->addWidget(SettingsProgress_, 1);
    AddCommands(After);
    return Panel;
}

void TBatchRunsWindow::FillParamLists()
{
    for (TRowControls& R : Rows_) {
        R.ParamList->clear();
        R.ParamList->addItem("[none]");
        for (const std::string& Name : ParamLongNames) {
            R.ParamList->addItem(QString::fromStdString(Name));
        }
        R.ParamList->setCurrentIndex(0);
    }
}

void TBatchRunsWindow::AttachOptions(TBatchOptionsWindow& Options)
{
    Options_ = &Options;
}

void TBatchRunsWindow::ShowFor(TMainWindow& Main)
{
    Main_ = &Main;
    ShowModeless(*this);
}

std::vector<std::string> TBatchRunsWindow::ResultLines() const
{
    const QString Text = ResultsView_->toPlainText();
    std::vector<std::string> Lines;
    if (Text.isEmpty()) {
        return Lines;
    }
    for (const QString& Line : Text.split(QLatin1Char('\n'))) {
        Lines.push_back(Line.toStdString());
    }
    return Lines;
}

void TBatchRunsWindow::UpdateControls()
{
    const bool Range = RangeModeButton_->isChecked();
    for (TRowControls& R : Rows_) {
        for (QWidget* W : R.All) {
            W->setEnabled(Range);
        }
    }
    for (QWidget* W : FileControls_) {
        W->setEnabled(!Range);
    }
}

void TBatchRunsWindow::ChooseValuesFile()
{
    const std::optional<std::string> Path = Files_.ChooseOpenFile({"Choose Parameter File", "txt", TextFileFilter, {}});
    if (Path) {
        ValuesFileEdit_->setText(QFile::decodeName(QByteArray::fromStdString(*Path)));
    }
}

void TBatchRunsWindow::OpenOptions()
{
    if (Options_) {
        Options_->exec();
    }
}

TSweepRow TBatchRunsWindow::TypedRow(int N) const
{
    const TRowControls& R = Rows_[N - 1];
    return TSweepRow{R.ParamList->currentIndex(), Typed(R.FirstStageEdit), Typed(R.LastStageEdit),
                     Typed(R.FirstValueEdit),     Typed(R.LastValueEdit),  Typed(R.StepEdit)};
}

TBatchRequest TBatchRunsWindow::Request() const
{
    TBatchRequest Request;
    Request.Settings = Main_->RunSettingsTexts();
    Request.Trials = Typed(NumTrialsEdit_);
    Request.FromFile = !RangeModeButton_->isChecked();
    Request.ValuesFile = QFile::encodeName(ValuesFileEdit_->text()).toStdString();
    Request.Rows[0] = TypedRow(1);
    Request.Rows[1] = TypedRow(2);
    Request.DecimalSep = DecimalSep_;
    return Request;
}

void TBatchRunsWindow::StartBatch()
{
    if (!Main_ || !Options_) {
        return;
    }
    const TBatchRequest Typed = Request();
    const TBatchPreparation Prepared = PrepareBatch(Main_->Model(), Typed, Options_->Options(), Messages_);
    if (!Prepared.Batch) {
        // The checks have spoken already; trials that are no integer cannot be typed into their box.
        if (Prepared.Refusal == TBatchRefusal::Definition) {
            Messages_.ShowError(Prepared.Message);
        }
        return;
    }
    if (!Prepared.FileWarning.empty()) {
        Messages_.ShowInfo(Prepared.FileWarning);
    }
    for (const std::string& Warning : Prepared.Warnings) {
        Messages_.ShowInfo(Warning);
    }
    Chart_->StartBatch(BatchChartShape(Typed));
    try {
        RunDefinedBatch(Prepared.Batch->Set, Prepared.Batch->Trials, Prepared.Batch->Settings, Typed.Settings);
    } catch (const std::exception& E) {
        // Threads or memory the system would not give: the parameters are back, the lines so far stay.
        Messages_.ShowError(std::string("The batch stopped: ") + E.what());
    }
}

void TBatchRunsWindow::RunDefinedBatch(const TParamSet& Set, int32_t NumTrials, const TRunSettings& Settings,
                                        const TRunSettingsTexts& Texts)
{
    TMainWindow& Main = *Main_;
    TBatchRun Batch;
    Batch.Settings = Settings;
    Batch.NumTrials = NumTrials;
    Batch.Heading = BatchHeadingFor(LocalDateTimeText(), Main.LastOpenFileName(), Texts);
    Batch.DecimalSep = DecimalSep_;
    Batch.Jobs = DefaultBatchJobs();

    // The main window shows a trial's costs once per setting, when it repaints; showing each trial
    // would redraw it for nothing, on the thread that feeds the workers.
    std::optional<TCostTotals> LastCosts;
    TBatchCallbacks Callbacks;
    Callbacks.AppendLine = [this](const std::string& Line) { AppendLines({Line}); };
    CsvRecords_.clear();
    Callbacks.AppendCsvRecord = [this](const std::string& Record) { CsvRecords_.push_back(Record); };
    Callbacks.SettingApplied = [&Main](int32_t) { Main.RefreshDisplays(); };
    Callbacks.TrialDone = [&LastCosts](const TCostTotals& Costs) { LastCosts = Costs; };
    std::vector<std::string> Warnings;  // shown once the batch has ended
    Callbacks.RunWarning = [&Warnings](const std::string& Warning) { Warnings.push_back(Warning); };
    Callbacks.SettingDone = [this](int32_t I, const std::vector<TResultColumn>& Columns, const TSettingResult& Result) {
        Chart_->AddSetting(I, Columns, Result);
    };
    Callbacks.Progress = [this, &Main, &LastCosts, &Settings](int32_t Done, int32_t) {
        if (LastCosts) {
            Main.ShowRun(*LastCosts, Settings.NumPeriods, TMainWindow::TRunShown::BatchSetting);
        }
        SettingsProgress_->setValue(Done);
        // Both windows repaint between settings; the input block keeps every other event away.
        QCoreApplication::processEvents();
        return true;
    };

    struct TEnd {  // however the batch ends
        TMainWindow& Main;
        QProgressBar& Progress;
        const std::optional<TCostTotals>& LastCosts;
        int32_t NumPeriods;
        ~TEnd()
        {
            Progress.reset();
            if (LastCosts) {
                Main.ShowRun(*LastCosts, NumPeriods, TMainWindow::TRunShown::BatchEnd);
            } else {
                Main.RefreshDisplays();
            }
        }
    };
    const TBusyCursor Busy;
    const TInputBlock Block;
    SettingsProgress_->setRange(1, std::max(1, Set.NumSettings()));
    SettingsProgress_->reset();
    const TEnd End{Main, *SettingsProgress_, LastCosts, Settings.NumPeriods};
    RunBatch(Main.Model(), Set, Options_->Options(), Batch, Callbacks);
    for (const std::string& Warning : Warnings) {
        Messages_.ShowError(Warning);
    }
}

void TBatchRunsWindow::AppendLines(const std::vector<std::string>& Lines)
{
    for (const std::string& Line : Lines) {
        ResultsView_->appendPlainText(QString::fromStdString(Line));
    }
}

void TBatchRunsWindow::WriteModel()
{
    if (Main_) {
        AppendLines(BuildModelParamTable(Main_->Model(), DecimalSep_));
    }
}

void TBatchRunsWindow::SaveResults()
{
    SaveResultsChosen();
}

bool TBatchRunsWindow::SaveResultsChosen()
{
    if (!SaveLinesAs(Files_, Messages_, "Save Results As", ResultLines())) {
        return false;
    }
    ResultsView_->document()->setModified(false);
    return true;
}

bool TBatchRunsWindow::SettleUnsavedResults()
{
    // The text's own modified mark: set by every line a batch or Write Model appends and by the
    // user's edits, cleared by a save or Clear Text.
    if (!ResultsView_->document()->isModified() || ResultsView_->document()->isEmpty()) {
        return true;
    }
    switch (Messages_.AskSaveChanges("Save changes to the batch results?")) {
    case TSaveAnswer::Save:
        return SaveResultsChosen();
    case TSaveAnswer::Discard:
        return true;
    case TSaveAnswer::Cancel:
        break;
    }
    return false;
}

void TBatchRunsWindow::ExportResultsCsv()
{
    if (CsvRecords_.empty()) {
        Messages_.ShowInfo("There are no batch results to export: run a batch with \"Go\" first.");
        return;
    }
    std::string Csv;
    for (const std::string& Record : CsvRecords_) {
        Csv += Record;
        Csv += CsvLineEnd;
    }
    SaveCsvAs(Files_, Messages_, "Export Batch Results as CSV", Csv);
}

void TBatchRunsWindow::OpenOptimise()
{
    if (!Main_) {
        return;
    }
    if (!Optimise_) {
        Optimise_ = new TOptimiseWindow(Messages_, this);
    }
    Optimise_->ShowFor(*Main_);
}

void TBatchRunsWindow::ClearResults()
{
    if (Messages_.AskYesNo("Are you sure you want to clear the text?")) {
        ResultsView_->clear();
        ResultsView_->document()->setModified(false);
        CsvRecords_.clear();
    }
}
