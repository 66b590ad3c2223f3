#pragma once
// Cheap invariants of the readers behind orvantis-cli's --values, --options and --row, shared by
// their libFuzzer targets and by the test that replays the inputs kept in tests/data/fuzz/. Each
// Check... runs one reader on an input's bytes and returns the invariant it broke, or nullptr.
//
// Where a reader needs the model's stage count, the input's first byte gives it, 1 + byte % 25.
// The byte stays part of the input, so any values file or row text serves as it is.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "app/CliBatch.h"
#include "batch/ParamSet.h"
#include "batch/ReportOptions.h"
#include "engine/ParamCatalogue.h"
#include "engine/ListParamType.h"
#include "platform/Profile.h"
#include "text/NumberText.h"

inline int StagesFromFirstByte(std::string_view Bytes)
{
    return Bytes.empty() ? MaxStages : 1 + static_cast<unsigned char>(Bytes.front()) % MaxStages;
}

// What every set must be, however it was made: within MaxBatchValues, each column a parameter of
// the catalogue at a stage of the model, each value finite and, for an integer parameter, within
// its 32-bit storage.
inline const char* CheckParamSet(const TParamSet& Set, int NumStages)
{
    if (Set.NumColumns() < 0 || Set.NumSettings() < 0 ||
        int64_t{Set.NumSettings()} * std::max(int64_t{Set.NumColumns()}, int64_t{1}) > MaxBatchValues) {
        return "a set beyond MaxBatchValues";
    }
    for (int32_t K = 1; K <= Set.NumColumns(); ++K) {
        if (Set.ParamIndex(K) < 0 || Set.ParamIndex(K) >= NumParams) {
            return "a column's parameter index is outside the catalogue";
        }
        if (Set.ParamStage(K) < 1 || Set.ParamStage(K) > NumStages) {
            return "a column's stage is not a stage of the model";
        }
    }
    for (int32_t K = 1; K <= Set.NumColumns(); ++K) {
        const TListParamType Type = ParamTypes[static_cast<std::size_t>(Set.ParamIndex(K))];
        const bool Integer = Type == TListParamType::Integer || Type == TListParamType::Policy ||
                             Type == TListParamType::IntegerOrInf;
        for (int32_t I = 1; I <= Set.NumSettings(); ++I) {
            const double V = Set.Values(I, K);
            if (!std::isfinite(V)) {
                return "a value that is not finite";
            }
            if (Integer && !(std::rint(V) >= -2147483648.0 && std::rint(V) <= 2147483647.0)) {
                return "a value beyond the range of its integer parameter";
            }
        }
    }
    return nullptr;
}

// The values file reader: a set or a message, never both; a set that holds; and the set written
// out in the file's own layout reads back to the same set.
inline const char* CheckValuesFileInput(std::string_view Bytes)
{
    const int NumStages = StagesFromFirstByte(Bytes);
    const TParamSetResult R = ParseParamSet(std::string(Bytes), "v.txt", NumStages);
    if (R.Set.has_value() == !R.Message.empty()) {
        return "a values file gives both or neither a set and a message";
    }
    if (!R.Set) {
        return nullptr;
    }
    const TParamSet& Set = *R.Set;
    if (const char* Broken = CheckParamSet(Set, NumStages)) {
        return Broken;
    }
    std::string Text = std::to_string(Set.NumColumns()) + " " + std::to_string(Set.NumSettings()) + "\n";
    for (int32_t K = 1; K <= Set.NumColumns(); ++K) {
        Text += std::to_string(Set.ParamIndex(K)) + " " + std::to_string(Set.ParamStage(K)) + "\n";
    }
    for (int32_t I = 1; I <= Set.NumSettings(); ++I) {
        for (int32_t K = 1; K <= Set.NumColumns(); ++K) {
            char Number[40];
            std::snprintf(Number, sizeof Number, "%.17g ", Set.Values(I, K));
            Text += Number;
        }
        Text += "\n";
    }
    const TParamSetResult Again = ParseParamSet(Text, "v.txt", NumStages);
    if (!Again.Set || Again.Set->NumColumns() != Set.NumColumns() || Again.Set->NumSettings() != Set.NumSettings()) {
        return "a set written out does not read back";
    }
    for (int32_t K = 1; K <= Set.NumColumns(); ++K) {
        if (Again.Set->ParamIndex(K) != Set.ParamIndex(K) || Again.Set->ParamStage(K) != Set.ParamStage(K)) {
            return "a set written out reads back to other columns";
        }
        for (int32_t I = 1; I <= Set.NumSettings(); ++I) {
            if (Again.Set->Values(I, K) != Set.Values(I, K)) {
                return "a set written out reads back to other values";
            }
        }
    }
    return nullptr;
}

