#pragma once

// Runs a shell command line for a test and takes what it prints, standard
// output and error together, with its exit status.

#include <cstdio>
#include <stdexcept>
#include <string>

namespace quillon::test {

struct CommandRun
{
    int status; // as pclose() gives it: 0 for success
    std::string out;
};

inline CommandRun runCommand(const std::string &command)
{
    FILE *pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (!pipe)
        throw std::runtime_error("cannot run " + command);
    std::string out;
    char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        out.append(buffer, n);
    return {::pclose(pipe), out};
}

} // namespace quillon::test
