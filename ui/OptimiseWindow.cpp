#include "ui/OptimiseWindow.h"

#include <algorithm>
#include <exception>
#include <filesystem>

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "checks/CheckedRun.h"
#include "engine/ParamCatalogue.h"
#include "engine/Simulation.h"
#include "optimise/OptimiseReport.h"
#include "platform/Dialogs.h"
#include "platform/Locale.h"
#include "stats/Stats.h"
#include "text/NumberText.h"
#include "ui/BackgroundRunner.h"
#include "ui/Controls.h"
#include "ui/ModelDocument.h"
#include "ui/SecondaryWindow.h"

namespace {

enum TVariableColumn { VarParam, VarStages, VarLow, VarHigh, VarStep };
enum TConstraintColumn { ConMetric, ConStage, ConSide, ConBound };

QTableWidget* NewTable(const char* Name, const QString& AccessibleName, const QStringList& Headings)
{
    auto* Table = new QTableWidget(0, static_cast<int>(Headings.size()));
    Table->setObjectName(Name);
    Table->setAccessibleName(AccessibleName);
    Table->setHorizontalHeaderLabels(Headings);
    Table->verticalHeader()->setVisible(false);
    Table->horizontalHeader()->setStretchLastSection(true);
    Table->setSelectionBehavior(QAbstractItemView::SelectRows);
    Table->setSelectionMode(QAbstractItemView::SingleSelection);
    return Table;
}

QComboBox* NewList(const QStringList& Items, int Current)
{
    auto* List = new QComboBox;
    List->addItems(Items);
    List->setCurrentIndex(Current);
    return List;
}

void SetText(QTableWidget& Table, int Row, int Column, const QString& Text)
{
    Table.setItem(Row, Column, new QTableWidgetItem(Text));
}

std::string CellText(const QTableWidget& Table, int Row, int Column)
{
    const QTableWidgetItem* Item = Table.item(Row, Column);
    return Item ? Item->text().trimmed().toStdString() : std::string();
}

int ListIndex(const QTableWidget& Table, int Row, int Column)
{
    const auto* List = qobject_cast<const QComboBox*>(Table.cellWidget(Row, Column));
    return List ? List->currentIndex() : 0;
}

QStringList ParamNames()
{
    QStringList Names;
    for (const std::string& Name : ParamLongNames) {
        Names << QString::fromStdString(Name);
    }
    return Names;
}

QStringList MetricList(int Count)
{
    QStringList Names;
    for (int M = 0; M < Count; ++M) {
        Names << QString::fromStdString(MetricNames[static_cast<std::size_t>(M)]);
    }
    return Names;
}

void RemoveCurrentRow(QTableWidget& Table)
{
    const int Row = Table.currentRow() >= 0 ? Table.currentRow() : Table.rowCount() - 1;
    if (Row >= 0) {
        Table.removeRow(Row);
    }
}

}  // namespace

TOptimiseWindow::TOptimiseWindow(TModelDocument& Document, Dialogs& Messages, QWidget* Parent)
    : QWidget(Parent, Qt::Window), Document_(Document), Messages_(Messages), DecimalSep_(LocaleDecimalSeparator()),
      Runner_(new TBackgroundRunner(this))
{
    connect(Runner_, &TBackgroundRunner::Finished, this, &TOptimiseWindow::Finish);
    for (const auto Signal : {&TModelDocument::ModelChanged, &TModelDocument::ModelReplaced}) {
        connect(&Document_, Signal, this, &TOptimiseWindow::ShowWhetherResultFits);
    }
    connect(&Document_, &TModelDocument::BusyChanged, this, &TOptimiseWindow::ShowWhetherResultFits);
    setObjectName("OptimiseWindow");
    SetUpSecondaryWindow(*this, "Optimise", QSize(900, 680));

    ReportView_ = new QPlainTextEdit(this);
    ReportView_->setObjectName("ReportView");
    ReportView_->setAccessibleName("Optimisation report");
    ReportView_->setReadOnly(true);
    ReportView_->setFont(ReportFont());
    ReportView_->setLineWrapMode(QPlainTextEdit::NoWrap);

    auto* Layout = new QVBoxLayout(this);
    Layout->addWidget(BuildProblemPanel());
    Layout->addWidget(BuildCommandPanel());
    Layout->addWidget(ReportView_, 1);
    AddVariable();
}

