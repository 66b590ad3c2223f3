#include "app/CliBatch.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <exception>
#include <optional>
#include <ostream>
#include <string_view>
#include <system_error>
#include <tuple>

#include "app/Cli.h"
#include "app/CliCommon.h"
#include "batch/BatchRun.h"
#include "batch/ParamSet.h"
#include "batch/PrepareBatch.h"
#include "batch/ReportOptions.h"
#include "engine/ParamCatalogue.h"
#include "engine/Simulation.h"
#include "platform/TextFile.h"
#include "text/CsvText.h"
#include "text/NumberText.h"

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

// The reporting options: the file of --options, which must be readable and hold the options'
// sections, or the user's file when it exists, else the delivered one (with a warning for each
// that had to be passed over).
bool ReadOptions(const std::string& Path, bool Given, const TCliEnvironment& Env, TReportOptions& Options,
                 std::ostream& Err)
{
    const std::string Where = Program + " " + Command + ": ";
    if (!Given) {
        for (const std::string& Warning : Options.LoadStartOptions(Env.DefaultOptions, Env.UserOptions)) {
            Err << Where << "warning: " << OneLine(Warning) << '\n';
        }
    } else if (const std::string Refusal = Options.LoadOptions(Path); !Refusal.empty()) {
        Err << Where << "--options: " << OneLine(Refusal) << '\n';
        return false;
    }
    return true;
}


// The fields of a row read as the row's checks will read them: stages as integers, values as
// numbers with a period. Named here, a malformed one is a usage error, not a refused batch.
bool CheckRowFields(const std::string& Spec, const TSweepRow& Row, std::string& Error)
{
    const std::pair<const std::string*, const char*> Stages[] = {{&Row.FirstStage, "FIRST"}, {&Row.LastStage, "LAST"}};
    for (const auto& [Text, Field] : Stages) {
        int32_t Stage = 0;
        if (!TryParseInt32(*Text, Stage)) {
            Error = "--row " + Spec + ": " + Field + " '" + *Text + "' is not a stage number";
            return false;
        }
    }
    const std::pair<const std::string*, const char*> Numbers[] = {
        {&Row.FirstValue, "START"}, {&Row.LastValue, "END"}, {&Row.Step, "STEP"}};
    for (const auto& [Text, Field] : Numbers) {
        double Value = 0;
        if (!TryParseReal(*Text, Value, '.')) {
            Error = "--row " + Spec + ": " + Field + " '" + *Text +
                    "' is not a number (digits with a period as decimal separator)";
            return false;
        }
    }
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
    return CheckRowFields(Spec, Row, Error);
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
    AddValue(*App_, "--trials", Trials_, "T", "Trials per setting, at least 1 (default 1)");
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
             "Writes the results to FILE (text lines ended by a carriage return) or, with - (the default), to "
             "standard output");
    JobsOption_ = AddValue(*App_, "--jobs", Jobs_, "N",
             "Runs N trials at a time on N threads (default: one per processor core); every N gives the same "
             "results, --jobs 1 runs them one after the other, as does any N for a model with an \"OQ\" stage "
             "whose reorder point is finite");
    AddValue(*App_, "--part", Part_, "K/N",
             "Runs only the K-th of N equal slices of the settings, starting where the whole batch's random "
             "sequence would stand: part 1 writes the heading, part N the closing lines, so the parts written in "
             "order and joined are the whole batch (a seed other than 0 is needed)");
    App_->add_flag("--csv", Csv_,
                   "Writes the results as CSV instead of the text lines: a header row of the text's column headings, "
                   "then a row per setting with its values at full precision, a period as decimal separator, lines "
                   "ended by CR LF; with --part only part 1 writes the header row");
    App_->add_flag("--strict", Strict_,
                   "Answers No to the model checks' questions and refuses a model or values file that ends early or "
                   "holds more than it should");
    App_->footer("The model checks print their questions on standard error and answer Yes. Every setting must pass "
                 "the checks' refusals before anything runs. With standard error on a terminal, a progress line "
                 "shows there.");
}

struct TBatchCommand::TParsed {
    TRunSettings Settings;
    int32_t Trials = 1;
    TSweepRow Rows[2];
    int32_t Jobs = 1;
    int32_t PartK = 1;
    int32_t PartN = 1;
};

bool TBatchCommand::OutputHitsInput(std::ostream& Err) const
{
    if (Target_ == StdoutName) {
        return false;
    }
    for (const auto& [Option, Input, What] : {std::tuple{"", &Model_, "the model file"},
                                              std::tuple{"--values", &Values_, "the values file"},
                                              std::tuple{"--options", &Options_, "the options file"}}) {
        if ((Option[0] == '\0' || App_->count(Option) > 0) && SameFile(Target_, *Input)) {
            Err << Program << " " << Command << ": --out: " << Target_ << " is " << What
                << "; the results would replace it.\n";
            return true;
        }
    }
    return false;
}

