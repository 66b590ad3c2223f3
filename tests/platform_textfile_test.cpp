#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "platform/TextFile.h"

namespace fs = std::filesystem;

namespace {

// A fresh directory for one test, removed with everything in it at the end.
class TScratchDir {
public:
    TScratchDir()
    {
        std::string Pattern = (fs::temp_directory_path() / "orvantis_textfile_XXXXXX").string();
        if (mkdtemp(Pattern.data()) == nullptr) {
            ADD_FAILURE() << "mkdtemp: " << std::strerror(errno);
        }
        Path = Pattern;
    }
    ~TScratchDir()
    {
        std::error_code Ec;
        fs::remove_all(Path, Ec);
    }
    TScratchDir(const TScratchDir&) = delete;
    TScratchDir& operator=(const TScratchDir&) = delete;

    // Names of the entries directly in the directory.
    std::vector<std::string> Entries() const
    {
        std::vector<std::string> Names;
        for (const fs::directory_entry& E : fs::directory_iterator(Path)) {
            Names.push_back(E.path().filename().string());
        }
        return Names;
    }

    fs::path Path;
};

// The file's bytes, read without the code under test.
std::string Contents(const fs::path& File)
{
    std::ifstream In(File, std::ios::binary);
    EXPECT_TRUE(In.good()) << "cannot read " << File;
    return std::string(std::istreambuf_iterator<char>(In), std::istreambuf_iterator<char>());
}

// Writes a file directly, without the code under test.
void Put(const fs::path& File, const std::string& Text)
{
    std::FILE* F = std::fopen(File.c_str(), "wb");
    ASSERT_NE(F, nullptr);
    std::fwrite(Text.data(), 1, Text.size(), F);
    std::fclose(F);
}

// Lowers the process's file size limit for its lifetime, the way a full disk stops a write
// even for root; SIGXFSZ is ignored so the write fails with EFBIG instead of ending the process.
class TFileSizeLimit {
public:
    explicit TFileSizeLimit(rlim_t Bytes)
    {
        getrlimit(RLIMIT_FSIZE, &Old_);
        OldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit New = Old_;
        New.rlim_cur = Bytes;
        Ok = setrlimit(RLIMIT_FSIZE, &New) == 0;
    }
    ~TFileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &Old_);
        std::signal(SIGXFSZ, OldHandler_);
    }
    TFileSizeLimit(const TFileSizeLimit&) = delete;
    TFileSizeLimit& operator=(const TFileSizeLimit&) = delete;
    bool Ok = false;

private:
    rlimit Old_{};
    void (*OldHandler_)(int) = SIG_DFL;
};

}  // namespace

TEST(PlatformTextFile, LinesEndWithSingleCarriageReturnAndNoLineFeed)
{
    TScratchDir Dir;
    const fs::path Target = Dir.Path / "history.txt";
    const TFileResult R = WriteLinesCR(Target.string(), {"12/07/2026 10:00:00", "", "  Period  ", "    1,25  "});
    ASSERT_TRUE(R.Ok) << R.Message;
    EXPECT_EQ(R.Message, "");
    const std::string Bytes = Contents(Target);
    EXPECT_EQ(Bytes, "12/07/2026 10:00:00\r\r  Period  \r    1,25  \r");
    EXPECT_EQ(Bytes.find('\n'), std::string::npos);
    EXPECT_EQ(Dir.Entries(), std::vector<std::string>{"history.txt"});
}

TEST(PlatformTextFile, NoLinesGiveAnEmptyFile)
{
    TScratchDir Dir;
    const fs::path Target = Dir.Path / "empty.txt";
    ASSERT_TRUE(WriteLinesCR(Target.string(), {}).Ok);
    EXPECT_TRUE(fs::exists(Target));
    EXPECT_EQ(fs::file_size(Target), 0u);
}

