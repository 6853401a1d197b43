#include "cli/arguments.h"

#include <algorithm>
#include <ostream>

namespace quillon::cli {

Arguments::Arguments(const std::string &command, const Args &args,
                     const std::vector<std::string> &valueOptions, const std::vector<std::string> &flagOptions)
    : m_command(command)
{
    bool onlyPositionals = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string &word = args[i];
        if (onlyPositionals || word.size() < 2 || word[0] != '-') {
            m_positionals.push_back(word);
            continue;
        }
        if (word == "--") {
            onlyPositionals = true;
            continue;
        }
        const auto eq = word.find('=');
        const std::string name = word.substr(0, eq);
        const bool isFlag = std::find(flagOptions.begin(), flagOptions.end(), name) != flagOptions.end();
        if (!isFlag && std::find(valueOptions.begin(), valueOptions.end(), name) == valueOptions.end())
            throw UsageError(command + ": unknown option '" + name + "'");
        if (m_options.count(name))
            throw UsageError(command + ": option " + name + " given twice");
        if (isFlag) {
            if (eq != std::string::npos)
                throw UsageError(command + ": option " + name + " takes no value");
            m_options[name];
            continue;
        }
        if (eq != std::string::npos) {
            m_options[name] = word.substr(eq + 1);
        } else if (i + 1 < args.size()) {
            m_options[name] = args[++i];
        } else {
            throw UsageError(command + ": option " + name + " needs a value");
        }
        if (m_options[name].empty())
            throw UsageError(command + ": option " + name + " needs a non-empty value");
    }
}

void Arguments::expectPositionals(const std::vector<std::string> &names, bool moreAllowed) const
{
    if (m_positionals.size() < names.size())
        throw UsageError(m_command + ": missing " + names[m_positionals.size()]);
    if (!moreAllowed && m_positionals.size() > names.size())
        throw UsageError(m_command + ": unexpected argument '" + m_positionals[names.size()] + "'");
}

std::optional<std::string> Arguments::option(const std::string &name) const
{
    const auto it = m_options.find(name);
    if (it == m_options.end())
        return std::nullopt;
    return it->second;
}

int runReported(const std::function<int()> &body, std::ostream &err)
{
    try {
        return body();
    } catch (const UsageError &e) {
        err << "quillon: " << e.what() << "\nTry 'quillon --help' for more information.\n";
        return 2;
    } catch (const std::exception &e) {
        err << "quillon: " << e.what() << '\n';
        return 1;
    }
}

} // namespace quillon::cli
