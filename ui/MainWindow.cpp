#include "ui/MainWindow.h"

#include <algorithm>
#include <array>
#include <optional>
#include <filesystem>

#include <QCheckBox>
#include <QCloseEvent>
#include <QFile>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QShortcut>
#include <QSlider>
#include <QTableWidget>
#include <QVBoxLayout>

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
#include "ui/ModelDocument.h"
#include "ui/ParamGrid.h"

namespace {

// The window's default client size and its columns: the arrangement users know, kept where the
// screen has room for it.
constexpr int ClientWidth = 969;
constexpr int ClientHeight = 516;
constexpr int LeftColumnWidth = 352;
constexpr int TopBarHeight = 40;
constexpr int GridWidth = 208;
// The command panel under the diagram, and its replay block, which moves under the rest of the
// panel when the window is too narrow for the three blocks side by side.
constexpr int PanelHeight = ClientHeight - DiagramHeight;
constexpr int ReplayBlockLeft = 348;
constexpr int ReplayBlockWidth = 262;
constexpr int WrappedPanelHeight = 2 * PanelHeight - 5;
// The diagram's smallest size: with the panel wrapped, the window still fits an 800 x 500 screen.
constexpr QSize DiagramMinimum(320, 140);

const char* const ProgramTitle = "Orvantis v2.4";
const char* const CostsCaption = "Simulated Costs";
// The costs panel's caption while it shows a batch's trial rather than a run of its own.
const char* const BatchCostsCaption = "Batch: Last Trial";
// Added to the caption once the model was edited after the run the costs come from.
const char* const ChangedSinceCaption = " (model changed since)";

// A captioned control (as NewCaptioned) at Geometry in Parent.
template <class T>
T* NewPlaced(QWidget* Parent, const char* Name, const QString& Caption, QRect Geometry)
{
    T* Control = NewCaptioned<T>(Name, Caption, Parent);
    Control->setGeometry(Geometry);
    return Control;
}

// The command panel: the options and the command buttons on the left, the replay block on the
// right, or under them when the panel is narrower than the three side by side.
class TCommandPanel final : public QWidget {
public:
    explicit TCommandPanel(QWidget* Parent) : QWidget(Parent)
    {
        ReplayBlock = new QWidget(this);
        ReplayBlock->setObjectName("ReplayBlock");
        ReplayBlock->setAccessibleName("Replay and model files");
        ReplayBlock->resize(ReplayBlockWidth, PanelHeight);
        setMinimumSize(ReplayBlockLeft, PanelHeight);
    }
    QSize sizeHint() const override { return {DiagramWidth, PanelHeight}; }
    QWidget* ReplayBlock;

protected:
    void resizeEvent(QResizeEvent*) override
    {
        const bool Wide = width() >= ReplayBlockLeft + ReplayBlockWidth;
        ReplayBlock->move(Wide ? QPoint(ReplayBlockLeft, 0) : QPoint(6, PanelHeight - 5));
        setMinimumHeight(Wide ? PanelHeight : WrappedPanelHeight);
    }
};

// A label that shows a value keeps the value as its accessible name, so it is what is read out.
void ShowValue(QLabel& Label, const QString& Value)
{
    Label.setText(Value);
    Label.setAccessibleName(Value);
}

}  // namespace

