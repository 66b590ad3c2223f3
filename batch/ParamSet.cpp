#include "batch/ParamSet.h"

#include <algorithm>
#include <cassert>
#include <cmath>

#include "engine/Constants.h"
#include "platform/TextFile.h"
#include "text/GeneralProcs.h"

namespace {

constexpr double Tolerance = 1e-6;

bool IsIntegerParam(int Index)
{
    switch (ParamTypes[static_cast<std::size_t>(Index)]) {
    case TListParamType::Integer:
    case TListParamType::Policy:
    case TListParamType::SmallInteger:
    case TListParamType::IntegerOrInf:
        return true;
    default:
        return false;
    }
}

// Whether Value, rounded as the stage rounds it, fits the 32-bit storage of an integer parameter.
bool FitsParam(int Index, double Value)
{
    if (!IsIntegerParam(Index)) {
        return true;
    }
    const double R = std::rint(Value);
    return R >= -2147483648.0 && R <= 2147483647.0;
}

std::string BeyondIntegerText(int Index, double Value)
{
    return "the value " + FormatGeneral(Value) + " is beyond the range of the integer parameter " +
           ParamLongNames[static_cast<std::size_t>(Index)] + ".";
}

// Whether Settings settings of Columns columns can be held (see MaxBatchValues).
bool WithinSize(int64_t Settings, int64_t Columns)
{
    return Settings <= MaxBatchValues / std::max<int64_t>(Columns, 1);
}

// What + " more than the ... values a batch can hold."
std::string TooLargeText(const std::string& What)
{
    return What + " more than the " + std::to_string(MaxBatchValues) + " values a batch can hold.";
}

std::string StageRangeText(int NumStages)
{
    return "(1 to " + std::to_string(NumStages) + ")";
}

// A row in use, converted.
struct TRange {
    int Row = 0;         // as typed: 1 or 2
    int ParamIndex = 0;  // catalogue index
    int32_t FirstStage = 0;
    int32_t LastStage = 0;
    double FirstValue = 0;
    double LastValue = 0;
    double Step = 0;
    std::vector<double> Values;
    std::string Prefix() const { return "Row " + std::to_string(Row) + ": "; }
    int32_t Columns() const { return LastStage - FirstStage + 1; }
};

bool ReadInt(const std::string& Text, int32_t& Value, std::string& Message)
{
    if (!TryParseInt32(Text, Value)) {
        Message = "'" + Text + "' is not a valid integer value";
        return false;
    }
    return true;
}

bool ReadReal(const std::string& Text, char Sep, double& Value, std::string& Message)
{
    if (!TryParseReal(Text, Value, Sep)) {
        Message = "'" + Text + "' is not a valid floating point value";
        return false;
    }
    return true;
}

bool ReadRow(const TSweepRow& Typed, int Row, char Sep, TRange& Range, std::string& Message)
{
    Range.Row = Row;
    Range.ParamIndex = Typed.ParamPos - 1;
    return ReadInt(Typed.FirstStage, Range.FirstStage, Message) && ReadInt(Typed.LastStage, Range.LastStage, Message) &&
           ReadReal(Typed.FirstValue, Sep, Range.FirstValue, Message) &&
           ReadReal(Typed.LastValue, Sep, Range.LastValue, Message) && ReadReal(Typed.Step, Sep, Range.Step, Message);
}

// The refusals of one row, and its values: first, then each the previous plus the step, while
// within the tolerance of the last. Stops one value past what MaxBatchValues allows (refused then).
bool CheckRow(TRange& R, const TSweepRow& Typed, int NumStages, std::string& Message)
{
    for (const int32_t Stage : {R.FirstStage, R.LastStage}) {
        if (Stage < 1 || Stage > NumStages) {
            Message = R.Prefix() + "stage " + std::to_string(Stage) + " is not a stage of this model " +
                      StageRangeText(NumStages) + ".";
            return false;
        }
    }
    if (R.FirstStage > R.LastStage) {
        Message = R.Prefix() + "the first stage (" + std::to_string(R.FirstStage) + ") is after the last stage (" +
                  std::to_string(R.LastStage) + ").";
        return false;
    }
    if (R.LastValue < R.FirstValue) {
        Message = R.Prefix() + "the last value (" + Typed.LastValue + ") is below the first value (" + Typed.FirstValue + ").";
        return false;
    }
    if (!(R.Step > 0)) {
        Message = R.Prefix() + "the step (" + Typed.Step + ") must be greater than 0.";
        return false;
    }
    if (R.FirstValue + R.Step == R.FirstValue || R.LastValue + R.Step == R.LastValue) {
        Message = R.Prefix() + "the step (" + Typed.Step + ") is too small to change the values.";
        return false;
    }
    const int64_t MaxValues = MaxBatchValues / R.Columns();
    for (double V = R.FirstValue; V - R.LastValue < Tolerance && static_cast<int64_t>(R.Values.size()) <= MaxValues;
         V += R.Step) {
        R.Values.push_back(V);
    }
    for (const double V : R.Values) {
        if (!FitsParam(R.ParamIndex, V)) {
            Message = R.Prefix() + BeyondIntegerText(R.ParamIndex, V);
            return false;
        }
    }
    return true;
}

// Byte-wise reader of the values file's tokens.
class TTokens {
public:
    explicit TTokens(const std::string& Text) : Text_(Text) {}

