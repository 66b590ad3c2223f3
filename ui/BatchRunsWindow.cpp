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
#include <QVBoxLayout>

#include "batch/BatchRun.h"
#include "batch/PrepareBatch.h"
#include "engine/ParamCatalogue.h"
#include "platform/Dialogs.h"
#include "platform/Locale.h"
#include "reports/ModelParamTable.h"
#include "text/NumberText.h"
#include "ui/Controls.h"
#include "ui/FileDialogs.h"
#include "ui/MainForm.h"
#include "ui/SecondaryWindow.h"
#include "ui/BatchOptionsWindow.h"

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
    setObjectName("TestValuesForm");
    SetUpSecondaryWindow(*this, "Batch Runs", QSize(900, 600));
    setMinimumWidth(780);
    QFont Small = font();  // the main window's size: the definition rows fit the narrowest window
    Small.setPointSize(8);
    setFont(Small);

    TestRichEdit_ = new QPlainTextEdit(this);
    TestRichEdit_->setObjectName("TestRichEdit");
    TestRichEdit_->setAccessibleName("Batch results");
    TestRichEdit_->setFont(ReportFont());
    TestRichEdit_->setLineWrapMode(QPlainTextEdit::NoWrap);
    TestRichEdit_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    TestRichEdit_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    auto* Layout = new QVBoxLayout(this);
    Layout->setContentsMargins(0, 0, 0, 0);
    Layout->setSpacing(0);
    Layout->addWidget(BuildDefinitionPanel());
    Layout->addWidget(BuildCommandPanel());
    Layout->addWidget(TestRichEdit_, 1);

    FillParamLists();
    UpdateControls();
}

QWidget* TBatchRunsWindow::BuildDefinitionPanel()
{
    auto* Panel = new QWidget;
    Panel->setObjectName("PanelDefinition");
    Panel->setAccessibleName("Batch definition");
    auto* Grid = new QGridLayout(Panel);
    Grid->setHorizontalSpacing(4);

    RdoTestRange_ = NewCaptioned<QRadioButton>("RdoTestRange", "Test Range(s) of Parameter Values");
    RdoTestRange_->setChecked(true);
    RdoLoadValues_ = NewCaptioned<QRadioButton>("RdoLoadValues", "Load Parameter Values from File");
    connect(RdoTestRange_, &QRadioButton::clicked, this, &TBatchRunsWindow::UpdateControls);
    connect(RdoLoadValues_, &QRadioButton::clicked, this, &TBatchRunsWindow::UpdateControls);

    Grid->addWidget(RdoTestRange_, 0, 0, 1, 12);
    BuildRow(1, "Change value of", *Grid, 1);
    BuildRow(2, "Then value of", *Grid, 2);
    Grid->addWidget(RdoLoadValues_, 3, 0, 1, 12);

    EditFilename_ = NewEdit("EditFilename", "Filename", 0);
    EditFilename_->setReadOnly(true);
    QLabel* LblFilename = NewBuddyLabel("LblFilename", "Filename:", EditFilename_);
    QPushButton* Browse = NewCaptioned<QPushButton>("BtnBrowse", "&Browse...");
    connect(Browse, &QPushButton::clicked, this, &TBatchRunsWindow::BtnBrowseClick);
    Grid->addWidget(LblFilename, 4, 0);
    Grid->addWidget(EditFilename_, 4, 1, 1, 9);
    Grid->addWidget(Browse, 4, 10, 1, 2);
    FileControls_ = {LblFilename, EditFilename_, Browse};
    Grid->setColumnStretch(1, 1);
    return Panel;
}

void TBatchRunsWindow::BuildRow(int N, const char* Caption, QGridLayout& Grid, int GridRow)
{
    TRowControls& R = Rows_[N - 1];
    const QString Row = QString("Row %1 ").arg(N);
    const QString Num = QString::number(N);
    R.DDChangeField = new QComboBox;
    R.DDChangeField->setObjectName("DDChangeField" + Num);
    R.DDChangeField->setAccessibleName(Row + "parameter");
    // Narrower than the longest name when the window is; the open list shows every name whole.
    R.DDChangeField->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    R.DDChangeField->setMinimumContentsLength(12);
    R.EditStartStage = NewEdit("EditStartStage" + Num, Row + "first stage", StageEditWidth);
    R.EditEndStage = NewEdit("EditEndStage" + Num, Row + "last stage", StageEditWidth);
    R.EditStartValue = NewEdit("EditStartValue" + Num, Row + "first value", ValueEditWidth);
    R.EditEndValue = NewEdit("EditEndValue" + Num, Row + "last value", ValueEditWidth);
    R.EditIncrement = NewEdit("EditIncrement" + Num, Row + "step", ValueEditWidth);
    const std::pair<QString, QWidget*> Fields[] = {
        {Caption, R.DDChangeField},
        {"for stages", R.EditStartStage},
        {"through", R.EditEndStage},
        {"Values: ", R.EditStartValue},
        {"through", R.EditEndValue},
        {"step", R.EditIncrement},
    };
    const char* const LabelNames[] = {"LblChangeField", "LblStartStage", "LblEndStage",
                                      "LblStartValue", "LblEndValue", "LblIncrement"};
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
    Panel->setObjectName("PanelCommands");
    Panel->setAccessibleName("Batch commands");
    EditNumTrials_ = NewEdit("EditNumTrials", "# of Trials", 56);
    EditNumTrials_->setText("1");
    ProgressTestValues_ = new QProgressBar;
    ProgressTestValues_->setObjectName("ProgressTestValues");
    ProgressTestValues_->setAccessibleName("Settings done");
    ProgressTestValues_->setRange(1, 1);
    ProgressTestValues_->reset();
    ProgressTestValues_->setTextVisible(false);

    auto* Row = new QHBoxLayout(Panel);
    Row->addWidget(NewBuddyLabel("Label6", "# of Trials:", EditNumTrials_));
    Row->addWidget(EditNumTrials_);
    struct TCommand {
        const char* Name;
        const char* Caption;
        void (TBatchRunsWindow::*Slot)();
    };
    const TCommand Before[] = {{"BtnOptions", "&Options...", &TBatchRunsWindow::BtnOptionsClick},
                               {"BtnGo", "&Go", &TBatchRunsWindow::BtnGoClick}};
    const TCommand After[] = {{"BtnWriteModel", "&Write Model", &TBatchRunsWindow::BtnWriteModelClick},
                              {"BtnSaveText", "&Save Text", &TBatchRunsWindow::BtnSaveTextClick},
                              {"BtnClearText", "&Clear Text", &TBatchRunsWindow::BtnClearTextClick}};
    const auto AddCommands = [&](const auto& Commands) {
        for (const TCommand& C : Commands) {
            QPushButton* Button = NewCaptioned<QPushButton>(C.Name, C.Caption);
            connect(Button, &QPushButton::clicked, this, C.Slot);
            Row->addWidget(Button);
        }
    };
    AddCommands(Before);
    Row->addWidget(ProgressTestValues_, 1);
    AddCommands(After);
    return Panel;
}

