#include "reports/ModelParamTable.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "engine/ParamCatalogue.h"
#include "text/NumberText.h"
#include "text/Padding.h"
#include "text/Tolerance.h"
#include "engine/Simulation.h"

namespace {

const std::string Gap = "  ";

// One field of the table, and whether its text may widen the column.
struct TField {
    std::string Text;
    bool Widens;
};

TField FieldText(TListParamType Type, double Value, char Sep)
{
    switch (Type) {
    case TListParamType::Real:
        return {FormatFixed(Value, 4, Sep), true};
    case TListParamType::Boolean:
        return {FloatEq(Value, 1.0) ? "T" : "F", false};
    case TListParamType::IntegerOrInf:
        // The integer INF marker, with the tolerance of a value that came through a double.
        if (Value > IntInf - 1e-6) {
            return {"INF", false};
        }
        return {FormatFixed(Value, 0, Sep), true};
    case TListParamType::RealOrInf:
        if (std::isinf(Value)) {
            // Minus infinity is no INF marker; say what it is rather than hide its sign.
            return {Value > 0 ? "INF" : "-INF", Value < 0};
        }
        return {FormatFixed(Value, 4, Sep), true};
    case TListParamType::Integer:
    case TListParamType::Policy:
    default:
        return {FormatFixed(Value, 0, Sep), true};
    }
}

}  // namespace

std::vector<std::string> BuildModelParamTable(const TSimulation& Model, char DecimalSep)
{
    const int N = Model.NumStages();
    // Fields[s][i] for stages 1..N (entry 0 unused), computed once for widths and lines alike.
    std::vector<std::array<TField, NumParams>> Fields(static_cast<std::size_t>(N) + 1);
    std::array<int, NumParams> Widths{};
    for (int I = 0; I < NumParams; ++I) {
        const std::size_t Index = static_cast<std::size_t>(I);
        Widths[Index] = static_cast<int>(ParamShortNames[Index].size());
        for (int S = 1; S <= N; ++S) {
            TField& F = Fields[static_cast<std::size_t>(S)][Index];
            F = FieldText(ParamTypes[Index], Model.Stage(S).GetParam(I), DecimalSep);
            if (F.Widens) {
                Widths[Index] = std::max(Widths[Index], static_cast<int>(F.Text.size()));
            }
        }
    }

    std::vector<std::string> Lines;
    std::string Heading = "Stage" + Gap;
    for (int I = 0; I < NumParams; ++I) {
        const std::size_t Index = static_cast<std::size_t>(I);
        Heading += PadStr(ParamShortNames[Index], Widths[Index], 'r') + Gap;
    }
    Lines.push_back(std::move(Heading));
    for (int S = 1; S <= N; ++S) {
        std::string Line = FormatIntWidth(S, 5) + Gap;
        for (int I = 0; I < NumParams; ++I) {
            const std::size_t Index = static_cast<std::size_t>(I);
            Line += PadStr(Fields[static_cast<std::size_t>(S)][Index].Text, Widths[Index], 'r') + Gap;
        }
        Lines.push_back(std::move(Line));
    }
    Lines.emplace_back();
    Lines.emplace_back();
    return Lines;
}
