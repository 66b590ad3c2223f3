// orvantis-cli: the command-line face of the simulation core.
#include <csignal>
#include <exception>
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
    try {
        return RunCli(Args, std::cout, std::cerr, Env);
    } catch (const std::exception& E) {
        // Before a command started (the parser's own set-up): still one line and the failure code.
        std::cerr << "orvantis-cli: " << E.what() << '\n';
        return 1;
    }
}
