#pragma once
// What the commands of orvantis-cli share: exit codes, messages on standard error, standard
// output that remembers a failed write, options that take values, loading a model, writing a
// report.
#include <cstddef>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "engine/RunSettings.h"
#include "model_files/ModelFile.h"
#include "platform/Dialogs.h"

class TSimulation;
struct TCliEnvironment;

inline constexpr int ExitOk = 0;
inline constexpr int ExitFailed = 1;
inline constexpr int ExitUsage = 2;

inline const std::string Program = "orvantis-cli";
inline const std::string StdoutName = "-";

// Text on one line: every run of line breaks (carriage returns or line feeds) becomes one blank.
std::string OneLine(const std::string& Text);

// Message boxes on a terminal, about one model file: an error or a notice is one line naming the
// file; a question keeps its line breaks and is answered as told, the answer shown.
class TConsoleDialogs final : public Dialogs {
public:
    TConsoleDialogs(std::ostream& Stream, bool Answer, std::string File);

    void ShowError(const std::string& Text) override;
    void ShowInfo(const std::string& Text) override;
    bool AskYesNo(const std::string& Text) override;
    int Errors() const { return Errors_; }

private:
    std::ostream& Stream_;
    bool Answer_;
    std::string File_;
    int Errors_ = 0;
};

// Standard output, remembering the system's reason for the first write that failed (a full disk,
// a pipe whose reader has gone).
class TStdout {
public:
    explicit TStdout(std::ostream& Stream) : Stream_(Stream) {}
    std::ostream& operator*() { return Stream_; }
    // Pushes out what was written so far; false once a write has failed. Called right after each
    // piece of output, while errno still holds the failed write's reason.
    bool Flush();
    int Error() const { return Error_; }

private:
    std::ostream& Stream_;
    int Error_ = 0;
};

// One command of orvantis-cli: it adds itself and its options to the parser, then runs as parsed.
class TCliCommand {
public:
    virtual ~TCliCommand() = default;
    TCliCommand(const TCliCommand&) = delete;
    TCliCommand& operator=(const TCliCommand&) = delete;

    CLI::App* App() const { return App_; }
    // Runs the parsed command: 0 done, 1 refused or failed, 2 usage error.
    virtual int Run(TStdout& Out, std::ostream& Err, const TCliEnvironment& Env) const = 0;

protected:
    TCliCommand() = default;
    CLI::App* App_ = nullptr;
};

// An option of Command that takes a value; a value that is another option is refused (without
// this, "--stats --history" would write the statistics to a file named "--history"). A file whose
// name starts with "-" can be given as ./-NAME; a negative number passes.
CLI::Option* AddValue(CLI::App& Command, const std::string& Name, std::string& Value, const std::string& Type,
                      const std::string& Help);
CLI::Option* AddTimestamp(CLI::App& Command, std::string& Timestamp);

// The options --periods, --warmup and --seed of a command that runs the model, in this order,
// with the help texts of the periods and the seed.
void AddRunSettings(CLI::App& Command, TRunSettingsTexts& Settings, const std::string& PeriodsHelp,
                    const std::string& SeedHelp);
// Checks the run settings before the model is read: a malformed one is reported as Command's
// usage error, and false.
bool CheckSettingOptions(const std::string& Command, const TRunSettingsTexts& Texts, TRunSettings& Settings,
                         std::ostream& Err);

// True for "-" and for a path that leads to the file standard output writes to: /dev/stdout,
// /proc/self/fd/1, or the file the shell redirected it to.
bool NamesStdout(const std::string& Target);

// True when saves to the two names would write one file: the same file reached through links or
// other spellings, or two names (hard links) of one file.
bool SameFile(const std::string& A, const std::string& B);

// Loads Path into Model; a failure is reported and gives nothing.
std::optional<TLoadResult> LoadOrReport(TSimulation& Model, const std::string& Path, Dialogs& Notices,
                                        std::ostream& Err);
// LoadOrReport, and under Strict a load warning refuses the file too.
bool Load(TSimulation& Model, const std::string& Path, bool Strict, Dialogs& Notices, std::ostream& Err);

// Writes a report to Target: "-" is standard output with line feeds, anything else a file with
// the program's carriage-return line ends.
bool WriteReport(const std::vector<std::string>& Lines, const std::string& Target, TStdout& Out, std::ostream& Err);

// Writes a CSV table (its own line ends included) to Target: "-" is standard output, anything else
// a file, saved atomically.
bool WriteCsv(const std::string& Csv, const std::string& Target, TStdout& Out, std::ostream& Err);

// Reports a usage error of Command ("" for none) and gives its exit code.
int Usage(std::ostream& Err, const std::string& Command, const std::string& Problem);

// The progress line on standard error when it is a terminal (Shown): drawn over itself, and
// cleared before anything else is written to the terminal.
class TProgressLine {
public:
    TProgressLine(std::ostream& Err, bool Shown) : Err_(Err), Shown_(Shown) {}
    ~TProgressLine() { Clear(); }
    TProgressLine(const TProgressLine&) = delete;
    TProgressLine& operator=(const TProgressLine&) = delete;
    void Show(std::string Text);
    void Clear();

private:
    std::ostream& Err_;
    bool Shown_;
    std::size_t Width_ = 0;
};