TOptimiseWindow::~TOptimiseWindow()
{
    Document_.disconnect(this);
    Runner_->Abandon();  // the search reads this window's copy of the model and its problem
}

bool TOptimiseWindow::Searching() const
{
    return Runner_->Running();
}

QWidget* TOptimiseWindow::BuildProblemPanel()
{
    auto* Panel = new QWidget;
    Panel->setObjectName("ProblemPanel");
    Panel->setAccessibleName("Optimisation problem");
    auto* Grid = new QGridLayout(Panel);
    Grid->setContentsMargins(0, 0, 0, 0);

    Variables_ = NewTable("VariablesTable", "Variables", {"Parameter", "Stages", "Low", "High", "Step"});
    Variables_->setColumnWidth(VarParam, 180);
    for (const int Column : {VarStages, VarLow, VarHigh}) {
        Variables_->setColumnWidth(Column, 64);
    }
    Constraints_ = NewTable("ConstraintsTable", "Constraints", {"Metric", "Stage", "", "Bound"});
    Constraints_->setColumnWidth(ConMetric, 140);
    Constraints_->setColumnWidth(ConStage, 50);
    Constraints_->setColumnWidth(ConSide, 56);
    for (QTableWidget* Table : {Variables_, Constraints_}) {
        Table->setMinimumHeight(130);
        Table->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    }
    ObjectiveList_ = NewList(MetricList(MetricStockoutCost + 1), MetricTotalCost);
    ObjectiveList_->setObjectName("ObjectiveList");
    ObjectiveList_->setAccessibleName("Minimise");

    const auto Buttons = [this](const char* AddName, const char* AddCaption, void (TOptimiseWindow::*Add)(),
                                const char* RemoveName, const char* RemoveCaption, void (TOptimiseWindow::*Remove)()) {
        auto* Row = new QHBoxLayout;
        QPushButton* AddButton = NewCaptioned<QPushButton>(AddName, AddCaption);
        QPushButton* RemoveButton = NewCaptioned<QPushButton>(RemoveName, RemoveCaption);
        connect(AddButton, &QPushButton::clicked, this, Add);
        connect(RemoveButton, &QPushButton::clicked, this, Remove);
        Row->addWidget(AddButton);
        Row->addWidget(RemoveButton);
        Row->addStretch(1);
        return Row;
    };
    Grid->addWidget(NewBuddyLabel("VariablesLabel", "&Variables (stages as 1, 4-6 or 1,3 share one value):",
                                  Variables_),
                    0, 0);
    Grid->addWidget(Variables_, 1, 0);
    Grid->addLayout(Buttons("AddVariableButton", "Add Varia&ble", &TOptimiseWindow::AddVariable,
                            "RemoveVariableButton", "&Remove Variable", &TOptimiseWindow::RemoveVariable),
                    2, 0);
    auto* Objective = new QHBoxLayout;
    Objective->addWidget(NewBuddyLabel("ObjectiveLabel", "&Minimise (per period):", ObjectiveList_));
    Objective->addWidget(ObjectiveList_, 1);
    Grid->addLayout(Objective, 0, 1);
    Grid->addWidget(Constraints_, 1, 1);
    Grid->addLayout(Buttons("AddConstraintButton", "Add &Constraint", &TOptimiseWindow::AddConstraint,
                            "RemoveConstraintButton", "R&emove Constraint", &TOptimiseWindow::RemoveConstraint),
                    2, 1);
    Grid->setColumnStretch(0, 3);
    Grid->setColumnStretch(1, 2);
    return Panel;
}

