#include "ui/BatchRunsWindow.h"

#include <algorithm>
#include <exception>

#include <QComboBox>
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
#include "batch/ReportOptions.h"
#include "engine/ParamCatalogue.h"
#include "platform/Dialogs.h"
#include "platform/Locale.h"
#include "reports/ModelParamTable.h"
#include "text/CsvText.h"
#include "text/NumberText.h"
#include "ui/BatchChart.h"
#include "ui/ChartView.h"
#include "ui/Controls.h"
#include "ui/BackgroundRunner.h"
#include "ui/FileDialogs.h"
#include "ui/ModelDocument.h"
#include "ui/SecondaryWindow.h"

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

TBatchRunsWindow::TBatchRunsWindow(TModelDocument& Document, Dialogs& Messages, FileDialogs& Files, QWidget* Parent)
    : QWidget(Parent, Qt::Window), Document_(Document), Messages_(Messages), Files_(Files),
      DecimalSep_(LocaleDecimalSeparator()), Runner_(new TBackgroundRunner(this))
{
    connect(Runner_, &TBackgroundRunner::Finished, this, &TBatchRunsWindow::FinishBatch);
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
    // The lines are the batch's results, as the command line prints them: the buttons add to
    // them, save them and clear them, but nothing edits them by hand.
    ResultsView_->setReadOnly(true);
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
    // Save Chart starts at the model's name, whatever it is saved as.
    const auto NameChart = [this] { Chart_->SetFileBaseName(TChartView::FileBaseNameOf(Document_.FileName())); };
    connect(&Document_, &TModelDocument::FileNameChanged, this, NameChart);
    NameChart();
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
    connect(Optimise, &QPushButton::clicked, this, &TBatchRunsWindow::OptimiseRequested);
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
    SettingsProgress_->setMinimumWidth(24);  // the buttons beside it keep their captions whole

    auto* Row = new QHBoxLayout(Panel);
    Row->addWidget(NewBuddyLabel("NumTrialsLabel", "# of Trials:", NumTrialsEdit_));
    Row->addWidget(NumTrialsEdit_);
    struct TCommand {
        const char* Name;
        const char* Caption;
        void (TBatchRunsWindow::*Slot)();
    };
    const TCommand Before[] = {{"OptionsButton", "&Options...", &TBatchRunsWindow::OpenOptions},
                               {"StartButton", "&Go", &TBatchRunsWindow::StartBatch},
                               {"StopButton", "S&top", &TBatchRunsWindow::StopBatch}};
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
    // The caption is the one users know; what it does is not in it.
    const auto Tip = [Panel](const char* Name, const char* Text) {
        Panel->findChild<QPushButton*>(Name)->setToolTip(Text);
    };
    AddCommands(Before);
    Row->addWidget(SettingsProgress_, 1);
    AddCommands(After);
    Tip("WriteModelButton", "Appends the table of every stage's parameters to the results");
    StartButton_ = Panel->findChild<QPushButton*>("StartButton");
    StopButton_ = Panel->findChild<QPushButton*>("StopButton");
    StopButton_->setEnabled(false);
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

TBatchRunsWindow::~TBatchRunsWindow()
{
    StopAndWait();
}

void TBatchRunsWindow::Open()
{
    OpenSecondaryWindow(*this);
}

bool TBatchRunsWindow::Running() const
{
    return Runner_->Running();
}

void TBatchRunsWindow::StopAndWait()
{
    if (Runner_->Running()) {
        Runner_->Stop();
        Runner_->Wait();
    }
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
    emit OptionsRequested();
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
    Request.Settings = Document_.RunSettingsTexts();
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
    if (!Options_ || Runner_->Running() || Document_.Busy()) {
        return;
    }
    const TBatchRequest Typed = Request();
    const TBatchPreparation Prepared = PrepareBatch(Document_.Model(), Typed, Options_(), Messages_);
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
    RunDefinedBatch(Prepared.Batch->Set, Prepared.Batch->Trials, Prepared.Batch->Settings, Typed.Settings);
}

void TBatchRunsWindow::RunDefinedBatch(const TParamSet& Set, int32_t NumTrials, const TRunSettings& Settings,
                                        const TRunSettingsTexts& Texts)
{
    TBatchRun Batch;
    Batch.Settings = Settings;
    Batch.NumTrials = NumTrials;
    Batch.Heading = BatchHeadingFor(LocalDateTimeText(), Document_.FileName(), Texts);
    Batch.DecimalSep = DecimalSep_;
    Batch.Jobs = DefaultBatchJobs();

    BatchModel_ = Document_.BeginBatch();
    BatchPeriods_ = Settings.NumPeriods;
    BatchSettings_ = Set.NumSettings();
    LastTrial_.reset();
    Warnings_.clear();
    SettingsDone_ = 0;
    Stopped_ = false;
    CsvRecords_.clear();
    SettingsProgress_->setRange(1, std::max(1, Set.NumSettings()));
    SettingsProgress_->reset();
    StartButton_->setEnabled(false);
    StopButton_->setEnabled(true);

    // The batch's thread hands each line, record and setting to the window thread as it comes;
    // the costs and warnings it keeps are read once it has returned.
    const auto Work = [this, Set, Options = Options_(), Batch] {
        TBatchCallbacks Callbacks;
        Callbacks.AppendLine = [this](const std::string& Line) { Runner_->Post([this, Line] { AppendLines({Line}); }); };
        Callbacks.AppendCsvRecord = [this](const std::string& Record) {
            Runner_->Post([this, Record] { CsvRecords_.push_back(Record); });
        };
        Callbacks.TrialDone = [this](const TCostTotals& Costs) { LastTrial_ = Costs; };
        Callbacks.RunWarning = [this](const std::string& Warning) { Warnings_.push_back(Warning); };
        Callbacks.SettingDone = [this](int32_t I, const std::vector<TResultColumn>& Columns,
                                       const TSettingResult& Result) {
            Runner_->Post([this, I, Columns, Result] { Chart_->AddSetting(I, Columns, Result); });
        };
        Callbacks.Progress = [this](int32_t Done, int32_t) {
            SettingsDone_ = Done;
            Runner_->Post([this, Done] { SettingsProgress_->setValue(Done); });
            return !Runner_->StopAsked();
        };
        const TBatchOutcome Outcome = RunBatch(*BatchModel_, Set, Options, Batch, Callbacks);
        Stopped_ = Outcome.Cancelled;
    };
    try {
        Runner_->Start(Work);
    } catch (const std::exception& E) {
        // No thread to run it on: the model goes back as it was, and the window says why.
        FinishBatch(QString::fromStdString(E.what()));
    }
}

void TBatchRunsWindow::FinishBatch(const QString& Failure)
{
    SettingsProgress_->reset();
    StartButton_->setEnabled(true);
    StopButton_->setEnabled(false);
    Document_.EndBatch(std::move(BatchModel_), LastTrial_, BatchPeriods_, Warnings_);
    if (Stopped_) {
        AppendLines({"Stopped by the user after setting " + std::to_string(SettingsDone_) + " of " +
                     std::to_string(BatchSettings_) + "."});
    }
    if (!Failure.isEmpty()) {
        // Threads or memory the system would not give: the parameters are back, the lines so far stay.
        Messages_.ShowError("The batch stopped: " + Failure.toStdString());
    }
}

void TBatchRunsWindow::StopBatch()
{
    Runner_->Stop();
}

void TBatchRunsWindow::AppendLines(const std::vector<std::string>& Lines)
{
    for (const std::string& Line : Lines) {
        ResultsView_->appendPlainText(QString::fromStdString(Line));
    }
}

void TBatchRunsWindow::WriteModel()
{
    AppendLines(BuildModelParamTable(Document_.Model(), DecimalSep_));
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

void TBatchRunsWindow::ClearResults()
{
    if (Messages_.AskYesNo("Are you sure you want to clear the text?")) {
        ResultsView_->clear();
        ResultsView_->document()->setModified(false);
        CsvRecords_.clear();
    }
}
