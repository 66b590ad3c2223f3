#include "ui/MainWindow.h"

#include <array>
#include <filesystem>

#include <QCheckBox>
#include <QCloseEvent>
#include <QFile>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QSlider>
#include <QTableWidget>

#include "engine/RunSettings.h"
#include "engine/StageMeasures.h"
#include "checks/ModelEditing.h"
#include "model_files/ModelFile.h"
#include "platform/Dialogs.h"
#include "platform/Locale.h"
#include "reports/CostTotalsText.h"
#include "ui/Controls.h"
#include "ui/DiagramPicture.h"
#include "ui/DiagramView.h"
#include "ui/FileDialogs.h"
#include "ui/HistoryWindow.h"
#include "ui/ParamGrid.h"
#include "ui/StatsWindow.h"
#include "ui/BatchRunsWindow.h"

namespace {

constexpr int ClientWidth = 969;
constexpr int ClientHeight = 516;
constexpr int LeftColumnWidth = 352;
constexpr int CommandPanelTop = DiagramHeight;

const char* const LoadErrorText = "The file was not loaded; the model you had open is unchanged.";
const char* const ProgramTitle = "Orvantis v2.4";
const char* const CostsCaption = "Simulated Costs";
// The costs panel's caption while it shows a batch's trial rather than a run of its own.
const char* const BatchCostsCaption = "Batch: Last Trial";

// A captioned control (as NewCaptioned) at Geometry in Parent.
template <class T>
T* NewPlaced(QWidget* Parent, const char* Name, const QString& Caption, QRect Geometry)
{
    T* Control = NewCaptioned<T>(Name, Caption, Parent);
    Control->setGeometry(Geometry);
    return Control;
}

// A label that shows a value keeps the value as its accessible name, so it is what is read out.
void ShowValue(QLabel& Label, const QString& Value)
{
    Label.setText(Value);
    Label.setAccessibleName(Value);
}

}  // namespace

TMainWindow::TMainWindow(Dialogs& Messages, FileDialogs& Files, QWidget* Parent)
    : QWidget(Parent), Messages_(Messages), Files_(Files), DecimalSep_(LocaleDecimalSeparator())
{
    setObjectName("MainWindow");
    ShowTitle();
    QFont Small = font();
    Small.setPointSize(8);
    setFont(Small);
    setFixedSize(ClientWidth, ClientHeight);
    setWindowFlag(Qt::WindowMaximizeButtonHint, false);

    BuildLeftColumn();
    Diagram_ = new TDiagramView(this);
    Diagram_->move(LeftColumnWidth, 0);
    connect(Diagram_, &TDiagramView::StageClicked, this, &TMainWindow::SelectStage);
    connect(Diagram_, &TDiagramView::StageMoved, this, &TMainWindow::MoveStage);
    connect(Diagram_, &TDiagramView::LinkRequested, this, &TMainWindow::LinkStages);
    BuildCommandPanel();

    auto AddShortcut = [this](QKeySequence Keys, void (TMainWindow::*Slot)()) {
        auto* Shortcut = new QShortcut(Keys, this);
        connect(Shortcut, &QShortcut::activated, this, Slot);
    };
    AddShortcut(QKeySequence::Open, &TMainWindow::OpenModel);
    AddShortcut(QKeySequence::Save, &TMainWindow::SaveModelAs);
    AddShortcut(QKeySequence(Qt::Key_F5), &TMainWindow::RunSimulation);

    ShowNoRun();  // the empty model's white diagram
    SelectNothing();
    Model_.SetForceCST(ForceCSTCheck_->isChecked());
}

TMainWindow::~TMainWindow()
{
    // The child widgets outlive Model_ (QWidget deletes them after the members are gone); an edit
    // closed on the way must not reach the model any more.
    ParamGrid_->disconnect(this);
    Diagram_->disconnect(this);
}