QWidget* TOptimiseWindow::BuildCommandPanel()
{
    auto* Panel = new QWidget;
    Panel->setObjectName("CommandPanel");
    Panel->setAccessibleName("Optimisation commands");
    auto* Column = new QVBoxLayout(Panel);
    Column->setContentsMargins(0, 0, 0, 0);
    auto* Row = new QHBoxLayout;
    Column->addLayout(Row);
    TrialsEdit_ = new QLineEdit("10");
    TrialsEdit_->setObjectName("TrialsEdit");
    TrialsEdit_->setAccessibleName("Trials per point");
    TrialsEdit_->setFixedWidth(50);
    BudgetEdit_ = new QLineEdit("500");
    BudgetEdit_->setObjectName("BudgetEdit");
    BudgetEdit_->setAccessibleName("Budget of evaluations");
    BudgetEdit_->setFixedWidth(60);
    GoButton_ = NewCaptioned<QPushButton>("GoButton", "&Go");
    StopButton_ = NewCaptioned<QPushButton>("StopButton", "&Stop");
    ApplyButton_ = NewCaptioned<QPushButton>("ApplyButton", "&Apply to Model");
    StopButton_->setEnabled(false);
    ApplyButton_->setEnabled(false);
    connect(GoButton_, &QPushButton::clicked, this, &TOptimiseWindow::StartSearch);
    connect(StopButton_, &QPushButton::clicked, this, &TOptimiseWindow::StopSearch);
    connect(ApplyButton_, &QPushButton::clicked, this, &TOptimiseWindow::ApplyToModel);
    Progress_ = new QProgressBar;
    Progress_->setObjectName("EvaluationsProgress");
    Progress_->setAccessibleName("Evaluations");
    Progress_->setFormat("%v of %m evaluations");
    Progress_->setRange(0, 1);
    Progress_->reset();
    BestLabel_ = new QLabel;
    BestLabel_->setObjectName("BestLabel");
    BestLabel_->setAccessibleName("Best so far");
    BestLabel_->setWordWrap(true);

    Row->addWidget(NewBuddyLabel("TrialsLabel", "&Trials:", TrialsEdit_));
    Row->addWidget(TrialsEdit_);
    Row->addWidget(NewBuddyLabel("BudgetLabel", "B&udget:", BudgetEdit_));
    Row->addWidget(BudgetEdit_);
    Row->addWidget(GoButton_);
    Row->addWidget(StopButton_);
    Row->addWidget(Progress_, 1);
    Row->addWidget(ApplyButton_);
    Column->addWidget(BestLabel_);
    StaleLabel_ = new QLabel("This result belongs to an earlier model: the model was loaded or cleared, or its "
                             "varied parameters changed, since the search. Search again to apply one.");
    StaleLabel_->setObjectName("StaleLabel");
    StaleLabel_->setWordWrap(true);
    StaleLabel_->hide();
    Column->addWidget(StaleLabel_);
    return Panel;
}

void TOptimiseWindow::Open()
{
    OpenSecondaryWindow(*this);
}

std::vector<std::string> TOptimiseWindow::ReportLines() const
{
    std::vector<std::string> Lines;
    const QString Text = ReportView_->toPlainText();
    if (!Text.isEmpty()) {
        for (const QString& Line : Text.split(QLatin1Char('\n'))) {
            Lines.push_back(Line.toStdString());
        }
    }
    return Lines;
}

void TOptimiseWindow::AddVariable()
{
    const int Row = Variables_->rowCount();
    Variables_->insertRow(Row);
    Variables_->setCellWidget(Row, VarParam, NewList(ParamNames(), ParamBaseStockLevel));
    SetText(*Variables_, Row, VarStages, QString::number(Row + 1));
    SetText(*Variables_, Row, VarLow, "0");
    SetText(*Variables_, Row, VarHigh, "100");
    SetText(*Variables_, Row, VarStep, "1");
}

void TOptimiseWindow::RemoveVariable()
{
    RemoveCurrentRow(*Variables_);
}

void TOptimiseWindow::AddConstraint()
{
    const int Row = Constraints_->rowCount();
    Constraints_->insertRow(Row);
    Constraints_->setCellWidget(Row, ConMetric, NewList(MetricList(NumMetrics), MetricFillRate));
    SetText(*Constraints_, Row, ConStage, "1");
    Constraints_->setCellWidget(Row, ConSide, NewList({">=", "<="}, 0));
    SetText(*Constraints_, Row, ConBound, QString::fromStdString(FormatGeneral(0.95, DecimalSep_)));
}

void TOptimiseWindow::RemoveConstraint()
{
    RemoveCurrentRow(*Constraints_);
}

