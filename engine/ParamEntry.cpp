#include "engine/ParamEntry.h"

#include <cctype>
#include <utility>

#include "engine/Stage.h"
#include "text/NumberText.h"

namespace {

TListParamType TypeOf(int Index)
{
    return ParamTypes[static_cast<std::size_t>(Index)];
}

bool ValidIndex(int Index)
{
    return Index >= 0 && Index < NumParams;
}

bool EqualsNoCase(const std::string& Text, const char* Word)
{
    std::size_t I = 0;
    for (; Word[I] != '\0'; ++I) {
        if (I >= Text.size() || std::toupper(static_cast<unsigned char>(Text[I])) != Word[I]) {
            return false;
        }
    }
    return I == Text.size();
}

// A boolean entry: 1 true, 0 false, -1 neither.
int BooleanOf(const std::string& Text, char DecimalSep)
{
    if (EqualsNoCase(Text, "TRUE") || EqualsNoCase(Text, "T")) {
        return 1;
    }
    if (EqualsNoCase(Text, "FALSE") || EqualsNoCase(Text, "F")) {
        return 0;
    }
    double Number = 0;
    if (TryParseReal(Text, Number, DecimalSep)) {
        return Number != 0 ? 1 : 0;
    }
    return -1;
}

std::string RangeMessage(int Low, int High)
{
    return "Field must contain an integer between " + std::to_string(Low) + " and " + std::to_string(High) + ".";
}

// An entry read by its parameter's type: the user's message when it is refused (Value then
// meaningless), otherwise an empty message and the value the entry stands for.
struct TParsedEntry {
    std::string Message;
    double Value = 0;
};

TParsedEntry ParseInteger(const std::string& Text)
{
    int32_t Int = 0;
    if (!TryParseInt32(Text, Int)) {
        return {"Field must contain an integer.", 0};
    }
    return {"", static_cast<double>(Int)};
}

TParsedEntry ParseReal(const std::string& Text, char DecimalSep)
{
    double Real = 0;
    if (!TryParseReal(Text, Real, DecimalSep)) {
        return {"Field must contain a real number.", 0};
    }
    return {"", Real};
}

TParsedEntry ParseBoolean(const std::string& Text, char DecimalSep)
{
    const int Boolean = BooleanOf(Text, DecimalSep);
    if (Boolean < 0) {
        return {"Field must contain TRUE or FALSE.", 0};
    }
    return {"", Boolean == 1 ? 1.0 : 0.0};
}

// An integer code 1..4 or one of the pick list's names; any other text that is not an integer
// stands for "None".
TParsedEntry ParsePolicy(const std::string& Text)
{
    int32_t Int = 0;
    if (!TryParseInt32(Text, Int)) {
        return {"", static_cast<double>(TextToPolicy(Text))};
    }
    if (Int < 1 || Int > 4) {
        return {RangeMessage(1, 4), 0};
    }
    return {"", static_cast<double>(Int)};
}

TParsedEntry ParseIntegerOrInf(const std::string& Text)
{
    int32_t Int = 0;
    if (!TryStrToIntInf(Text, Int)) {
        return {"Field must contain an integer (or INF for infinity).", 0};
    }
    return {"", static_cast<double>(Int)};
}

TParsedEntry ParseRealOrInf(const std::string& Text, char DecimalSep)
{
    double Real = 0;
    if (!TryStrToRealInf(Text, Real, DecimalSep)) {
        return {"Field must contain a real number (or INF for infinity).", 0};
    }
    return {"", Real};
}

// The entry read by its parameter's type alone.
TParsedEntry ParseByType(int Index, const std::string& Text, char DecimalSep)
{
    const TListParamType Type = ValidIndex(Index) ? TypeOf(Index) : TListParamType{0};
    switch (Type) {
    case TListParamType::Integer:
        return ParseInteger(Text);
    case TListParamType::Real:
        return ParseReal(Text, DecimalSep);
    case TListParamType::Boolean:
        return ParseBoolean(Text, DecimalSep);
    case TListParamType::Policy:
        return ParsePolicy(Text);
    case TListParamType::IntegerOrInf:
        return ParseIntegerOrInf(Text);
    case TListParamType::RealOrInf:
        return ParseRealOrInf(Text, DecimalSep);
    }
    return {"An unknown error occurred while processing your entry.  Please double-check your entry for this field.",
            0};
}

// The message refusing a well-formed Value that parameter Index cannot take, or an empty one. The
// model checks refuse the same ranges before a run, for values that came from a file.
std::string RangeRefusal(int Index, double Value)
{
    switch (Index) {
    case ParamProcTime:
    case ParamCommittedServiceTime:
        return Value < 0 ? "Field must contain an integer of at least 0." : "";
    case ParamProcCapacity:
        return Value < 0 ? "Field must contain an integer of at least 0 (or INF for infinity)." : "";
    case ParamDemandSD:
        return Value < 0 ? "Field must contain a number of at least 0." : "";
    case ParamFailureProb:
    case ParamRecoveryProb:
        return Value >= 0 && Value <= 1 ? "" : "Field must contain a number between 0 and 1.";
    default:
        return "";
    }
}

// The entry's value, or the message refusing it (also for an index outside the catalogue).
TParsedEntry ParseEntry(int Index, const std::string& Text, char DecimalSep)
{
    TParsedEntry Entry = ParseByType(Index, Text, DecimalSep);
    if (Entry.Message.empty()) {
        Entry.Message = RangeRefusal(Index, Entry.Value);
    }
    return Entry;
}

}  // namespace

std::string ParamShownText(const TStage& S, int Index, char DecimalSep)
{
    if (!ValidIndex(Index)) {
        return "";
    }
    const double Value = S.GetParam(Index);
    switch (TypeOf(Index)) {
    case TListParamType::Integer:
        return std::to_string(static_cast<int32_t>(Value));
    case TListParamType::Real:
        return FormatGeneral(Value, DecimalSep);
    case TListParamType::Boolean:
        return Value == 1.0 ? "TRUE" : "FALSE";
    case TListParamType::Policy:
        return PolicyToText(static_cast<int>(Value));
    case TListParamType::IntegerOrInf:
        return IntToStrInf(static_cast<int32_t>(Value));
    case TListParamType::RealOrInf:
        return RealToStrInf(Value, DecimalSep);
    }
    return "";
}

std::string ParamDefaultText(int Index)
{
    if (!ValidIndex(Index)) {
        return "";
    }
    switch (TypeOf(Index)) {
    case TListParamType::Integer:
    case TListParamType::Real:
        return "0";
    case TListParamType::Boolean:
        return "TRUE";
    case TListParamType::Policy:
        return PolicyPickList[0];
    case TListParamType::IntegerOrInf:
    case TListParamType::RealOrInf:
        return "INF";
    }
    return "";
}

std::optional<std::string> CheckParamEntry(int Index, const std::string& Text, char DecimalSep)
{
    TParsedEntry Entry = ParseEntry(Index, Text, DecimalSep);
    if (Entry.Message.empty()) {
        return std::nullopt;
    }
    return std::move(Entry.Message);
}

bool ParamEntryValue(int Index, const std::string& Text, char DecimalSep, double& Value)
{
    const TParsedEntry Entry = ParseEntry(Index, Text, DecimalSep);
    if (!Entry.Message.empty()) {
        return false;
    }
    Value = Entry.Value;
    return true;
}
