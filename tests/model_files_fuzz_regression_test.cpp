// Model files kept in tests/data/fuzz/ (its folders hold other readers' inputs): files that once
// broke the reader (found by the libFuzzer target in fuzz/) and hand-made hostile ones. Each must
// load or fail cleanly, leave a well-formed network behind and, when accepted, write a file that
// reads back to the same text.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "engine/Simulation.h"
#include "checks/CheckModel.h"
#include "model_files/ModelFile.h"
#include "platform/Dialogs.h"
#include "support/ScratchDir.h"

namespace fs = std::filesystem;

namespace {

// Every stage numbered by its position; every link to another stage of the model, customer
// numbered below supplier.
void ExpectWellFormed(const TSimulation& Model, const std::string& Name)
{
    ASSERT_GE(Model.NumStages(), 0) << Name;
    ASSERT_LE(Model.NumStages(), MaxStages) << Name;
    for (int N = 1; N <= Model.NumStages(); ++N) {
        const TStage& S = Model.Stage(N);
        EXPECT_EQ(S.StageNum, N) << Name;
        ASSERT_GE(S.NumSuppliers(), 0) << Name;
        ASSERT_LE(S.NumSuppliers(), MaxLinks) << Name;
        ASSERT_GE(S.NumCustomers(), 0) << Name;
        ASSERT_LE(S.NumCustomers(), MaxLinks) << Name;
        for (int K = 1; K <= S.NumSuppliers(); ++K) {
            const TStage* Other = &S.Supplier(K);
            ASSERT_NE(Other, nullptr) << Name;
            ASSERT_GT(Other->StageNum, N) << Name;
            ASSERT_LE(Other->StageNum, Model.NumStages()) << Name;
            EXPECT_EQ(&Model.Stage(Other->StageNum), Other) << Name;
        }
        for (int K = 1; K <= S.NumCustomers(); ++K) {
            const TStage* Other = &S.Customer(K);
            ASSERT_NE(Other, nullptr) << Name;
            ASSERT_GE(Other->StageNum, 1) << Name;
            ASSERT_LT(Other->StageNum, N) << Name;
            EXPECT_EQ(&Model.Stage(Other->StageNum), Other) << Name;
        }
    }
}

}  // namespace

TEST(ModelFileFuzzRegression, EveryKeptInputLoadsCleanlyAndRoundTrips)
{
    const std::vector<fs::path> Files = FilesIn(fs::path(ORVANTIS_TEST_DATA_DIR) / "fuzz");
    ASSERT_FALSE(Files.empty());
    for (const fs::path& File : Files) {
        const std::string Name = File.filename().string();
        TSilentDialogs Silent;
        TSimulation Model;
        const TLoadResult Result = LoadModelFromText(Model, FileBytes(File), Silent);
        EXPECT_EQ(Result.Ok, Result.Message.empty()) << Name << ": " << Result.Message;
        ExpectWellFormed(Model, Name);
        if (!Result.Ok) {
            EXPECT_EQ(Result.Message.rfind("Line ", 0), 0u) << Name << ": " << Result.Message;
            continue;
        }
        CheckModel(Model, Silent);
        const std::string Text = ModelFileText(Model);
        TSimulation Again;
        const TLoadResult Reload = LoadModelFromText(Again, Text, Silent);
        ASSERT_TRUE(Reload.Ok) << Name << ": " << Reload.Message;
        EXPECT_EQ(ModelFileText(Again), Text) << Name;
    }
}