bool TOptimiseWindow::ReadProblem(TOptimiseProblem& Problem, TOptimiseSettings& Settings)
{
    const auto Refuse = [this](const std::string& Text) {
        Messages_.ShowError(Text);
        return false;
    };
    for (int Row = 0; Row < Variables_->rowCount(); ++Row) {
        const std::string Where = "Variable " + std::to_string(Row + 1) + ": ";
        TDecisionVariable V;
        V.ParamIndex = ListIndex(*Variables_, Row, VarParam);
        if (!ParseStageList(CellText(*Variables_, Row, VarStages), V.Stages)) {
            return Refuse(Where + "the stages must be a stage, a range as 4-6 or a list as 1,3.");
        }
        const std::pair<int, double*> Numbers[] = {{VarLow, &V.Low}, {VarHigh, &V.High}, {VarStep, &V.Step}};
        for (const auto& [Column, Value] : Numbers) {
            const std::string Text = CellText(*Variables_, Row, Column);
            if (!TryParseReal(Text, *Value, DecimalSep_)) {
                return Refuse(Where + "'" + Text + "' is not a valid floating point value");
            }
        }
        Problem.Variables.push_back(V);
    }
    Problem.Objective = ObjectiveList_->currentIndex();
    for (int Row = 0; Row < Constraints_->rowCount(); ++Row) {
        const std::string Where = "Constraint " + std::to_string(Row + 1) + ": ";
        TConstraint C;
        C.Metric = ListIndex(*Constraints_, Row, ConMetric);
        C.AtLeast = ListIndex(*Constraints_, Row, ConSide) == 0;
        int32_t Stage = 0;
        if (!TryParseInt32(CellText(*Constraints_, Row, ConStage), Stage)) {
            return Refuse(Where + "'" + CellText(*Constraints_, Row, ConStage) + "' is not a valid integer value");
        }
        C.Stage = Stage;
        if (!TryParseReal(CellText(*Constraints_, Row, ConBound), C.Bound, DecimalSep_)) {
            return Refuse(Where + "'" + CellText(*Constraints_, Row, ConBound) +
                          "' is not a valid floating point value");
        }
        Problem.Constraints.push_back(C);
    }
    const std::pair<QLineEdit*, int32_t*> Counts[] = {{TrialsEdit_, &Settings.Trials}, {BudgetEdit_, &Settings.Budget}};
    for (const auto& [Edit, Value] : Counts) {
        if (!TryParseInt32(Edit->text().trimmed().toStdString(), *Value) || *Value < 1) {
            return Refuse(Edit->accessibleName().toStdString() + ": '" + Edit->text().toStdString() +
                          "' is not an integer of at least 1");
        }
    }
    return true;
}

void TOptimiseWindow::StartSearch()
{
    if (Searching()) {
        return;
    }
    TOptimiseProblem Problem;
    TOptimiseSettings Settings;
    if (!ReadProblem(Problem, Settings)) {
        return;
    }
    const TSimulation& Model = Document_.Model();
    if (!CheckRunAllowed(Model, Document_.RunSettingsTexts(), Messages_, Settings.Run)) {
        return;
    }
    if (const std::optional<std::string> Refusal = ProblemRefusal(Model, Problem)) {
        Messages_.ShowError(*Refusal);
        return;
    }
    if (Settings.Run.Seed < 0) {
        Messages_.ShowError("A search derives every trial from its seed: give a seed of 1 or more, or 0 for the "
                            "clock.");
        return;
    }
    if (const std::optional<std::string> Refusal = MeasuredPeriodsRefusal(Settings.Run)) {
        Messages_.ShowError(*Refusal);
        return;
    }
    if (Settings.Run.Seed == 0) {
        Settings.Run.Seed = SeedFromClock();
    }
    Settings.Cancel = &Runner_->StopFlag();  // Stop ends the search within a trial, not after a round
    Settings.Jobs = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    Problem_ = Problem;
    Settings_ = Settings;
    Copy_ = std::make_unique<TSimulation>();
    Copy_->CopyModel(Model);  // the search runs on its own copy: every window stays usable
    SearchGeneration_ = Document_.Generation();
    SearchFile_ = Document_.FileName().empty() ? std::string() : Document_.DisplayName();
    Result_.reset();
    ReportView_->clear();
    BestLabel_->clear();
    Progress_->setRange(0, Settings.Budget);
    Progress_->setValue(0);
    GoButton_->setEnabled(false);
    StopButton_->setEnabled(true);
    ShowWhetherResultFits();
    const auto Work = [this] {
        const TOptimiseCallback Callback = [this](const TOptimiseProgress& Now) {
            Runner_->Post([this, Evaluations = Now.Evaluations, Budget = Now.Budget, Best = Now.Best->Values,
                           Objective = Now.Best->Objective, Feasible = Now.Best->Feasible] {
                ShowProgress(Evaluations, Budget, Best, Objective, Feasible);
            });
            return true;
        };
        Result_ = Optimise(*Copy_, Problem_, Settings_, Callback);
    };
    try {
        Runner_->Start(Work);
    } catch (const std::exception& E) {
        Finish(QString::fromStdString(E.what()));  // no thread to search on
    }
}