TMainWindow::TMainWindow(TModelDocument& Document, Dialogs& Messages, FileDialogs& Files, QWidget* Parent)
    : QWidget(Parent), Document_(Document), Messages_(Messages), Files_(Files), DecimalSep_(LocaleDecimalSeparator())
{
    setObjectName("MainWindow");
    ShowTitle();
    QFont Small = font();
    Small.setPointSize(8);
    setFont(Small);

    // The left column keeps its width; the diagram takes the room the window has beyond the
    // default, the parameter grid the height.
    auto* Root = new QHBoxLayout(this);
    Root->setContentsMargins(0, 0, 0, 0);
    Root->setSpacing(0);
    Root->addWidget(BuildLeftColumn());
    auto* Right = new QVBoxLayout;
    Right->setSpacing(0);
    // A window smaller than the default scrolls the diagram, so that every box stays in reach.
    auto* DiagramScroll = new QScrollArea(this);
    DiagramScroll->setObjectName("DiagramScroll");
    DiagramScroll->setAccessibleName("Network diagram area");
    DiagramScroll->setFrameShape(QFrame::NoFrame);
    DiagramScroll->setWidgetResizable(true);
    DiagramScroll->setFocusPolicy(Qt::NoFocus);  // Tab goes to the boxes, not to the area around them
    DiagramScroll->setMinimumSize(DiagramMinimum);
    Diagram_ = new TDiagramView;
    Diagram_->setMinimumSize(DiagramWidth, DiagramHeight);
    DiagramScroll->setWidget(Diagram_);
    Diagram_->setStatusTip("Drag a stage onto another to link it");
    Diagram_->setToolTip("Drag a stage onto another to link it");
    connect(Diagram_, &TDiagramView::StageClicked, this, &TMainWindow::SelectStage);
    connect(Diagram_, &TDiagramView::StageMoved, this, &TMainWindow::MoveStage);
    connect(Diagram_, &TDiagramView::LinkRequested, this, &TMainWindow::LinkStages);
    Right->addWidget(DiagramScroll, 1);
    Right->addWidget(BuildCommandPanel());
    Root->addLayout(Right, 1);
    resize(ClientWidth, ClientHeight);
    ModelControls_.push_back(NewStageButton_);
    ModelControls_.push_back(ParamGrid_);
    ModelControls_.push_back(Diagram_);

    auto AddShortcut = [this](QKeySequence Keys, void (TMainWindow::*Slot)()) {
        auto* Shortcut = new QShortcut(Keys, this);
        connect(Shortcut, &QShortcut::activated, this, Slot);
    };
    AddShortcut(QKeySequence::Open, &TMainWindow::OpenModel);
    AddShortcut(QKeySequence::Save, &TMainWindow::SaveModelAs);
    AddShortcut(QKeySequence(Qt::Key_F5), &TMainWindow::RunSimulation);

    connect(&Document_, &TModelDocument::ModelChanged, this, &TMainWindow::ShowModelChanged);
    connect(&Document_, &TModelDocument::ModelReplaced, this, &TMainWindow::ShowModelReplaced);
    connect(&Document_, &TModelDocument::RunFinished, this, &TMainWindow::ShowRunFinished);
    connect(&Document_, &TModelDocument::RunReset, this, &TMainWindow::ShowNoRun);
    connect(&Document_, &TModelDocument::CostsChanged, this, &TMainWindow::ShowCosts);
    connect(&Document_, &TModelDocument::FileNameChanged, this, &TMainWindow::ShowTitle);
    connect(&Document_, &TModelDocument::BusyChanged, this, &TMainWindow::ShowBusy);

    ShowNoRun();  // the empty model's white diagram
    ShowCosts();
    SelectNothing();
    StoreRunSettings();
    Document_.SetForceCST(ForceCSTCheck_->isChecked());
}

TMainWindow::~TMainWindow()
{
    // The child widgets outlive this window's members (QWidget deletes them afterwards); an edit
    // closed on the way must not reach the document any more.
    ParamGrid_->disconnect(this);
    Diagram_->disconnect(this);
    Document_.disconnect(this);
}

const TSimulation& TMainWindow::Model() const
{
    return Document_.Model();
}

