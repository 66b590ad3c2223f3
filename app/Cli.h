#pragma once
#include <iosfwd>
#include <string>
#include <vector>

// What the command line takes from its surroundings, passed in so that tests can fix them.
struct TCliEnvironment {
    char DecimalSep = '.';  // the user's locale separator for numbers in reports and costs
    std::string DateTime;   // the report heading's date and time when --timestamp is not given
    bool ProgressOnErr = false;  // standard error is a terminal: long commands show their progress there
    std::string DefaultOptions;  // the batch reporting options delivered beside the program
    std::string UserOptions;     // the user's batch reporting options
};

// orvantis-cli: Args are the arguments after the program name. Writes results to Out and every
// message (errors, the model checks, notices) to Err, and returns the exit code: 0 success,
// 1 refused or failed, 2 usage error.
int RunCli(const std::vector<std::string>& Args, std::ostream& Out, std::ostream& Err, const TCliEnvironment& Env);
