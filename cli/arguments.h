#pragma once

/*
** A small parser for one command's arguments: positional words and options
** that take a value ("--output FILE" or "--output=FILE"). Anything it cannot
** place is a UsageError naming the command and the word at fault.
*/

#include "cli/commandtable.h"

#include <map>
#include <optional>
#include <string>

namespace quillon::cli {

class Arguments
{
public:
    // valueOptions: the options that take a value, such as "--output".
    Arguments(const std::string &command, const Args &args, const std::vector<std::string> &valueOptions);

    // Requires exactly these positional words, named for the error message.
    void expectPositionals(const std::vector<std::string> &names) const;

    const std::vector<std::string> &positionals() const { return m_positionals; }
    std::optional<std::string> option(const std::string &name) const;

private:
    std::string m_command;
    std::vector<std::string> m_positionals;
    std::map<std::string, std::string> m_options;
};

} // namespace quillon::cli
