#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
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
class TBackgroundRunner;
class TModelDocument;
class TSimulation;

// "Optimise": the variables (parameter, stages, bounds, step), the objective and the constraints,
// the trials and the budget; "&Go" searches the document's model with its run settings off the
// window thread (the same core call as orvantis-cli optimize), showing the evaluations and the best
// point so far; "&Stop" ends the search within a trial; the report appears when it ends, and
// "&Apply to Model" writes the best values into the document's model: only for a feasible best
// point, and only while the document holds the model searched (not loaded or cleared since, its
// varied parameters as they were); otherwise the window says the result belongs to an earlier
// model. Opened from Batch Runs.
class TOptimiseWindow : public QWidget {
    Q_OBJECT
public:
    TOptimiseWindow(TModelDocument& Document, Dialogs& Messages, QWidget* Parent = nullptr);
    ~TOptimiseWindow() override;

    // Whether a search is under way.
    bool Searching() const;
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
    void Open();

private:
    QWidget* BuildProblemPanel();
    QWidget* BuildCommandPanel();
    // The problem and settings as typed, or nothing after a message naming the field.
    bool ReadProblem(TOptimiseProblem& Problem, TOptimiseSettings& Settings);
    void ShowProgress(int32_t Evaluations, int32_t Budget, const std::vector<double>& Best, double Objective,
                      bool Feasible);
    void Finish(const QString& Failure);
    // Apply, and the note that the result belongs to an earlier model, as the document stands.
    void ShowWhetherResultFits();
    // Whether the document's varied parameters hold Expected's values.
    bool VariedParamsAsIn(const TSimulation& Expected) const;

    TModelDocument& Document_;
    Dialogs& Messages_;
    char DecimalSep_;
    TBackgroundRunner* Runner_ = nullptr;
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
    QLabel* StaleLabel_ = nullptr;
    QPlainTextEdit* ReportView_ = nullptr;

    // The search under way or last made: its own copy of the model, the problem, the model it
    // came from, and what it found.
    std::unique_ptr<TSimulation> Copy_;
    TOptimiseProblem Problem_;
    TOptimiseSettings Settings_;
    uint64_t SearchGeneration_ = 0;
    std::string SearchFile_;
    std::optional<TOptimiseResult> Result_;
};