void TBatchRunsWindow::FillParamLists()
{
    for (TRowControls& R : Rows_) {
        R.DDChangeField->clear();
        R.DDChangeField->addItem("[none]");
        for (const std::string& Name : ParamLongNames) {
            R.DDChangeField->addItem(QString::fromStdString(Name));
        }
        R.DDChangeField->setCurrentIndex(0);
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
    const QString Text = TestRichEdit_->toPlainText();
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
    const bool Range = RdoTestRange_->isChecked();
    for (TRowControls& R : Rows_) {
        for (QWidget* W : R.All) {
            W->setEnabled(Range);
        }
    }
    for (QWidget* W : FileControls_) {
        W->setEnabled(!Range);
    }
}

void TBatchRunsWindow::BtnBrowseClick()
{
    const std::optional<std::string> Path = Files_.ChooseOpenFile({"Choose Parameter File", "txt", TextFileFilter});
    if (Path) {
        EditFilename_->setText(QFile::decodeName(QByteArray::fromStdString(*Path)));
    }
}

void TBatchRunsWindow::BtnOptionsClick()
{
    if (Options_) {
        Options_->exec();
    }
}

TSweepRow TBatchRunsWindow::TypedRow(int N) const
{
    const TRowControls& R = Rows_[N - 1];
    return TSweepRow{R.DDChangeField->currentIndex(), Typed(R.EditStartStage), Typed(R.EditEndStage),
                     Typed(R.EditStartValue),        Typed(R.EditEndValue),   Typed(R.EditIncrement)};
}

TBatchRequest TBatchRunsWindow::Request() const
{
    TBatchRequest Request;
    Request.Settings = Main_->RunSettingsTexts();
    Request.Trials = Typed(EditNumTrials_);
    Request.FromFile = !RdoTestRange_->isChecked();
    Request.ValuesFile = QFile::encodeName(EditFilename_->text()).toStdString();
    Request.Rows[0] = TypedRow(1);
    Request.Rows[1] = TypedRow(2);
    Request.DecimalSep = DecimalSep_;
    return Request;
}

void TBatchRunsWindow::BtnGoClick()
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
    Callbacks.SettingApplied = [&Main](int32_t) { Main.RefreshDisplays(); };
    Callbacks.TrialDone = [&LastCosts](const TCostTotals& Costs) { LastCosts = Costs; };
    Callbacks.Progress = [this, &Main, &LastCosts, &Settings](int32_t Done, int32_t) {
        if (LastCosts) {
            Main.ShowRun(*LastCosts, Settings.NumPeriods);
        }
        ProgressTestValues_->setValue(Done);
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
                Main.ShowRun(*LastCosts, NumPeriods);
            } else {
                Main.RefreshDisplays();
            }
        }
    };
    const TBusyCursor Busy;
    const TInputBlock Block;
    ProgressTestValues_->setRange(1, std::max(1, Set.NumSettings()));
    ProgressTestValues_->reset();
    const TEnd End{Main, *ProgressTestValues_, LastCosts, Settings.NumPeriods};
    RunBatch(Main.Model(), Set, Options_->Options(), Batch, Callbacks);
}

void TBatchRunsWindow::AppendLines(const std::vector<std::string>& Lines)
{
    for (const std::string& Line : Lines) {
        TestRichEdit_->appendPlainText(QString::fromStdString(Line));
    }
}

void TBatchRunsWindow::BtnWriteModelClick()
{
    if (Main_) {
        AppendLines(BuildModelParamTable(Main_->Model(), DecimalSep_));
    }
}

void TBatchRunsWindow::BtnSaveTextClick()
{
    SaveLinesAs(Files_, Messages_, "Save Results As", ResultLines());
}

void TBatchRunsWindow::BtnClearTextClick()
{
    if (Messages_.AskYesNo("Are you sure you want to clear the text?")) {
        TestRichEdit_->clear();
    }
}
