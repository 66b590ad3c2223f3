#include "platform/TextFile.h"

#include <atomic>
#include <cassert>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <memory>
#include <optional>
#include <system_error>
#include <utility>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::string Reason(int Error)
{
    return std::strerror(Error);
}

TFileResult Failure(const std::string& Path, const std::string& Why)
{
    return TFileResult{false, "Cannot write file " + Path + ":\n" + Why + "."};
}

bool AllDigits(const std::string& Text)
{
    return !Text.empty() && Text.find_first_not_of("0123456789") == std::string::npos;
}

// As far as the system follows a chain of symbolic links.
constexpr int MaxLinkHops = 40;

// Where the symbolic link P leads (a relative target taken from P's folder); P itself when the
// link cannot be read, with Ec telling why.
fs::path FollowLink(const fs::path& P, std::error_code& Ec)
{
    const fs::path Link = fs::read_symlink(P, Ec);
    if (Ec) {
        return P;
    }
    return Link.is_absolute() ? Link : P.parent_path() / Link;
}

// The descriptor when Path names one of this process's own open descriptors (/dev/stdout,
// /dev/fd/N, /proc/self/fd/N, or a link leading to one of these).
std::optional<int> OwnDescriptor(const std::string& Path)
{
    std::error_code Ec;
    const fs::path OwnFds = fs::canonical("/proc/self/fd", Ec);
    if (Ec) {
        return std::nullopt;
    }
    fs::path P = fs::absolute(Path, Ec);
    for (int Hop = 0; Hop < MaxLinkHops && !Ec; ++Hop) {
        const fs::path Folder = fs::weakly_canonical(P.parent_path(), Ec);
        if (!Ec && Folder == OwnFds && AllDigits(P.filename().string()) && P.filename().string().size() < 10) {
            return std::stoi(P.filename().string());
        }
        if (Ec || !fs::is_symlink(P, Ec)) {
            return std::nullopt;
        }
        P = FollowLink(P, Ec);
    }
    return std::nullopt;
}

// The start of the names of Target's temporary files: hidden, beside it, so that the final rename
// stays on one file system. The target's name is shortened so that the temporary name stays within
// the usual 255-byte limit.
std::string TempPrefix(const fs::path& Target)
{
    return "." + Target.filename().string().substr(0, 200) + ".tmp";
}

// Removes temporary files that an interrupted save of Target left behind: the process that made
// one (its id is in the name) has ended, or it is more than an hour old. Anything else of a
// similar name is the user's and stays.
void RemoveStaleTemporaries(const fs::path& Target)
{
    const fs::path Folder = Target.has_parent_path() ? Target.parent_path() : fs::path(".");
    const std::string Prefix = TempPrefix(Target);
    std::error_code Ec;
    fs::directory_iterator It(Folder, Ec);
    for (; !Ec && It != fs::directory_iterator(); It.increment(Ec)) {
        const std::string Name = It->path().filename().string();
        if (Name.rfind(Prefix, 0) != 0) {
            continue;
        }
        const std::string Rest = Name.substr(Prefix.size());
        const std::size_t Dash = Rest.find('-');
        if (Dash == std::string::npos || !AllDigits(Rest.substr(0, Dash)) || !AllDigits(Rest.substr(Dash + 1)) ||
            Dash > 9) {
            continue;
        }
        const pid_t Owner = static_cast<pid_t>(std::stol(Rest.substr(0, Dash)));
        std::error_code TimeEc;
        const auto Age = fs::file_time_type::clock::now() - fs::last_write_time(It->path(), TimeEc);
        const bool OwnerGone = ::kill(Owner, 0) != 0 && errno == ESRCH;
        if (OwnerGone || (!TimeEc && Age > std::chrono::hours(1))) {
            std::error_code Ignored;
            fs::remove(It->path(), Ignored);
        }
    }
}

// Writes all of Data to Fd; 0 or the error number.
int WriteAll(int Fd, const char* Data, std::size_t Size)
{
    while (Size > 0) {
        const ssize_t N = ::write(Fd, Data, Size);
        if (N < 0 && errno == EINTR) {
            continue;
        }
        if (N <= 0) {
            return N < 0 ? errno : EIO;
        }
        Data += N;
        Size -= static_cast<std::size_t>(N);
    }
    return 0;
}

