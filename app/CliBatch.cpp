#include "app/CliBatch.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <exception>
#include <optional>
#include <ostream>

#include "app/Cli.h"
#include "app/CliCommon.h"
#include "batch/BatchRun.h"
#include "batch/ParamSet.h"
#include "batch/ReportOptions.h"
#include "engine/Constants.h"
#include "engine/Simulation.h"
#include "model_files/CheckedRun.h"
#include "platform/Profile.h"
#include "text/GeneralProcs.h"

namespace {

const std::string Command = "batch";

// "3 min 20 s", "1 h 05 min", "42 s".
std::string Duration(double Seconds)
{
    const long long S = std::llround(Seconds);
    if (S >= 3600) {
        const long long M = (S % 3600) / 60;
        return std::to_string(S / 3600) + " h " + (M < 10 ? "0" : "") + std::to_string(M) + " min";
    }
    if (S >= 60) {
        return std::to_string(S / 60) + " min " + std::to_string(S % 60) + " s";
    }
    return std::to_string(S) + " s";
}

// The reporting options: the file of --options, which must be readable, or the user's file
// when it exists, else the delivered one.
bool ReadOptions(const std::string& Path, bool Given, const TCliEnvironment& Env, TReportOptions& Options,
                 std::ostream& Err)
{
    if (!Given) {
        Options.LoadStartOptions(Env.DefaultOptions, Env.UserOptions);
        return true;
    }
    std::string Message;
    const std::optional<TProfile> Profile = TProfile::Read(Path, Message);
    if (!Profile) {
        Err << Program << " " << Command << ": --options: " << OneLine(Message) << '\n';
        return false;
    }
    Options.LoadOptions(*Profile);
    return true;
}

}  // namespace

bool ParseRowSpec(const std::string& Spec, TSweepRow& Row, std::string& Error)
{
    if (Spec == "none") {
        Row = TSweepRow{};
        return true;
    }
    const std::size_t At = Spec.find('@');
    const std::size_t Eq = Spec.find('=', At == std::string::npos ? 0 : At);
    if (At == std::string::npos || Eq == std::string::npos) {
        Error = "--row " + Spec + ": expected SHORTNAME@FIRST-LAST=START:END:STEP, SHORTNAME@K=START:END:STEP or none";
        return false;
    }
    const std::string Name = Spec.substr(0, At);
    int Pos = 0;
    for (int I = 0; I < NumParams; ++I) {
        if (ParamShortNames[static_cast<std::size_t>(I)] == Name) {
            Pos = I + 1;
        }
    }
    if (Pos == 0) {
        Error = "--row " + Spec + ": " + (Name.empty() ? "no parameter" : "no parameter is called " + Name) +
                " (the short names of 'orvantis-cli params')";
        return false;
    }
    const std::string Stages = Spec.substr(At + 1, Eq - At - 1);
    const std::string Values = Spec.substr(Eq + 1);
    const std::size_t Dash = Stages.find('-');
    const std::size_t C1 = Values.find(':');
    const std::size_t C2 = C1 == std::string::npos ? C1 : Values.find(':', C1 + 1);
    if (C2 == std::string::npos || Values.find(':', C2 + 1) != std::string::npos) {
        Error = "--row " + Spec + ": expected three values START:END:STEP after '='";
        return false;
    }
    Row.ParamPos = Pos;
    Row.FirstStage = Stages.substr(0, Dash);
    Row.LastStage = Dash == std::string::npos ? Row.FirstStage : Stages.substr(Dash + 1);
    Row.FirstValue = Values.substr(0, C1);
    Row.LastValue = Values.substr(C1 + 1, C2 - C1 - 1);
    Row.Step = Values.substr(C2 + 1);
    return true;
}

bool ParsePartSpec(const std::string& Spec, int32_t& K, int32_t& N, std::string& Error)
{
    const std::size_t Slash = Spec.find('/');
    if (Slash == std::string::npos || !TryParseInt32(Spec.substr(0, Slash), K) ||
        !TryParseInt32(Spec.substr(Slash + 1), N) || N < 1 || K < 1 || K > N) {
        Error = "--part " + Spec + ": expected K/N with 1 <= K <= N, for example 2/5";
        return false;
    }
    return true;
}