// The profile reader: its text reads back to the same text; every key the profile holds is what
// a lookup of its section and key finds, in the profile and in its text read back (so no name
// is held twice); and the reporting options take the same marks from both, or refuse both and
// keep their marks, changing nothing but marks.
inline const char* CheckProfileInput(std::string_view Bytes)
{
    const TProfile P = TProfile::Parse(Bytes);
    const std::string Text = P.Text();
    const TProfile Again = TProfile::Parse(Text);
    if (Again.Text() != Text) {
        return "a profile's text reads back to another text";
    }
    // Text holds one line per section ("[Name]") and per key ("Key=Value"), each ended by '\n'.
    std::string_view Rest = Text;
    std::string_view Section;
    while (!Rest.empty()) {
        const std::string_view Line = Rest.substr(0, Rest.find('\n'));
        Rest.remove_prefix(std::min(Rest.size(), Line.size() + 1));
        if (!Line.empty() && Line.front() == '[') {
            if (Line.back() != ']') {
                return "a section line of a profile's text is not closed";
            }
            Section = Line.substr(1, Line.size() - 2);
            continue;
        }
        const std::size_t Eq = Line.find('=');
        if (Eq == std::string_view::npos) {
            return "a line of a profile's text is neither a section nor a key";
        }
        const std::string_view Key = Line.substr(0, Eq);
        const std::string_view Value = Line.substr(Eq + 1);
        if (P.Value(Section, Key) != Value) {
            return "a profile holds a key that a lookup does not find";
        }
        if (Again.Value(Section, Key) != Value) {
            return "a key of a profile's text reads back to another value";
        }
    }

    // Every mark set beforehand, so that a refusal that touched them shows.
    TOptionMarks AllSet;
    AllSet.Standard.fill(true);
    AllSet.Other.fill(true);
    const TReportOptions Fresh;
    TReportOptions FromProfile;
    TReportOptions FromText;
    FromProfile.SetMarks(AllSet);
    FromText.SetMarks(AllSet);
    const std::string Refused = FromProfile.LoadOptions(P);
    if (FromText.LoadOptions(Again) != Refused) {
        return "the reporting options refuse a profile and its text differently";
    }
    const TOptionMarks Marks = FromProfile.Marks();
    if (Marks.Standard != FromText.Marks().Standard || Marks.Other != FromText.Marks().Other) {
        return "the reporting options read from a profile and from its text differ";
    }
    if (!Refused.empty() && (Marks.Standard != AllSet.Standard || Marks.Other != AllSet.Other)) {
        return "refused reporting options changed the marks";
    }
    for (int Pos = 0; Pos < TReportOptions::NumStandard; ++Pos) {
        const TOptionItem& Item = FromProfile.Standard(Pos);
        const TOptionItem& Before = Fresh.Standard(Pos);
        if (Item.Text != Before.Text || Item.Heading != Before.Heading || Item.Enabled != Before.Enabled) {
            return "loading the reporting options changed more than marks";
        }
    }
    for (int Pos = 0; Pos < TReportOptions::NumOther; ++Pos) {
        const TOptionItem& Item = FromProfile.Other(Pos);
        if (Item.Text != Fresh.Other(Pos).Text || Item.Enabled != Fresh.Other(Pos).Enabled) {
            return "loading the reporting options changed more than marks";
        }
    }
    return nullptr;
}

