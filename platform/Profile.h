#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/TextFile.h"

// A profile (ini) file: "[Section]" lines, each followed by "Key=Value" lines. Read the way people
// write such files by hand: lines end at a carriage return or a line feed, blanks and tabs around
// names and values are dropped, a line starting with ';' is a comment, section and key names
// compare without regard to letter case, and of a repeated section or key the first counts (a
// second block of the same section is ignored as a whole). Lines that are none of these are
// skipped, as are keys before the first section.
class TProfile {
public:
    // Parses a file's bytes.
    static TProfile Parse(std::string_view Text);
    // Reads Path; a file that is missing, cannot be read or is larger than a megabyte gives
    // nothing and Message the reason, naming the file.
    static std::optional<TProfile> Read(const std::string& Path, std::string& Message);
    // Read, with an empty profile for a file that gives nothing.
    static TProfile Load(const std::string& Path);

    // Whether the profile has Section, with or without keys.
    bool HasSection(std::string_view Section) const { return Find(Section) != nullptr; }
    // The value text of Key in Section, or nothing when either is missing.
    std::optional<std::string> Value(std::string_view Section, std::string_view Key) const;
    // The value as an integer (see ParseProfileInteger), or Default when it is missing or is not
    // an integer.
    int64_t ReadInteger(std::string_view Section, std::string_view Key, int64_t Default) const;

    // Sets Key in Section, adding the section (at the end) and the key (at the end of its
    // section) when missing.
    void Write(std::string_view Section, std::string_view Key, std::string_view Value);
    // The file's text: each section's line, then its "Key=Value" lines, every line ended by a
    // line feed.
    std::string Text() const;

private:
    struct TEntry {
        std::string Key;
        std::string Value;
    };
    struct TSection {
        std::string Name;
        std::vector<TEntry> Entries;
    };
    TSection* Find(std::string_view Section);
    const TSection* Find(std::string_view Section) const;

    std::vector<TSection> Sections_;
};

// An integer as a profile value holds it: an optional sign and decimal digits, or hexadecimal
// digits after "0x" (or "0X") or "$". Nothing else may be in Text. Values beyond 64 bits saturate.
std::optional<int64_t> ParseProfileInteger(std::string_view Text);

// Writes the whole profile with WriteFileAtomically: a failed save leaves the old file whole.
TFileResult SaveProfile(const std::string& Path, const TProfile& Profile);

// Deletes the file at Path. A file that does not exist counts as deleted; false only when an
// existing file stays.
bool DeleteProfile(const std::string& Path);

// The folder of the user's settings for this program: XdgConfigHome + "/orvantis" when it is an
// absolute path, else Home + "/.config/orvantis"; empty when neither is usable. The arguments are
// the values of $XDG_CONFIG_HOME and $HOME (nullptr when unset).
std::string UserConfigFolder(const char* XdgConfigHome, const char* Home);
// The same from this process's environment (the password database when $HOME is unset).
std::string UserConfigFolder();

// The folder that holds the running executable; empty when the system does not say.
std::string ExecutableFolder();

// Where the delivered file Name of a program in ExeFolder is: beside the program (a build folder)
// when it is there, else in ExeFolder/../share/orvantis (an installation under any prefix) when it
// is there; failing both, beside the program, the first place looked, for a message to name. Empty
// when ExeFolder is.
std::string DeliveredFilePath(const std::string& ExeFolder, const std::string& Name);