// Makes sure the first Bytes bytes of Fd's file have room on disk, without changing what it holds;
// 0 or the error number (ENOSPC on a full disk), and then the file is as it was.
int Reserve(int Fd, off_t Bytes)
{
    struct stat Before {};
    if (::fstat(Fd, &Before) != 0) {
        return errno;
    }
    if (Bytes == 0) {
        return 0;
    }
    int Error = 0;
    do {
        Error = ::posix_fallocate(Fd, 0, Bytes);
    } while (Error == EINTR);
    struct stat After {};
    if (Error != 0 && ::fstat(Fd, &After) == 0 && After.st_size != Before.st_size) {
        // A reservation that stopped part way may have lengthened the file.
        if (::ftruncate(Fd, Before.st_size) != 0) {
            return errno;
        }
    }
    return Error;
}

// Rewrites Target where it stands with the bytes of From, read from its start, and flushes it to
// disk; 0 or the first error number. The room for the new bytes is reserved before any old byte
// is overwritten, so that a disk too full for them leaves the file as it was. Buffer is scratch
// space.
int CopyInPlace(int From, const fs::path& Target, char* Buffer, std::size_t Size)
{
    struct stat New {};
    if (::fstat(From, &New) != 0) {
        return errno;
    }
    // Read access too where the user has it: a system that cannot reserve room directly does so by
    // reading and writing a byte per block.
    int To = ::open(Target.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (To < 0 && errno == EACCES) {
        To = ::open(Target.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
    }
    if (To < 0) {
        return errno;
    }
    int Error = Reserve(To, New.st_size);
    off_t At = 0;
    while (Error == 0) {
        const ssize_t Got = ::pread(From, Buffer, Size, At);
        if (Got < 0 && errno == EINTR) {
            continue;
        }
        if (Got <= 0) {
            Error = Got < 0 ? errno : 0;
            break;
        }
        Error = WriteAll(To, Buffer, static_cast<std::size_t>(Got));
        At += Got;
    }
    // The end of a longer old content goes.
    if (Error == 0 && ::ftruncate(To, At) != 0) {
        Error = errno;
    }
    if (Error == 0 && ::fsync(To) != 0) {
        Error = errno;
    }
    if (::close(To) != 0 && Error == 0) {
        Error = errno;
    }
    return Error;
}

// The temporary files this process has open, for the signal handler that removes them: fixed
// storage and lock-free flags, as nothing else may be used in a handler. A slot is claimed
// (Busy) before its name is written or read, so that a save never reuses one the handler reads.
constexpr int MaxOpenTemporaries = 16;
enum : int { SlotFree, SlotBusy, SlotHeld };
static_assert(std::atomic<int>::is_always_lock_free);

struct TOpenTemporary {
    std::atomic<int> State{SlotFree};
    pid_t Owner = 0;  // a child made by fork() leaves its parent's files alone
    char Name[PATH_MAX] = {};
};

TOpenTemporary OpenTemporaries[MaxOpenTemporaries];

constexpr int CleanedSignals[] = {SIGINT, SIGTERM, SIGHUP};
struct sigaction PreviousActions[std::size(CleanedSignals)];

void RemoveTemporariesAndRaiseAgain(int Signal)
{
    const pid_t Self = ::getpid();
    for (TOpenTemporary& Open : OpenTemporaries) {
        int Held = SlotHeld;
        if (Open.State.compare_exchange_strong(Held, SlotBusy) && Open.Owner == Self) {
            ::unlink(Open.Name);
        }
    }
    for (std::size_t I = 0; I < std::size(CleanedSignals); ++I) {
        if (CleanedSignals[I] == Signal) {
            ::sigaction(Signal, &PreviousActions[I], nullptr);
        }
    }
    // Held back until the handler returns, then it ends the program as it would have.
    ::raise(Signal);
}

// Once per process: a handler for each cleaned signal whose action is still the default (to end
// the program). One the program ignores (nohup) or handles itself stays as it is.
void InstallCleanupHandlers()
{
    static const bool Installed = [] {
        for (std::size_t I = 0; I < std::size(CleanedSignals); ++I) {
            struct sigaction Old {};
            if (::sigaction(CleanedSignals[I], nullptr, &Old) != 0 || (Old.sa_flags & SA_SIGINFO) != 0 ||
                Old.sa_handler != SIG_DFL) {
                continue;
            }
            PreviousActions[I] = Old;
            struct sigaction New {};
            New.sa_handler = RemoveTemporariesAndRaiseAgain;
            sigemptyset(&New.sa_mask);
            for (const int Signal : CleanedSignals) {
                sigaddset(&New.sa_mask, Signal);
            }
            ::sigaction(CleanedSignals[I], &New, nullptr);
        }
        return true;
    }();
    (void)Installed;
}

// Holds the cleaned signals back in this thread while a temporary file is made and registered, so
// that none can come in between and leave the file unregistered.
class TCleanedSignalsHeld {
public:
    TCleanedSignalsHeld()
    {
        sigset_t Set;
        sigemptyset(&Set);
        for (const int Signal : CleanedSignals) {
            sigaddset(&Set, Signal);
        }
        ::pthread_sigmask(SIG_BLOCK, &Set, &Old_);
    }
    ~TCleanedSignalsHeld() { ::pthread_sigmask(SIG_SETMASK, &Old_, nullptr); }
    TCleanedSignalsHeld(const TCleanedSignalsHeld&) = delete;
    TCleanedSignalsHeld& operator=(const TCleanedSignalsHeld&) = delete;

private:
    sigset_t Old_;
};

// The slot now holding Temp, or -1 when every slot is taken (more saves at once than anyone
// makes); a file left then is removed by the next save of its target, as a stale one.
int RegisterTemporary(const fs::path& Temp)
{
    std::error_code Ec;
    const std::string Name = fs::absolute(Temp, Ec).string();
    if (Ec || Name.size() >= PATH_MAX) {
        return -1;
    }
    for (int Slot = 0; Slot < MaxOpenTemporaries; ++Slot) {
        TOpenTemporary& Open = OpenTemporaries[Slot];
        int Free = SlotFree;
        if (Open.State.compare_exchange_strong(Free, SlotBusy)) {
            Open.Owner = ::getpid();
            std::memcpy(Open.Name, Name.c_str(), Name.size() + 1);
            Open.State.store(SlotHeld);
            return Slot;
        }
    }
    return -1;
}

// Called once the file is renamed or removed; a signal before that only unlinks a name now gone.
void ForgetTemporary(int Slot)
{
    if (Slot >= 0) {
        int Held = SlotHeld;
        OpenTemporaries[Slot].State.compare_exchange_strong(Held, SlotFree);
    }
}

// Creates a new temporary file for Target, registered for removal by the signal handlers; -1 and
// Error when the folder refuses it.
int CreateTemporary(const fs::path& Target, fs::path& Temp, int& Slot, int& Error)
{
    InstallCleanupHandlers();
    static std::atomic<unsigned> Counter{0};
    const std::string Prefix = TempPrefix(Target) + std::to_string(::getpid()) + "-";
    for (int Attempt = 0; Attempt < 100; ++Attempt) {
        Temp = Target.parent_path() / (Prefix + std::to_string(Counter++));
        const TCleanedSignalsHeld Held;
        // O_EXCL: never reuse an existing file.
        const int Fd = ::open(Temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_TRUNC | O_CLOEXEC, 0666);
        if (Fd >= 0) {
            Slot = RegisterTemporary(Temp);
            return Fd;
        }
        Error = errno;
        if (Error != EEXIST) {
            return -1;
        }
    }
    Error = EEXIST;
    return -1;
}

// An unnamed file in the system's temporary folder, which vanishes with its descriptor; -1 and
// Error when none can be made.
int OpenSpool(int& Error)
{
    std::error_code Ec;
    const fs::path Folder = fs::temp_directory_path(Ec);
    if (Ec) {
        Error = Ec.value();
        return -1;
    }
    int Fd = ::open(Folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (Fd < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)) {
        // A file system without unnamed files: a named one, unlinked at once.
        std::string Name = (Folder / "orvantis-save-XXXXXX").string();
        Fd = ::mkostemp(Name.data(), O_CLOEXEC);
        if (Fd >= 0) {
            ::unlink(Name.c_str());
        }
    }
    Error = Fd < 0 ? errno : 0;
    return Fd;
}

// Whether Target's name is longer than its folder's file system takes, where it says so (the
// lookup of a missing file does not always tell).
bool NameTooLong(const fs::path& Target)
{
    const fs::path Folder = Target.has_parent_path() ? Target.parent_path() : fs::path(".");
    const long Max = ::pathconf(Folder.c_str(), _PC_NAME_MAX);
    return Max > 0 && Target.filename().string().size() > static_cast<std::size_t>(Max);
}

// How a save of Path goes, decided before any byte is written.
struct TSavePlan {
    enum class TKind { Descriptor, Device, File };
    TKind Kind = TKind::File;
    int Fd = -1;          // Descriptor: the one Path names
    fs::path Target;      // Device and File: what is written, links followed
    bool Exists = false;  // File: Target is there already
    struct stat Existing {};
};

// The plan for a save of Path, or nothing and the failure that refuses it at once.
std::optional<TSavePlan> PlanSave(const std::string& Path, TFileResult& Refusal)
{
    if (Path.empty()) {
        Refusal = Failure(Path, "No file name");
        return std::nullopt;
    }
    TSavePlan Plan;
    // A descriptor named as a file is written where it stands, as the shell's ">/dev/stdout" does:
    // opening the path again would truncate or replace whatever the descriptor leads to (a log the
    // caller's output is appended to, say).
    if (const std::optional<int> Fd = OwnDescriptor(Path)) {
        const int Flags = ::fcntl(*Fd, F_GETFL);
        if (Flags < 0 || (Flags & O_ACCMODE) == O_RDONLY) {  // closed, or open for reading only
            Refusal = Failure(Path, Reason(EBADF));
            return std::nullopt;
        }
        Plan.Kind = TSavePlan::TKind::Descriptor;
        Plan.Fd = *Fd;
        return Plan;
    }
    std::error_code Ec;
    // Saving through a symbolic link replaces the file it points to, not the link.
    Plan.Target = fs::is_symlink(Path, Ec) ? fs::path(SaveTarget(Path)) : fs::path(Path);
    Plan.Exists = ::stat(Plan.Target.c_str(), &Plan.Existing) == 0;
    // A name the folder cannot hold would fail only at the final rename, after all the work: the
    // temporary file's name is shorter.
    if (!Plan.Exists && (errno == ENAMETOOLONG || NameTooLong(Plan.Target))) {
        Refusal = Failure(Path, Reason(ENAMETOOLONG));
        return std::nullopt;
    }
    if (Plan.Exists && S_ISDIR(Plan.Existing.st_mode)) {
        Refusal = Failure(Path, Reason(EISDIR));
        return std::nullopt;
    }
    if (Plan.Exists && !S_ISREG(Plan.Existing.st_mode)) {
        // A pipe or a device (/dev/null, a terminal) is written to, never replaced by a file.
        Plan.Kind = TSavePlan::TKind::Device;
        return Plan;
    }
    // A file the user may not write is not replaced behind its back, even from a folder they may
    // write: the shell's ">" refuses it too.
    if (Plan.Exists && ::access(Plan.Target.c_str(), W_OK) != 0) {
        Refusal = Failure(Path, Reason(errno));
        return std::nullopt;
    }
    return Plan;
}

// Where the bytes of a save of a file wait until Commit: a new temporary file beside it (Temp),
// or, when its folder takes no new file but the file may be rewritten where it stands (as the
// shell would), an unnamed spool file (Temp empty). -1 and Error when neither can be made.
int OpenWaitingFile(const TSavePlan& Plan, fs::path& Temp, int& Slot, int& Error)
{
    const int Fd = CreateTemporary(Plan.Target, Temp, Slot, Error);
    if (Fd >= 0) {
        return Fd;
    }
    Temp.clear();
    return Plan.Exists && (Error == EACCES || Error == EPERM) ? OpenSpool(Error) : -1;
}

// The buffer of a save: large enough that a big file goes out in few system calls.
constexpr std::size_t WriteBufferSize = std::size_t{64} << 10;

}  // namespace

class TAtomicFileWriter::TImpl {
public:
    explicit TImpl(const std::string& Path)
        : Path_(Path)
    {
        const std::optional<TSavePlan> Plan = PlanSave(Path, Status_);
        if (!Plan) {
            return;
        }
        Plan_ = *Plan;
        if (Plan_.Kind == TSavePlan::TKind::Descriptor) {
            Fd_ = Plan_.Fd;
            return;
        }
        if (Plan_.Kind == TSavePlan::TKind::Device) {
            Fd_ = ::open(Plan_.Target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
            if (Fd_ < 0) {
                Fail(errno);
            }
            return;
        }
        RemoveStaleTemporaries(Plan_.Target);
        int Error = 0;
        Fd_ = OpenWaitingFile(Plan_, Temp_, Slot_, Error);
        if (Fd_ < 0) {
            Fail(Error);
        }
    }
    ~TImpl() { Discard(); }
    TImpl(const TImpl&) = delete;
    TImpl& operator=(const TImpl&) = delete;

    const TFileResult& Status() const { return Status_; }

    bool Write(std::string_view Bytes)
    {
        assert(!Committed_);
        if (!Status_.Ok) {
            return false;
        }
        if (Bytes.empty()) {
            return true;
        }
        if (Used_ + Bytes.size() > WriteBufferSize) {
            if (!Flush()) {
                return false;
            }
            if (Bytes.size() >= WriteBufferSize) {
                return Send(Bytes.data(), Bytes.size());
            }
        }
        std::memcpy(Buffer() + Used_, Bytes.data(), Bytes.size());
        Used_ += Bytes.size();
        return true;
    }

    TFileResult Commit()
    {
        assert(!Committed_);
        Committed_ = true;
        if (!Status_.Ok || !Flush()) {
            return Status_;
        }
        switch (Plan_.Kind) {
        case TSavePlan::TKind::Descriptor:
            Fd_ = -1;  // the process's own, left open
            return Status_;
        case TSavePlan::TKind::Device:
            CloseFd();
            return Status_;
        case TSavePlan::TKind::File:
            break;
        }
        if (Temp_.empty()) {
            return RewriteFrom(Fd_);
        }
        // On disk before it replaces the old file, so that a crash cannot leave an empty file behind.
        if (::fsync(Fd_) != 0) {
            Fail(errno);
            return Status_;
        }
        if (!CloseFd()) {
            return Status_;
        }
        if (Plan_.Exists) {
            // The replacement keeps the file's permissions and, when the system lets us, its owner;
            // a file we cannot hand back to its owner is rewritten in place instead.
            const struct stat& Existing = Plan_.Existing;
            struct stat Made {};
            bool Keep = ::chmod(Temp_.c_str(), Existing.st_mode & 07777) == 0 && ::stat(Temp_.c_str(), &Made) == 0;
            if (Keep && (Made.st_uid != Existing.st_uid || Made.st_gid != Existing.st_gid)) {
                Keep = ::chown(Temp_.c_str(), Existing.st_uid, Existing.st_gid) == 0;
            }
            if (!Keep) {
                return RewriteFromTemporary();
            }
        }
        if (::rename(Temp_.c_str(), Plan_.Target.c_str()) != 0) {
            const int Error = errno;
            // A sticky folder (such as /tmp) forbids replacing another user's file they let us write.
            if (Plan_.Exists && (Error == EPERM || Error == EACCES)) {
                return RewriteFromTemporary();
            }
            Fail(Error);
            return Status_;
        }
        ForgetTemporary(std::exchange(Slot_, -1));
        Temp_.clear();
        // Make the rename itself durable; a folder that cannot be opened or synced is no failure of
        // the save.
        const fs::path Folder = Plan_.Target.has_parent_path() ? Plan_.Target.parent_path() : fs::path(".");
        const int FolderFd = ::open(Folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (FolderFd >= 0) {
            ::fsync(FolderFd);
            ::close(FolderFd);
        }
        return Status_;
    }

private:
    char* Buffer()
    {
        if (!Buffer_) {
            Buffer_ = std::make_unique_for_overwrite<char[]>(WriteBufferSize);
        }
        return Buffer_.get();
    }

    bool Send(const char* Data, std::size_t Size)
    {
        const int Error = WriteAll(Fd_, Data, Size);
        if (Error != 0) {
            Fail(Error);
        }
        return Error == 0;
    }

    bool Flush()
    {
        const std::size_t Size = std::exchange(Used_, 0);
        return Size == 0 || Send(Buffer_.get(), Size);
    }

    bool CloseFd()
    {
        if (::close(std::exchange(Fd_, -1)) != 0) {
            Fail(errno);
            return false;
        }
        return true;
    }

    // Writes the finished bytes of From into the file where it stands.
    TFileResult RewriteFrom(int From)
    {
        const int Error = CopyInPlace(From, Plan_.Target, Buffer(), WriteBufferSize);
        if (Error != 0) {
            Fail(Error);
        }
        Discard();
        return Status_;
    }

    TFileResult RewriteFromTemporary()
    {
        const int From = ::open(Temp_.c_str(), O_RDONLY | O_CLOEXEC);
        if (From < 0) {
            Fail(errno);
            return Status_;
        }
        RewriteFrom(From);
        ::close(From);
        return Status_;
    }

    // Records the first failure and gives up the save.
    void Fail(int Error)
    {
        if (Status_.Ok) {
            Status_ = Failure(Path_, Reason(Error));
        }
        Discard();
    }

    // Closes what the save opened and removes its temporary file; Path is left as it is.
    void Discard()
    {
        if (Fd_ >= 0 && Plan_.Kind != TSavePlan::TKind::Descriptor) {
            ::close(Fd_);
        }
        Fd_ = -1;
        if (!Temp_.empty()) {
            ::unlink(Temp_.c_str());
            ForgetTemporary(std::exchange(Slot_, -1));
            Temp_.clear();
        }
    }

    std::string Path_;  // as the caller named it, for messages
    TSavePlan Plan_;
    int Fd_ = -1;       // where the bytes go
    fs::path Temp_;     // the temporary file beside the target; empty when there is none
    int Slot_ = -1;     // Temp_'s place among the open temporaries
    std::unique_ptr<char[]> Buffer_;
    std::size_t Used_ = 0;
    TFileResult Status_;
    bool Committed_ = false;
};

TAtomicFileWriter::TAtomicFileWriter(const std::string& Path)
    : Impl_(std::make_unique<TImpl>(Path))
{
}

TAtomicFileWriter::~TAtomicFileWriter() = default;
TAtomicFileWriter::TAtomicFileWriter(TAtomicFileWriter&& Other) noexcept = default;
TAtomicFileWriter& TAtomicFileWriter::operator=(TAtomicFileWriter&& Other) noexcept = default;

const TFileResult& TAtomicFileWriter::Status() const
{
    return Impl_->Status();
}

bool TAtomicFileWriter::Write(std::string_view Bytes)
{
    return Impl_->Write(Bytes);
}

TFileResult TAtomicFileWriter::Commit()
{
    return Impl_->Commit();
}

TFileResult WriteFileAtomically(const std::string& Path, const std::string& Contents)
{
    TAtomicFileWriter File(Path);
    File.Write(Contents);
    return File.Commit();
}

TFileResult CheckCanWrite(const std::string& Path)
{
    TFileResult Result;
    const std::optional<TSavePlan> Plan = PlanSave(Path, Result);
    if (!Plan || Plan->Kind == TSavePlan::TKind::Descriptor) {
        return Result;
    }
    if (Plan->Kind == TSavePlan::TKind::Device) {
        // Not opened: a pipe would wait for its reader, or show it the end before the save begins.
        return ::access(Plan->Target.c_str(), W_OK) == 0 ? Result : Failure(Path, Reason(errno));
    }
    fs::path Temp;
    int Slot = -1;
    int Error = 0;
    const int Fd = OpenWaitingFile(*Plan, Temp, Slot, Error);
    if (Fd < 0) {
        return Failure(Path, Reason(Error));
    }
    ::close(Fd);
    if (!Temp.empty()) {
        ::unlink(Temp.c_str());
        ForgetTemporary(Slot);
    }
    return Result;
}

std::string SaveTarget(const std::string& Path)
{
    std::error_code Ec;
    fs::path P = fs::absolute(Path, Ec);
    for (int Hop = 0; Hop < MaxLinkHops && !Ec && fs::is_symlink(P, Ec); ++Hop) {
        P = FollowLink(P, Ec);
    }
    const fs::path Resolved = fs::weakly_canonical(P, Ec);
    return Ec ? P.lexically_normal().string() : Resolved.string();
}

TFileResult WriteLinesCR(const std::string& Path, const std::vector<std::string>& Lines)
{
    TAtomicFileWriter File(Path);
    for (const std::string& Line : Lines) {
        if (!File.Write(Line) || !File.Write("\r")) {
            break;
        }
    }
    return File.Commit();
}

bool ReadWholeFile(const std::string& Path, std::string& Contents, std::string& Message, std::size_t MaxBytes)
{
    std::FILE* File = std::fopen(Path.c_str(), "rb");
    if (File == nullptr) {
        Message = "Cannot read file " + Path + ":\n" + Reason(errno) + ".";
        return false;
    }
    Contents.clear();
    char Buffer[65536];
    std::size_t Got = 0;
    while ((Got = std::fread(Buffer, 1, sizeof Buffer, File)) > 0) {
        if (Contents.size() + Got > MaxBytes) {
            std::fclose(File);
            Contents.clear();
            Message = "Cannot read file " + Path + ":\nIt is larger than " + std::to_string(MaxBytes) +
                      " bytes, far more than such a file can hold.";
            return false;
        }
        Contents.append(Buffer, Got);
    }
    const bool Failed = std::ferror(File) != 0;
    const int Error = errno;
    std::fclose(File);
    if (Failed) {
        Message = "Cannot read file " + Path + ":\n" + Reason(Error) + ".";
        return false;
    }
    return true;
}
