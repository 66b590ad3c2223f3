#include "app/CliCommon.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <filesystem>
#include <ostream>
#include <utility>

#include <sys/stat.h>
#include <unistd.h>

#include "platform/TextFile.h"

namespace fs = std::filesystem;

namespace {

const CLI::Validator NotAnOption(
    [](std::string& Value) -> std::string {
        if (Value.size() > 1 && Value[0] == '-' && !std::isdigit(static_cast<unsigned char>(Value[1]))) {
            return "expects a value, found " + Value;
        }
        return "";
    },
    "", "");

// The option that sets a run setting.
std::string OptionName(TSettingsField Field)
{
    switch (Field) {
    case TSettingsField::Seed:
        return "--seed";
    case TSettingsField::NumPeriods:
        return "--periods";
    case TSettingsField::WarmUp:
        return "--warmup";
    case TSettingsField::None:
        break;
    }
    return "";
}

}  // namespace

std::string OneLine(const std::string& Text)
{
    std::string Out;
    bool InBreak = false;
    for (const char C : Text) {
        const bool Break = C == '\r' || C == '\n';
        if (Break && !InBreak) {
            Out.push_back(' ');
        } else if (!Break) {
            Out.push_back(C);
        }
        InBreak = Break;
    }
    return Out;
}

TConsoleDialogs::TConsoleDialogs(std::ostream& Stream, bool Answer, std::string File)
    : Stream_(Stream), Answer_(Answer), File_(std::move(File))
{
}

void TConsoleDialogs::ShowError(const std::string& Text)
{
    Stream_ << Program << ": " << File_ << ": " << OneLine(Text) << '\n';
    ++Errors_;
}

void TConsoleDialogs::ShowInfo(const std::string& Text)
{
    Stream_ << File_ << ": " << OneLine(Text) << '\n';
}

bool TConsoleDialogs::AskYesNo(const std::string& Text)
{
    std::string Lines = Text;
    std::replace(Lines.begin(), Lines.end(), '\r', '\n');
    Stream_ << Lines << '\n' << (Answer_ ? "-> answered Yes (--strict answers No)" : "-> answered No (--strict)") << '\n';
    return Answer_;
}

bool TStdout::Flush()
{
    Stream_.flush();
    if (Stream_.fail() && Error_ == 0) {
        Error_ = errno != 0 ? errno : EIO;
    }
    return Error_ == 0;
}

CLI::Option* AddValue(CLI::App& Command, const std::string& Name, std::string& Value, const std::string& Type,
                      const std::string& Help)
{
    return Command.add_option(Name, Value, Help)->type_name(Type)->check(NotAnOption);
}

CLI::Option* AddTimestamp(CLI::App& Command, std::string& Timestamp)
{
    return AddValue(Command, "--timestamp", Timestamp, "TEXT",
                    "Replaces the date and time line, so that outputs compare byte for byte");
}

void AddRunSettings(CLI::App& Command, TRunSettingsTexts& Settings, const std::string& PeriodsHelp,
                    const std::string& SeedHelp)
{
    AddValue(Command, "--periods", Settings.NumPeriods, "N", PeriodsHelp);
    AddValue(Command, "--warmup", Settings.WarmUp, "W", "Warm-up periods, 1 to the number of periods (default 100)");
    AddValue(Command, "--seed", Settings.Seed, "S", SeedHelp);
}

bool CheckSettingOptions(const std::string& Command, const TRunSettingsTexts& Texts, TRunSettings& Settings,
                         std::ostream& Err)
{
    const TSettingsCheck Check = CheckSettings(Texts, Settings);
    if (!Check.Ok()) {
        Err << Program << " " << Command << ": " << OptionName(Check.Field) << ": " << Check.Message << '\n';
    }
    return Check.Ok();
}

bool NamesStdout(const std::string& Target)
{
    if (Target == StdoutName) {
        return true;
    }
    struct stat Out {};
    struct stat File {};
    return ::fstat(STDOUT_FILENO, &Out) == 0 && ::stat(Target.c_str(), &File) == 0 && Out.st_dev == File.st_dev &&
           Out.st_ino == File.st_ino;
}

bool SameFile(const std::string& A, const std::string& B)
{
    std::error_code Ec;
    return fs::equivalent(A, B, Ec) || SaveTarget(A) == SaveTarget(B);
}

std::optional<TLoadResult> LoadOrReport(TSimulation& Model, const std::string& Path, Dialogs& Notices,
                                        std::ostream& Err)
{
    TLoadResult Result = LoadModel(Model, Path, Notices);
    if (!Result.Ok) {
        // A file that could not be read at all has a message naming it already.
        Err << Program << ": " << (Result.Version == 0 ? "" : Path + ": ") << OneLine(Result.Message) << '\n';
        return std::nullopt;
    }
    return Result;
}

bool Load(TSimulation& Model, const std::string& Path, bool Strict, Dialogs& Notices, std::ostream& Err)
{
    const std::optional<TLoadResult> Result = LoadOrReport(Model, Path, Notices, Err);
    if (Result && Strict && !Result->Warning.empty()) {
        Err << Program << ": " << Path << ": refused under --strict: the file ends early or holds more than a model.\n";
        return false;
    }
    return Result.has_value();
}

bool WriteReport(const std::vector<std::string>& Lines, const std::string& Target, TStdout& Out, std::ostream& Err)
{
    if (Target == StdoutName) {
        for (const std::string& Line : Lines) {
            *Out << Line << '\n';
        }
        return Out.Flush();
    }
    // What is already on standard output comes first, should Target lead there too.
    Out.Flush();
    const TFileResult Result = WriteLinesCR(Target, Lines);
    if (!Result.Ok) {
        Err << Program << ": " << OneLine(Result.Message) << '\n';
        return false;
    }
    return true;
}

bool WriteCsv(const std::string& Csv, const std::string& Target, TStdout& Out, std::ostream& Err)
{
    if (Target == StdoutName) {
        *Out << Csv;
        return Out.Flush();
    }
    Out.Flush();
    const TFileResult Result = WriteFileAtomically(Target, Csv);
    if (!Result.Ok) {
        Err << Program << ": " << OneLine(Result.Message) << '\n';
        return false;
    }
    return true;
}

int Usage(std::ostream& Err, const std::string& Command, const std::string& Problem)
{
    const std::string Where = Command.empty() ? "" : " " + Command;
    Err << Program << Where << ": " << Problem << " (see '" << Program << Where << " --help')\n";
    return ExitUsage;
}

void TProgressLine::Show(std::string Text)
{
    if (!Shown_) {
        return;
    }
    Width_ = std::max(Width_, Text.size());
    Text.resize(Width_, ' ');  // covers a longer line before it
    Err_ << '\r' << Text << std::flush;
}

void TProgressLine::Clear()
{
    if (Width_ > 0) {
        Err_ << '\r' << std::string(Width_, ' ') << '\r' << std::flush;
        Width_ = 0;
    }
}
