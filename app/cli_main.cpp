// orvantis-cli: the command-line face of the simulation core.
#include <csignal>
#include <iostream>
#include <string>
#include <vector>

#include <unistd.h>

#include "app/Cli.h"
#include "batch/ReportOptions.h"
#include "platform/Locale.h"

int main(int argc, char** argv)
{
    // A reader that goes away (orvantis-cli ... | head) makes the write fail instead of ending the
    // program unannounced, so that the failure is reported and the exit code says so.
    std::signal(SIGPIPE, SIG_IGN);
    const std::vector<std::string> Args(argv + 1, argv + argc);
    TCliEnvironment Env;
    Env.DecimalSep = LocaleDecimalSeparator();
    Env.DateTime = LocalDateTimeText();
    Env.ProgressOnErr = ::isatty(STDERR_FILENO) != 0;
    Env.DefaultOptions = DefaultOptionsPath();
    Env.UserOptions = UserOptionsPath();
    return RunCli(Args, std::cout, std::cerr, Env);
}