    // The next token, empty at the end of the text.
    std::string_view Next()
    {
        while (Pos_ < Text_.size() && IsSeparator(Text_[Pos_])) {
            ++Pos_;
        }
        const std::size_t Start = Pos_;
        while (Pos_ < Text_.size() && !IsSeparator(Text_[Pos_])) {
            ++Pos_;
        }
        return std::string_view(Text_).substr(Start, Pos_ - Start);
    }
    // An integer of at most 32 characters; 0 at the end of the text.
    bool Int(int32_t& Value)
    {
        const std::string_view T = Next();
        Value = 0;
        return T.empty() || (T.size() <= 32 && TryParseInt32(T, Value));
    }
    // A decimal number of at most 64 characters; 0 at the end of the text.
    bool Real(double& Value)
    {
        const std::string_view T = Next();
        Value = 0;
        return T.empty() || (T.size() <= 64 && TryParseReal(T, Value, '.'));
    }

private:
    static bool IsSeparator(char C) { return static_cast<unsigned char>(C) <= 32; }
    const std::string& Text_;
    std::size_t Pos_ = 0;
};

TParamSetResult Refused(std::string Message)
{
    return TParamSetResult{std::nullopt, std::move(Message)};
}

}  // namespace

TParamSet::TParamSet(int32_t NumSettings, int32_t NumParams)
    : NumSettings_(NumSettings),
      NumParams_(NumParams),
      ParamIndex_(static_cast<std::size_t>(NumParams)),
      ParamStage_(static_cast<std::size_t>(NumParams)),
      Values_(static_cast<std::size_t>(NumSettings) * static_cast<std::size_t>(NumParams))
{
    assert(NumSettings >= 0 && NumParams >= 0 && WithinSize(NumSettings, NumParams));
}