QWidget* TMainWindow::BuildLeftColumn()
{
    auto* Column = new QWidget(this);
    Column->setObjectName("LeftColumn");
    Column->setAccessibleName("Stage parameters, measures and costs");
    Column->setFixedWidth(LeftColumnWidth);
    auto* TopBar = new QWidget(Column);
    TopBar->setFixedSize(LeftColumnWidth, TopBarHeight);
    SelectedStageLabel_ = NewPlaced<QLabel>(TopBar, "SelectedStageLabel", "Selected Stage: 0", QRect(6, 10, 150, 16));
    NewStageButton_ = NewPlaced<QPushButton>(TopBar, "NewStageButton", "&New Stage", QRect(160, 5, 100, 26));
    connect(NewStageButton_, &QPushButton::clicked, this, &TMainWindow::NewStage);

    ParamGrid_ = new TParamGrid(Messages_, DecimalSep_, Column);
    ParamGrid_->setFixedWidth(GridWidth);
    ParamGrid_->setMinimumHeight(120);
    connect(ParamGrid_, &TParamGrid::ParamEntered, this, &TMainWindow::SetSelectedStageParam);

    auto* Side = new QWidget(Column);
    MeasuresTable_ = new QTableWidget(static_cast<int>(MeasureNames.size()), 2, Side);
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
    MeasuresTable_->setGeometry(0, 0, LeftColumnWidth - GridWidth, MeasuresHeight);

    const int CostsTop = MeasuresHeight + 8;
    CostsBox_ = NewPlaced<QGroupBox>(Side, "CostsBox", CostsCaption, QRect(0, CostsTop, LeftColumnWidth - GridWidth - 4, 128));
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
    Side->setFixedSize(LeftColumnWidth - GridWidth, CostsTop + 128);

    auto* Lists = new QHBoxLayout;
    Lists->setSpacing(0);
    Lists->addWidget(ParamGrid_);
    Lists->addWidget(Side, 0, Qt::AlignTop);
    auto* Layout = new QVBoxLayout(Column);
    Layout->setContentsMargins(0, 0, 0, 3);
    Layout->setSpacing(0);
    Layout->addWidget(TopBar);
    Layout->addLayout(Lists, 1);
    return Column;
}

QWidget* TMainWindow::BuildCommandPanel()
{
    auto* Panel = new TCommandPanel(this);
    Panel->setObjectName("CommandPanel");
    Panel->setAccessibleName("Commands");
    QWidget* Block = Panel->ReplayBlock;

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
        connect(Edit, &QLineEdit::textChanged, this, &TMainWindow::StoreRunSettings);
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
        {"ResetButton", "Reset Sim", QRect(0, 78, 128, 28), &TMainWindow::ResetRun},
        {"ClearButton", "Clear All", QRect(134, 78, 128, 28), &TMainWindow::EraseModel},
        {"SaveButton", "&Save", QRect(0, 110, 128, 28), &TMainWindow::SaveModelAs},
        {"LoadButton", "&Load", QRect(134, 110, 128, 28), &TMainWindow::OpenModel},
    };
    const auto InReplayBlock = [](const TCommand& C) { return C.Geometry.left() < 200; };
    // What would change the model waits while a batch holds it; the rest stays usable.
    const std::vector<std::string> ChangeModel = {"RunButton", "ResetButton", "ClearButton", "LoadButton"};
    for (const TCommand& C : Commands) {
        QPushButton* Button = NewPlaced<QPushButton>(InReplayBlock(C) ? Block : Panel, C.Name, C.Caption, C.Geometry);
        connect(Button, &QPushButton::clicked, this, C.Slot);
        if (std::find(ChangeModel.begin(), ChangeModel.end(), C.Name) != ChangeModel.end()) {
            ModelControls_.push_back(Button);
        }
    }
    ModelControls_.push_back(ForceCSTCheck_);

    QGroupBox* Replay = NewPlaced<QGroupBox>(Block, "ReplayBox", "Instant Replay", QRect(0, 4, ReplayBlockWidth, 68));
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
    return Panel;
}

