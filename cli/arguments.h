#pragma once

/*
** The one parser and the one usage error of every quillon command.
**
** A command's arguments are positional words, options that take a value
** ("--output FILE" or "--output=FILE") and flags ("--force"), anywhere
** among the words (after "--"
** every word is positional). Anything it cannot place is a UsageError
** naming the command and the word at fault. A command fails by throwing:
** UsageError for a command line it cannot make sense of (exit status 2,
** with a hint to --help), any other std::exception for a failure while
** working (exit status 1); runReported() turns both into the one message
** format on the error stream.
*/

#include <functional>
#include <iosfwd>
#include <map>
#include <optional>
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

class Arguments
{
public:
    // valueOptions: the options that take a value, such as "--output";
    // flagOptions: those that take none, such as "--force".
    Arguments(const std::string &command, const Args &args, const std::vector<std::string> &valueOptions,
              const std::vector<std::string> &flagOptions = {});

    // Requires exactly these positional words, named for the error message;
    // with moreAllowed, any further words as well.
    void expectPositionals(const std::vector<std::string> &names, bool moreAllowed = false) const;

    // Names a subcommand after the command in later messages ("db tables").
    void nameSubcommand(const std::string &word) { m_command += " " + word; }

    const std::string &command() const { return m_command; }
    const std::vector<std::string> &positionals() const { return m_positionals; }
    std::optional<std::string> option(const std::string &name) const;
    // Whether the flag option was given.
    bool flag(const std::string &name) const { return m_options.count(name) != 0; }

private:
    std::string m_command;
    std::vector<std::string> m_positionals;
    std::map<std::string, std::string> m_options;
};

// Runs body and returns its exit status; a failure it throws is written to
// err as one "quillon: ..." line (and a --help hint for a UsageError) and
// gives 2 for a UsageError, 1 for any other exception.
int runReported(const std::function<int()> &body, std::ostream &err);

} // namespace quillon::cli
