// libFuzzer target: any bytes given to the model file reader. A load must never crash, hang or
// grow without bound; whatever it leaves in the model must be a well-formed network; and a model
// it accepts must write a file that reads back to the very same text.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "engine/Simulation.h"
#include "checks/CheckModel.h"
#include "model_files/ModelFile.h"
#include "platform/Dialogs.h"

namespace {

[[noreturn]] void Broken(const char* What)
{
    std::fprintf(stderr, "invariant broken: %s\n", What);
    std::abort();
}

bool LinksInside(const TSimulation& Model, const TStage& S, bool Suppliers)
{
    const int Count = Suppliers ? S.NumSuppliers() : S.NumCustomers();
    if (Count < 0 || Count > MaxLinks) {
        return false;
    }
    for (int K = 1; K <= Count; ++K) {
        const TStage* Other = Suppliers ? &S.Supplier(K) : &S.Customer(K);
        if (Other->StageNum < 1 || Other->StageNum > Model.NumStages() ||
            &Model.Stage(Other->StageNum) != Other) {
            return false;
        }
        if (Suppliers ? Other->StageNum <= S.StageNum : Other->StageNum >= S.StageNum) {
            return false;
        }
    }
    return true;
}

// Each stage that a list of S names lists S back.
bool LinksAgree(const TStage& S, bool Suppliers)
{
    const int Count = Suppliers ? S.NumSuppliers() : S.NumCustomers();
    for (int K = 1; K <= Count; ++K) {
        const bool Back = Suppliers ? S.Supplier(K).HasCustomer(S) : S.Customer(K).HasSupplier(S);
        if (!Back) {
            return false;
        }
    }
    return true;
}

void CheckInvariants(const TSimulation& Model)
{
    if (Model.NumStages() < 0 || Model.NumStages() > MaxStages) {
        Broken("stage count");
    }
    for (int N = 1; N <= Model.NumStages(); ++N) {
        const TStage& S = Model.Stage(N);
        if (S.StageNum != N) {
            Broken("stage number");
        }
        if (!LinksInside(Model, S, true) || !LinksInside(Model, S, false)) {
            Broken("link");
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, std::size_t Size)
{
    const std::string_view Bytes(reinterpret_cast<const char*>(Data), Size);
    TSilentDialogs Silent;
    TSimulation Model;
    const TLoadResult Result = LoadModelFromText(Model, Bytes, Silent);
    CheckInvariants(Model);
    if (Result.Ok != Result.Message.empty()) {
        Broken("result and message disagree");
    }
    if (!Result.Ok) {
        return 0;
    }
    for (int N = 1; N <= Model.NumStages(); ++N) {
        if (!LinksAgree(Model.Stage(N), true) || !LinksAgree(Model.Stage(N), false)) {
            Broken("an accepted model lists a link on one side only");
        }
    }
    CheckModel(Model, Silent);  // walks the echelon demand over every link

    const std::string Text = ModelFileText(Model);
    TSimulation Again;
    const TLoadResult Reload = LoadModelFromText(Again, Text, Silent);
    if (!Reload.Ok) {
        std::fprintf(stderr, "%s\n", Reload.Message.c_str());
        Broken("a written model does not read back");
    }
    CheckInvariants(Again);
    if (ModelFileText(Again) != Text) {
        Broken("a written model reads back to a different text");
    }
    return 0;
}