void TMainWindow::StoreRunSettings()
{
    Document_.SetRunSettingsTexts({RandSeedEdit_->text().toStdString(), NumPeriodsEdit_->text().toStdString(),
                                   WarmUpEdit_->text().toStdString()});
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
    ParamGrid_->ShowStage(Model().Stage(SelectedStage_));
    const auto Values = StageMeasures(Model(), SelectedStage_, Period);
    for (std::size_t Row = 0; Row < Values.size(); ++Row) {
        MeasuresTable_->item(static_cast<int>(Row), 1)->setText(QString::number(Values[Row]));
    }
}

void TMainWindow::DrawDiagram(int32_t Period)
{
    Diagram_->SetPicture(BuildDiagramPicture(Model(), Period, Diagram_->LabelExtent()));
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

void TMainWindow::ShowCosts()
{
    const TShownCosts& Shown = Document_.Costs();
    QString Caption = Shown.Source == TCostsSource::BatchLastTrial ? BatchCostsCaption : CostsCaption;
    if (Shown.Source == TCostsSource::None) {
        for (QLabel* Label : CostLabels_) {
            Label->clear();
            Label->setAccessibleName("no run");
        }
    } else {
        const std::array<TCostLine, 5> Lines = CostTotalsLines(Shown.Costs, DecimalSep_);
        for (std::size_t I = 0; I < Lines.size(); ++I) {
            ShowValue(*CostLabels_[I], QString::fromStdString(Lines[I].Value));
        }
        if (Shown.ModelChangedSince) {
            Caption += ChangedSinceCaption;
        }
    }
    CostsBox_->setTitle(Caption);
    CostsBox_->setAccessibleName(Caption);
}

void TMainWindow::ShowBusy(bool Busy)
{
    for (QWidget* Control : ModelControls_) {
        Control->setEnabled(!Busy);
    }
    if (!Busy) {
        ParamGrid_->setEnabled(SelectedStage_ != 0);
    }
}

void TMainWindow::AddStageBox(int StageNum)
{
    const TStage& S = Model().Stage(StageNum);
    TStageBox* Box = Diagram_->AddBox(StageNum, S.PosX(), S.PosY());
    // Tab reaches the boxes, in stage order, after the lists on their left, not after the last
    // control made.
    QWidget::setTabOrder(StageNum == 1 ? static_cast<QWidget*>(MeasuresTable_) : Diagram_->Box(StageNum - 1), Box);
}

void TMainWindow::SelectStage(int StageNum)
{
    SelectedStage_ = StageNum;
    ParamGrid_->setEnabled(!Document_.Busy());
    ShowValue(*SelectedStageLabel_, QString("Selected Stage: %1").arg(StageNum));
    ShowSelectedStage(ShownPeriod());
    Diagram_->SetSelected(StageNum);
}

void TMainWindow::NewStage()
{
    const int N = Document_.NewStage({Diagram_->width(), Diagram_->height(), StageBoxSize});
    if (N == 0) {
        return;
    }
    AddStageBox(N);
    SelectStage(N);
    DrawDiagram(ShownPeriod());
}

void TMainWindow::RunSimulation()
{
    const TBusyCursor Busy;
    Document_.Run();
}

void TMainWindow::ShowRunFinished()
{
    SetReplay(ReplayOfRun(Document_.Costs().NumPeriods));
    ShowReplayPeriod(PeriodSlider_->value());
    ShowTitle();
}

void TMainWindow::ShowPeriod(int32_t Period)
{
    ShowSelectedStage(Period);
    DrawDiagram(Period);
    Document_.SetShownPeriod(Period);
}

void TMainWindow::ShowNoRun()
{
    ResetReplay();
    ShowPeriod(0);
}

void TMainWindow::ShowModelChanged()
{
    ShowPeriod(ShownPeriod());
    ShowTitle();
}

void TMainWindow::ShowModelReplaced()
{
    ResetReplay();  // the new model has no run: no measures of the old run's period are asked for
    Diagram_->RemoveAllBoxes();
    SelectNothing();
    for (int N = 1; N <= Model().NumStages(); ++N) {
        AddStageBox(N);
    }
    if (Model().NumStages() > 0) {
        SelectStage(1);
    } else {
        // Clear All leaves "Stage 0"; a loaded file without stages says which is selected.
        ShowValue(*SelectedStageLabel_, Document_.FileName().empty() ? "Stage 0" : "Selected Stage: 0");
    }
    ShowNoRun();
    ForceCSTCheck_->setChecked(Model().ForceCST());
    ShowTitle();
}

void TMainWindow::ShowReplayPeriod(int Period)
{
    ShowValue(*PeriodLabel_, QString("Period %1").arg(Period));
    ShowPeriod(Period);
}

void TMainWindow::DisplayStats()
{
    if (Model().Period() == 0) {
        Messages_.ShowError("You must run the simulation before stats can be displayed.");
        return;
    }
    emit StatsRequested();
}

void TMainWindow::DisplayHistory()
{
    if (Model().Period() == 0) {
        Messages_.ShowError("You must run the simulation before history can be displayed.");
        return;
    }
    emit HistoryRequested();
}

void TMainWindow::OpenBatchRuns()
{
    emit BatchRunsRequested();
}

void TMainWindow::ResetRun()
{
    Document_.Reset();
}

void TMainWindow::EraseModel()
{
    // Unsaved changes get the Save / Discard / Cancel question in place of the plain one: a
    // Discard is the user's yes to erasing them.
    if (Document_.Modified()) {
        if (SettleUnsavedModel()) {
            Document_.Clear();
        }
        return;
    }
    Document_.ClearAsked();
}

void TMainWindow::SaveModelAs()
{
    SaveModelChosen(true);
}

bool TMainWindow::SaveModelChosen(bool AskName)
{
    const std::string& FileName = Document_.FileName();
    std::optional<std::string> Path = FileName;
    if (AskName || FileName.empty()) {
        // The dialog starts at the model's own file, and asks before it replaces one.
        Path = Files_.ChooseSaveFile({"Save Model As", "txt", ModelFileFilter, FileName});
    }
    return Path && Document_.SaveAs(*Path);
}

void TMainWindow::ShowTitle()
{
    // "[*]" is where Qt shows the modified mark.
    if (Document_.FileName().empty()) {
        setWindowTitle(QString(ProgramTitle) + "[*]");
    } else {
        const QString Name = QFile::decodeName(QByteArray::fromStdString(Document_.DisplayName()));
        setWindowTitle(Name + QString::fromUtf8("[*] \u2014 ") + ProgramTitle);
    }
    setWindowModified(Document_.Modified());
}

bool TMainWindow::SettleUnsavedModel()
{
    if (!Document_.Modified()) {
        return true;
    }
    switch (Messages_.AskSaveChanges("Save changes to " + Document_.DisplayName() + "?")) {
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
    if ((Document_.Busy() && !(StopWork_ && StopWork_())) || !SettleUnsavedModel() ||
        (SettleOthers_ && !SettleOthers_())) {
        Event->ignore();
        return;
    }
    emit Closing();
    Event->accept();
}

void TMainWindow::OpenModel()
{
    if (Document_.Busy() || !SettleUnsavedModel()) {
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
    Document_.Load(Path);
}

void TMainWindow::ApplyForceCST()
{
    Document_.SetForceCST(ForceCSTCheck_->isChecked());
    ShowTitle();
}

void TMainWindow::SetSelectedStageParam(int Index, double Value)
{
    if (SelectedStage_ != 0) {
        Document_.SetParam(SelectedStage_, Index, Value);
    }
}

void TMainWindow::MoveStage(int StageNum, int Left, int Top)
{
    Document_.MoveStage(StageNum, Left, Top);
}

void TMainWindow::LinkStages(int SupplierNum, int CustomerNum)
{
    Document_.Link(SupplierNum, CustomerNum);
}
