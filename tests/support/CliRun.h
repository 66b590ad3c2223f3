#pragma once
#include <sstream>
#include <string>
#include <vector>

#include "app/Cli.h"

// A run of the command-line program inside the test's process: its exit code and both outputs.
struct TCliResult {
    int Code = 0;
    std::string Out;
    std::string Err;
};

inline TCliResult RunCliCaptured(const std::vector<std::string>& Args, const TCliEnvironment& Env)
{
    std::ostringstream Out;
    std::ostringstream Err;
    TCliResult R;
    R.Code = RunCli(Args, Out, Err, Env);
    R.Out = Out.str();
    R.Err = Err.str();
    return R;
}
