#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QObject>

#include "checks/ModelEditing.h"
#include "engine/RunSettings.h"
#include "engine/Simulation.h"

class Dialogs;
struct TOptimiseProblem;

// Where the cost totals on show come from.
enum class TCostsSource {
    None,            // no run stands behind them
    Run,             // the run command
    BatchLastTrial,  // the last trial of a batch
};

struct TShownCosts {
    TCostsSource Source = TCostsSource::None;
    TCostTotals Costs;
    int32_t NumPeriods = 0;          // of the run they come from
    bool ModelChangedSince = false;  // the model was edited after that run
};

// The one model of the program, and what every window shows of it: the file it belongs to, its
// unsaved changes, the costs on show and where they come from, the run settings as typed, the
// period the replay shows, and whether a batch holds it. Every change goes through its operations,
// which ask their questions through Messages and tell the windows by its signals; no window keeps a
// copy of the truth. A batch runs on a copy the document hands out (BeginBatch) and returns
// (EndBatch): meanwhile the document is busy and refuses every change.
class TModelDocument : public QObject {
    Q_OBJECT
public:
    explicit TModelDocument(Dialogs& Messages, QObject* Parent = nullptr);
    ~TModelDocument() override;

    const TSimulation& Model() const { return *Model_; }
    // The file the model was loaded from or saved to; empty for a new or cleared model.
    const std::string& FileName() const { return FileName_; }
    // FileName without its folder, or "the new model".
    std::string DisplayName() const;
    bool Modified() const { return Model_->Modified(); }
    const TShownCosts& Costs() const { return Costs_; }
    bool Busy() const { return Busy_; }
    // Changes with every load and clear: a result computed on another model tells by it.
    uint64_t Generation() const { return Generation_; }

    // The run settings as typed in the main window; runs, batches and searches use them.
    const TRunSettingsTexts& RunSettingsTexts() const { return RunTexts_; }
    void SetRunSettingsTexts(const TRunSettingsTexts& Texts) { RunTexts_ = Texts; }
    // The period of the run the replay shows (the main window's slider); 0 while there is none.
    int32_t ShownPeriod() const { return ShownPeriod_; }
    void SetShownPeriod(int32_t Period);

    // Reads the model file at Path in place of the model. A file that cannot be read whole is
    // refused with an error box and changes nothing; one that ends early asks whether to load it
    // with what is missing as 0 (Cancel changes nothing). True when the model was replaced.
    bool Load(const std::string& Path);
    // Writes the model to Path, which becomes its file; false after an error box.
    bool SaveAs(const std::string& Path);
    // The run command (its questions, checks and warnings through Messages).
    void Run();
    void Reset();
    // An empty model in place of this one, without a question (the caller settled unsaved work).
    void Clear();
    // Clear All: asks "Are you sure you want to erase your model?" first.
    bool ClearAsked();

    // The edits. Each changes the model only when the document is not busy.
    void SetParam(int StageNum, int Index, double Value);
    void ApplyValues(const TOptimiseProblem& Problem, const std::vector<double>& Values);
    // New Stage: the new stage's number, or 0 when none was added.
    int NewStage(const TDiagramArea& Area);
    TLinkOutcome Link(int SupplierNum, int CustomerNum);
    void MoveStage(int StageNum, int Left, int Top);
    void SetForceCST(bool On);

    // The model a batch runs on: a copy of this one, generator and forecasts included, so that the
    // batch runs as it would on the model itself. The document is busy until EndBatch.
    std::unique_ptr<TSimulation> BeginBatch();
    // The batch's model back: its run (the last trial's, with the parameters restored) becomes the
    // document's, and the costs on show are LastTrial's, or none when no trial ran. Warnings of its
    // runs are shown once, now.
    void EndBatch(std::unique_ptr<TSimulation> Ran, const std::optional<TCostTotals>& LastTrial, int32_t NumPeriods,
                  const std::vector<std::string>& Warnings);

signals:
    // Parameters, links, box positions or the option changed (the model is the same one).
    void ModelChanged();
    // Another model stands: loaded or cleared.
    void ModelReplaced();
    // A run stands: the run command's or a batch's last trial (Costs() says which).
    void RunFinished();
    // No run stands any more.
    void RunReset();
    // What Costs() gives changed.
    void CostsChanged();
    void FileNameChanged();
    void BusyChanged(bool Busy);
    void ShownPeriodChanged(int Period);

private:
    // After an edit: the costs on show belong to the model before it.
    void Edited();
    // After a load or a clear: another model, with no run.
    void Replaced();
    void ShowNoRun();
    void SetBusy(bool Busy);

    Dialogs& Messages_;
    std::unique_ptr<TSimulation> Model_;
    std::string FileName_;
    TShownCosts Costs_;
    bool Busy_ = false;
    uint64_t Generation_ = 0;
    TRunSettingsTexts RunTexts_{"0", "1000", "100"};
    int32_t ShownPeriod_ = 0;
};
