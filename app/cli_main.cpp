// orvantis-cli: the command-line face of the simulation core.
#include <iostream>
#include <string>
#include <vector>

#include "app/Cli.h"
#include "platform/Locale.h"

int main(int argc, char** argv)
{
    const std::vector<std::string> Args(argv + 1, argv + argc);
    TCliEnvironment Env;
    Env.DecimalSep = LocaleDecimalSeparator();
    Env.DateTime = LocalDateTimeText();
    return RunCli(Args, std::cout, std::cerr, Env);
}