TParamSetResult BuildSweepSet(const TSweepRow& Row1, const TSweepRow& Row2, char DecimalSep, int NumStages)
{
    assert(Row1.ParamPos >= 0 && Row1.ParamPos <= NumParams && Row2.ParamPos >= 0 && Row2.ParamPos <= NumParams);
    std::vector<TRange> Rows;  // the rows in use, row 1 first
    std::string Message;
    for (const auto& [Typed, Number] : {std::pair{&Row1, 1}, std::pair{&Row2, 2}}) {
        if (Typed->ParamPos > 0) {
            Rows.emplace_back();
            if (!ReadRow(*Typed, Number, DecimalSep, Rows.back(), Message)) {
                return Refused(Message);
            }
        }
    }
    for (TRange& R : Rows) {
        if (!CheckRow(R, R.Row == 1 ? Row1 : Row2, NumStages, Message)) {
            return Refused(Message);
        }
    }
    int64_t Settings = 1;
    int64_t Columns = 0;
    for (const TRange& R : Rows) {
        Settings *= static_cast<int64_t>(R.Values.size());
        Columns += R.Columns();
    }
    if (!WithinSize(Settings, Columns)) {
        const std::string Prefix = Rows.size() == 2 ? "Rows 1 and 2: " : Rows.front().Prefix();
        return Refused(Prefix + TooLargeText("the settings x columns are"));
    }

    TParamSet Set(static_cast<int32_t>(Settings), static_cast<int32_t>(Columns));
    int32_t K = 0;
    for (const TRange& R : Rows) {
        for (int32_t S = R.FirstStage; S <= R.LastStage; ++S) {
            ++K;
            Set.ParamIndex(K) = R.ParamIndex;
            Set.ParamStage(K) = S;
        }
    }
    // Settings run over the first row's values outside, the second row's inside.
    const std::size_t Inner = Rows.size() == 2 ? Rows[1].Values.size() : 1;
    for (int32_t I = 1; I <= Set.NumSettings(); ++I) {
        const std::size_t Index = static_cast<std::size_t>(I - 1);
        int32_t Col = 0;
        for (std::size_t R = 0; R < Rows.size(); ++R) {
            const double V = Rows[R].Values[R == 0 ? Index / Inner : Index % Inner];
            for (int32_t C = 0; C < Rows[R].Columns(); ++C) {
                Set.Values(I, ++Col) = V;
            }
        }
    }
    return TParamSetResult{std::move(Set), {}};
}

TParamSetResult LoadParamSet(const std::string& Path, int NumStages)
{
    std::string Text;
    std::string Ignored;
    if (!ReadWholeFile(Path, Text, Ignored)) {
        return Refused(LoadParamSetError);
    }
    return ParseParamSet(Text, Path, NumStages);
}

TParamSetResult ParseParamSet(const std::string& Text, const std::string& Path, int NumStages)
{
    TTokens Tokens(Text);
    const std::string Prefix = Path + ": ";
    int32_t Columns = 0;
    int32_t Settings = 0;
    if (!Tokens.Int(Columns) || !Tokens.Int(Settings)) {
        return Refused(LoadParamSetError);
    }
    for (const auto& [Count, Name] : {std::pair{Columns, "columns"}, std::pair{Settings, "settings"}}) {
        if (Count < 0) {
            return Refused(Prefix + "the number of " + Name + " (" + std::to_string(Count) + ") is negative.");
        }
    }
    if (!WithinSize(Settings, Columns)) {
        return Refused(Prefix + TooLargeText(std::to_string(Settings) + " settings x " + std::to_string(Columns) +
                                             " columns are"));
    }
    TParamSet Set(Settings, Columns);
    for (int32_t K = 1; K <= Columns; ++K) {
        if (!Tokens.Int(Set.ParamIndex(K)) || !Tokens.Int(Set.ParamStage(K))) {
            return Refused(LoadParamSetError);
        }
        const std::string Column = "column " + std::to_string(K);
        if (Set.ParamIndex(K) < 0 || Set.ParamIndex(K) >= NumParams) {
            return Refused(Prefix + Column + " has the parameter index " + std::to_string(Set.ParamIndex(K)) +
                           ", outside 0 to " + std::to_string(NumParams - 1) + ".");
        }
        if (Set.ParamStage(K) < 1 || Set.ParamStage(K) > NumStages) {
            return Refused(Prefix + Column + " has the stage " + std::to_string(Set.ParamStage(K)) +
                           ", not a stage of this model " + StageRangeText(NumStages) + ".");
        }
    }
    for (int32_t I = 1; I <= Settings; ++I) {
        for (int32_t K = 1; K <= Columns; ++K) {
            if (!Tokens.Real(Set.Values(I, K))) {
                return Refused(LoadParamSetError);
            }
            if (!FitsParam(Set.ParamIndex(K), Set.Values(I, K))) {
                return Refused(Prefix + "setting " + std::to_string(I) + ", column " + std::to_string(K) + ": " +
                               BeyondIntegerText(Set.ParamIndex(K), Set.Values(I, K)));
            }
        }
    }
    return TParamSetResult{std::move(Set), {}};
}
