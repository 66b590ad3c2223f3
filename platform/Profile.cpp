#include "platform/Profile.h"

#include <cstdlib>
#include <filesystem>
#include <limits>
#include <system_error>

#include <pwd.h>
#include <unistd.h>

namespace {

bool IsBlank(char C) { return C == ' ' || C == '\t'; }

std::string_view Trim(std::string_view Text)
{
    while (!Text.empty() && IsBlank(Text.front())) {
        Text.remove_prefix(1);
    }
    while (!Text.empty() && IsBlank(Text.back())) {
        Text.remove_suffix(1);
    }
    return Text;
}

char Lower(char C) { return (C >= 'A' && C <= 'Z') ? static_cast<char>(C - 'A' + 'a') : C; }

bool SameName(std::string_view A, std::string_view B)
{
    if (A.size() != B.size()) {
        return false;
    }
    for (std::size_t I = 0; I < A.size(); ++I) {
        if (Lower(A[I]) != Lower(B[I])) {
            return false;
        }
    }
    return true;
}

int DigitValue(char C, int Base)
{
    int D = -1;
    if (C >= '0' && C <= '9') {
        D = C - '0';
    } else if (Base == 16 && Lower(C) >= 'a' && Lower(C) <= 'f') {
        D = Lower(C) - 'a' + 10;
    }
    return D < Base ? D : -1;
}

}  // namespace

std::optional<int64_t> ParseProfileInteger(std::string_view Text)
{
    bool Negative = false;
    int Base = 10;
    if (!Text.empty() && (Text.front() == '+' || Text.front() == '-')) {
        Negative = Text.front() == '-';
        Text.remove_prefix(1);
    } else if (Text.size() > 2 && Text[0] == '0' && Lower(Text[1]) == 'x') {
        Base = 16;
        Text.remove_prefix(2);
    } else if (Text.size() > 1 && Text[0] == '$') {
        Base = 16;
        Text.remove_prefix(1);
    }
    if (Text.empty()) {
        return std::nullopt;
    }
    // Accumulated as a magnitude, then signed; saturates rather than wraps.
    constexpr uint64_t Limit = static_cast<uint64_t>(std::numeric_limits<int64_t>::max()) + 1;
    uint64_t Magnitude = 0;
    for (const char C : Text) {
        const int D = DigitValue(C, Base);
        if (D < 0) {
            return std::nullopt;
        }
        Magnitude = Magnitude > (Limit - static_cast<uint64_t>(D)) / static_cast<uint64_t>(Base)
                        ? Limit
                        : Magnitude * static_cast<uint64_t>(Base) + static_cast<uint64_t>(D);
    }
    if (Negative) {
        return Magnitude >= Limit ? std::numeric_limits<int64_t>::min() : -static_cast<int64_t>(Magnitude);
    }
    return Magnitude >= Limit ? std::numeric_limits<int64_t>::max() : static_cast<int64_t>(Magnitude);
}

TProfile TProfile::Parse(std::string_view Text)
{
    if (Text.substr(0, 3) == "\xEF\xBB\xBF") {
        Text.remove_prefix(3);  // a byte order mark left by some editors
    }
    TProfile Profile;
    TSection* Current = nullptr;  // nullptr before the first section and inside a repeated one
    while (!Text.empty()) {
        const std::size_t End = Text.find_first_of("\r\n");
        const std::string_view Line = Trim(Text.substr(0, End));
        Text.remove_prefix(End == std::string_view::npos ? Text.size() : End + 1);
        if (Line.empty() || Line.front() == ';') {
            continue;
        }
        if (Line.front() == '[') {
            const std::size_t Close = Line.find(']');
            if (Close == std::string_view::npos) {
                continue;
            }
            const std::string_view Name = Trim(Line.substr(1, Close - 1));
            if (Profile.Find(Name) != nullptr) {
                Current = nullptr;
            } else {
                Profile.Sections_.push_back(TSection{std::string(Name), {}});
                Current = &Profile.Sections_.back();
            }
            continue;
        }
        const std::size_t Eq = Line.find('=');
        if (Current == nullptr || Eq == std::string_view::npos) {
            continue;
        }
        const std::string_view Key = Trim(Line.substr(0, Eq));
        bool Seen = false;
        for (const TEntry& E : Current->Entries) {
            Seen = Seen || SameName(E.Key, Key);
        }
        if (!Seen) {
            Current->Entries.push_back(TEntry{std::string(Key), std::string(Trim(Line.substr(Eq + 1)))});
        }
    }
    return Profile;
}

