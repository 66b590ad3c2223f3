#include "platform/TextFile.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include <fcntl.h>
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

// Writes Contents into an existing special file in place.
TFileResult WriteDirectly(const std::string& Path, const fs::path& Target, const std::string& Contents)
{
    std::FILE* File = std::fopen(Target.c_str(), "wb");
    if (File == nullptr) {
        return Failure(Path, Reason(errno));
    }
    const int Error = WriteAndClose(File, Contents, false);
    return Error == 0 ? TFileResult{} : Failure(Path, Reason(Error));
}

}  // namespace

TFileResult WriteFileAtomically(const std::string& Path, const std::string& Contents)
{
    static std::atomic<unsigned> Counter{0};
    if (Path.empty()) {
        return Failure(Path, "No file name");
    }
    std::error_code Ec;
    // Saving through a symbolic link replaces the file it points to, not the link.
    fs::path Target(Path);
    if (fs::is_symlink(Target, Ec)) {
        const fs::path Resolved = fs::weakly_canonical(Target, Ec);
        if (Ec) {
            return Failure(Path, Ec.message());
        }
        Target = Resolved;
    }
    const fs::file_status Existing = fs::status(Target, Ec);
    if (fs::is_directory(Existing)) {
        return Failure(Path, Reason(EISDIR));
    }
    if (fs::exists(Existing) && !fs::is_regular_file(Existing)) {
        // A pipe or a device (/dev/null, /dev/stdout) is written to, never replaced by a file.
        return WriteDirectly(Path, Target, Contents);
    }
    // A new name beside the target, so that the final rename stays on one file system; the
    // target's name is shortened in it so that the name stays within the usual 255-byte limit.
    const std::string Stem = Target.filename().string().substr(0, 200);
    std::FILE* File = nullptr;
    fs::path Temp;
    for (int Attempt = 0; Attempt < 100 && File == nullptr; ++Attempt) {
        const auto Stamp = std::chrono::steady_clock::now().time_since_epoch().count();
        Temp = Target.parent_path() / (Stem + ".tmp" + std::to_string(Stamp % 1000000007) + "_" + std::to_string(Counter++));
        errno = 0;
        File = std::fopen(Temp.c_str(), "wbx");  // "x": never reuse an existing file
        if (File == nullptr && errno != EEXIST) {
            return Failure(Path, Reason(errno));
        }
    }
    if (File == nullptr) {
        return Failure(Path, "No temporary file name is free");
    }
    // On disk before it replaces the old file, so that a crash cannot leave an empty file behind.
    const int Error = WriteAndClose(File, Contents, true);
    if (Error != 0) {
        fs::remove(Temp, Ec);
        return Failure(Path, Reason(Error));
    }
    if (fs::exists(Existing)) {
        fs::permissions(Temp, Existing.permissions(), Ec);
    }
    fs::rename(Temp, Target, Ec);
    if (Ec) {
        std::error_code Ignored;
        fs::remove(Temp, Ignored);
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
