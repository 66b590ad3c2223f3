// Inputs kept in tests/data/fuzz/values/, profile/ and rows/: findings of the libFuzzer targets in
// fuzz/ for the readers behind --values, --options and --row, and hand-made hostile ones. Each
// must keep the invariants its target checks (fuzz/ReaderChecks.h).
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/ReaderChecks.h"
#include "support/ScratchDir.h"

namespace fs = std::filesystem;

TEST(ReaderFuzzRegression, EveryKeptInputKeepsItsReadersInvariants)
{
    const struct {
        const char* Folder;
        const char* (*Check)(std::string_view);
    } Readers[] = {{"values", CheckValuesFileInput}, {"profile", CheckProfileInput}, {"rows", CheckRowInput}};
    for (const auto& R : Readers) {
        const std::vector<fs::path> Files = FilesIn(fs::path(ORVANTIS_TEST_DATA_DIR) / "fuzz" / R.Folder);
        EXPECT_FALSE(Files.empty()) << R.Folder;
        for (const fs::path& File : Files) {
            const char* Broken = R.Check(FileBytes(File));
            EXPECT_EQ(Broken, nullptr) << R.Folder << "/" << File.filename().string() << ": " << Broken;
        }
    }
}
