#include <gtest/gtest.h>

#include <fcntl.h>
#include <grp.h>
#include <sys/mount.h>
#include <sys/inotify.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/TextFile.h"
#include "support/FileSizeLimit.h"
#include "support/ScratchDir.h"

namespace fs = std::filesystem;

namespace {

// Runs Save as an ordinary user: directly when the tests do not run as root; as root in a child
// process that has given up root ("nobody"), since root may write any file. Nothing when the
// privileges cannot be dropped.
std::optional<TFileResult> SaveUnprivileged(const std::function<TFileResult()>& Save)
{
    if (::geteuid() != 0) {
        return Save();
    }
    int Pipe[2];
    if (::pipe(Pipe) != 0) {
        return std::nullopt;
    }
    const pid_t Child = ::fork();
    if (Child == 0) {
        ::close(Pipe[0]);
        constexpr uid_t Nobody = 65534;
        if (::setgroups(0, nullptr) != 0 || ::setgid(Nobody) != 0 || ::setuid(Nobody) != 0) {
            ::_exit(3);
        }
        const TFileResult R = Save();
        const std::string Reply = (R.Ok ? "1" : "0") + R.Message;
        const bool Sent = ::write(Pipe[1], Reply.data(), Reply.size()) == static_cast<ssize_t>(Reply.size());
        ::_exit(Sent ? 0 : 4);
    }
    ::close(Pipe[1]);
    std::string Reply;
    char Buffer[512];
    ssize_t Got = 0;
    while ((Got = ::read(Pipe[0], Buffer, sizeof Buffer)) > 0) {
        Reply.append(Buffer, static_cast<std::size_t>(Got));
    }
    ::close(Pipe[0]);
    int Status = 0;
    ::waitpid(Child, &Status, 0);
    if (!WIFEXITED(Status) || WEXITSTATUS(Status) != 0 || Reply.empty()) {
        return std::nullopt;
    }
    return TFileResult{Reply[0] == '1', Reply.substr(1)};
}

struct stat StatOf(const fs::path& File)
{
    struct stat St {};
    EXPECT_EQ(::stat(File.c_str(), &St), 0) << File;
    return St;
}

}  // namespace

