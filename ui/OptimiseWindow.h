#pragma once
#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <QWidget>

#include "optimise/Optimise.h"

class Dialogs;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTableWidget;
class TMainWindow;
class TSimulation;

// "Optimise": the variables (parameter, stages, bounds, step), the objective and the constraints,
// the trials and the budget; "&Go" searches the main window's model with its run settings off the
// GUI thread (the same core call as orvantis-cli optimize), showing the evaluations and the best
// point so far; "&Stop" ends the search within a trial; the report appears when it ends, and
// "&Apply to Model" (for a feasible best point) writes the best values into the main window's model.
// Opened from Batch Runs.
class TOptimiseWindow : public QWidget {
    Q_OBJECT
public:
    explicit TOptimiseWindow(Dialogs& Messages, QWidget* Parent = nullptr);
    ~TOptimiseWindow() override;

    // From now on works on Main's model and run settings; shows the window.
    void ShowFor(TMainWindow& Main);
    // Whether a search is under way.
    bool Searching() const { return Worker_.joinable(); }
    // The report of the last search, line by line; empty before the first.
    std::vector<std::string> ReportLines() const;

public slots:
    void AddVariable();
    void RemoveVariable();
    void AddConstraint();
    void RemoveConstraint();
    // Reads the window, refuses what cannot run (the model checks, then the problem) and starts.
    void StartSearch();
    void StopSearch();
    void ApplyToModel();

private:
    QWidget* BuildProblemPanel();
    QWidget* BuildCommandPanel();
    // The problem and settings as typed, or nothing after a message naming the field.
    bool ReadProblem(TOptimiseProblem& Problem, TOptimiseSettings& Settings);
    void ShowProgress(int32_t Evaluations, int32_t Budget, const std::vector<double>& Best, double Objective,
                      bool Feasible);
    void Finish();

    Dialogs& Messages_;
    char DecimalSep_;
    TMainWindow* Main_ = nullptr;
    QTableWidget* Variables_ = nullptr;
    QTableWidget* Constraints_ = nullptr;
    QComboBox* ObjectiveList_ = nullptr;
    QLineEdit* TrialsEdit_ = nullptr;
    QLineEdit* BudgetEdit_ = nullptr;
    QPushButton* GoButton_ = nullptr;
    QPushButton* StopButton_ = nullptr;
    QPushButton* ApplyButton_ = nullptr;
    QProgressBar* Progress_ = nullptr;
    QLabel* BestLabel_ = nullptr;
    QPlainTextEdit* ReportView_ = nullptr;

    // The search under way: its own copy of the model, the problem, and what it found.
    std::unique_ptr<TSimulation> Copy_;
    std::unique_ptr<Dialogs> CopyMessages_;
    TOptimiseProblem Problem_;
    TOptimiseSettings Settings_;
    std::optional<TOptimiseResult> Result_;
    std::string Failure_;
    std::atomic<bool> StopAsked_{false};
    std::thread Worker_;
};