void TMainWindow::BuildLeftColumn()
{
    SelectedStageLabel_ = NewPlaced<QLabel>(this, "SelectedStageLabel", "Selected Stage: 0", QRect(6, 10, 150, 16));
    NewStageButton_ = NewPlaced<QPushButton>(this, "NewStageButton", "&New Stage", QRect(160, 5, 100, 26));
    connect(NewStageButton_, &QPushButton::clicked, this, &TMainWindow::NewStage);

    ParamGrid_ = new TParamGrid(Messages_, DecimalSep_, this);
    ParamGrid_->setGeometry(0, 40, 209, 473);
    connect(ParamGrid_, &TParamGrid::ParamEntered, this, &TMainWindow::SetSelectedStageParam);

    MeasuresTable_ = new QTableWidget(static_cast<int>(MeasureNames.size()), 2, this);
    MeasuresTable_->setObjectName("MeasuresTable");
    MeasuresTable_->setAccessibleName("Measures");
    MeasuresTable_->setHorizontalHeaderLabels({"Measure", "Value"});
    MeasuresTable_->verticalHeader()->hide();
    MeasuresTable_->setColumnWidth(0, 93);
    MeasuresTable_->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    MeasuresTable_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    MeasuresTable_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    MeasuresTable_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    MeasuresTable_->setSelectionMode(QAbstractItemView::NoSelection);
    // Read-only, yet Tab stops here so that the keyboard and a screen reader can reach the values;
    // a click leaves the focus where it was.
    MeasuresTable_->setFocusPolicy(Qt::TabFocus);
    MeasuresTable_->setTabKeyNavigation(false);
    QStringList Names;
    for (int Row = 0; Row < MeasuresTable_->rowCount(); ++Row) {
        Names << QString::fromStdString(MeasureNames[static_cast<std::size_t>(Row)]);
        MeasuresTable_->setItem(Row, 0, new QTableWidgetItem(Names.back()));
        MeasuresTable_->setItem(Row, 1, new QTableWidgetItem("0"));
    }
    FitFontToColumn(*MeasuresTable_, Names, 93);
    const int MeasuresHeight = MeasuresTable_->horizontalHeader()->sizeHint().height() +
                               MeasuresTable_->rowCount() * MeasuresTable_->verticalHeader()->defaultSectionSize() + 2;
    MeasuresTable_->setGeometry(208, 40, LeftColumnWidth - 208, MeasuresHeight);

    const int CostsTop = 40 + MeasuresHeight + 8;
    CostsBox_ = NewPlaced<QGroupBox>(this, "CostsBox", CostsCaption, QRect(208, CostsTop, LeftColumnWidth - 212, 128));
    // Only the captions here: the values come with a run.
    const std::array<TCostLine, 5> Captions = CostTotalsLines(TCostTotals{}, DecimalSep_);
    const char* const LabelNames[5] = {"OrderCostLabel", "HoldingCostLabel", "WIPHoldingCostLabel",
                                       "StockoutCostLabel", "TotalCostLabel"};
    for (int I = 0; I < 5; ++I) {
        NewPlaced<QLabel>(CostsBox_, nullptr, QString::fromStdString(Captions[static_cast<std::size_t>(I)].Caption),
                          QRect(8, 22 + 20 * I, 68, 16));
        CostLabels_[I] = NewPlaced<QLabel>(CostsBox_, LabelNames[I], "", QRect(76, 22 + 20 * I, 58, 16));
        CostLabels_[I]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    }
    ShowNoCosts();
}