// The --row parser, then the sweep of the row it gives: a parsed row's texts are parts of the
// --row text and its parameter the one that text names; a sweep's set holds (CheckParamSet), has a
// column per stage from the first to the last, and its settings start at the first value and
// rise, each the same in every column, to at most the last value + 1e-6.
inline const char* CheckRowInput(std::string_view Bytes)
{
    const int NumStages = StagesFromFirstByte(Bytes);
    const std::string Spec(Bytes);
    TSweepRow Row;
    std::string Error;
    if (!ParseRowSpec(Spec, Row, Error)) {
        return Error.empty() ? "a refused row text without a message" : nullptr;
    }
    if (Row.ParamPos < 0 || Row.ParamPos > NumParams) {
        return "a row's parameter position is outside the catalogue";
    }
    if (Row.ParamPos == 0 ? Spec != "none"
                          : Spec.rfind(ParamShortNames[static_cast<std::size_t>(Row.ParamPos - 1)] + "@", 0) != 0) {
        return "a row's parameter is not the one its text names";
    }
    for (const std::string* Field : {&Row.FirstStage, &Row.LastStage, &Row.FirstValue, &Row.LastValue, &Row.Step}) {
        if (Spec.find(*Field) == std::string::npos) {
            return "a row's text is no part of its text";
        }
    }

    const TParamSetResult R = BuildSweepSet(Row, TSweepRow{}, '.', NumStages);
    if (R.Set.has_value() == !R.Message.empty()) {
        return "a sweep gives both or neither a set and a message";
    }
    if (!R.Set) {
        return nullptr;
    }
    const TParamSet& Set = *R.Set;
    if (const char* Broken = CheckParamSet(Set, NumStages)) {
        return Broken;
    }
    if (Row.ParamPos == 0) {
        return Set.NumColumns() == 0 && Set.NumSettings() == 1 ? nullptr : "a [none] row gives columns or settings";
    }
    int32_t FirstStage = 0;
    int32_t LastStage = 0;
    double FirstValue = 0;
    double LastValue = 0;
    if (!TryParseInt32(Row.FirstStage, FirstStage) || !TryParseInt32(Row.LastStage, LastStage) ||
        !TryParseReal(Row.FirstValue, FirstValue, '.') || !TryParseReal(Row.LastValue, LastValue, '.')) {
        return "a sweep took a stage or value that is no number";
    }
    if (Set.NumColumns() != LastStage - FirstStage + 1 || Set.NumSettings() < 1) {
        return "a sweep's columns or settings do not match its row";
    }
    for (int32_t K = 1; K <= Set.NumColumns(); ++K) {
        if (Set.ParamIndex(K) != Row.ParamPos - 1 || Set.ParamStage(K) != FirstStage + K - 1) {
            return "a sweep's column is not the row's parameter at the next stage";
        }
    }
    for (int32_t I = 1; I <= Set.NumSettings(); ++I) {
        const double V = Set.Values(I, 1);
        if (I == 1 ? V != FirstValue : !(V > Set.Values(I - 1, 1))) {
            return "a sweep's values do not start at the first value and rise";
        }
        if (!(V - LastValue < 1e-6)) {
            return "a sweep's value is beyond the last value";
        }
        for (int32_t K = 2; K <= Set.NumColumns(); ++K) {
            if (Set.Values(I, K) != V) {
                return "a setting gives the row's columns different values";
            }
        }
    }
    return nullptr;
}

// For the libFuzzer targets: a broken invariant stops the run, so that libFuzzer keeps the input.
inline void AbortIfBroken(const char* Broken)
{
    if (Broken != nullptr) {
        std::fprintf(stderr, "invariant broken: %s\n", Broken);
        std::abort();
    }
}
