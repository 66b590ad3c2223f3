#include <charconv>
#include <cmath>
#include <string>
#include <vector>

#include "text/NumberText.h"
#include "engine/Simulation.h"
#include "model_files/ModelFile.h"
#include "model_files/ModelFileLayout.h"

namespace {

// The shortest text that reads back as Value, in exponent form with a capital E ("1E+70").
std::string ExponentText(double Value)
{
    char Buffer[64];
    const auto Result = std::to_chars(Buffer, Buffer + sizeof Buffer, Value, std::chars_format::scientific);
    std::string Text(Buffer, Result.ptr);
    for (char& C : Text) {
        if (C == 'e') {
            C = 'E';
        }
    }
    return Text;
}

// A real token: fixed-point, unless that text would be too long to read back.
std::string RealText(double Value, int Decimals)
{
    std::string Text = FormatFixed(Value, Decimals);
    if (Text.size() > MaxRealTokenChars && std::isfinite(Value)) {
        Text = ExponentText(Value);
    }
    return Text;
}

std::string BoundText(double Value)
{
    if (std::isinf(Value) && Value > 0) {
        return std::string(InfiniteBoundText);
    }
    const std::string Text = FormatFixed(Value, 2);
    if (Text.size() > MaxRealTokenChars && Value > 0) {
        // Far beyond any demand window limit: as good as no bound, and it must read back.
        return std::string(InfiniteBoundText);
    }
    return RealText(Value, 2);
}

void Append(std::string& Line, const std::string& Token)
{
    Line += Token;
    Line.push_back(' ');
}

std::string StageLine(const TStage& S)
{
    std::string Line;
    Append(Line, std::to_string(S.StageNum));
    for (const TStageToken& T : StageTokens(TModelFileVersion::V24)) {
        const double Value = S.GetParam(T.Param);
        switch (T.Kind) {
        case TTokenKind::Real:
            Append(Line, RealText(Value, T.Decimals));
            break;
        case TTokenKind::Bound:
            Append(Line, BoundText(Value));
            break;
        case TTokenKind::Int:
        case TTokenKind::Policy:
        case TTokenKind::IntAsReal:
            // Integer parameters and the policy code read back exactly through GetParam.
            Append(Line, std::to_string(static_cast<int32_t>(Value)));
            break;
        }
    }
    Append(Line, std::to_string(S.NumSuppliers()));
    for (int K = 1; K <= S.NumSuppliers(); ++K) {
        Append(Line, std::to_string(S.Supplier(K).StageNum));
    }
    Append(Line, std::to_string(S.NumCustomers()));
    for (int K = 1; K <= S.NumCustomers(); ++K) {
        Append(Line, std::to_string(S.Customer(K).StageNum));
    }
    Append(Line, std::to_string(S.PosX()));
    Append(Line, std::to_string(S.PosY()));
    return Line;
}

std::vector<std::string> ModelFileLines(const TSimulation& Model)
{
    std::vector<std::string> Lines;
    Lines.reserve(static_cast<std::size_t>(Model.NumStages()) + 3);
    Lines.push_back("v2.4");
    Lines.push_back(std::to_string(Model.NumStages()) + (Model.ForceCST() ? " 1" : " 0"));
    bool AnyPerUnitTimeFalse = false;
    for (int N = 1; N <= Model.NumStages(); ++N) {
        Lines.push_back(StageLine(Model.Stage(N)));
        AnyPerUnitTimeFalse = AnyPerUnitTimeFalse || !Model.Stage(N).Params().StockoutPerUnitTime;
    }
    if (AnyPerUnitTimeFalse) {
        std::string Line;
        Append(Line, std::string(PerUnitTimeMarker));
        for (int N = 1; N <= Model.NumStages(); ++N) {
            Append(Line, Model.Stage(N).Params().StockoutPerUnitTime ? "1" : "0");
        }
        Lines.push_back(std::move(Line));
    }
    return Lines;
}

// The first parameter that the file cannot carry, as "<name> of stage <n>"; empty if none.
std::string UnwritableParameter(const TSimulation& Model)
{
    for (int N = 1; N <= Model.NumStages(); ++N) {
        const TStage& S = Model.Stage(N);
        for (const TStageToken& T : StageTokens(TModelFileVersion::V24)) {
            const double Value = S.GetParam(T.Param);
            const bool InfiniteBound = T.Kind == TTokenKind::Bound && std::isinf(Value) && Value > 0;
            if (!std::isfinite(Value) && !InfiniteBound) {
                return ParamLongNames[static_cast<std::size_t>(T.Param)] + " of stage " + std::to_string(N);
            }
        }
    }
    return {};
}

}  // namespace

std::string ModelFileText(const TSimulation& Model)
{
    std::string Text;
    for (const std::string& Line : ModelFileLines(Model)) {
        Text += Line;
        Text.push_back('\r');
    }
    return Text;
}

TFileResult SaveModel(const TSimulation& Model, const std::string& Path)
{
    const std::string Unwritable = UnwritableParameter(Model);
    if (!Unwritable.empty()) {
        return TFileResult{false, "Cannot write file " + Path + ":\n" + Unwritable + " is not a finite number."};
    }
    return WriteLinesCR(Path, ModelFileLines(Model));
}