void TMainWindow::BuildCommandPanel()
{
    auto* Panel = new QWidget(this);
    Panel->setObjectName("CommandPanel");
    Panel->setAccessibleName("Commands");
    Panel->setGeometry(LeftColumnWidth, CommandPanelTop, DiagramWidth, ClientHeight - CommandPanelTop);

    QGroupBox* Options = NewPlaced<QGroupBox>(Panel, "OptionsBox", "Options", QRect(6, 4, 196, 138));
    ForceCSTCheck_ = NewPlaced<QCheckBox>(Options, "ForceCSTCheck", "Service Time >= CST", QRect(10, 22, 180, 20));
    connect(ForceCSTCheck_, &QCheckBox::clicked, this, &TMainWindow::ApplyForceCST);
    struct TSetting {
        const char* Name;
        const char* Caption;
        const char* Text;
        QLineEdit** Edit;
    };
    const TSetting Settings[] = {{"NumPeriodsEdit", "# of Periods", "1000", &NumPeriodsEdit_},
                                 {"WarmUpEdit", "Warm Up", "100", &WarmUpEdit_},
                                 {"RandSeedEdit", "RandSeed", "0", &RandSeedEdit_}};
    int Top = 50;
    for (const TSetting& S : Settings) {
        QLabel* Label = NewPlaced<QLabel>(Options, nullptr, S.Caption, QRect(10, Top + 3, 90, 16));
        auto* Edit = new QLineEdit(S.Text, Options);
        Edit->setObjectName(S.Name);
        Edit->setAccessibleName(S.Caption);
        Edit->setGeometry(104, Top, 82, 22);
        Label->setBuddy(Edit);
        connect(Edit, &QLineEdit::returnPressed, this, &TMainWindow::RunSimulation);
        *S.Edit = Edit;
        Top += 28;
    }

    struct TCommand {
        const char* Name;
        const char* Caption;
        QRect Geometry;
        void (TMainWindow::*Slot)();
    };
    const TCommand Commands[] = {
        {"RunButton", "&Run Simulation", QRect(210, 8, 128, 28), &TMainWindow::RunSimulation},
        {"StatsButton", "Display Stats", QRect(210, 42, 128, 28), &TMainWindow::DisplayStats},
        {"HistoryButton", "Display History", QRect(210, 76, 128, 28), &TMainWindow::DisplayHistory},
        {"BatchRunsButton", "&Batch Runs...", QRect(210, 110, 128, 28), &TMainWindow::OpenBatchRuns},
        {"ResetButton", "Reset Sim", QRect(348, 78, 128, 28), &TMainWindow::ResetRun},
        {"ClearButton", "Clear All", QRect(482, 78, 128, 28), &TMainWindow::EraseModel},
        {"SaveButton", "&Save", QRect(348, 110, 128, 28), &TMainWindow::SaveModelAs},
        {"LoadButton", "&Load", QRect(482, 110, 128, 28), &TMainWindow::OpenModel},
    };
    for (const TCommand& C : Commands) {
        connect(NewPlaced<QPushButton>(Panel, C.Name, C.Caption, C.Geometry), &QPushButton::clicked, this, C.Slot);
    }

    QGroupBox* Replay = NewPlaced<QGroupBox>(Panel, "ReplayBox", "Instant Replay", QRect(348, 4, 262, 68));
    PeriodSlider_ = new QSlider(Qt::Horizontal, Replay);
    PeriodSlider_->setObjectName("PeriodSlider");
    PeriodSlider_->setAccessibleName("Period");
    PeriodSlider_->setGeometry(8, 20, 246, 26);
    PeriodSlider_->setPageStep(5);
    PeriodSlider_->setTickPosition(QSlider::TicksBelow);
    connect(PeriodSlider_, &QSlider::valueChanged, this, &TMainWindow::ShowReplayPeriod);
    PeriodLabel_ = NewPlaced<QLabel>(Replay, "PeriodLabel", "Period 0", QRect(10, 46, 120, 16));
    // Tab goes down the panel's columns: the options, the commands, then the replay above the
    // buttons under it.
    QWidget::setTabOrder(Panel->findChild<QPushButton*>("BatchRunsButton"), PeriodSlider_);
}

void TMainWindow::AttachWindows(TStatsWindow& Stats, THistoryWindow& History, TBatchRunsWindow& BatchRuns)
{
    Stats_ = &Stats;
    History_ = &History;
    BatchRuns_ = &BatchRuns;
}

TRunSettingsTexts TMainWindow::RunSettingsTexts() const
{
    return {RandSeedEdit_->text().toStdString(), NumPeriodsEdit_->text().toStdString(),
            WarmUpEdit_->text().toStdString()};
}

int32_t TMainWindow::ShownPeriod() const
{
    return PeriodSlider_->value();
}

