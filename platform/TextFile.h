#pragma once
#include <string>
#include <vector>

// Outcome of writing a file: Ok, or a message for the user naming the file and the system's
// reason.
struct TFileResult {
    bool Ok = true;
    std::string Message;  // empty when Ok
};

// Replaces Path by Contents without ever leaving a half-written file in its place: the bytes go
// to a new hidden temporary file beside it (".NAME.tmp..."), are flushed to disk, and the file is
// then renamed over Path. On failure Path is as it was (unless it was rewritten in place, below)
// and no temporary file remains; temporary files that an interrupted earlier save of Path left
// behind are removed.
// Saving follows what the user may do, as the shell's ">" would: an existing file they may not
// write is refused ("Permission denied"); a replaced file keeps its permissions (and its owner
// where the system allows; otherwise it is rewritten in place); a file they may write in a folder
// they may not (no replacement is possible there) is rewritten in place. A Path that is a symbolic
// link has the file it points to replaced. A pipe or a device is written to in place, and a path
// naming one of this process's open descriptors (/dev/stdout, /dev/fd/N) is written through that
// descriptor at its current position, so that nothing it leads to is truncated or replaced.
// A write to a pipe whose reader has gone raises SIGPIPE unless the program ignores it.
TFileResult WriteFileAtomically(const std::string& Path, const std::string& Contents);

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
