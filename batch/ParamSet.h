#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// One batch definition: NumParams columns, each a (parameter, stage) pair that the batch changes,
// and NumSettings settings, each giving every column a value. Indexes start at 1 (columns
// k = 1..NumParams, settings i = 1..NumSettings); every entry starts at 0. A pair may occur in
// more than one column: the columns are applied in order, so the last one wins.
class TParamSet {
public:
    // REQUIRES: both counts >= 0, their product within MaxBatchValues (CheckBatchSize).
    TParamSet(int32_t NumSettings, int32_t NumParams);

    int32_t NumSettings() const { return NumSettings_; }
    int32_t NumParams() const { return NumParams_; }
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
        return static_cast<std::size_t>(I - 1) * static_cast<std::size_t>(NumParams_) + Col(K);
    }

    int32_t NumSettings_;
    int32_t NumParams_;
    std::vector<int32_t> ParamIndex_;
    std::vector<int32_t> ParamStage_;
    std::vector<double> Values_;
};

// The most a definition may hold: NumSettings x max(NumParams, 1) <= 10,000,000 (80 MB of values;
// a batch without columns may still run up to ten million settings). Enough for any batch that
// can finish; more is refused before anything is allocated or run.
inline constexpr int64_t MaxBatchValues = 10'000'000;

// A set, or the user's message saying why there is none.
struct TParamSetResult {
    std::optional<TParamSet> Set;
    std::string Message;  // empty when Set holds a set
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
TParamSetResult BuildSweepSet(const TSweepRow& Row1, const TSweepRow& Row2, char DecimalSep, int NumStages);

// The message of a values file that cannot be read or holds a token that is no number.
inline constexpr const char* LoadParamSetError = "An error occurred while loading your file.";

// Reads a parameter values file: whitespace-separated numbers (any byte of code 32 or less
// separates), in order the number of columns, the number of settings, each column's catalogue
// index and stage, then each setting's value of each column. Integers are decimal with an optional
// sign (at most 32 characters), values decimal numbers with '.' and an optional exponent (at most
// 64 characters). Numbers missing at the end of the file read as 0; anything after the last value
// needed is ignored. An unreadable file or a bad token gives LoadParamSetError; a negative count,
// an index outside 0..44, a stage outside 1..NumStages, a definition beyond MaxBatchValues or a
// value beyond the range of an integer parameter gives a message naming Path.
TParamSetResult LoadParamSet(const std::string& Path, int NumStages);
// The same from the file's bytes; Path only names the file in messages.
TParamSetResult ParseParamSet(const std::string& Text, const std::string& Path, int NumStages);