bool TBatchCommand::ParseOptions(TParsed& Job, std::ostream& Err) const
{
    const std::string Where = Program + " " + Command + ": ";
    if (!CheckSettingOptions(Command, Settings_, Job.Settings, Err)) {
        return false;
    }
    if (Job.Settings.WarmUp >= Job.Settings.NumPeriods) {
        Usage(Err, Command,
              "--warmup: " + std::to_string(Job.Settings.WarmUp) + " of the " + std::to_string(Job.Settings.NumPeriods) +
                  " periods would be warm-up, leaving none measured (every setting would cost 0); give a warm-up "
                  "below the number of periods");
        return false;
    }
    if (!TryParseInt32(Trials_, Job.Trials)) {
        Err << Where << "--trials: '" << Trials_ << "' is not a valid integer value\n";
        return false;
    }
    if (Job.Trials < 1) {
        Usage(Err, Command, "--trials: " + Trials_ + " trials would run nothing; give at least 1");
        return false;
    }
    if (Rows_.size() > 2) {
        Usage(Err, Command, "at most two --row options: row 1 and row 2");
        return false;
    }
    if (!Rows_.empty() && ValuesOption_->count() > 0) {
        Usage(Err, Command, "--row and --values exclude each other");
        return false;
    }
    for (std::size_t I = 0; I < Rows_.size(); ++I) {
        std::string Error;
        if (!ParseRowSpec(Rows_[I], Job.Rows[I], Error)) {
            Usage(Err, Command, Error);
            return false;
        }
    }
    if (OutputHitsInput(Err)) {
        return false;
    }
    Job.Jobs = DefaultBatchJobs();
    if (JobsOption_->count() > 0 && (!TryParseInt32(Jobs_, Job.Jobs) || Job.Jobs < 1 || Job.Jobs > 256)) {
        Usage(Err, Command, "--jobs: '" + Jobs_ + "' is not a number of threads from 1 to 256");
        return false;
    }
    if (!Part_.empty()) {
        std::string Error;
        if (!ParsePartSpec(Part_, Job.PartK, Job.PartN, Error)) {
            Usage(Err, Command, Error);
            return false;
        }
        if (Job.Settings.Seed == 0) {
            Usage(Err, Command,
                  "--part needs --seed other than 0: every part must take up the one random sequence, and a seed "
                  "from the clock differs from part to part");
            return false;
        }
    }
    return true;
}

std::optional<TPreparedBatch> TBatchCommand::Prepare(TSimulation& Model, TConsoleDialogs& Dialogs,
                                                     const TParsed& Job, const TReportOptions& Options,
                                                     std::ostream& Err) const
{
    const std::string Where = Program + " " + Command + ": ";
    if (!Load(Model, Model_, Strict_, Dialogs, Err)) {
        return std::nullopt;
    }
    TBatchRequest Request;
    Request.Settings = Settings_;
    Request.Trials = Trials_;
    Request.FromFile = ValuesOption_->count() > 0;
    Request.ValuesFile = Values_;
    Request.Rows[0] = Job.Rows[0];
    Request.Rows[1] = Job.Rows[1];
    TBatchPreparation Prepared = PrepareBatch(Model, Request, Options, Dialogs);
    if (!Prepared.Batch) {
        if (Prepared.Refusal != TBatchRefusal::Checks) {
            Err << Where << OneLine(Prepared.Message) << '\n';
        } else if (Dialogs.Errors() == 0) {
            Err << Where << Model_ << ": the batch was refused by the model checks.\n";
        }
        return std::nullopt;
    }
    if (!Prepared.FileWarning.empty()) {
        if (Strict_) {
            Err << Where << OneLine(Prepared.FileWarning) << " Refused under --strict.\n";
            return std::nullopt;
        }
        Err << Where << "warning: " << OneLine(Prepared.FileWarning) << '\n';
    }
    for (const std::string& Warning : Prepared.Warnings) {
        Err << Where << "warning: " << OneLine(Warning) << '\n';
    }
    return std::move(Prepared.Batch);
}