TEST(PlatformTextFile, LinesEndWithSingleCarriageReturnAndNoLineFeed)
{
    TScratchDir Dir;
    const fs::path Target = Dir.Path / "history.txt";
    const TFileResult R = WriteLinesCR(Target.string(), {"12/07/2026 10:00:00", "", "  Period  ", "    1,25  "});
    ASSERT_TRUE(R.Ok) << R.Message;
    EXPECT_EQ(R.Message, "");
    const std::string Bytes = FileBytes(Target);
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
    PutFile(Target, "old contents\nover several\nlines\n");
    fs::permissions(Target, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    const TFileResult R = WriteLinesCR(Target.string(), {"new"});
    ASSERT_TRUE(R.Ok) << R.Message;
    EXPECT_EQ(FileBytes(Target), "new\r");
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
    PutFile(Target / "inside.txt", "keep me");
    const TFileResult R = WriteLinesCR(Target.string(), {"a"});
    EXPECT_FALSE(R.Ok);
    EXPECT_NE(R.Message.find(Target.string()), std::string::npos) << R.Message;
    EXPECT_NE(R.Message.find(std::strerror(EISDIR)), std::string::npos) << R.Message;
    EXPECT_TRUE(fs::is_directory(Target));
    EXPECT_EQ(FileBytes(Target / "inside.txt"), "keep me");
    EXPECT_EQ(Dir.Entries(), std::vector<std::string>{"history.txt"});
}

TEST(PlatformTextFile, FailedWriteLeavesTheOldFileAndNoTemporaryFile)
{
    TScratchDir Dir;
    const fs::path Target = Dir.Path / "history.txt";
    PutFile(Target, "the old history\r");
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
    EXPECT_EQ(FileBytes(Target), "the old history\r");
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
    // A link to a file not yet made: the file is made, as the shell's ">" makes it.
    const fs::path Dangling = Dir / "dangling.txt";
    fs::create_symlink(Dir / "made.txt", Dangling);
    ASSERT_TRUE(WriteLinesCR(Dangling.string(), {"made"}).Ok);
    EXPECT_TRUE(fs::is_symlink(Dangling));
    EXPECT_TRUE(fs::is_regular_file(Dir / "made.txt"));
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

TEST(PlatformTextFile, SavingFollowsWhatTheUserMayWriteAsTheShellDoes)
{
    struct TCase {
        const char* Name;
        std::optional<fs::perms> FileMode;  // none: no file yet
        fs::perms FolderMode;
        bool Saved;
        bool InPlace;  // the same file (inode) afterwards
    };
    using P = fs::perms;
    const P ReadOnlyFolder = P::owner_read | P::owner_exec | P::group_read | P::group_exec | P::others_read |
                             P::others_exec;
    const TCase Cases[] = {
        {"read-only file in a writable folder", P::owner_read | P::group_read | P::others_read, P::all, false, true},
        {"writable file in a read-only folder", P::owner_read | P::owner_write | P::group_read | P::group_write |
                                                    P::others_read | P::others_write,
         ReadOnlyFolder, true, true},
        {"new file in a read-only folder", std::nullopt, ReadOnlyFolder, false, false},
    };
    TScratchDir Dir;
    fs::permissions(Dir.Path, P::all);  // the unprivileged user must reach the folders inside
    for (const TCase& C : Cases) {
        SCOPED_TRACE(C.Name);
        const fs::path Folder = Dir.Path / C.Name;
        fs::create_directory(Folder);
        const fs::path Target = Folder / "history.txt";
        if (C.FileMode) {
            PutFile(Target, "old");
            fs::permissions(Target, *C.FileMode);
        }
        fs::permissions(Folder, C.FolderMode);
        struct stat Before {};
        if (C.FileMode) {
            Before = StatOf(Target);
        }
        const std::optional<TFileResult> R = SaveUnprivileged([&] { return WriteLinesCR(Target.string(), {"new"}); });
        if (!R) {
            GTEST_SKIP() << "running as root and the privileges could not be dropped, so no permission applies";
        }
        fs::permissions(Folder, P::all);
        EXPECT_EQ(R->Ok, C.Saved) << R->Message;
        if (!C.Saved) {
            EXPECT_NE(R->Message.find(Target.string() + ":\n" + std::strerror(EACCES)), std::string::npos)
                << R->Message;
        }
        EXPECT_EQ(fs::exists(Target), C.FileMode.has_value());
        if (C.FileMode) {
            const struct stat After = StatOf(Target);
            EXPECT_EQ(FileBytes(Target), C.Saved ? "new\r" : "old");
            EXPECT_EQ(After.st_ino == Before.st_ino, C.InPlace);
            EXPECT_EQ(After.st_mode, Before.st_mode);
            EXPECT_EQ(After.st_uid, Before.st_uid);
        }
        EXPECT_EQ(std::distance(fs::directory_iterator(Folder), fs::directory_iterator()), C.FileMode ? 1 : 0);
    }
}

TEST(PlatformTextFile, ADescriptorNamedAsAFileIsWrittenWhereItStands)
{
    TScratchDir Dir;
    const fs::path Log = Dir.Path / "log.txt";
    PutFile(Log, "before\n");
    // Opened for appending, as the shell's ">>" does.
    const int Fd = ::open(Log.c_str(), O_WRONLY | O_APPEND);
    ASSERT_GE(Fd, 0);
    const std::string FdName = std::to_string(Fd);
    fs::create_symlink("/dev/fd/" + FdName, Dir.Path / "link.txt");
    const std::string Targets[] = {"/dev/fd/" + FdName, "/proc/self/fd/" + FdName, (Dir.Path / "link.txt").string()};
    for (const std::string& Target : Targets) {
        const TFileResult R = WriteLinesCR(Target, {Target});
        EXPECT_TRUE(R.Ok) << R.Message;
    }
    // Standard output itself, led into the log for a moment.
    std::fflush(stdout);
    const int SavedStdout = ::dup(1);
    ASSERT_GE(SavedStdout, 0);
    ::dup2(Fd, 1);
    const TFileResult ToStdout = WriteLinesCR("/dev/stdout", {"stdout"});
    ::dup2(SavedStdout, 1);
    ::close(SavedStdout);
    ::close(Fd);
    EXPECT_TRUE(ToStdout.Ok) << ToStdout.Message;
    EXPECT_EQ(FileBytes(Log), "before\n" + Targets[0] + "\r" + Targets[1] + "\r" + Targets[2] + "\rstdout\r");
    EXPECT_TRUE(fs::is_symlink(Dir.Path / "link.txt"));
    EXPECT_FALSE(WriteLinesCR("/dev/fd/" + FdName, {"closed"}).Ok);  // a closed descriptor is an error
}

TEST(PlatformTextFile, TemporaryFilesAreHiddenAndStaleOnesGoAtTheNextSave)
{
    TScratchDir Dir;
    const fs::path Target = Dir.Path / "results.txt";
    // Left by a process that has ended (no process has this id), and the user's own files.
    const std::string Stale = ".results.txt.tmp999999999-3";
    const std::string Kept[] = {".results.txt.tmpnotes", ".results.txt.tmp" + std::to_string(::getpid()) + "-99999",
                                "results.txt.tmp1-1"};
    PutFile(Dir.Path / Stale, "half");
    for (const std::string& Name : Kept) {
        PutFile(Dir.Path / Name, "mine");
    }
    const int Watch = ::inotify_init1(IN_NONBLOCK);
    ASSERT_GE(Watch, 0);
    ASSERT_GE(::inotify_add_watch(Watch, Dir.Path.c_str(), IN_CREATE), 0);
    ASSERT_TRUE(WriteLinesCR(Target.string(), {"new"}).Ok);
    std::vector<std::string> Created;
    alignas(inotify_event) char Buffer[4096];
    const ssize_t Got = ::read(Watch, Buffer, sizeof Buffer);
    for (ssize_t At = 0; At < Got;) {
        const auto* Event = reinterpret_cast<const inotify_event*>(Buffer + At);
        Created.emplace_back(Event->len > 0 ? Event->name : "");
        At += static_cast<ssize_t>(sizeof(inotify_event) + Event->len);
    }
    ::close(Watch);
    ASSERT_EQ(Created.size(), 1u);  // the temporary file, renamed into place
    EXPECT_EQ(Created[0].rfind(".results.txt.tmp" + std::to_string(::getpid()) + "-", 0), 0u) << Created[0];
    EXPECT_FALSE(fs::exists(Dir.Path / Stale));
    for (const std::string& Name : Kept) {
        EXPECT_TRUE(fs::exists(Dir.Path / Name)) << Name;
    }
    EXPECT_EQ(FileBytes(Target), "new\r");
}

TEST(PlatformTextFile, AWriterStreamsItsPiecesToDiskAndPutsThemInPlaceAtCommit)
{
    TScratchDir Dir;
    const fs::path Target = Dir.Path / "results.txt";
    PutFile(Target, "old");
    // Many small pieces that fill the buffer, and pieces larger than it that go straight out.
    std::vector<std::string> Pieces;
    for (int Line = 0; Line < 100000; ++Line) {
        Pieces.push_back(std::to_string(Line) + "\r");
    }
    Pieces.insert(Pieces.begin() + 1000, std::string(3 << 20, 'a'));
    Pieces.insert(Pieces.begin() + 5000, std::string(100001, 'b'));
    Pieces.push_back("");
    std::string Expected;
    TAtomicFileWriter Writer(Target.string());
    ASSERT_TRUE(Writer.Status().Ok) << Writer.Status().Message;
    for (const std::string& Piece : Pieces) {
        ASSERT_TRUE(Writer.Write(Piece));
        Expected += Piece;
    }
    // Before Commit the bytes are on disk, bar what one buffer holds, and the old file stands.
    std::vector<std::string> During = Dir.Entries();
    std::erase(During, "results.txt");
    ASSERT_EQ(During.size(), 1u);
    EXPECT_EQ(During[0].rfind(".results.txt.tmp", 0), 0u) << During[0];
    EXPECT_GE(fs::file_size(Dir.Path / During[0]) + (1 << 20), Expected.size());
    EXPECT_EQ(FileBytes(Target), "old");
    const TFileResult R = Writer.Commit();
    ASSERT_TRUE(R.Ok) << R.Message;
    EXPECT_TRUE(FileBytes(Target) == Expected);
    EXPECT_EQ(Dir.Entries(), std::vector<std::string>{"results.txt"});
}

TEST(PlatformTextFile, AnAbandonedWriterLeavesThePathAsItWasAndNoTemporary)
{
    for (const bool Existed : {true, false}) {
        SCOPED_TRACE(Existed ? "an existing file" : "a new file");
        TScratchDir Dir;
        const fs::path Target = Dir.Path / "results.txt";
        if (Existed) {
            PutFile(Target, "old");
        }
        {
            TAtomicFileWriter Writer(Target.string());
            ASSERT_TRUE(Writer.Write(std::string(1 << 20, 'x')));
            ASSERT_TRUE(Writer.Write("the rest"));
        }
        EXPECT_EQ(Dir.Entries(), Existed ? std::vector<std::string>{"results.txt"} : std::vector<std::string>{});
        if (Existed) {
            EXPECT_EQ(FileBytes(Target), "old");
        }
    }
}

TEST(PlatformTextFile, CheckCanWriteAnswersAsASaveWouldAndTouchesNothing)
{
    struct TCase {
        const char* Name;
        std::string Target;
        int Error;          // 0: the save can be made
        bool Unprivileged;  // as a user other than root, whom no permission stops
    };
    using P = fs::perms;
    const P Writable = P::owner_write | P::group_write | P::others_write;
    TScratchDir Dir;
    fs::permissions(Dir.Path, P::all);  // the unprivileged user must reach the folders inside
    fs::create_directory(Dir.Path / "folder");
    PutFile(Dir.Path / "folder" / "inside.txt", "keep me");
    PutFile(Dir.Path / "existing.txt", "old");
    fs::create_directory(Dir.Path / "read-only");
    PutFile(Dir.Path / "read-only" / "shared.txt", "old");
    fs::permissions(Dir.Path / "read-only" / "shared.txt", P::owner_read | P::group_read | P::others_read | Writable);
    fs::permissions(Dir.Path / "read-only", P::all & ~Writable);
    const auto Unlock = [&] { fs::permissions(Dir.Path / "read-only", P::all); };  // so that it can be removed
    const auto In = [&](const char* Name) { return (Dir.Path / Name).string(); };
    const TCase Cases[] = {
        {"missing folder", In("no such folder/out.txt"), ENOENT, false},
        {"a folder as the target", In("folder"), EISDIR, false},
        {"an existing file", In("existing.txt"), 0, false},
        {"a new file in an existing folder", In("new.txt"), 0, false},
        {"a device", "/dev/null", 0, false},
        {"a new file in a read-only folder", In("read-only/out.txt"), EACCES, true},
        {"a writable file in a read-only folder", In("read-only/shared.txt"), 0, true},
        {"a name longer than the folder takes", (Dir.Path / std::string(300, 'n')).string(), ENAMETOOLONG, false},
    };
    const auto Tree = [&] {
        std::vector<std::string> Names;
        for (const fs::directory_entry& E : fs::recursive_directory_iterator(Dir.Path)) {
            Names.push_back(fs::relative(E.path(), Dir.Path).string() + " " +
                            (E.is_regular_file() ? FileBytes(E.path()) : std::string()));
        }
        std::sort(Names.begin(), Names.end());
        return Names;
    };
    const std::vector<std::string> Before = Tree();
    for (const TCase& C : Cases) {
        SCOPED_TRACE(C.Name);
        const std::optional<TFileResult> R =
            C.Unprivileged ? SaveUnprivileged([&] { return CheckCanWrite(C.Target); }) : CheckCanWrite(C.Target);
        if (!R) {
            Unlock();
            GTEST_SKIP() << "running as root and the privileges could not be dropped, so no permission applies";
        }
        EXPECT_EQ(R->Ok, C.Error == 0);
        EXPECT_EQ(R->Message, C.Error == 0 ? std::string()
                                           : "Cannot write file " + C.Target + ":\n" + std::strerror(C.Error) + ".");
        EXPECT_EQ(Tree(), Before);
    }
    Unlock();
}

TEST(PlatformTextFile, ASaveEndedBySignalLeavesNoTemporary)
{
    for (const int Signal : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(strsignal(Signal));
        struct sigaction Current {};
        ::sigaction(Signal, nullptr, &Current);
        if (Current.sa_handler == SIG_IGN) {
            continue;  // ignored by whoever started the tests: the signal ends no save
        }
        TScratchDir Dir;
        const fs::path Target = Dir.Path / "results.txt";
        int Ready[2];
        ASSERT_EQ(::pipe(Ready), 0);
        const pid_t Child = ::fork();
        ASSERT_GE(Child, 0);
        if (Child == 0) {
            ::close(Ready[0]);
            TAtomicFileWriter Writer(Target.string());
            const char Written = Writer.Write(std::string(1 << 20, 'x')) ? '1' : '0';  // more than a buffer: on disk
            if (::write(Ready[1], &Written, 1) != 1) {
                ::_exit(3);
            }
            for (;;) {
                ::pause();
            }
        }
        ::close(Ready[1]);
        char Written = 0;
        const bool Told = ::read(Ready[0], &Written, 1) == 1;
        ::close(Ready[0]);
        const std::vector<std::string> During = Dir.Entries();
        ::kill(Child, Signal);
        int Status = 0;
        ASSERT_EQ(::waitpid(Child, &Status, 0), Child);
        ASSERT_TRUE(Told && Written == '1');
        ASSERT_EQ(During.size(), 1u);
        EXPECT_EQ(During[0].rfind(".results.txt.tmp", 0), 0u) << During[0];
        EXPECT_TRUE(WIFSIGNALED(Status) && WTERMSIG(Status) == Signal) << Status;
        EXPECT_EQ(Dir.Entries(), std::vector<std::string>{});
    }
}

TEST(PlatformTextFile, ARewriteInPlaceOnAFullDiskLeavesTheOldFileByteForByte)
{
    struct TCase {
        const char* Name;
        std::size_t OldSize;
        std::size_t NewSize;
        bool Saved;
    };
    const TCase Cases[] = {
        {"new bytes fit in the old file's room", 16 << 10, 12 << 10, true},
        {"new bytes need more room than is left", 8 << 10, 64 << 10, false},
    };
    for (const TCase& C : Cases) {
        SCOPED_TRACE(C.Name);
        TScratchDir Dir;
        fs::permissions(Dir.Path, fs::perms::all);  // the unprivileged user must reach the folder inside
        const fs::path Small = Dir.Path / "small";
        fs::create_directory(Small);
        // A folder of root's that no one else may add to, on a small file system of its own.
        if (::mount("tmpfs", Small.c_str(), "tmpfs", 0, "size=128k,mode=0755") != 0) {
            GTEST_SKIP() << "no small file system can be mounted here: " << std::strerror(errno);
        }
        struct TUnmount {
            const fs::path& Folder;
            ~TUnmount() { ::umount2(Folder.c_str(), MNT_DETACH); }
        } Unmount{Small};
        const fs::path Target = Small / "history.txt";
        std::string Old;
        for (std::size_t I = 0; Old.size() < C.OldSize; ++I) {
            Old += "old line " + std::to_string(I) + "\r";
        }
        Old.resize(C.OldSize);
        PutFile(Target, Old);
        fs::permissions(Target, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                                    fs::perms::group_write | fs::perms::others_read | fs::perms::others_write);
        {
            std::ofstream Filler(Small / "filler", std::ios::binary);
            const std::string Block(4096, 'f');
            while (Filler.write(Block.data(), Block.size()) && Filler.flush()) {
            }
        }
        const std::string New(C.NewSize, 'n');
        const std::optional<TFileResult> R = SaveUnprivileged([&] { return WriteFileAtomically(Target.string(), New); });
        if (!R) {
            GTEST_SKIP() << "running as root and the privileges could not be dropped, so the folder takes new files";
        }
        EXPECT_EQ(R->Ok, C.Saved) << R->Message;
        if (!C.Saved) {
            EXPECT_EQ(R->Message, "Cannot write file " + Target.string() + ":\n" + std::strerror(ENOSPC) + ".");
        }
        EXPECT_TRUE(FileBytes(Target) == (C.Saved ? New : Old));
    }
}
