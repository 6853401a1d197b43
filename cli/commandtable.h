#pragma once

/*
** The quillon command's table of sub-commands.
**
** Each command is a name, a one-line synopsis for --help and a function
** taking the arguments after the name. A command fails by throwing:
** UsageError for a command line it cannot make sense of (exit status 2,
** with a hint to --help), any other std::exception for a failure while
** working (exit status 1). Both messages go to standard error.
*/

#include <stdexcept>
#include <string>
#include <vector>

namespace quillon::cli {

using Args = std::vector<std::string>;

class UsageError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

struct Command
{
    const char *name;
    const char *synopsis; // shown by --help, after "quillon "
    const char *summary;  // what the command does, one line
    int (*run)(const Args &args);
};

const std::vector<Command> &commands();

// The --help text.
std::string helpText();

// Runs the command line (without the program name); returns the exit status.
int dispatch(const Args &args);

} // namespace quillon::cli
