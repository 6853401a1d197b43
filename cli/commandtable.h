#pragma once

/*
** The quillon command's table of sub-commands.
**
** Each command is a name, a one-line synopsis for --help and a function
** taking the arguments after the name. A command fails by throwing, as
** arguments.h describes; both kinds of message go to standard error.
*/

#include "cli/arguments.h"

#include <string>
#include <vector>

namespace quillon::cli {

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
