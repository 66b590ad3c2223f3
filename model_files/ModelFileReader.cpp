#include <algorithm>
#include <array>
#include <cassert>
#include <cmath>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "engine/Simulation.h"
#include "model_files/ModelFile.h"
#include "model_files/ModelFileLayout.h"
#include "platform/Dialogs.h"
#include "text/NumberText.h"
#include "text/Tolerance.h"
#include "text/TokenReader.h"

namespace {

// Whether S's supplier (or customer) list holds Other.
bool Lists(const TStage& S, bool Suppliers, const TStage& Other)
{
    return Suppliers ? S.HasSupplier(Other) : S.HasCustomer(Other);
}

// The stage numbers of S's supplier (or customer) list, in list order.
std::vector<int> LinkNumbers(const TStage& S, bool Suppliers)
{
    std::vector<int> Numbers;
    const int Count = Suppliers ? S.NumSuppliers() : S.NumCustomers();
    for (int I = 1; I <= Count; ++I) {
        Numbers.push_back((Suppliers ? S.Supplier(I) : S.Customer(I)).StageNum);
    }
    return Numbers;
}

// The model file's token rules are those of every text file the program reads.
static_assert(MaxIntTokenChars == TTokenReader::MaxIntChars && MaxRealTokenChars == TTokenReader::MaxRealChars);

std::string StageName(int K)
{
    return "stage " + std::to_string(K);
}

class TModelReader {
public:
    TModelReader(TSimulation& Model, std::string_view Bytes, TLoadResult& Result)
        : Model_(Model), Bytes_(Bytes), Tokens_(Bytes, 0), Result_(Result)
    {
    }

    // Recognises the version; false (Result filled) for one we do not read.
    bool ReadVersion(TModelFileVersion& Version);
    // Everything after the version. False (Result filled) at the first error.
    bool ReadModel(TModelFileVersion Version);

private:
    bool Fail(const std::string& What)
    {
        Result_.Ok = false;
        Result_.Line = Tokens_.Line();
        Result_.Message = "Line " + std::to_string(Result_.Line) + ": " + What;
        return false;
    }
    bool ReadInt(int32_t& Value, const std::string& What);
    bool ReadReal(double& Value, const std::string& What);
    bool ReadToken(const TStageToken& Token, int K, TStageParams& Params);
    bool ReadCount(int& Count, const std::string& What, const std::string& Items);
    bool ReadLinks(int K, bool Suppliers);
    bool ReadStage(int K, TModelFileVersion Version);
    void WriteStages();
    bool ReadPerUnitTime();
    bool MatchLinks();
    // Records, once, that the file ended where What was expected.
    void NoteEnd(const std::string& What);
    void NoteLeftOver();

