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
// to a new temporary file beside it, are flushed to disk, and the file is then renamed over Path.
// On failure Path is as it was and no temporary file remains. An existing file's permissions are
// kept; a Path that is a symbolic link has the file it points to replaced; an existing pipe or
// device is written to in place.
TFileResult WriteFileAtomically(const std::string& Path, const std::string& Contents);

// The program's own text files: every line followed by a single carriage return (byte 13), no
// line feed. Written with WriteFileAtomically.
TFileResult WriteLinesCR(const std::string& Path, const std::vector<std::string>& Lines);

// Reads a whole file as bytes. False (and Message naming the file and the reason) on failure,
// also when it holds more than MaxBytes (a file of endless bytes, such as /dev/zero, ends there).
bool ReadWholeFile(const std::string& Path, std::string& Contents, std::string& Message,
                   std::size_t MaxBytes = std::size_t{64} << 20);