void TMainWindow::SetReplay(const TReplayRange& Replay)
{
    {
        const QSignalBlocker Quiet(PeriodSlider_);
        PeriodSlider_->setRange(Replay.First, Replay.Last);
        PeriodSlider_->setValue(Replay.Shown);
        PeriodSlider_->setTickInterval(Replay.TickInterval);
    }
    PeriodSlider_->setEnabled(Replay.Active);
    PeriodLabel_->setEnabled(Replay.Active);
}

void TMainWindow::ResetReplay()
{
    SetReplay(TReplayRange{});
    ShowValue(*PeriodLabel_, "Period 0");
}

void TMainWindow::ShowSelectedStage(int32_t Period)
{
    if (SelectedStage_ == 0) {
        return;
    }
    ParamGrid_->ShowStage(Model_.Stage(SelectedStage_));
    const auto Values = StageMeasures(Model_, SelectedStage_, Period);
    for (std::size_t Row = 0; Row < Values.size(); ++Row) {
        MeasuresTable_->item(static_cast<int>(Row), 1)->setText(QString::number(Values[Row]));
    }
}

void TMainWindow::DrawDiagram(int32_t Period)
{
    Diagram_->SetPicture(BuildDiagramPicture(Model_, Period, Diagram_->LabelExtent()));
}

void TMainWindow::SelectNothing()
{
    SelectedStage_ = 0;
    ParamGrid_->ShowDefaults();
    ParamGrid_->setEnabled(false);
    for (int Row = 0; Row < MeasuresTable_->rowCount(); ++Row) {
        MeasuresTable_->item(Row, 1)->setText("0");
    }
}

void TMainWindow::ShowNoCosts()
{
    for (QLabel* Label : CostLabels_) {
        Label->clear();
        Label->setAccessibleName("no run");
    }
    CostsBox_->setTitle(CostsCaption);
    CostsBox_->setAccessibleName(CostsCaption);
}

void TMainWindow::ShowCosts(const TCostTotals& Costs)
{
    const std::array<TCostLine, 5> Lines = CostTotalsLines(Costs, DecimalSep_);
    for (std::size_t I = 0; I < Lines.size(); ++I) {
        ShowValue(*CostLabels_[I], QString::fromStdString(Lines[I].Value));
    }
}

void TMainWindow::AddStageBox(int StageNum)
{
    const TStage& S = Model_.Stage(StageNum);
    TStageBox* Box = Diagram_->AddBox(StageNum, S.PosX(), S.PosY());
    // Tab reaches the boxes, in stage order, after the lists on their left, not after the last
    // control made.
    QWidget::setTabOrder(StageNum == 1 ? static_cast<QWidget*>(MeasuresTable_) : Diagram_->Box(StageNum - 1), Box);
}

void TMainWindow::SelectStage(int StageNum)
{
    SelectedStage_ = StageNum;
    ParamGrid_->setEnabled(true);
    ShowValue(*SelectedStageLabel_, QString("Selected Stage: %1").arg(StageNum));
    ShowSelectedStage(ShownPeriod());
    Diagram_->SetSelected(StageNum);
}

void TMainWindow::NewStage()
{
    const TNewStagePlan Plan = PrepareNewStage(Model_, Messages_, {DiagramWidth, DiagramHeight, StageBoxSize});
    if (Plan.RunReset) {
        ShowNoRun();
    }
    if (!Plan.Allowed) {
        return;
    }
    Model_.AddStage();
    const int N = Model_.NumStages();
    Model_.SetStagePosition(N, Plan.Box.Left, Plan.Box.Top);
    AddStageBox(N);
    SelectStage(N);
    DrawDiagram(ShownPeriod());
    ShowTitle();
}

void TMainWindow::RunSimulation()
{
    TRunOutcome Outcome;
    {
        const TBusyCursor Busy;
        Outcome = RunCommand(Model_, RunSettingsTexts(), Messages_);
    }
    if (Outcome.Costs) {
        ShowRun(*Outcome.Costs, Outcome.NumPeriods);
    } else if (Outcome.RunReset) {
        ShowNoRun();
    }
}

