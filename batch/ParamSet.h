#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// One batch definition: NumColumns columns, each a (parameter, stage) pair that the batch changes,
// and NumSettings settings, each giving every column a value. Indexes start at 1 (columns
// k = 1..NumColumns, settings i = 1..NumSettings); every entry starts at 0. A pair may occur in
// more than one column: the columns are applied in order, so the last one wins.
class TParamSet {
public:
    // No column and no setting: a reader grows it with AddColumn and AddSetting as it reads.
    TParamSet() = default;
    // REQUIRES: both counts >= 0, their product within MaxBatchValues (see there).
    TParamSet(int32_t NumSettings, int32_t NumColumns);

    // Appends column NumColumns() + 1 for the pair (ParamIndex, Stage). REQUIRES: no setting yet.
    void AddColumn(int32_t ParamIndex, int32_t Stage);
    // Appends setting NumSettings() + 1, every value 0. REQUIRES: the settings stay within
    // MaxBatchValues.
    void AddSetting();

    int32_t NumSettings() const { return NumSettings_; }
    int32_t NumColumns() const { return NumColumns_; }
    // Catalogue index (0..44) and stage number of column K.
    int32_t& ParamIndex(int32_t K) { return ParamIndex_[Col(K)]; }
    int32_t ParamIndex(int32_t K) const { return ParamIndex_[Col(K)]; }
    int32_t& ParamStage(int32_t K) { return ParamStage_[Col(K)]; }
    int32_t ParamStage(int32_t K) const { return ParamStage_[Col(K)]; }
    // The value that setting I gives column K.
    double& Values(int32_t I, int32_t K) { return Values_[Cell(I, K)]; }
    double Values(int32_t I, int32_t K) const { return Values_[Cell(I, K)]; }

private:
    std::size_t Col(int32_t K) const { return static_cast<std::size_t>(K - 1); }
    std::size_t Cell(int32_t I, int32_t K) const
    {
        return static_cast<std::size_t>(I - 1) * static_cast<std::size_t>(NumColumns_) + Col(K);
    }

    int32_t NumSettings_ = 0;
    int32_t NumColumns_ = 0;
    std::vector<int32_t> ParamIndex_;
    std::vector<int32_t> ParamStage_;
    std::vector<double> Values_;
};

// The most a definition may hold: NumSettings x max(NumColumns, 1) <= 10,000,000 (80 MB of values;
// a batch without columns may still run up to ten million settings). Enough for any batch that
// can finish; more is refused before anything is allocated or run.
inline constexpr int64_t MaxBatchValues = 10'000'000;

// A set, or the user's message saying why there is none.
struct TParamSetResult {
    std::optional<TParamSet> Set;
    std::string Message;  // empty when Set holds a set
    std::string Warning;  // when Set holds a set read from a file that ends early or holds more
                          // than it declares: what and where; empty otherwise
};

// One sweep row of the "Batch Runs" window, as typed.
struct TSweepRow {
    int ParamPos = 0;  // position in the parameter list: 0 "[none]", p >= 1 the catalogue index p - 1
    std::string FirstStage, LastStage;         // integers
    std::string FirstValue, LastValue, Step;   // numbers with the locale's decimal separator
};

// The set of the two sweep rows. A row in use gives one column per stage from its first to its
// last stage, row 1's first; its values are first, first + step, ... (each the previous plus the
// step, in double) up to last + 1e-6; settings run over row 1's values (outer) and row 2's (inner).
// A "[none]" row 1 takes row 2's place. Both "[none]": no column, one setting.
// Refused with the user's message, naming the row as typed: a field that is no number ("'%s' is
// not a valid integer value" / "'%s' is not a valid floating point value"), stages outside
// 1..NumStages or backwards, a last value below the first, a step <= 0 or too small to change the
// values, a definition beyond MaxBatchValues, a value beyond the range of an integer parameter.
// A parameter that a stage keeps whole (integer, boolean, policy code) is also refused a first
// value, last value or step with a fraction, and a value that the parameter grid refuses as an
// entry (CheckParamEntry: a policy outside 1..4, a negative Proc Time) or, for the boolean, any
// value but 0 and 1. A real parameter's range is left to the model checks of every setting.
TParamSetResult BuildSweepSet(const TSweepRow& Row1, const TSweepRow& Row2, char DecimalSep, int NumStages);

// Reads a parameter values file: whitespace-separated numbers (any byte of code 32 or less
// separates; a UTF-8 byte-order mark at the start is skipped), in order the number of columns, the
// number of settings, each column's catalogue index and stage, then each setting's value of each
// column. Counts, indexes and stages are decimal integers with an optional sign (at most 32
// characters), values finite decimal numbers with '.' and an optional exponent (at most 64
// characters). Memory grows with what is read, never with the counts a file claims.
// Every message names the file: a file that cannot be read gives ReadWholeFile's message ("Cannot
// read file PATH:" and the system's reason on the next line); every other message and the warning
// start with "PATH: ", and "Line N: " follows wherever a line is to blame.
// A file that ends early still loads: the values missing read as 0, and Warning names the line and
// the first value missing. Tokens after the last value needed are ignored, and Warning names the
// line of the first. Refused: a file without any token; a token that is no number of the kind
// expected (a fraction where an integer belongs, a comma as decimal separator, a word, a number
// beyond the range of its kind, "nan" or "inf"); a negative count; settings x max(columns, 1)
// beyond MaxBatchValues; a file that ends before a column's index or stage, or with columns before
// the number of settings; an index outside 0..44; a stage outside 1..NumStages; a value beyond the
// range of an integer parameter.
TParamSetResult LoadParamSet(const std::string& Path, int NumStages);
// The same from the file's bytes; Path only names the file in messages.
TParamSetResult ParseParamSet(const std::string& Text, const std::string& Path, int NumStages);
