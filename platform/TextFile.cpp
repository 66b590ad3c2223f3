#include "platform/TextFile.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <system_error>

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

// Writes Contents to File, flushes it (to disk too when Sync) and closes it; returns 0 or the
// first error number.
int WriteAndClose(std::FILE* File, const std::string& Contents, bool Sync)
{
    int Error = 0;
    if (!Contents.empty() && std::fwrite(Contents.data(), 1, Contents.size(), File) != Contents.size()) {
        Error = errno != 0 ? errno : EIO;
    }
    if (Error == 0 && std::fflush(File) != 0) {
        Error = errno != 0 ? errno : EIO;
    }
    if (Error == 0 && Sync && ::fsync(::fileno(File)) != 0) {
        Error = errno;
    }
    if (std::fclose(File) != 0 && Error == 0) {
        Error = errno != 0 ? errno : EIO;
    }
    return Error;
}

// Opens the existing Target and writes Contents into it where it stands.
TFileResult WriteInPlace(const std::string& Path, const fs::path& Target, const std::string& Contents, bool Sync)
{
    std::FILE* File = std::fopen(Target.c_str(), "wb");
    if (File == nullptr) {
        return Failure(Path, Reason(errno));
    }
    const int Error = WriteAndClose(File, Contents, Sync);
    return Error == 0 ? TFileResult{} : Failure(Path, Reason(Error));
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

// Appends Contents to an open descriptor at its current position; the descriptor stays open.
TFileResult WriteToDescriptor(const std::string& Path, int Fd, const std::string& Contents)
{
    std::size_t Done = 0;
    while (Done < Contents.size()) {
        const ssize_t N = ::write(Fd, Contents.data() + Done, Contents.size() - Done);
        if (N < 0 && errno == EINTR) {
            continue;
        }
        if (N <= 0) {
            return Failure(Path, Reason(N < 0 ? errno : EIO));
        }
        Done += static_cast<std::size_t>(N);
    }
    return TFileResult{};
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

// Creates a new temporary file for Target; nullptr with errno set when the folder refuses it.
std::FILE* CreateTemporary(const fs::path& Target, fs::path& Temp)
{
    static std::atomic<unsigned> Counter{0};
    const std::string Prefix = TempPrefix(Target) + std::to_string(::getpid()) + "-";
    for (int Attempt = 0; Attempt < 100; ++Attempt) {
        Temp = Target.parent_path() / (Prefix + std::to_string(Counter++));
        errno = 0;
        if (std::FILE* File = std::fopen(Temp.c_str(), "wbx")) {  // "x": never reuse an existing file
            return File;
        }
        if (errno != EEXIST) {
            return nullptr;
        }
    }
    errno = EEXIST;
    return nullptr;
}

}  // namespace

TFileResult WriteFileAtomically(const std::string& Path, const std::string& Contents)
{
    if (Path.empty()) {
        return Failure(Path, "No file name");
    }
    // A descriptor named as a file is written where it stands, as the shell's ">/dev/stdout" does:
    // opening the path again would truncate or replace whatever the descriptor leads to (a log the
    // caller's output is appended to, say).
    if (const std::optional<int> Fd = OwnDescriptor(Path)) {
        return WriteToDescriptor(Path, *Fd, Contents);
    }
    std::error_code Ec;
    // Saving through a symbolic link replaces the file it points to, not the link.
    const fs::path Target = fs::is_symlink(Path, Ec) ? fs::path(SaveTarget(Path)) : fs::path(Path);
    struct stat Existing {};
    const bool Exists = ::stat(Target.c_str(), &Existing) == 0;
    if (Exists && S_ISDIR(Existing.st_mode)) {
        return Failure(Path, Reason(EISDIR));
    }
    if (Exists && !S_ISREG(Existing.st_mode)) {
        // A pipe or a device (/dev/null, a terminal) is written to, never replaced by a file.
        return WriteInPlace(Path, Target, Contents, false);
    }
    // A file the user may not write is not replaced behind its back, even from a folder they may
    // write: the shell's ">" refuses it too.
    if (Exists && ::access(Target.c_str(), W_OK) != 0) {
        return Failure(Path, Reason(errno));
    }
    RemoveStaleTemporaries(Target);
    fs::path Temp;
    std::FILE* File = CreateTemporary(Target, Temp);
    if (File == nullptr) {
        const int Error = errno;
        // The folder takes no new file, but the file itself may be written: no replacement is
        // possible there, so the file is rewritten where it stands, as the shell would. A failure
        // half-way then leaves it incomplete; that is the price of the folder's permissions.
        if (Exists && (Error == EACCES || Error == EPERM)) {
            return WriteInPlace(Path, Target, Contents, true);
        }
        return Failure(Path, Reason(Error));
    }
    // On disk before it replaces the old file, so that a crash cannot leave an empty file behind.
    const int Error = WriteAndClose(File, Contents, true);
    if (Error != 0) {
        fs::remove(Temp, Ec);
        return Failure(Path, Reason(Error));
    }
    if (Exists) {
        // The replacement keeps the file's permissions and, when the system lets us, its owner;
        // a file we cannot hand back to its owner is rewritten in place instead.
        struct stat Made {};
        bool Keep = ::chmod(Temp.c_str(), Existing.st_mode & 07777) == 0 && ::stat(Temp.c_str(), &Made) == 0;
        if (Keep && (Made.st_uid != Existing.st_uid || Made.st_gid != Existing.st_gid)) {
            Keep = ::chown(Temp.c_str(), Existing.st_uid, Existing.st_gid) == 0;
        }
        if (!Keep) {
            fs::remove(Temp, Ec);
            return WriteInPlace(Path, Target, Contents, true);
        }
    }
    fs::rename(Temp, Target, Ec);
    if (Ec) {
        std::error_code Ignored;
        fs::remove(Temp, Ignored);
        // A sticky folder (such as /tmp) forbids replacing another user's file they let us write.
        if (Exists && (Ec == std::errc::operation_not_permitted || Ec == std::errc::permission_denied)) {
            return WriteInPlace(Path, Target, Contents, true);
        }
        return Failure(Path, Ec.message());
    }
    // Make the rename itself durable; a folder that cannot be opened or synced is no failure of
    // the save.
    const fs::path Folder = Target.has_parent_path() ? Target.parent_path() : fs::path(".");
    const int FolderFd = ::open(Folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (FolderFd >= 0) {
        ::fsync(FolderFd);
        ::close(FolderFd);
    }
    return TFileResult{};
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
    std::string Contents;
    std::size_t Size = 0;
    for (const std::string& Line : Lines) {
        Size += Line.size() + 1;
    }
    Contents.reserve(Size);
    for (const std::string& Line : Lines) {
        Contents += Line;
        Contents.push_back('\r');
    }
    return WriteFileAtomically(Path, Contents);
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
