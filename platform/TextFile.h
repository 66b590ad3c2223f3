#pragma once
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// Outcome of writing a file: Ok, or a message for the user naming the file and the system's
// reason.
struct TFileResult {
    bool Ok = true;
    std::string Message;  // empty when Ok
};

// Replaces Path by Contents without ever leaving a half-written file in its place: the bytes go
// to a new hidden temporary file beside it (".NAME.tmp..."), are flushed to disk, and the file is
// then renamed over Path. On failure Path is as it was and no temporary file remains; temporary
// files that an interrupted earlier save of Path left behind are removed. A file rewritten in place
// (below) has the room for its new bytes reserved first, so a full disk leaves it as it was too;
// only a write that fails after that (a failing device) leaves it part rewritten.
// Saving follows what the user may do, as the shell's ">" would: an existing file they may not
// write is refused ("Permission denied"); a replaced file keeps its permissions (and its owner
// where the system allows; otherwise it is rewritten in place); a file they may write in a folder
// they may not (no replacement is possible there) is rewritten in place. A Path that is a symbolic
// link has the file it points to replaced. A pipe or a device is written to in place, and a path
// naming one of this process's open descriptors (/dev/stdout, /dev/fd/N) is written through that
// descriptor at its current position, so that nothing it leads to is truncated or replaced.
// A write to a pipe whose reader has gone raises SIGPIPE unless the program ignores it.
// Written with TAtomicFileWriter.
TFileResult WriteFileAtomically(const std::string& Path, const std::string& Contents);

// A save, as WriteFileAtomically makes it, of bytes given a piece at a time: for results too
// large to hold in memory. It holds one buffer of fixed size, however much is written; the bytes
// go on to the hidden temporary file as the buffer fills, and Commit puts the file in Path's place.
// A writer destroyed before Commit removes its temporary file and leaves Path as it was.
// Targets are treated as WriteFileAtomically says. A pipe, a device or one of this process's
// descriptors receives the bytes as the buffer fills, so what it got before an abandoned save
// stays sent. A file that must be rewritten in place (the folder takes no new file; it cannot be
// handed back to its owner; a sticky folder forbids replacing it) is opened only at Commit, since
// a rewrite that streams would leave it cut short on any failure: until then the bytes wait in the
// temporary file beside it or, where the folder takes none, in an unnamed file in the system's
// temporary folder ($TMPDIR, else /tmp), which must have room for them.
// A save ended by SIGINT, SIGTERM or SIGHUP leaves no temporary file behind: the first temporary
// file made installs a handler for each of these signals that still has its default action; it
// removes this process's open temporaries and ends the program by the same signal, as before. A
// signal the program ignores or handles itself is left to it (and an abandoned writer cleans up).
class TAtomicFileWriter {
public:
    // Starts the save of Path; Status() tells whether it could.
    explicit TAtomicFileWriter(const std::string& Path);
    ~TAtomicFileWriter();
    // A moved-from writer may only be destroyed or assigned to; assigning abandons the save
    // the target held.
    TAtomicFileWriter(TAtomicFileWriter&& Other) noexcept;
    TAtomicFileWriter& operator=(TAtomicFileWriter&& Other) noexcept;
    TAtomicFileWriter(const TAtomicFileWriter&) = delete;
    TAtomicFileWriter& operator=(const TAtomicFileWriter&) = delete;

    // Ok, or the first failure so far (starting the save included), naming Path and the reason.
    const TFileResult& Status() const;

    // Appends Bytes to the file. False once anything has failed: then the temporary file is gone
    // already, and later writes do nothing. REQUIRES: Commit not called.
    bool Write(std::string_view Bytes);

    // Writes out the buffer and finishes the save: flushed to disk and renamed over Path, or
    // written where it stands as above. On failure Path is as it was (but for the rare case
    // WriteFileAtomically names) and no temporary file remains.
    // REQUIRES: Commit not called before.
    TFileResult Commit();

private:
    class TImpl;
    std::unique_ptr<TImpl> Impl_;
};

// Whether a save of Path can be made, for a check before long work whose results it will hold:
// the answer a TAtomicFileWriter would give when it starts (its folder exists, Path is no folder,
// its name is not too long for the folder, a file there may be created, replaced or rewritten),
// found by making the hidden temporary file and removing it again, which no permission bits can
// mislead. Path itself is not touched, and a pipe is not opened (its reader would see the end at
// once). A full disk shows only in the save.
TFileResult CheckCanWrite(const std::string& Path);

// The file that a save of Path writes: Path made absolute, with every symbolic link followed (also
// one that leads to a file not yet made) and "." and ".." resolved.
std::string SaveTarget(const std::string& Path);

// The program's own text files: every line followed by a single carriage return (byte 13), no
// line feed. Written with WriteFileAtomically.
TFileResult WriteLinesCR(const std::string& Path, const std::vector<std::string>& Lines);

// Reads a whole file as bytes. False (and Message naming the file and the reason) on failure,
// also when it holds more than MaxBytes (a file of endless bytes, such as /dev/zero, ends there).
bool ReadWholeFile(const std::string& Path, std::string& Contents, std::string& Message,
                   std::size_t MaxBytes = std::size_t{64} << 20);