std::string BatchProgressText(int32_t Done, int32_t Total, double ElapsedSeconds)
{
    std::string Text = "Settings done: " + std::to_string(Done) + " of " + std::to_string(Total);
    if (Done > 0 && Done < Total) {
        Text += ", about " + Duration(ElapsedSeconds / Done * (Total - Done)) + " left";
    }
    return Text;
}

TBatchCommand::TBatchCommand(CLI::App& Parent)
{
    App_ = Parent.add_subcommand(Command, "Runs a batch: settings of one or two parameter sweeps, or of a values file, "
                                          "each run for a number of trials, one line of results per setting");
    App_->add_option("MODEL", Model_, "The model file")->required();
    AddRunSettings(*App_, Settings_, "Number of periods per trial, 1 to 9999 (default 1000)",
                   "Random seed of the first trial: 0 (default) from the clock, a negative seed continues the "
                   "current sequence; every later trial continues the sequence");
    AddValue(*App_, "--trials", Trials_, "T", "Trials per setting (default 1; 0 or less runs nothing)");
    App_->add_option("--row", Rows_,
                     "A sweep row, SHORTNAME@FIRST-LAST=START:END:STEP or SHORTNAME@K=START:END:STEP (a period "
                     "as decimal separator), or none; the first is row 1, a second row 2")
        ->type_name("SPEC")
        ->expected(1)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    ValuesOption_ = AddValue(*App_, "--values", Values_, "FILE", "Reads the settings from a parameter values file");
    OptionsOption_ = AddValue(*App_, "--options", Options_, "INI",
                              "Reads the reporting options from this file instead of the user's or the delivered one");
    TimestampOption_ = AddTimestamp(*App_, Timestamp_);
    AddValue(*App_, "--out", Target_, "FILE|-",
             "Writes the results to FILE (lines ended by a carriage return) or, with - (the default), to standard "
             "output");
    AddValue(*App_, "--jobs", Jobs_, "N",
             "Runs N trials at a time on N threads (default: one per processor core); every N gives the same "
             "results, --jobs 1 runs them one after the other, as does any N for a model with an \"OQ\" stage "
             "whose reorder point is finite");
    AddValue(*App_, "--part", Part_, "K/N",
             "Runs only the K-th of N equal slices of the settings, starting where the whole batch's random "
             "sequence would stand: part 1 writes the heading, part N the closing lines, so the parts written in "
             "order and joined are the whole batch (a seed other than 0 is needed)");
    App_->footer("The model checks print their questions on standard error and answer Yes. With standard error on a "
                 "terminal, a progress line shows there.");
}