void TOptimiseWindow::StopSearch()
{
    Runner_->Stop();
}

void TOptimiseWindow::ShowProgress(int32_t Evaluations, int32_t Budget, const std::vector<double>& Best,
                                   double Objective, bool Feasible)
{
    Progress_->setRange(0, Budget);
    Progress_->setValue(Evaluations);
    QString Values;
    for (std::size_t I = 0; I < Best.size() && I < Problem_.Variables.size(); ++I) {
        Values += QString::fromStdString((I > 0 ? ", " : "") + VariableLabel(Problem_.Variables[I]) + " = " +
                                         FormatGeneral(Best[I], DecimalSep_));
    }
    BestLabel_->setText("Best so far: " + QString::fromStdString(FormatFixed(Objective, 4, DecimalSep_)) +
                        (Feasible ? "" : " (infeasible)") + "  at " + Values);
}

void TOptimiseWindow::Finish(const QString& Failure)
{
    GoButton_->setEnabled(true);
    StopButton_->setEnabled(false);
    if (!Result_) {
        Messages_.ShowError("The search stopped: " + Failure.toStdString());
        return;
    }
    TOptimiseHeading Heading;
    Heading.DataFile = SearchFile_;
    Heading.Settings = Settings_;
    const std::vector<std::string> Lines = OptimiseReportLines(Heading, Problem_, *Result_, DecimalSep_);
    for (const std::string& Line : Lines) {
        ReportView_->appendPlainText(QString::fromStdString(Line));
    }
    ShowProgress(Result_->Evaluations, Settings_.Budget, Result_->Best.Values, Result_->Best.Objective,
                 Result_->Best.Feasible);
    ShowWhetherResultFits();
}

void TOptimiseWindow::ShowWhetherResultFits()
{
    if (!Result_ || Searching()) {
        StaleLabel_->hide();
        ApplyButton_->setEnabled(false);
        return;
    }
    // The result is the document's while it holds the model searched: the same one, with the
    // varied parameters as they were at the start, or as Apply left them.
    const bool SameModel = Document_.Generation() == SearchGeneration_;
    const bool AtStart = SameModel && VariedParamsAsIn(*Copy_);
    TSimulation WithBest;
    WithBest.CopyModel(*Copy_);
    ApplyValues(WithBest, Problem_, Result_->Best.Values);
    const bool Applied = SameModel && VariedParamsAsIn(WithBest);
    StaleLabel_->setVisible(!AtStart && !Applied);
    // A point that misses the constraints or whose costs overflow is no answer to apply.
    ApplyButton_->setEnabled(AtStart && Result_->Best.Feasible && !Document_.Busy());
}

bool TOptimiseWindow::VariedParamsAsIn(const TSimulation& Expected) const
{
    const TSimulation& Model = Document_.Model();
    for (const TDecisionVariable& V : Problem_.Variables) {
        for (const int Stage : V.Stages) {
            if (Stage > Model.NumStages() || Model.GetParam(Stage, V.ParamIndex) != Expected.GetParam(Stage, V.ParamIndex)) {
                return false;
            }
        }
    }
    return true;
}

void TOptimiseWindow::ApplyToModel()
{
    if (Result_ && ApplyButton_->isEnabled()) {
        Document_.ApplyValues(Problem_, Result_->Best.Values);
    }
}
