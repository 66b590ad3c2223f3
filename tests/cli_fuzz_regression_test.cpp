// Inputs kept in tests/data/fuzz/values/, profile/ and rows/: findings of the libFuzzer targets in
// fuzz/ for the readers behind --values, --options and --row, and hand-made hostile ones. Each
// must keep the invariants its target checks (fuzz/ReaderChecks.h).
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/ReaderChecks.h"

namespace fs = std::filesystem;

namespace {

std::vector<fs::path> FilesIn(const fs::path& Folder)
{
    std::vector<fs::path> Files;
    for (const auto& Entry : fs::directory_iterator(Folder)) {
        if (Entry.is_regular_file()) {
            Files.push_back(Entry.path());
        }
    }
    std::sort(Files.begin(), Files.end());
    return Files;
}

std::string ReadBytes(const fs::path& Path)
{
    std::ifstream In(Path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(In), {});
}

}  // namespace

TEST(ReaderFuzzRegression, EveryKeptInputKeepsItsReadersInvariants)
{
    const struct {
        const char* Folder;
        const char* (*Check)(std::string_view);
    } Readers[] = {{"values", CheckValuesFileInput}, {"profile", CheckProfileInput}, {"rows", CheckRowSpecInput}};
    for (const auto& R : Readers) {
        const std::vector<fs::path> Files = FilesIn(fs::path(ORVANTIS_TEST_DATA_DIR) / "fuzz" / R.Folder);
        EXPECT_FALSE(Files.empty()) << R.Folder;
        for (const fs::path& File : Files) {
            const char* Broken = R.Check(ReadBytes(File));
            EXPECT_EQ(Broken, nullptr) << R.Folder << "/" << File.filename().string() << ": " << Broken;
        }
    }
}