TEST(PlatformTextFile, ReplacesAnExistingFileAndKeepsItsPermissions)
{
    TScratchDir Dir;
    const fs::path Target = Dir.Path / "results.txt";
    Put(Target, "old contents\nover several\nlines\n");
    fs::permissions(Target, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    const TFileResult R = WriteLinesCR(Target.string(), {"new"});
    ASSERT_TRUE(R.Ok) << R.Message;
    EXPECT_EQ(Contents(Target), "new\r");
    EXPECT_EQ(fs::status(Target).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(Dir.Entries(), std::vector<std::string>{"results.txt"});
}

TEST(PlatformTextFile, TargetInMissingDirectoryNamesPathAndReason)
{
    TScratchDir Dir;
    const std::string Target = (Dir.Path / "no such folder" / "history.txt").string();
    const TFileResult R = WriteLinesCR(Target, {"a", "b"});
    EXPECT_FALSE(R.Ok);
    EXPECT_NE(R.Message.find(Target), std::string::npos) << R.Message;
    EXPECT_NE(R.Message.find(std::strerror(ENOENT)), std::string::npos) << R.Message;
    EXPECT_TRUE(Dir.Entries().empty());
}

TEST(PlatformTextFile, DirectoryAsTargetIsRefusedAndLeftAsItWas)
{
    TScratchDir Dir;
    const fs::path Target = Dir.Path / "history.txt";
    fs::create_directory(Target);
    Put(Target / "inside.txt", "keep me");
    const TFileResult R = WriteLinesCR(Target.string(), {"a"});
    EXPECT_FALSE(R.Ok);
    EXPECT_NE(R.Message.find(Target.string()), std::string::npos) << R.Message;
    EXPECT_NE(R.Message.find(std::strerror(EISDIR)), std::string::npos) << R.Message;
    EXPECT_TRUE(fs::is_directory(Target));
    EXPECT_EQ(Contents(Target / "inside.txt"), "keep me");
    EXPECT_EQ(Dir.Entries(), std::vector<std::string>{"history.txt"});
}

TEST(PlatformTextFile, FailedWriteLeavesTheOldFileAndNoTemporaryFile)
{
    TScratchDir Dir;
    const fs::path Target = Dir.Path / "history.txt";
    Put(Target, "the old history\r");
    const std::vector<std::string> Lines(2000, std::string(100, 'x'));
    TFileResult R;
    {
        TFileSizeLimit Limit(4096);
        ASSERT_TRUE(Limit.Ok);
        R = WriteLinesCR(Target.string(), Lines);
    }
    EXPECT_FALSE(R.Ok);
    EXPECT_NE(R.Message.find(Target.string()), std::string::npos) << R.Message;
    EXPECT_NE(R.Message.find(std::strerror(EFBIG)), std::string::npos) << R.Message;
    EXPECT_EQ(Contents(Target), "the old history\r");
    EXPECT_EQ(Dir.Entries(), std::vector<std::string>{"history.txt"});
}

TEST(PlatformTextFile, SavingThroughALinkReplacesTheFileItPointsTo)
{
    const fs::path Dir = fs::temp_directory_path() / "orvantis_textfile_link";
    fs::remove_all(Dir);
    fs::create_directories(Dir);
    const fs::path Real = Dir / "real.txt";
    const fs::path Link = Dir / "link.txt";
    std::ofstream(Real) << "old";
    fs::create_symlink(Real, Link);
    ASSERT_TRUE(WriteLinesCR(Link.string(), {"new"}).Ok);
    EXPECT_TRUE(fs::is_symlink(Link));
    std::ifstream In(Real, std::ios::binary);
    const std::string Bytes((std::istreambuf_iterator<char>(In)), {});
    EXPECT_EQ(Bytes, "new\r");
    fs::remove_all(Dir);
}

TEST(PlatformTextFile, APipeIsWrittenToNotReplaced)
{
    const fs::path Dir = fs::temp_directory_path() / "orvantis_textfile_fifo";
    fs::remove_all(Dir);
    fs::create_directories(Dir);
    const fs::path Fifo = Dir / "pipe";
    ASSERT_EQ(::mkfifo(Fifo.c_str(), 0600), 0);
    std::string Received;
    std::thread Reader([&] {
        std::ifstream In(Fifo, std::ios::binary);
        Received.assign(std::istreambuf_iterator<char>(In), {});
    });
    const TFileResult Result = WriteLinesCR(Fifo.string(), {"a", "b"});
    Reader.join();
    EXPECT_TRUE(Result.Ok) << Result.Message;
    EXPECT_EQ(Received, "a\rb\r");
    EXPECT_TRUE(fs::is_fifo(Fifo));
    fs::remove_all(Dir);
}

TEST(PlatformTextFile, ReadingStopsAtTheSizeLimit)
{
    const fs::path File = fs::temp_directory_path() / "orvantis_textfile_limit.txt";
    std::ofstream(File, std::ios::binary) << std::string(100, 'x');
    std::string Contents;
    std::string Message;
    EXPECT_TRUE(ReadWholeFile(File.string(), Contents, Message, 100));
    EXPECT_EQ(Contents.size(), 100u);
    EXPECT_FALSE(ReadWholeFile(File.string(), Contents, Message, 99));
    EXPECT_NE(Message.find(File.string()), std::string::npos);
    EXPECT_TRUE(Contents.empty());
    EXPECT_FALSE(ReadWholeFile((fs::temp_directory_path() / "orvantis_no_such_file").string(), Contents, Message));
    fs::remove(File);
}