int TBatchCommand::Run(TStdout& Out, std::ostream& Err, const TCliEnvironment& Env) const
{
    const std::string Where = Program + " " + Command + ": ";
    TRunSettings Settings;
    if (!CheckSettingOptions(Command, Settings_, Settings, Err)) {
        return ExitUsage;
    }
    int32_t Trials = 0;
    if (!TryParseInt32(Trials_, Trials)) {
        Err << Where << "--trials: '" << Trials_ << "' is not a valid integer value\n";
        return ExitUsage;
    }
    if (Rows_.size() > 2) {
        return Usage(Err, Command, "at most two --row options: row 1 and row 2");
    }
    if (!Rows_.empty() && ValuesOption_->count() > 0) {
        return Usage(Err, Command, "--row and --values exclude each other");
    }
    TSweepRow Rows[2];
    for (std::size_t I = 0; I < Rows_.size(); ++I) {
        std::string Error;
        if (!ParseRowSpec(Rows_[I], Rows[I], Error)) {
            return Usage(Err, Command, Error);
        }
    }
    if (Target_ != StdoutName && SameFile(Target_, Model_)) {
        Err << Where << "--out: " << Target_ << " is the model file; the results would replace it.\n";
        return ExitUsage;
    }

    int32_t Jobs = DefaultBatchJobs();
    if (!Jobs_.empty() && (!TryParseInt32(Jobs_, Jobs) || Jobs < 1 || Jobs > 256)) {
        return Usage(Err, Command, "--jobs: '" + Jobs_ + "' is not a number of threads from 1 to 256");
    }
    int32_t PartK = 1;
    int32_t PartN = 1;
    if (!Part_.empty()) {
        std::string Error;
        if (!ParsePartSpec(Part_, PartK, PartN, Error)) {
            return Usage(Err, Command, Error);
        }
        if (Settings.Seed == 0) {
            return Usage(Err, Command,
                         "--part needs --seed other than 0: every part must take up the one random sequence, and a seed "
                         "from the clock differs from part to part");
        }
    }

    TReportOptions Options;
    if (!ReadOptions(Options_, OptionsOption_->count() > 0, Env, Options, Err)) {
        return ExitFailed;
    }
    TConsoleDialogs Dialogs(Err, true, Model_);
    TSimulation Model(Dialogs);
    if (!Load(Model, Model_, false, Dialogs, Err)) {
        return ExitFailed;
    }
    if (!CheckRunAllowed(Model, Settings_, Dialogs, Settings)) {
        if (Dialogs.Errors() == 0) {
            Err << Where << Model_ << ": the batch was refused by the model checks.\n";
        }
        return ExitFailed;
    }
    const TParamSetResult Set = ValuesOption_->count() > 0 ? LoadParamSet(Values_, Model.NumStages())
                                                           : BuildSweepSet(Rows[0], Rows[1], '.', Model.NumStages());
    if (!Set.Set) {
        const bool Unnamed = Set.Message == LoadParamSetError;
        Err << Where << (Unnamed ? Values_ + ": " : "") << Set.Message << '\n';
        return ExitFailed;
    }

    TBatchRun Batch;
    Batch.Settings = Settings;
    Batch.NumTrials = Trials;
    Batch.Heading = BatchHeadingFor(TimestampOption_->count() > 0 ? Timestamp_ : Env.DateTime, Model_, Settings_);
    Batch.DecimalSep = Env.DecimalSep;
    Batch.Jobs = Jobs;
    BatchPartRange(Set.Set->NumSettings(), PartK, PartN, Batch.FirstSetting, Batch.LastSetting);
    Batch.WriteHeading = PartK == 1;
    Batch.WriteClosing = PartK == PartN;
    const int32_t PartSettings = std::max(0, Batch.LastSetting - Batch.FirstSetting + 1);

    const bool ToStdout = Target_ == StdoutName;
    std::vector<std::string> Lines;
    TBatchCallbacks Callbacks;
    Callbacks.AppendLine = [&](const std::string& Line) {
        if (ToStdout) {
            *Out << Line << '\n';
            Out.Flush();
        } else {
            Lines.push_back(Line);
        }
    };
    const auto Start = std::chrono::steady_clock::now();
    std::size_t ProgressWidth = 0;
    const auto ShowProgress = [&](int32_t Done, int32_t Total) {
        if (Env.ProgressOnErr) {
            const double Elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count();
            std::string Text = BatchProgressText(Done, Total, Elapsed);
            ProgressWidth = std::max(ProgressWidth, Text.size());
            Text.resize(ProgressWidth, ' ');  // covers a longer line before it
            Err << '\r' << Text << std::flush;
        }
    };
    Callbacks.Progress = [&](int32_t Done, int32_t Total) {
        ShowProgress(Done, Total);
        return Out.Error() == 0;  // a reader that has gone ends the batch
    };
    ShowProgress(0, PartSettings);
    const auto ClearProgress = [&] {
        if (ProgressWidth > 0) {
            Err << '\r' << std::string(ProgressWidth, ' ') << '\r' << std::flush;
        }
    };
    try {
        if (PartSettings > 0 || Batch.WriteHeading || Batch.WriteClosing) {
            RunBatch(Model, *Set.Set, Options, Batch, Callbacks);
        }
    } catch (const std::exception& E) {
        // Threads or memory the system would not give.
        ClearProgress();
        Err << Where << "the batch stopped: " << OneLine(E.what()) << '\n';
        return ExitFailed;
    }
    ClearProgress();
    if (ToStdout) {
        return Out.Flush() ? ExitOk : ExitFailed;
    }
    return WriteReport(Lines, Target_, Out, Err) ? ExitOk : ExitFailed;
}
