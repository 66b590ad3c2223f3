#include "ui/MainForm.h"

#include <array>

#include <QCheckBox>
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
#include "ui/HistoryForm.h"
#include "ui/ParamGrid.h"
#include "ui/StatsForm.h"
#include "ui/BatchRunsWindow.h"

namespace {

constexpr int ClientWidth = 969;
constexpr int ClientHeight = 516;
constexpr int LeftColumnWidth = 352;
constexpr int CommandPanelTop = DiagramHeight;

const char* const LoadErrorText =
    "There was an error loading the file you requested.  The current model may not be reliable.";

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
    : QWidget(Parent), Messages_(Messages), Files_(Files), Model_(Messages), DecimalSep_(LocaleDecimalSeparator())
{
    setObjectName("MainForm");
    setWindowTitle("Orvantis v2.4");
    QFont Small = font();
    Small.setPointSize(8);
    setFont(Small);
    setFixedSize(ClientWidth, ClientHeight);
    setWindowFlag(Qt::WindowMaximizeButtonHint, false);

    BuildLeftColumn();
    Panel2_ = new TDiagramView(this);
    Panel2_->move(LeftColumnWidth, 0);
    connect(Panel2_, &TDiagramView::StageClicked, this, &TMainWindow::StaticTextClick);
    connect(Panel2_, &TDiagramView::StageMoved, this, &TMainWindow::StageMoved);
    connect(Panel2_, &TDiagramView::LinkRequested, this, &TMainWindow::LinkRequested);
    BuildCommandPanel();

    auto AddShortcut = [this](QKeySequence Keys, void (TMainWindow::*Slot)()) {
        auto* Shortcut = new QShortcut(Keys, this);
        connect(Shortcut, &QShortcut::activated, this, Slot);
    };
    AddShortcut(QKeySequence::Open, &TMainWindow::BtnLoadClick);
    AddShortcut(QKeySequence::Save, &TMainWindow::BtnSaveClick);
    AddShortcut(QKeySequence(Qt::Key_F5), &TMainWindow::BtnRunSimClick);

    ShowNoRun();  // the empty model's white diagram
    SelectNothing();
    Model_.SetForceCST(ChkForceCST_->isChecked());
}

TMainWindow::~TMainWindow()
{
    // The child widgets outlive Model_ (QWidget deletes them after the members are gone); an edit
    // closed on the way must not reach the model any more.
    ListParams_->disconnect(this);
    Panel2_->disconnect(this);
}

void TMainWindow::BuildLeftColumn()
{
    LabelStageName_ = NewPlaced<QLabel>(this, "LabelStageName", "Selected Stage: 0", QRect(6, 10, 150, 16));
    BtnNewStage_ = NewPlaced<QPushButton>(this, "BtnNewStage", "&New Stage", QRect(160, 5, 100, 26));
    connect(BtnNewStage_, &QPushButton::clicked, this, &TMainWindow::BtnNewStageClick);

    ListParams_ = new TParamGrid(Messages_, DecimalSep_, this);
    ListParams_->setGeometry(0, 40, 209, 473);
    connect(ListParams_, &TParamGrid::ParamEntered, this, &TMainWindow::ListParamsEntered);

    ListMeasures_ = new QTableWidget(static_cast<int>(MeasureNames.size()), 2, this);
    ListMeasures_->setObjectName("ListMeasures");
    ListMeasures_->setAccessibleName("Measures");
    ListMeasures_->setHorizontalHeaderLabels({"Measure", "Value"});
    ListMeasures_->verticalHeader()->hide();
    ListMeasures_->setColumnWidth(0, 93);
    ListMeasures_->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    ListMeasures_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ListMeasures_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ListMeasures_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListMeasures_->setSelectionMode(QAbstractItemView::NoSelection);
    // Read-only, yet Tab stops here so that the keyboard and a screen reader can reach the values;
    // a click leaves the focus where it was.
    ListMeasures_->setFocusPolicy(Qt::TabFocus);
    ListMeasures_->setTabKeyNavigation(false);
    QStringList Names;
    for (int Row = 0; Row < ListMeasures_->rowCount(); ++Row) {
        Names << QString::fromStdString(MeasureNames[static_cast<std::size_t>(Row)]);
        ListMeasures_->setItem(Row, 0, new QTableWidgetItem(Names.back()));
        ListMeasures_->setItem(Row, 1, new QTableWidgetItem("0"));
    }
    FitFontToColumn(*ListMeasures_, Names, 93);
    const int MeasuresHeight = ListMeasures_->horizontalHeader()->sizeHint().height() +
                               ListMeasures_->rowCount() * ListMeasures_->verticalHeader()->defaultSectionSize() + 2;
    ListMeasures_->setGeometry(208, 40, LeftColumnWidth - 208, MeasuresHeight);

    const int CostsTop = 40 + MeasuresHeight + 8;
    QGroupBox* Costs = NewPlaced<QGroupBox>(this, "GroupBox4", "Simulated Costs", QRect(208, CostsTop, LeftColumnWidth - 212, 128));
    // Only the captions here: the values come with a run.
    const std::array<TCostLine, 5> Captions = CostTotalsLines(TCostTotals{}, DecimalSep_);
    const char* const LabelNames[5] = {"LblOrderCost", "LblHoldingCost", "LblWIPHoldingCost", "LblStockoutCost", "LblTotalCost"};
    for (int I = 0; I < 5; ++I) {
        NewPlaced<QLabel>(Costs, nullptr, QString::fromStdString(Captions[static_cast<std::size_t>(I)].Caption),
                          QRect(8, 22 + 20 * I, 68, 16));
        CostLabels_[I] = NewPlaced<QLabel>(Costs, LabelNames[I], "0", QRect(76, 22 + 20 * I, 58, 16));
        CostLabels_[I]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    }
}

void TMainWindow::BuildCommandPanel()
{
    auto* Panel = new QWidget(this);
    Panel->setObjectName("PanelCommands");
    Panel->setAccessibleName("Commands");
    Panel->setGeometry(LeftColumnWidth, CommandPanelTop, DiagramWidth, ClientHeight - CommandPanelTop);

    QGroupBox* Options = NewPlaced<QGroupBox>(Panel, "GroupBox2", "Options", QRect(6, 4, 196, 138));
    ChkForceCST_ = NewPlaced<QCheckBox>(Options, "ChkForceCST", "Service Time >= CST", QRect(10, 22, 180, 20));
    connect(ChkForceCST_, &QCheckBox::clicked, this, &TMainWindow::ChkForceCSTClick);
    struct TSetting {
        const char* Name;
        const char* Caption;
        const char* Text;
        QLineEdit** Edit;
    };
    const TSetting Settings[] = {{"EditNumPeriods", "# of Periods", "1000", &EditNumPeriods_},
                                 {"EditWarmUp", "Warm Up", "100", &EditWarmUp_},
                                 {"EditRandSeed", "RandSeed", "0", &EditRandSeed_}};
    int Top = 50;
    for (const TSetting& S : Settings) {
        QLabel* Label = NewPlaced<QLabel>(Options, nullptr, S.Caption, QRect(10, Top + 3, 90, 16));
        auto* Edit = new QLineEdit(S.Text, Options);
        Edit->setObjectName(S.Name);
        Edit->setAccessibleName(S.Caption);
        Edit->setGeometry(104, Top, 82, 22);
        Label->setBuddy(Edit);
        connect(Edit, &QLineEdit::returnPressed, this, &TMainWindow::BtnRunSimClick);
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
        {"BtnRunSim", "&Run Simulation", QRect(210, 8, 128, 28), &TMainWindow::BtnRunSimClick},
        {"BtnDisplayStats", "Display Stats", QRect(210, 42, 128, 28), &TMainWindow::BtnDisplayStatsClick},
        {"BtnDisplayHistory", "Display History", QRect(210, 76, 128, 28), &TMainWindow::BtnDisplayHistoryClick},
        {"BtnMultipleParamValues", "&Batch Runs...", QRect(210, 110, 128, 28), &TMainWindow::BtnMultipleParamValuesClick},
        {"BtnResetSim", "Reset Sim", QRect(348, 78, 128, 28), &TMainWindow::BtnResetSimClick},
        {"BtnClear", "Clear All", QRect(482, 78, 128, 28), &TMainWindow::BtnClearClick},
        {"BtnSave", "&Save", QRect(348, 110, 128, 28), &TMainWindow::BtnSaveClick},
        {"BtnLoad", "&Load", QRect(482, 110, 128, 28), &TMainWindow::BtnLoadClick},
    };
    for (const TCommand& C : Commands) {
        connect(NewPlaced<QPushButton>(Panel, C.Name, C.Caption, C.Geometry), &QPushButton::clicked, this, C.Slot);
    }

    QGroupBox* Replay = NewPlaced<QGroupBox>(Panel, "GroupBox1", "Instant Replay", QRect(348, 4, 262, 68));
    TrackPeriod_ = new QSlider(Qt::Horizontal, Replay);
    TrackPeriod_->setObjectName("TrackPeriod");
    TrackPeriod_->setAccessibleName("Period");
    TrackPeriod_->setGeometry(8, 20, 246, 26);
    TrackPeriod_->setPageStep(5);
    TrackPeriod_->setTickPosition(QSlider::TicksBelow);
    connect(TrackPeriod_, &QSlider::valueChanged, this, &TMainWindow::TrackPeriodChange);
    LblPeriod_ = NewPlaced<QLabel>(Replay, "LblPeriod", "Period 0", QRect(10, 46, 120, 16));
    // Tab goes down the panel's columns: the options, the commands, then the replay above the
    // buttons under it.
    QWidget::setTabOrder(Panel->findChild<QPushButton*>("BtnMultipleParamValues"), TrackPeriod_);
}

void TMainWindow::AttachWindows(TStatsWindow& Stats, THistoryWindow& History, TBatchRunsWindow& TestValues)
{
    Stats_ = &Stats;
    History_ = &History;
    TestValues_ = &TestValues;
}

TRunSettingsTexts TMainWindow::RunSettingsTexts() const
{
    return {EditRandSeed_->text().toStdString(), EditNumPeriods_->text().toStdString(),
            EditWarmUp_->text().toStdString()};
}

int32_t TMainWindow::ShownPeriod() const
{
    return TrackPeriod_->value();
}

void TMainWindow::SetReplay(const TReplayRange& Replay)
{
    {
        const QSignalBlocker Quiet(TrackPeriod_);
        TrackPeriod_->setRange(Replay.First, Replay.Last);
        TrackPeriod_->setValue(Replay.Shown);
        TrackPeriod_->setTickInterval(Replay.TickInterval);
    }
    TrackPeriod_->setEnabled(Replay.Active);
    LblPeriod_->setEnabled(Replay.Active);
}

void TMainWindow::ResetTrackPeriod()
{
    SetReplay(TReplayRange{});
    ShowValue(*LblPeriod_, "Period 0");
}

void TMainWindow::UpdateValueLists(int32_t Period)
{
    if (SelectedStage_ == 0) {
        return;
    }
    ListParams_->ShowStage(Model_.Stage(SelectedStage_));
    const auto Values = StageMeasures(Model_, SelectedStage_, Period);
    for (std::size_t Row = 0; Row < Values.size(); ++Row) {
        ListMeasures_->item(static_cast<int>(Row), 1)->setText(QString::number(Values[Row]));
    }
}

void TMainWindow::DrawAll(int32_t Period)
{
    Panel2_->SetPicture(BuildDiagramPicture(Model_, Period, Panel2_->LabelExtent()));
}

void TMainWindow::SelectNothing()
{
    SelectedStage_ = 0;
    ListParams_->ShowDefaults();
    ListParams_->setEnabled(false);
    for (int Row = 0; Row < ListMeasures_->rowCount(); ++Row) {
        ListMeasures_->item(Row, 1)->setText("0");
    }
}

void TMainWindow::SetCostLabels(const TCostTotals& Costs)
{
    const std::array<TCostLine, 5> Lines = CostTotalsLines(Costs, DecimalSep_);
    for (std::size_t I = 0; I < Lines.size(); ++I) {
        ShowValue(*CostLabels_[I], QString::fromStdString(Lines[I].Value));
    }
}

void TMainWindow::AddStageBox(int StageNum)
{
    const TStage& S = Model_.Stage(StageNum);
    TStageBox* Box = Panel2_->AddBox(StageNum, S.PosX, S.PosY);
    // Tab reaches the boxes, in stage order, after the lists on their left, not after the last
    // control made.
    QWidget::setTabOrder(StageNum == 1 ? static_cast<QWidget*>(ListMeasures_) : Panel2_->Box(StageNum - 1), Box);
}

void TMainWindow::StaticTextClick(int StageNum)
{
    SelectedStage_ = StageNum;
    ListParams_->setEnabled(true);
    ShowValue(*LabelStageName_, QString("Selected Stage: %1").arg(StageNum));
    UpdateValueLists(ShownPeriod());
    Panel2_->SetSelected(StageNum);
}

void TMainWindow::BtnNewStageClick()
{
    const TNewStagePlan Plan = PrepareNewStage(Model_, Messages_);
    if (Plan.RunReset) {
        ShowNoRun();
    }
    if (!Plan.Allowed) {
        return;
    }
    TStage& S = *Model_.AddStage();
    const int N = Model_.NumStages();
    S.PosX = Plan.Box.Left;
    S.PosY = Plan.Box.Top;
    AddStageBox(N);
    StaticTextClick(N);
    DrawAll(ShownPeriod());
}

void TMainWindow::BtnRunSimClick()
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

void TMainWindow::ShowRun(const TCostTotals& Costs, int32_t NumPeriods)
{
    SetCostLabels(Costs);
    SetReplay(ReplayOfRun(NumPeriods));
    TrackPeriodChange(TrackPeriod_->value());
}

void TMainWindow::ShowPeriod(int32_t Period)
{
    UpdateValueLists(Period);
    DrawAll(Period);
}

void TMainWindow::ShowNoRun()
{
    ResetTrackPeriod();
    ShowPeriod(0);
}

void TMainWindow::RefreshDisplays()
{
    ShowPeriod(ShownPeriod());
}

void TMainWindow::TrackPeriodChange(int Period)
{
    ShowValue(*LblPeriod_, QString("Period %1").arg(Period));
    ShowPeriod(Period);
}

void TMainWindow::BtnDisplayStatsClick()
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

void TMainWindow::BtnDisplayHistoryClick()
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

void TMainWindow::BtnMultipleParamValuesClick()
{
    if (TestValues_) {
        TestValues_->ShowFor(*this);
    }
}

void TMainWindow::BtnResetSimClick()
{
    Model_.Reset();
    ShowNoRun();
}

void TMainWindow::BtnClearClick()
{
    if (!ClearChecked(Model_, Messages_)) {
        return;
    }
    ResetTrackPeriod();
    Panel2_->RemoveAllBoxes();
    DrawAll(0);
    ShowValue(*LabelStageName_, "Stage 0");
    SelectNothing();
}

void TMainWindow::BtnSaveClick()
{
    const std::optional<std::string> Path = Files_.ChooseSaveFile({"Save Model As", "txt", TextFileFilter});
    if (!Path) {
        return;
    }
    const TFileResult Result = SaveModel(Model_, *Path);
    if (!Result.Ok) {
        Messages_.ShowError(Result.Message);
    }
}

void TMainWindow::BtnLoadClick()
{
    const std::optional<std::string> Path = Files_.ChooseOpenFile({"Open Model", "txt", TextFileFilter});
    if (!Path) {
        return;
    }
    LoadModelFile(*Path);
}

void TMainWindow::LoadModelFile(const std::string& Path)
{
    LastOpenFileName_ = Path;
    ResetTrackPeriod();
    Model_.ClearModel();
    Panel2_->RemoveAllBoxes();
    const TLoadResult Result = LoadModel(Model_, Path, Messages_);
    if (!Result.Ok) {
        Messages_.ShowError(std::string(LoadErrorText) + "\r\r" + Result.Message);
    }
    for (int N = 1; N <= Model_.NumStages(); ++N) {
        AddStageBox(N);
    }
    DrawAll(0);
    if (Model_.NumStages() > 0) {
        StaticTextClick(1);
    } else {
        ShowValue(*LabelStageName_, "Selected Stage: 0");
        SelectNothing();
    }
    ChkForceCST_->setChecked(Model_.ForceCST());
}

void TMainWindow::ChkForceCSTClick()
{
    Model_.SetForceCST(ChkForceCST_->isChecked());
}

void TMainWindow::ListParamsEntered(int Index, double Value)
{
    if (SelectedStage_ == 0) {
        return;
    }
    Model_.SetParam(SelectedStage_, Index, Value);
    RefreshDisplays();
}

void TMainWindow::StageMoved(int StageNum, int Left, int Top)
{
    TStage& S = Model_.Stage(StageNum);
    S.PosX = Left;
    S.PosY = Top;
    DrawAll(ShownPeriod());
}

void TMainWindow::LinkRequested(int SupplierNum, int CustomerNum)
{
    const TLinkOutcome Outcome = LinkChecked(Model_, SupplierNum, CustomerNum, Messages_);
    if (Outcome.RunReset) {
        ShowNoRun();
    }
    if (Outcome.Linked) {
        DrawAll(ShownPeriod());
    }
}