    TSimulation& Model_;
    std::string_view Bytes_;
    TTokenReader Tokens_;
    TLoadResult& Result_;
    // Per stage: the line its number was read from, and whether the file held its supplier
    // ([0]) and customer ([1]) lists to the end.
    std::array<int, MaxStages + 1> StageLine_{};
    std::array<std::array<bool, 2>, MaxStages + 1> ListRead_{};
    // Per stage: what its line gave so far. The model takes it all at once when reading stops:
    // parameters before links, so that each stage's groups are built once.
    struct TStageRead {
        TStageParams Params;
        std::vector<int> Suppliers;
        std::vector<int> Customers;
        int32_t X = 0;
        int32_t Y = 0;
    };
    std::array<TStageRead, MaxStages + 1> Read_{};
};

void TModelReader::NoteEnd(const std::string& What)
{
    if (Result_.Warning.empty()) {
        Result_.Warning = "Line " + std::to_string(Tokens_.Line()) + ": the file ends before " + What +
                          "; what is missing reads as 0.";
        Result_.EndLine = Tokens_.Line();
        Result_.Missing = What;
    }
}

void TModelReader::NoteLeftOver()
{
    const std::string_view Token = Tokens_.Next();
    if (!Token.empty()) {
        Result_.Warning = "Line " + std::to_string(Tokens_.Line()) + ": \"" + Printable(Token) +
                          "\" and whatever follows it after the last stage is not part of a model; it is ignored.";
    }
}

bool TModelReader::ReadVersion(TModelFileVersion& Version)
{
    if (Bytes_.empty() || Bytes_[0] != 'v') {
        Version = TModelFileVersion::V20;
        Result_.Version = 2.0;
        return true;
    }
    Tokens_ = TTokenReader(Bytes_, 1);
    double Number = 0;
    if (!ReadReal(Number, "the version")) {
        return false;
    }
    Result_.Version = Number;
    static constexpr struct {
        double Number;
        TModelFileVersion Version;
    } Known[] = {
        {2.0, TModelFileVersion::V20},
        {2.1, TModelFileVersion::V21},
        {2.2, TModelFileVersion::V22},
        {2.3, TModelFileVersion::V23},
        {2.4, TModelFileVersion::V24},
    };
    for (const auto& K : Known) {
        if (FloatEq(Number, K.Number)) {
            Version = K.Version;
            Result_.Version = K.Number;
            if (Version == TModelFileVersion::V20) {
                Tokens_ = TTokenReader(Bytes_, 0);  // that layout has no version line to skip
            }
            return true;
        }
    }
    return Fail("version " + FormatGeneral(Number) + " is not a model file version this program reads (2.0 to 2.4).");
}

bool TModelReader::ReadInt(int32_t& Value, const std::string& What)
{
    const std::string_view Token = Tokens_.Next();
    if (Token.empty()) {
        NoteEnd(What);
        Value = 0;
        return true;
    }
    if (Token.size() > MaxIntTokenChars) {
        return Fail("expected an integer for " + What + ", found \"" + Printable(Token) + "\" (more than " +
                    std::to_string(MaxIntTokenChars) + " characters).");
    }
    if (!TryParseInt32(Token, Value)) {
        return Fail("expected an integer for " + What + ", found \"" + Printable(Token) + "\".");
    }
    return true;
}

bool TModelReader::ReadReal(double& Value, const std::string& What)
{
    const std::string_view Token = Tokens_.Next();
    if (Token.empty()) {
        NoteEnd(What);
        Value = 0;
        return true;
    }
    if (Token.size() > MaxRealTokenChars) {
        return Fail("expected a number for " + What + ", found \"" + Printable(Token) + "\" (more than " +
                    std::to_string(MaxRealTokenChars) + " characters).");
    }
    if (!TryParseReal(Token, Value)) {
        return Fail("expected a number for " + What + ", found \"" + Printable(Token) + "\".");
    }
    return true;
}

bool TModelReader::ReadToken(const TStageToken& Token, int K, TStageParams& Params)
{
    const std::string What = ParamLongNames[static_cast<std::size_t>(Token.Param)] + " of " + StageName(K);
    switch (Token.Kind) {
    case TTokenKind::Int:
    case TTokenKind::Policy: {
        int32_t Value = 0;
        if (!ReadInt(Value, What)) {
            return false;
        }
        // SetParam turns a policy code outside 0..4 into 0.
        Params.SetParam(Token.Param, Value);
        return true;
    }
    case TTokenKind::Real:
    case TTokenKind::Bound: {
        double Value = 0;
        if (!ReadReal(Value, What)) {
            return false;
        }
        if (Token.Kind == TTokenKind::Bound && FloatEq(Value, InfiniteBoundValue)) {
            Value = std::numeric_limits<double>::infinity();
        }
        Params.SetParam(Token.Param, Value);
        return true;
    }
    case TTokenKind::IntAsReal: {
        double Value = 0;
        if (!ReadReal(Value, What)) {
            return false;
        }
        const double Rounded = std::nearbyint(Value);  // half to even under the default rounding mode
        if (!(Rounded >= std::numeric_limits<int32_t>::min() && Rounded <= std::numeric_limits<int32_t>::max())) {
            return Fail(What + " is " + FormatGeneral(Value) + ", outside the range of an integer.");
        }
        Params.SetParam(Token.Param, Rounded);
        return true;
    }
    }
    return true;
}

bool TModelReader::ReadCount(int& Count, const std::string& What, const std::string& Items)
{
    int32_t Value = 0;
    if (!ReadInt(Value, What)) {
        return false;
    }
    if (Value < 0) {
        return Fail(What + " is " + std::to_string(Value) + "; it cannot be negative.");
    }
    if (Value > MaxLinks) {
        return Fail(What + " is " + std::to_string(Value) + "; at most " + std::to_string(MaxLinks) + " " + Items +
                    " are allowed.");
    }
    Count = Value;
    return true;
}

bool TModelReader::ReadLinks(int K, bool Suppliers)
{
    const std::string Kind = Suppliers ? "supplier" : "customer";
    int Count = 0;
    if (!ReadCount(Count, "the number of " + Kind + "s of " + StageName(K), Kind + "s")) {
        return false;
    }
    // The list grows only with accepted entries, so a failure never leaves an empty slot behind.
    TStageRead& Read = Read_[static_cast<std::size_t>(K)];
    std::vector<int>& Others = Suppliers ? Read.Suppliers : Read.Customers;
    for (int I = 1; I <= Count; ++I) {
        int32_t Other = 0;
        if (!ReadInt(Other, Kind + " " + std::to_string(I) + " of " + StageName(K))) {
            return false;
        }
        if (Tokens_.Ended()) {
            break;  // a list the file ends in holds the stages it names
        }
        if (Other < 1 || Other > Model_.NumStages()) {
            return Fail(StageName(K) + " lists " + Kind + " " + std::to_string(Other) +
                        ", which is not a stage of this model (1 to " + std::to_string(Model_.NumStages()) + ").");
        }
        if (Suppliers && Other <= K) {
            return Fail(StageName(K) + " lists stage " + std::to_string(Other) +
                        " as a supplier; a supplier must have a higher number than its customer.");
        }
        if (!Suppliers && Other >= K) {
            return Fail(StageName(K) + " lists stage " + std::to_string(Other) +
                        " as a customer; a customer must have a lower number than its supplier.");
        }
        if (std::find(Others.begin(), Others.end(), Other) != Others.end()) {
            return Fail(StageName(K) + " lists stage " + std::to_string(Other) + " as a " + Kind + " twice.");
        }
        Others.push_back(Other);
    }
    ListRead_[static_cast<std::size_t>(K)][Suppliers ? 0 : 1] = !Tokens_.Ended();
    return true;
}

// A link joins a customer and a supplier only when each lists the other. A list the file ended
// before is completed from the other side, so that a short file keeps every link it does name.
bool TModelReader::MatchLinks()
{
    for (int K = 1; K <= Model_.NumStages(); ++K) {
        const TStage& S = Model_.Stage(K);
        for (const bool Suppliers : {true, false}) {
            const int Count = Suppliers ? S.NumSuppliers() : S.NumCustomers();
            for (int I = 1; I <= Count; ++I) {
                const TStage& Other = Suppliers ? S.Supplier(I) : S.Customer(I);
                if (Lists(Other, !Suppliers, S)) {
                    continue;
                }
                if (!ListRead_[static_cast<std::size_t>(Other.StageNum)][Suppliers ? 1 : 0]) {
                    std::vector<int> Completed = LinkNumbers(Other, !Suppliers);
                    Completed.push_back(K);
                    [[maybe_unused]] const bool Restored =
                        Model_.RestoreLinkList(Other.StageNum, !Suppliers, Completed);
                    assert(Restored);
                    continue;
                }
                Result_.Ok = false;
                Result_.Line = StageLine_[static_cast<std::size_t>(K)];
                Result_.Message = "Line " + std::to_string(Result_.Line) + ": " + StageName(K) + " lists " +
                                  StageName(Other.StageNum) + (Suppliers ? " as a supplier" : " as a customer") +
                                  ", but " + StageName(Other.StageNum) + " does not list " + StageName(K) +
                                  (Suppliers ? " as a customer." : " as a supplier.");
                return false;
            }
        }
    }
    return true;
}

bool TModelReader::ReadStage(int K, TModelFileVersion Version)
{
    int32_t Number = 0;
    if (!ReadInt(Number, "the number of " + StageName(K))) {
        return false;
    }
    StageLine_[static_cast<std::size_t>(K)] = Tokens_.Line();
    if (Tokens_.Ended()) {
        Number = K;  // a file that ends early leaves its stages numbered by position
    }
    if (Number != K) {
        return Fail("the stage in position " + std::to_string(K) + " is numbered " + std::to_string(Number) +
                    "; stages must be numbered 1, 2, 3, ... in file order.");
    }
    TStageRead& Read = Read_[static_cast<std::size_t>(K)];
    for (const TStageToken& Token : StageTokens(Version)) {
        if (!ReadToken(Token, K, Read.Params)) {
            return false;
        }
    }
    if (!ReadLinks(K, true) || !ReadLinks(K, false)) {
        return false;
    }
    return ReadInt(Read.X, "the box's left of " + StageName(K)) && ReadInt(Read.Y, "the box's top of " + StageName(K));
}

void TModelReader::WriteStages()
{
    for (int K = 1; K <= Model_.NumStages(); ++K) {
        const TStageRead& Read = Read_[static_cast<std::size_t>(K)];
        Model_.SetStageParams(K, Read.Params);
        Model_.SetStagePosition(K, Read.X, Read.Y);
    }
    for (int K = 1; K <= Model_.NumStages(); ++K) {
        const TStageRead& Read = Read_[static_cast<std::size_t>(K)];
        // Every entry was checked as the model checks it.
        [[maybe_unused]] const bool Restored =
            Model_.RestoreLinkList(K, true, Read.Suppliers) && Model_.RestoreLinkList(K, false, Read.Customers);
        assert(Restored);
    }
}

bool TModelReader::ReadPerUnitTime()
{
    const TTokenReader Restart = Tokens_;
    if (Tokens_.Next() != PerUnitTimeMarker) {
        Tokens_ = Restart;  // not the line: whatever it is, it is left over
        return true;
    }
    for (int K = 1; K <= Model_.NumStages(); ++K) {
        const std::string_view Flag = Tokens_.Next();
        if (Flag != "0" && Flag != "1") {
            const std::string Found = Flag.empty() ? "the end of the file" : "\"" + Printable(Flag) + "\"";
            return Fail("expected 1 or 0 for the " + std::string(PerUnitTimeMarker) + " flag of " + StageName(K) +
                        ", found " + Found + ".");
        }
        Model_.SetParam(K, ParamStockoutPerUnitTime, Flag == "1" ? 1.0 : 0.0);
    }
    return true;
}

bool TModelReader::ReadModel(TModelFileVersion Version)
{
    int32_t Count = 0;
    int32_t Option = 0;
    if (!ReadInt(Count, "the number of stages") || !ReadInt(Option, "the \"Service Time >= CST\" option")) {
        return false;
    }
    if (Count < 0) {
        return Fail("the number of stages is " + std::to_string(Count) + "; it cannot be negative.");
    }
    if (Count > MaxStages) {
        return Fail("the number of stages is " + std::to_string(Count) + "; at most " + std::to_string(MaxStages) +
                    " stages are allowed.");
    }
    Model_.SetForceCST(Option != 0);
    for (int K = 1; K <= Count; ++K) {
        Model_.AddStage();
        Read_[static_cast<std::size_t>(K)].Params = Model_.Stage(K).Params();  // a new stage's defaults
    }
    bool Ok = true;
    for (int K = 1; K <= Count && Ok; ++K) {
        Ok = ReadStage(K, Version);
    }
    // What was read stays in the model, also when reading stopped in the middle of a stage.
    WriteStages();
    if (Ok && Version == TModelFileVersion::V24) {
        Ok = ReadPerUnitTime();
    }
    if (Ok) {
        Ok = MatchLinks();
    }
    if (Ok) {
        NoteLeftOver();
    }
    return Ok;
}

}  // namespace

