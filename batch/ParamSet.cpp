#include "batch/ParamSet.h"

#include <algorithm>
#include <cassert>
#include <charconv>
#include <cmath>
#include <string_view>
#include <system_error>
#include <tuple>

#include "engine/ParamCatalogue.h"
#include "engine/ParamEntry.h"
#include "platform/TextFile.h"
#include "text/NumberText.h"
#include "text/TokenReader.h"

namespace {

constexpr double Tolerance = 1e-6;

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

// Whether a stage keeps parameter Index as a whole number (integers, the boolean, the policy code):
// it rounds or maps any other value it is given.
bool IsWholeParam(int Index)
{
    const TListParamType Type = ParamTypes[static_cast<std::size_t>(Index)];
    return Type != TListParamType::Real && Type != TListParamType::RealOrInf;
}

// Why whole parameter Index cannot take Value (within its 32-bit range): the parameter grid's
// refusal of it as an entry, or, for the boolean, any value but 0 and 1 (a stage takes only 1 as
// TRUE, where the grid takes any other number too). Empty when it can.
std::string WholeValueRefusal(int Index, double Value)
{
    if (ParamTypes[static_cast<std::size_t>(Index)] == TListParamType::Boolean) {
        return Value == 0 || Value == 1 ? "" : "Field must contain 0 (FALSE) or 1 (TRUE).";
    }
    return CheckParamEntry(Index, std::to_string(static_cast<int32_t>(Value)), '.').value_or("");
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
    const bool Whole = IsWholeParam(R.ParamIndex);
    const std::string& Name = ParamLongNames[static_cast<std::size_t>(R.ParamIndex)];
    // A stage would round a fraction: the values would repeat or differ from those asked for.
    for (const auto& [Value, Text, Field] : {std::tuple{R.FirstValue, &Typed.FirstValue, "first value"},
                                             std::tuple{R.LastValue, &Typed.LastValue, "last value"},
                                             std::tuple{R.Step, &Typed.Step, "step"}}) {
        if (Whole && Value != std::floor(Value)) {
            Message = R.Prefix() + "the " + Field + " (" + *Text + ") is not a whole number; the integer parameter " +
                      Name + " takes a whole first value, last value and step.";
            return false;
        }
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
        // A real parameter keeps any value as given; the model checks, which every setting passes,
        // refuse the same ranges as the grid does for those.
        if (const std::string Refusal = Whole ? WholeValueRefusal(R.ParamIndex, V) : ""; !Refusal.empty()) {
            Message = R.Prefix() + "the value " + FormatGeneral(V) + " is not valid for " + Name + ". " + Refusal;
            return false;
        }
    }
    return true;
}

// Why a token that TryParseReal refuses may still spell a number: one beyond the range of a double,
// or a NaN or an infinity spelled out ("nan", "inf", "Infinity", ...).
enum class TNumberFault { None, Range, NotFinite };

TNumberFault NumberFault(std::string_view Token)
{
    if (!Token.empty() && Token.front() == '+') {
        Token.remove_prefix(1);
    }
    double Value = 0;
    const auto R = std::from_chars(Token.data(), Token.data() + Token.size(), Value);
    if (R.ptr != Token.data() + Token.size()) {
        return TNumberFault::None;
    }
    if (R.ec == std::errc::result_out_of_range) {
        return TNumberFault::Range;
    }
    return R.ec == std::errc() && !std::isfinite(Value) ? TNumberFault::NotFinite : TNumberFault::None;
}

// Digits with an optional sign: an integer, if not one within 32 bits.
bool IsIntegerText(std::string_view Token)
{
    if (!Token.empty() && (Token.front() == '+' || Token.front() == '-')) {
        Token.remove_prefix(1);
    }
    return !Token.empty() && std::all_of(Token.begin(), Token.end(), [](char C) { return C >= '0' && C <= '9'; });
}

std::string MoreThanText(std::size_t Chars)
{
    return "more than " + std::to_string(Chars) + " characters";
}

std::string SizeText(int64_t Settings, int64_t Columns)
{
    std::string Declared = std::to_string(Settings) + " settings";
    if (Columns > 0) {
        Declared += " of " + std::to_string(Columns) + (Columns == 1 ? " column, " : " columns, ") +
                    std::to_string(Settings * Columns) + " values";
    }
    return "the file declares " + Declared + "; at most " + std::to_string(MaxBatchValues) + " can be run.";
}

// Reads a values file's tokens into a set, as the model reader reads a model: a message names the
// line of the token at fault; a file that ends early reads as 0 from there, with a warning.
class TValuesReader {
public:
    TValuesReader(std::string_view Bytes, std::size_t Start, const std::string& Path)
        : Tokens_(Bytes, Start), Prefix_(Path + ": ")
    {
    }

