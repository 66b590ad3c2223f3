#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <limits>
#include <optional>
#include <string>

#include "platform/Profile.h"
#include "support/FileSizeLimit.h"
#include "support/ScratchDir.h"

namespace fs = std::filesystem;

TEST(PlatformProfile, ReadsFilesAsPeopleWriteThem)
{
    struct TCase {
        const char* Why;
        std::string Text;
        const char* Section;
        const char* Key;
        std::optional<std::string> Expected;
    };
    const TCase Cases[] = {
        {"line feeds", "[A]\nx=1\ny=2\n", "A", "y", "2"},
        {"carriage returns alone", "[A]\rx=1\ry=2\r", "A", "y", "2"},
        {"CR LF", "[A]\r\nx=1\r\ny=2\r\n", "A", "y", "2"},
        {"no end at the last line", "[A]\nx=1", "A", "x", "1"},
        {"blanks and tabs around names and values", "  [ Total Cost ]\t\n \t MeanChecked \t=  7 \t\n", "Total Cost",
         "MeanChecked", "7"},
        {"blanks inside a value stay", "[A]\nx = a b \n", "A", "x", "a b"},
        {"a comment line", "[A]\n;x=1\n  ; x=2\nx=3\n", "A", "x", "3"},
        {"section and key in any case", "[total COST]\nmeanCHECKED=1\n", "Total Cost", "MeanChecked", "1"},
        {"the first repeated key counts", "[A]\nx=1\nX=2\n", "A", "x", "1"},
        {"the first repeated section counts", "[A]\nx=1\n[B]\n[a]\nx=2\ny=3\n", "A", "x", "1"},
        {"a repeated section's keys are ignored", "[A]\nx=1\n[a]\ny=3\n", "A", "y", std::nullopt},
        {"keys before any section belong to none", "x=1\n[A]\n", "A", "x", std::nullopt},
        {"a line without '=' is skipped", "[A]\nx\nx=5\n", "A", "x", "5"},
        {"a value may hold '='", "[A]\nx=a=b\n", "A", "x", "a=b"},
        {"an empty value", "[A]\nx=\n", "A", "x", ""},
        {"missing section", "[A]\nx=1\n", "B", "x", std::nullopt},
        {"byte order mark", "\xEF\xBB\xBF[A]\nx=1\n", "A", "x", "1"},
    };
    for (const TCase& C : Cases) {
        EXPECT_EQ(TProfile::Parse(C.Text).Value(C.Section, C.Key), C.Expected) << C.Why;
    }
}

TEST(PlatformProfile, IntegersAreDecimalOrHexadecimal)
{
    constexpr int64_t Max = std::numeric_limits<int64_t>::max();
    constexpr int64_t Min = std::numeric_limits<int64_t>::min();
    const std::pair<const char*, std::optional<int64_t>> Cases[] = {
        {"1", 1},       {"2", 2},          {"-1", -1},      {"+7", 7},         {"0", 0},
        {"0x1F", 31},   {"0X10", 16},      {"$ff", 255},    {"$7FFFFFFF", 2147483647},
        {"99999999999999999999", Max},     {"-99999999999999999999", Min}, {"0xFFFFFFFFFFFFFFFFFF", Max},
        {"yes", {}},    {"", {}},          {"1.0", {}},     {"0x", {}},        {"$", {}},
        {"1 ;note", {}}, {"- 1", {}},      {"0x-1", {}},    {"1e3", {}},       {"-0x10", {}},
    };
    for (const auto& [Text, Expected] : Cases) {
        EXPECT_EQ(ParseProfileInteger(Text), Expected) << Text;
    }
    const TProfile P = TProfile::Parse("[A]\nx=yes\ny=$10\n");
    EXPECT_EQ(P.ReadInteger("A", "x", -5), -5);
    EXPECT_EQ(P.ReadInteger("a", "Y", -5), 16);
    EXPECT_EQ(P.ReadInteger("A", "z", -5), -5);
}

TEST(PlatformProfile, WrittenTextReadsBackAndReplacesKeysInAnyCase)
{
    TProfile P;
    P.Write("Total Cost", "MeanChecked", "1");
    P.Write("OtherMeasures", "SDTtlCost", "0");
    P.Write("total cost", "meanchecked", "0");
    P.Write("Total Cost", "SEMChecked", "1");
    EXPECT_EQ(P.Text(), "[Total Cost]\nMeanChecked=0\nSEMChecked=1\n[OtherMeasures]\nSDTtlCost=0\n");
    const TProfile Back = TProfile::Parse(P.Text());
    EXPECT_EQ(Back.ReadInteger("Total Cost", "SEMChecked", 0), 1);
    EXPECT_EQ(Back.ReadInteger("OtherMeasures", "SDTtlCost", 7), 0);
}