void TMainWindow::ShowRun(const TCostTotals& Costs, int32_t NumPeriods, TRunShown Shown)
{
    ShowCosts(Costs);
    const char* const Caption = Shown == TRunShown::Run ? CostsCaption : BatchCostsCaption;
    CostsBox_->setTitle(Caption);
    CostsBox_->setAccessibleName(Caption);
    SetReplay(ReplayOfRun(NumPeriods));
    ShowReplayPeriod(PeriodSlider_->value());
    ShowTitle();  // a batch puts its parameters back, and the mark with them
    if (Shown == TRunShown::BatchSetting) {
        return;  // the reports follow the batch's last trial, once
    }
    if (Stats_ && Stats_->isVisible()) {
        Stats_->FillStats(Model_);
    }
    if (History_ && History_->isVisible()) {
        const std::string DateTime = LocalDateTimeText();
        History_->FillHistory(Model_, DateTime);
        History_->FillOrderHistory(Model_, DateTime);
    }
}

void TMainWindow::ShowPeriod(int32_t Period)
{
    ShowSelectedStage(Period);
    DrawDiagram(Period);
    if (History_) {
        History_->SetReplayPeriod(Period);
    }
}

void TMainWindow::ShowNoRun()
{
    ResetReplay();
    ShowPeriod(0);
    ShowNoCosts();
    if (Stats_) {
        Stats_->ShowNoRun();
    }
    if (History_) {
        History_->ShowNoRun();
    }
}

void TMainWindow::RefreshDisplays()
{
    ShowPeriod(ShownPeriod());
    ShowTitle();
}

void TMainWindow::ShowReplayPeriod(int Period)
{
    ShowValue(*PeriodLabel_, QString("Period %1").arg(Period));
    ShowPeriod(Period);
}

void TMainWindow::DisplayStats()
{
    if (Model_.Period() == 0) {
        Messages_.ShowError("You must run the simulation before stats can be displayed.");
        return;
    }
    if (Stats_) {
        Stats_->FillStats(Model_);
        ShowModeless(*Stats_);
    }
}

void TMainWindow::DisplayHistory()
{
    if (Model_.Period() == 0) {
        Messages_.ShowError("You must run the simulation before history can be displayed.");
        return;
    }
    if (History_) {
        // One time on both texts, though the clock may tick between them.
        const std::string DateTime = LocalDateTimeText();
        History_->FillHistory(Model_, DateTime);
        History_->FillOrderHistory(Model_, DateTime);
        History_->ShowHistoryTab();
        ShowModeless(*History_);
    }
}

void TMainWindow::OpenBatchRuns()
{
    if (BatchRuns_) {
        BatchRuns_->ShowFor(*this);
    }
}

void TMainWindow::ResetRun()
{
    Model_.Reset();
    ShowNoRun();
}

void TMainWindow::EraseModel()
{
    // Unsaved changes get the Save / Discard / Cancel question in place of the plain one: a
    // Discard is the user's yes to erasing them.
    if (Model_.Modified()) {
        if (!SettleUnsavedModel()) {
            return;
        }
        Model_.ClearModel();
    } else if (!ClearChecked(Model_, Messages_)) {
        return;
    }
    ModelFileName_.clear();
    ShowClearedModel();
}

void TMainWindow::ShowClearedModel()
{
    Diagram_->RemoveAllBoxes();
    ShowValue(*SelectedStageLabel_, "Stage 0");
    SelectNothing();
    ShowNoRun();
    ShowTitle();
}

void TMainWindow::SaveModelAs()
{
    SaveModelChosen(true);
}

bool TMainWindow::SaveModelChosen(bool AskName)
{
    std::optional<std::string> Path = ModelFileName_;
    if (AskName || ModelFileName_.empty()) {
        // The dialog starts at the model's own file, and asks before it replaces one.
        Path = Files_.ChooseSaveFile({"Save Model As", "txt", ModelFileFilter, ModelFileName_});
    }
    if (!Path) {
        return false;
    }
    const TFileResult Result = SaveModel(Model_, *Path);
    if (!Result.Ok) {
        Messages_.ShowError(Result.Message);
        return false;
    }
    ModelFileName_ = *Path;
    Model_.SetModified(false);
    ShowTitle();
    return true;
}