TLoadResult LoadModelFromText(TSimulation& Model, std::string_view Bytes, Dialogs& Messages)
{
    TLoadResult Result;
    if (Model.NumStages() != 0) {
        Result.Ok = false;
        Result.Message = "The model must be empty before a model file is loaded into it.";
        return Result;
    }
    // A UTF-8 byte-order mark that an editor put before the first line.
    constexpr std::string_view ByteOrderMark = "\xEF\xBB\xBF";
    if (Bytes.substr(0, ByteOrderMark.size()) == ByteOrderMark) {
        Bytes.remove_prefix(ByteOrderMark.size());
    }
    if (std::all_of(Bytes.begin(), Bytes.end(), IsTokenSeparator)) {
        Result.Ok = false;
        Result.Message = "The file is empty; it is not a model file.";
        return Result;
    }
    TModelReader Reader(Model, Bytes, Result);
    TModelFileVersion Version = TModelFileVersion::V24;
    if (!Reader.ReadVersion(Version) || !Reader.ReadModel(Version)) {
        Result.Warning.clear();
        Result.EndLine = 0;
        Result.Missing.clear();
        return Result;
    }
    if (Version != TModelFileVersion::V24) {
        Messages.ShowInfo(std::string(ConversionNotice));
    }
    if (!Result.Warning.empty()) {
        Messages.ShowInfo(Result.Warning);
    }
    return Result;
}

TLoadResult LoadModel(TSimulation& Model, const std::string& Path, Dialogs& Messages)
{
    std::string Bytes;
    std::string Message;
    // The largest model holds a few hundred kilobytes even with the longest tokens allowed.
    constexpr std::size_t MaxModelFileBytes = std::size_t{16} << 20;
    if (!ReadWholeFile(Path, Bytes, Message, MaxModelFileBytes)) {
        TLoadResult Result;
        Result.Ok = false;
        Result.Version = 0;
        Result.Message = Message;
        return Result;
    }
    return LoadModelFromText(Model, Bytes, Messages);
}
