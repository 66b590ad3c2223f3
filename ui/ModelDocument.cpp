#include "ui/ModelDocument.h"

#include <filesystem>
#include <utility>

#include "checks/CheckedRun.h"
#include "model_files/ModelFile.h"
#include "optimise/Optimise.h"
#include "platform/Dialogs.h"

namespace {

const char* const LoadErrorText = "The file was not loaded; the model you had open is unchanged.";

// The boxes a load would show, kept until the document knows whether the model is loaded.
class TKeptDialogs final : public Dialogs {
public:
    void ShowError(const std::string& Text) override { Errors.push_back(Text); }
    void ShowInfo(const std::string& Text) override { Infos.push_back(Text); }
    bool AskYesNo(const std::string&) override { return true; }
    std::vector<std::string> Errors;
    std::vector<std::string> Infos;
};

}  // namespace

TModelDocument::TModelDocument(Dialogs& Messages, QObject* Parent)
    : QObject(Parent), Messages_(Messages), Model_(std::make_unique<TSimulation>())
{
}

TModelDocument::~TModelDocument() = default;

std::string TModelDocument::DisplayName() const
{
    return FileName_.empty() ? std::string("the new model") : std::filesystem::path(FileName_).filename().string();
}

void TModelDocument::SetShownPeriod(int32_t Period)
{
    if (Period != ShownPeriod_) {
        ShownPeriod_ = Period;
        emit ShownPeriodChanged(Period);
    }
}

void TModelDocument::SetBusy(bool Busy)
{
    if (Busy != Busy_) {
        Busy_ = Busy;
        emit BusyChanged(Busy);
    }
}

void TModelDocument::ShowNoRun()
{
    Costs_ = TShownCosts{};
    emit RunReset();
    emit CostsChanged();
}

void TModelDocument::Replaced()
{
    ++Generation_;
    // The windows take the new stages first: nothing may ask the new model for a stage of the old.
    Costs_ = TShownCosts{};
    emit ModelReplaced();
    ShowNoRun();
    emit FileNameChanged();
}

void TModelDocument::Edited()
{
    if (Costs_.Source != TCostsSource::None && !Costs_.ModelChangedSince) {
        Costs_.ModelChangedSince = true;
        emit CostsChanged();
    }
    emit ModelChanged();
}

bool TModelDocument::Load(const std::string& Path)
{
    if (Busy_) {
        return false;
    }
    // The file is read into a model of its own, which replaces the open one only when the whole
    // file was read, or the user chose to load what a short one holds: a damaged file never leaves
    // a half-read model in place of the user's work.
    TSimulation Loaded;
    TKeptDialogs Kept;
    const TLoadResult Result = LoadModel(Loaded, Path, Kept);
    if (!Result.Ok) {
        Messages_.ShowError(std::string(LoadErrorText) + "\r\r" + Result.Message);
        return false;
    }
    for (const std::string& Info : Kept.Infos) {
        if (!Result.Missing.empty() && Info == Result.Warning) {
            const std::string Name = std::filesystem::path(Path).filename().string();
            if (!Messages_.AskLoadAnyway(Name + " ends early at line " + std::to_string(Result.EndLine) +
                                         ": the file ends before " + Result.Missing +
                                         ". Load it with what is missing as 0?")) {
                return false;
            }
            continue;
        }
        Messages_.ShowInfo(Info);
    }
    const uint32_t RandomState = Model_->RandSeed();  // a load continues the generator's sequence
    Model_->CopyModel(Loaded);
    Model_->SetRandSeed(RandomState);
    Model_->SetModified(false);
    FileName_ = Path;
    Replaced();
    return true;
}

bool TModelDocument::SaveAs(const std::string& Path)
{
    const TFileResult Result = SaveModel(*Model_, Path);
    if (!Result.Ok) {
        Messages_.ShowError(Result.Message);
        return false;
    }
    FileName_ = Path;
    Model_->SetModified(false);
    emit FileNameChanged();
    return true;
}

void TModelDocument::Run()
{
    if (Busy_) {
        return;
    }
    const TRunOutcome Outcome = RunCommand(*Model_, RunTexts_, Messages_);
    if (Outcome.Costs) {
        Costs_ = TShownCosts{TCostsSource::Run, *Outcome.Costs, Outcome.NumPeriods, false};
        emit RunFinished();
        emit CostsChanged();
    } else if (Outcome.RunReset) {
        ShowNoRun();
    }
}

void TModelDocument::Reset()
{
    if (Busy_) {
        return;
    }
    Model_->Reset();
    ShowNoRun();
}

void TModelDocument::Clear()
{
    if (Busy_) {
        return;
    }
    Model_->ClearModel();
    FileName_.clear();
    Replaced();
}

bool TModelDocument::ClearAsked()
{
    if (Busy_ || !ClearChecked(*Model_, Messages_)) {
        return false;
    }
    Clear();
    return true;
}

void TModelDocument::SetParam(int StageNum, int Index, double Value)
{
    if (Busy_) {
        return;
    }
    Model_->SetParam(StageNum, Index, Value);
    Edited();
}

void TModelDocument::ApplyValues(const TOptimiseProblem& Problem, const std::vector<double>& Values)
{
    if (Busy_) {
        return;
    }
    ::ApplyValues(*Model_, Problem, Values);
    Edited();
}

int TModelDocument::NewStage(const TDiagramArea& Area)
{
    if (Busy_) {
        return 0;
    }
    const TNewStagePlan Plan = PrepareNewStage(*Model_, Messages_, Area);
    if (Plan.RunReset) {
        ShowNoRun();
    }
    if (!Plan.Allowed) {
        return 0;
    }
    const int N = Model_->AddStage();
    Model_->SetStagePosition(N, Plan.Box.Left, Plan.Box.Top);
    Edited();
    return N;
}

TLinkOutcome TModelDocument::Link(int SupplierNum, int CustomerNum)
{
    if (Busy_) {
        return {};
    }
    const TLinkOutcome Outcome = LinkChecked(*Model_, SupplierNum, CustomerNum, Messages_);
    if (Outcome.RunReset) {
        ShowNoRun();
    }
    if (Outcome.Linked) {
        Edited();
    }
    return Outcome;
}

void TModelDocument::MoveStage(int StageNum, int Left, int Top)
{
    if (Busy_) {
        return;
    }
    Model_->SetStagePosition(StageNum, Left, Top);
    emit ModelChanged();  // where a box stands is no part of what a run computes
}

void TModelDocument::SetForceCST(bool On)
{
    if (Busy_ || On == Model_->ForceCST()) {
        return;
    }
    Model_->SetForceCST(On);
    Edited();
}

std::unique_ptr<TSimulation> TModelDocument::BeginBatch()
{
    auto Copy = std::make_unique<TSimulation>();
    Copy->CopyModel(*Model_);
    SetBusy(true);
    return Copy;
}

void TModelDocument::EndBatch(std::unique_ptr<TSimulation> Ran, const std::optional<TCostTotals>& LastTrial,
                              int32_t NumPeriods, const std::vector<std::string>& Warnings)
{
    // A batch puts its parameters back: what was unsaved before it is unsaved after it, and no more.
    Ran->SetModified(Model_->Modified());
    Model_ = std::move(Ran);
    SetBusy(false);
    if (LastTrial) {
        Costs_ = TShownCosts{TCostsSource::BatchLastTrial, *LastTrial, NumPeriods, false};
        emit RunFinished();
        emit CostsChanged();
    } else {
        Model_->Reset();
        ShowNoRun();
    }
    for (const std::string& Warning : Warnings) {
        Messages_.ShowError(Warning);
    }
}