void TMainWindow::ShowTitle()
{
    // "[*]" is where Qt shows the modified mark.
    if (ModelFileName_.empty()) {
        setWindowTitle(QString(ProgramTitle) + "[*]");
    } else {
        const QString Name = QFile::decodeName(QByteArray::fromStdString(std::filesystem::path(ModelFileName_).filename().string()));
        setWindowTitle(Name + QString::fromUtf8("[*] \u2014 ") + ProgramTitle);
    }
    setWindowModified(Model_.Modified());
}

bool TMainWindow::SettleUnsavedModel()
{
    if (!Model_.Modified()) {
        return true;
    }
    const std::string Name =
        ModelFileName_.empty() ? std::string("the new model") : std::filesystem::path(ModelFileName_).filename().string();
    switch (Messages_.AskSaveChanges("Save changes to " + Name + "?")) {
    case TSaveAnswer::Save:
        return SaveModelChosen(false);
    case TSaveAnswer::Discard:
        return true;
    case TSaveAnswer::Cancel:
        break;
    }
    return false;
}

void TMainWindow::closeEvent(QCloseEvent* Event)
{
    if (!SettleUnsavedModel() || (BatchRuns_ && !BatchRuns_->SettleUnsavedResults())) {
        Event->ignore();
        return;
    }
    for (QWidget* Window : std::initializer_list<QWidget*>{Stats_, History_, BatchRuns_}) {
        if (Window) {
            Window->close();
        }
    }
    Event->accept();
}

void TMainWindow::OpenModel()
{
    if (!SettleUnsavedModel()) {
        return;
    }
    const std::optional<std::string> Path = Files_.ChooseOpenFile({"Open Model", "txt", ModelFileFilter, {}});
    if (!Path) {
        return;
    }
    LoadModelFile(*Path);
}

void TMainWindow::LoadModelFile(const std::string& Path)
{
    // The file is read into a model of its own, which replaces the open one only when the whole
    // file was read: a damaged file never leaves a half-read model in place of the user's work.
    TSimulation Loaded;
    const TLoadResult Result = LoadModel(Loaded, Path, Messages_);
    if (!Result.Ok) {
        Messages_.ShowError(std::string(LoadErrorText) + "\r\r" + Result.Message);
        return;
    }
    LastOpenFileName_ = Path;
    ModelFileName_ = Path;
    ResetReplay();  // the new model has no run: no measures of the old run's period are asked for
    const uint32_t RandomState = Model_.RandSeed();  // a load continues the generator's sequence
    Model_.CopyModel(Loaded);
    Model_.SetRandSeed(RandomState);
    Model_.SetModified(false);
    Diagram_->RemoveAllBoxes();
    SelectNothing();
    for (int N = 1; N <= Model_.NumStages(); ++N) {
        AddStageBox(N);
    }
    if (Model_.NumStages() > 0) {
        SelectStage(1);
    } else {
        ShowValue(*SelectedStageLabel_, "Selected Stage: 0");
    }
    ShowNoRun();
    ForceCSTCheck_->setChecked(Model_.ForceCST());
    ShowTitle();
}

void TMainWindow::ApplyForceCST()
{
    Model_.SetForceCST(ForceCSTCheck_->isChecked());
    ShowTitle();
}

void TMainWindow::SetSelectedStageParam(int Index, double Value)
{
    if (SelectedStage_ == 0) {
        return;
    }
    Model_.SetParam(SelectedStage_, Index, Value);
    RefreshDisplays();
    ShowTitle();
}

void TMainWindow::MoveStage(int StageNum, int Left, int Top)
{
    Model_.SetStagePosition(StageNum, Left, Top);
    DrawDiagram(ShownPeriod());
    ShowTitle();
}

void TMainWindow::LinkStages(int SupplierNum, int CustomerNum)
{
    const TLinkOutcome Outcome = LinkChecked(Model_, SupplierNum, CustomerNum, Messages_);
    if (Outcome.RunReset) {
        ShowNoRun();
    }
    if (Outcome.Linked) {
        DrawDiagram(ShownPeriod());
        ShowTitle();
    }
}