std::optional<TProfile> TProfile::Read(const std::string& Path, std::string& Message)
{
    std::string Contents;
    // A profile is a few kilobytes; anything beyond a megabyte is no profile of ours.
    if (!ReadWholeFile(Path, Contents, Message, std::size_t{1} << 20)) {
        return std::nullopt;
    }
    return Parse(Contents);
}

TProfile TProfile::Load(const std::string& Path)
{
    std::string Ignored;
    return Read(Path, Ignored).value_or(TProfile{});
}

TProfile::TSection* TProfile::Find(std::string_view Section)
{
    for (TSection& S : Sections_) {
        if (SameName(S.Name, Section)) {
            return &S;
        }
    }
    return nullptr;
}

const TProfile::TSection* TProfile::Find(std::string_view Section) const
{
    return const_cast<TProfile*>(this)->Find(Section);
}

std::optional<std::string> TProfile::Value(std::string_view Section, std::string_view Key) const
{
    if (const TSection* S = Find(Section)) {
        for (const TEntry& E : S->Entries) {
            if (SameName(E.Key, Key)) {
                return E.Value;
            }
        }
    }
    return std::nullopt;
}

int64_t TProfile::ReadInteger(std::string_view Section, std::string_view Key, int64_t Default) const
{
    const std::optional<std::string> Text = Value(Section, Key);
    if (!Text) {
        return Default;
    }
    return ParseProfileInteger(*Text).value_or(Default);
}

void TProfile::Write(std::string_view Section, std::string_view Key, std::string_view Value)
{
    TSection* S = Find(Section);
    if (S == nullptr) {
        Sections_.push_back(TSection{std::string(Section), {}});
        S = &Sections_.back();
    }
    for (TEntry& E : S->Entries) {
        if (SameName(E.Key, Key)) {
            E.Value = std::string(Value);
            return;
        }
    }
    S->Entries.push_back(TEntry{std::string(Key), std::string(Value)});
}

std::string TProfile::Text() const
{
    std::string Out;
    for (const TSection& S : Sections_) {
        Out += "[" + S.Name + "]\n";
        for (const TEntry& E : S.Entries) {
            Out += E.Key + "=" + E.Value + "\n";
        }
    }
    return Out;
}

TFileResult SaveProfile(const std::string& Path, const TProfile& Profile)
{
    return WriteFileAtomically(Path, Profile.Text());
}

bool DeleteProfile(const std::string& Path)
{
    std::error_code Ec;
    std::filesystem::remove(Path, Ec);  // a missing file is no error
    return !Ec;
}

std::string UserConfigFolder(const char* XdgConfigHome, const char* Home)
{
    // A relative $XDG_CONFIG_HOME is invalid and is to be ignored.
    if (XdgConfigHome != nullptr && XdgConfigHome[0] == '/') {
        return (std::filesystem::path(XdgConfigHome) / "orvantis").string();
    }
    if (Home != nullptr && Home[0] != '\0') {
        return (std::filesystem::path(Home) / ".config" / "orvantis").string();
    }
    return {};
}

std::string UserConfigFolder()
{
    const char* Home = std::getenv("HOME");
    std::string PasswdHome;
    if (Home == nullptr || Home[0] == '\0') {
        passwd Entry{};
        passwd* Found = nullptr;
        char Buffer[4096];
        if (getpwuid_r(getuid(), &Entry, Buffer, sizeof Buffer, &Found) == 0 && Found != nullptr && Found->pw_dir != nullptr) {
            PasswdHome = Found->pw_dir;
            Home = PasswdHome.c_str();
        }
    }
    return UserConfigFolder(std::getenv("XDG_CONFIG_HOME"), Home);
}

std::string ExecutableFolder()
{
    std::error_code Ec;
    const std::filesystem::path Exe = std::filesystem::read_symlink("/proc/self/exe", Ec);
    return Ec ? std::string() : Exe.parent_path().string();
}

std::string DeliveredFilePath(const std::string& ExeFolder, const std::string& Name)
{
    if (ExeFolder.empty()) {
        return {};
    }
    const std::filesystem::path Beside = std::filesystem::path(ExeFolder) / Name;
    const std::filesystem::path Shared = (std::filesystem::path(ExeFolder) / ".." / "share" / "orvantis" / Name).lexically_normal();
    std::error_code Ec;
    // A file beside the program that cannot even be looked at is there for all we know: reading
    // it says why.
    const bool IsBeside = std::filesystem::exists(Beside, Ec) || Ec;
    return !IsBeside && std::filesystem::exists(Shared, Ec) ? Shared.string() : Beside.string();
}