    TParamSetResult Read(int NumStages);

private:
    bool Fail(const std::string& What)
    {
        Message_ = Prefix_ + "Line " + std::to_string(Tokens_.Line()) + ": " + What;
        return false;
    }
    void NoteEnd(const std::string& What)
    {
        if (Warning_.empty()) {
            Warning_ = Prefix_ + "Line " + std::to_string(Tokens_.Line()) + ": the file ends before " + What +
                       "; what is missing reads as 0.";
        }
    }
    void NoteLeftOver()
    {
        const std::string_view Token = Tokens_.Next();
        if (!Token.empty()) {
            Warning_ = Prefix_ + "Line " + std::to_string(Tokens_.Line()) + ": \"" + Printable(Token) +
                       "\" and whatever follows it is beyond the values the file declares; it is ignored.";
        }
    }
    // Why: what more to say in brackets after the token, or empty.
    bool Found(std::string_view Token, const std::string& Expected, const std::string& What, const std::string& Why)
    {
        return Fail("expected " + Expected + " for " + What + ", found \"" + Printable(Token) + "\"" + (Why.empty() ? "" : " (" + Why + ")") + ".");
    }
    bool ReadInt(int32_t& Value, const std::string& What);
    bool ReadCount(int32_t& Value, const char* Items);
    bool ReadColumn(int32_t K, int NumStages, TParamSet& Set);
    // Setting I's value of column K; What is built only when a message needs it.
    bool ReadValue(int32_t I, int32_t K, double& Value);

    TTokenReader Tokens_;
    std::string Prefix_;
    std::string Message_;
    std::string Warning_;
};

bool TValuesReader::ReadInt(int32_t& Value, const std::string& What)
{
    const std::string_view Token = Tokens_.Next();
    Value = 0;
    if (Token.empty()) {
        NoteEnd(What);
        return true;
    }
    if (Token.size() > TTokenReader::MaxIntChars) {
        return Found(Token, "an integer", What, MoreThanText(TTokenReader::MaxIntChars));
    }
    if (!TryParseInt32(Token, Value)) {
        return Found(Token, "an integer", What, IsIntegerText(Token) ? "beyond the range of an integer" : "");
    }
    return true;
}

bool TValuesReader::ReadValue(int32_t I, int32_t K, double& Value)
{
    const std::string_view Token = Tokens_.Next();
    Value = 0;
    const auto What = [&] { return "setting " + std::to_string(I) + ", column " + std::to_string(K); };
    if (Token.empty()) {
        if (Warning_.empty()) {
            NoteEnd(What());
        }
        return true;
    }
    if (Token.size() > TTokenReader::MaxRealChars) {
        return Found(Token, "a number", What(), MoreThanText(TTokenReader::MaxRealChars));
    }
    if (!TryParseReal(Token, Value, '.')) {
        const TNumberFault Fault = NumberFault(Token);
        return Found(Token, "a number", What(),
                     Fault == TNumberFault::Range       ? "beyond the range of a number"
                     : Fault == TNumberFault::NotFinite ? "values must be finite"
                                                        : "");
    }
    return true;
}

bool TValuesReader::ReadCount(int32_t& Value, const char* Items)
{
    const std::string What = std::string("the number of ") + Items;
    if (!ReadInt(Value, What)) {
        return false;
    }
    if (Value < 0) {
        return Fail(What + " is " + std::to_string(Value) + "; it cannot be negative.");
    }
    return true;
}

bool TValuesReader::ReadColumn(int32_t K, int NumStages, TParamSet& Set)
{
    const std::string Column = "column " + std::to_string(K);
    int32_t Index = 0;
    int32_t Stage = 0;
    for (const auto& [Value, Name] : {std::pair{&Index, "the parameter index of "}, std::pair{&Stage, "the stage of "}}) {
        const std::string What = Name + Column;
        if (!ReadInt(*Value, What)) {
            return false;
        }
        if (Tokens_.Ended()) {
            return Fail("the file ends before " + What + "; every column needs its parameter index and stage.");
        }
    }
    if (Index < 0 || Index >= NumParams) {
        return Fail(Column + " has the parameter index " + std::to_string(Index) + ", outside 0 to " +
                    std::to_string(NumParams - 1) + ".");
    }
    if (Stage < 1 || Stage > NumStages) {
        return Fail(Column + " has the stage " + std::to_string(Stage) + ", not a stage of this model " +
                    StageRangeText(NumStages) + ".");
    }
    Set.AddColumn(Index, Stage);
    return true;
}

TParamSetResult TValuesReader::Read(int NumStages)
{
    const auto Refusal = [this] { return TParamSetResult{std::nullopt, Message_, {}}; };
    int32_t Columns = 0;
    int32_t Settings = 0;
    if (!ReadCount(Columns, "columns") || !ReadCount(Settings, "settings")) {
        return Refusal();
    }
    if (Columns > 0 && Tokens_.Ended()) {
        Fail("the file ends before the number of settings; a file with columns goes on with the number of settings, "
             "then every column's parameter index and stage.");
        return Refusal();
    }
    if (!WithinSize(Settings, Columns)) {
        Fail(SizeText(Settings, Columns));
        return Refusal();
    }
    // The set grows with what is read: a count the file does not fill allocates nothing.
    TParamSet Set;
    for (int32_t K = 1; K <= Columns; ++K) {
        if (!ReadColumn(K, NumStages, Set)) {
            return Refusal();
        }
    }
    for (int32_t I = 1; I <= Settings; ++I) {
        Set.AddSetting();
        for (int32_t K = 1; K <= Columns; ++K) {
            double& Value = Set.Values(I, K);
            if (!ReadValue(I, K, Value)) {
                return Refusal();
            }
            if (!FitsParam(Set.ParamIndex(K), Value)) {
                Fail("setting " + std::to_string(I) + ", column " + std::to_string(K) + ": " +
                     BeyondIntegerText(Set.ParamIndex(K), Value));
                return Refusal();
            }
        }
    }
    NoteLeftOver();
    return TParamSetResult{std::move(Set), {}, Warning_};
}

TParamSetResult Refused(std::string Message)
{
    return TParamSetResult{std::nullopt, std::move(Message), {}};
}

}  // namespace

