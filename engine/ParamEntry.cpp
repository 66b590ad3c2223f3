#include "engine/ParamEntry.h"

#include <cctype>

#include "text/GeneralProcs.h"
#include "engine/InvPolicyType.h"
#include "engine/Simulation.h"

const std::array<std::string, 4> PolicyPickList = {"BS", "(R,Q)", "(s,S)", "OQ"};

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

}  // namespace

std::string ParamShownText(const TStage& S, int Index, char DecimalSep)
{
    if (!ValidIndex(Index)) {
        return "";
    }
    const double Value = S.GetParam(Index);
    switch (TypeOf(Index)) {
    case TListParamType::Integer:
    case TListParamType::SmallInteger:
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
    case TListParamType::SmallInteger:
        return "1";
    case TListParamType::IntegerOrInf:
    case TListParamType::RealOrInf:
        return "INF";
    }
    return "";
}

int CheckParamEntry(int Index, const std::string& Text, char DecimalSep, std::string& Message)
{
    Message.clear();
    int32_t Int = 0;
    double Real = 0;
    const TListParamType Type = ValidIndex(Index) ? TypeOf(Index) : TListParamType{0};
    switch (Type) {
    case TListParamType::Integer:
        if (!TryParseInt32(Text, Int)) {
            Message = "Field must contain an integer.";
        }
        break;
    case TListParamType::Real:
        if (!TryParseReal(Text, Real, DecimalSep)) {
            Message = "Field must contain a real number.";
        }
        break;
    case TListParamType::Boolean:
        if (BooleanOf(Text, DecimalSep) < 0) {
            Message = "Field must contain TRUE or FALSE.";
        }
        break;
    case TListParamType::Policy:
        // The pick list's names are not integers and pass.
        if (TryParseInt32(Text, Int) && (Int < 1 || Int > 4)) {
            Message = RangeMessage(1, 4);
        }
        break;
    case TListParamType::SmallInteger:
        if (!TryParseInt32(Text, Int) || Int < 1 || Int > 999) {
            Message = RangeMessage(1, 999);
        }
        break;
    case TListParamType::IntegerOrInf:
        if (!TryStrToIntInf(Text, Int)) {
            Message = "Field must contain an integer (or INF for infinity).";
        }
        break;
    case TListParamType::RealOrInf:
        if (!TryStrToRealInf(Text, Real, DecimalSep)) {
            Message = "Field must contain a real number (or INF for infinity).";
        }
        break;
    default:
        Message = "An unknown error occurred while processing your entry.  Please double-check your entry for this "
                  "field.";
        return 8;
    }
    return Message.empty() ? 0 : static_cast<int>(Type);
}

bool ParamEntryValue(int Index, const std::string& Text, char DecimalSep, double& Value)
{
    std::string Message;
    if (CheckParamEntry(Index, Text, DecimalSep, Message) != 0) {
        return false;
    }
    int32_t Int = 0;
    double Real = 0;
    switch (TypeOf(Index)) {
    case TListParamType::Integer:
    case TListParamType::SmallInteger:
    case TListParamType::IntegerOrInf:
        TryStrToIntInf(Text, Int);
        Value = Int;
        return true;
    case TListParamType::Real:
    case TListParamType::RealOrInf:
        TryStrToRealInf(Text, Real, DecimalSep);
        Value = Real;
        return true;
    case TListParamType::Boolean:
        Value = BooleanOf(Text, DecimalSep) == 1 ? 1.0 : 0.0;
        return true;
    case TListParamType::Policy:
        Value = TryParseInt32(Text, Int) ? Int : TextToPolicy(Text);
        return true;
    }
    return false;
}

int CheckParamEntries(const TParamTexts& Texts, char DecimalSep, std::string& Message)
{
    Message.clear();
    int Sum = 0;
    for (int Index = 0; Index < NumParams; ++Index) {
        std::string RowMessage;
        Sum += CheckParamEntry(Index, Texts[static_cast<std::size_t>(Index)], DecimalSep, RowMessage);
        if (Message.empty()) {
            Message = RowMessage;
        }
    }
    return Sum;
}

void ApplyParamEntries(TSimulation& Model, int StageNum, const TParamTexts& Texts, char DecimalSep)
{
    if (StageNum < 1 || StageNum > Model.NumStages()) {
        return;
    }
    for (int Index = 0; Index < NumParams; ++Index) {
        const std::string& Text = Texts[static_cast<std::size_t>(Index)];
        double Value = 0;
        if (Text != ParamShownText(Model.Stage(StageNum), Index, DecimalSep) &&
            ParamEntryValue(Index, Text, DecimalSep, Value)) {
            Model.SetParam(StageNum, Index, Value);
        }
    }
}