TEST(PlatformProfile, FailedSaveKeepsTheOldFileWhole)
{
    TScratchDir Dir;
    const fs::path File = Dir.Path / "options.ini";
    const std::string Old = "[A]\nx=1\n";
    PutFile(File, Old);
    TProfile Big;
    for (int I = 0; I < 200; ++I) {
        Big.Write("Section", "Key" + std::to_string(I), "1");
    }
    {
        const TFileSizeLimit Limit(64);
        ASSERT_TRUE(Limit.Ok);
        EXPECT_FALSE(SaveProfile(File.string(), Big).Ok);
    }
    EXPECT_EQ(FileBytes(File), Old);
    EXPECT_EQ(Dir.Entries(), std::vector<std::string>{"options.ini"});
    ASSERT_TRUE(SaveProfile(File.string(), Big).Ok);
    EXPECT_EQ(FileBytes(File), Big.Text());
    EXPECT_EQ(TProfile::Load(File.string()).ReadInteger("section", "key199", 0), 1);
    EXPECT_EQ(TProfile::Load((Dir.Path / "missing.ini").string()).Text(), "");
}

TEST(PlatformProfile, DeletingAMissingFileSucceeds)
{
    TScratchDir Dir;
    const fs::path File = Dir.Path / "user.ini";
    PutFile(File, "[A]\n");
    EXPECT_TRUE(DeleteProfile(File.string()));
    EXPECT_FALSE(fs::exists(File));
    EXPECT_TRUE(DeleteProfile(File.string()));
    fs::create_directory(Dir.Path / "full");
    PutFile(Dir.Path / "full" / "x", "");
    EXPECT_FALSE(DeleteProfile((Dir.Path / "full").string()));  // a folder with files stays
}

TEST(PlatformProfile, UserConfigFolderFollowsXdgThenHome)
{
    struct TCase {
        const char* Xdg;
        const char* Home;
        const char* Expected;
    };
    const TCase Cases[] = {
        {"/x/cfg", "/home/u", "/x/cfg/orvantis"},
        {nullptr, "/home/u", "/home/u/.config/orvantis"},
        {"", "/home/u", "/home/u/.config/orvantis"},
        {"relative/cfg", "/home/u", "/home/u/.config/orvantis"},
        {"/x/cfg", nullptr, "/x/cfg/orvantis"},
        {nullptr, nullptr, ""},
        {nullptr, "", ""},
    };
    for (const TCase& C : Cases) {
        EXPECT_EQ(UserConfigFolder(C.Xdg, C.Home), C.Expected) << (C.Xdg ? C.Xdg : "(unset)") << " " << (C.Home ? C.Home : "(unset)");
    }
}

TEST(PlatformProfile, ExecutableFolderHoldsThisTestProgram)
{
    EXPECT_TRUE(fs::exists(fs::path(ExecutableFolder()) / "platform_tests"));
}

TEST(PlatformProfile, DeliveredFileIsBesideTheProgramElseInItsSharedFolder)
{
    struct TCase {
        const char* Why;
        bool Beside;
        bool Shared;
        const char* Expected;  // relative to the scratch root
    };
    const TCase Cases[] = {
        {"a build folder", true, false, "bin/ORVTVOF.ini"},
        {"an installation", false, true, "share/orvantis/ORVTVOF.ini"},
        {"both: the build folder wins", true, true, "bin/ORVTVOF.ini"},
        {"neither: the first place looked", false, false, "bin/ORVTVOF.ini"},
    };
    for (const TCase& C : Cases) {
        const TScratchDir Root;
        fs::create_directories(Root.Path / "bin");
        fs::create_directories(Root.Path / "share" / "orvantis");
        if (C.Beside) {
            PutFile(Root.Path / "bin" / "ORVTVOF.ini", "[Total Cost]\n");
        }
        if (C.Shared) {
            PutFile(Root.Path / "share" / "orvantis" / "ORVTVOF.ini", "[Total Cost]\n");
        }
        EXPECT_EQ(DeliveredFilePath((Root.Path / "bin").string(), "ORVTVOF.ini"), (Root.Path / C.Expected).string()) << C.Why;
    }
    EXPECT_EQ(DeliveredFilePath("", "ORVTVOF.ini"), "");
}