TParamSet::TParamSet(int32_t NumSettings, int32_t NumColumns)
    : NumSettings_(NumSettings),
      NumColumns_(NumColumns),
      ParamIndex_(static_cast<std::size_t>(NumColumns)),
      ParamStage_(static_cast<std::size_t>(NumColumns)),
      Values_(static_cast<std::size_t>(NumSettings) * static_cast<std::size_t>(NumColumns))
{
    assert(NumSettings >= 0 && NumColumns >= 0 && WithinSize(NumSettings, NumColumns));
}

void TParamSet::AddColumn(int32_t ParamIndex, int32_t Stage)
{
    assert(NumSettings_ == 0);
    ParamIndex_.push_back(ParamIndex);
    ParamStage_.push_back(Stage);
    ++NumColumns_;
}

void TParamSet::AddSetting()
{
    assert(WithinSize(int64_t{NumSettings_} + 1, NumColumns_));
    Values_.resize(Values_.size() + static_cast<std::size_t>(NumColumns_));
    ++NumSettings_;
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
    return TParamSetResult{std::move(Set), {}, {}};
}

TParamSetResult LoadParamSet(const std::string& Path, int NumStages)
{
    std::string Text;
    std::string Message;
    if (!ReadWholeFile(Path, Text, Message)) {
        return Refused(Message);
    }
    return ParseParamSet(Text, Path, NumStages);
}

TParamSetResult ParseParamSet(const std::string& Text, const std::string& Path, int NumStages)
{
    constexpr std::string_view ByteOrderMark = "\xEF\xBB\xBF";
    const std::size_t Start = Text.starts_with(ByteOrderMark) ? ByteOrderMark.size() : 0;
    if (std::all_of(Text.begin() + static_cast<std::ptrdiff_t>(Start), Text.end(), IsTokenSeparator)) {
        return Refused(Path + ": the file is empty; it is not a values file.");
    }
    return TValuesReader(Text, Start, Path).Read(NumStages);
}