TBatchRun TBatchCommand::BatchRunFor(const TParamSet& Set, const TPreparedBatch& Prepared, const TParsed& Job,
                                     const TCliEnvironment& Env) const
{
    TBatchRun Batch;
    Batch.Settings = Prepared.Settings;
    Batch.NumTrials = Prepared.Trials;
    Batch.Heading = BatchHeadingFor(TimestampOption_->count() > 0 ? Timestamp_ : Env.DateTime, Model_, Settings_);
    Batch.DecimalSep = Env.DecimalSep;
    Batch.Jobs = Job.Jobs;
    BatchPartRange(Set.NumSettings(), Job.PartK, Job.PartN, Batch.FirstSetting, Batch.LastSetting);
    Batch.WriteHeading = Job.PartK == 1;
    Batch.WriteClosing = Job.PartK == Job.PartN;
    return Batch;
}

int TBatchCommand::Execute(TSimulation& Model, TConsoleDialogs& Dialogs, const TPreparedBatch& Prepared,
                           const TReportOptions& Options, const TParsed& Job, TStdout& Out, std::ostream& Err,
                           const TCliEnvironment& Env) const
{
    const TParamSet& Set = Prepared.Set;
    const TBatchRun Batch = BatchRunFor(Set, Prepared, Job, Env);
    const int32_t PartSettings = std::max(0, Batch.LastSetting - Batch.FirstSetting + 1);

    // Results to a file go line by line to its hidden temporary, which replaces the file at the
    // end: memory stays the same however many settings there are, and a file that cannot be
    // written is found before the work.
    const bool ToStdout = Target_ == StdoutName;
    std::optional<TAtomicFileWriter> File;
    if (!ToStdout) {
        Out.Flush();  // what is already on standard output comes first, should the file lead there too
        File.emplace(Target_);
        if (!File->Status().Ok) {
            Err << Program << " " << Command << ": --out: " << OneLine(File->Status().Message) << '\n';
            return ExitFailed;
        }
    }
    TProgressLine Progress(Err, Env.ProgressOnErr);
    const auto Start = std::chrono::steady_clock::now();
    const auto ShowProgress = [&](int32_t Done, int32_t Total) {
        const double Elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count();
        Progress.Show(BatchProgressText(Done, Total, Elapsed));
    };
    // Text lines end as the program's files do, or with a line feed on standard output; CSV
    // records end the same wherever they go.
    const auto Writer = [&](std::string_view FileEnd, std::string_view OutEnd) {
        return [&, FileEnd, OutEnd](const std::string& Line) {
            if (File) {
                File->Write(Line);
                File->Write(FileEnd);
                return;
            }
            Progress.Clear();  // a terminal shared by both shows the line alone
            *Out << Line << OutEnd;
            Out.Flush();
        };
    };
    TBatchCallbacks Callbacks;
    if (Csv_) {
        Callbacks.AppendCsvRecord = Writer(CsvLineEnd, CsvLineEnd);
    } else {
        Callbacks.AppendLine = Writer("\r", "\n");
    }
    Callbacks.RunWarning = [&Dialogs](const std::string& Warning) { Dialogs.ShowError(Warning); };
    Callbacks.Progress = [&](int32_t Done, int32_t Total) {
        ShowProgress(Done, Total);
        // A reader that has gone or a file that cannot take more ends the batch.
        return File ? File->Status().Ok : Out.Error() == 0;
    };
    ShowProgress(0, PartSettings);
    try {
        if (PartSettings > 0 || Batch.WriteHeading || Batch.WriteClosing) {
            RunBatch(Model, Set, Options, Batch, Callbacks);
        }
    } catch (const std::system_error& E) {
        Progress.Clear();
        Err << Program << " " << Command << ": the batch stopped: " << OneLine(E.what())
            << (Job.Jobs > 1 ? "; try a lower --jobs" : "") << '\n';
        return ExitFailed;
    }
    Progress.Clear();
    if (!File) {
        return Out.Flush() ? ExitOk : ExitFailed;
    }
    const TFileResult Saved = File->Commit();
    if (!Saved.Ok) {
        Err << Program << ": " << OneLine(Saved.Message) << '\n';
        return ExitFailed;
    }
    return ExitOk;
}

int TBatchCommand::Run(TStdout& Out, std::ostream& Err, const TCliEnvironment& Env) const
{
    TParsed Job;
    if (!ParseOptions(Job, Err)) {
        return ExitUsage;
    }
    TReportOptions Options;
    if (!ReadOptions(Options_, OptionsOption_->count() > 0, Env, Options, Err)) {
        return ExitFailed;
    }
    TConsoleDialogs Dialogs(Err, !Strict_, Model_);
    TSimulation Model;
    const std::optional<TPreparedBatch> Prepared = Prepare(Model, Dialogs, Job, Options, Err);
    if (!Prepared) {
        return ExitFailed;
    }
    return Execute(Model, Dialogs, *Prepared, Options, Job, Out, Err, Env);
}
