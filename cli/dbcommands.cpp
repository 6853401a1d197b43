#include "cli/dbcommands.h"

#include "engine/dataaccess.h"

#include <cstdint>
#include <iostream>

namespace quillon::cli {

namespace {

constexpr const char *kUsage =
    "usage: quillon db aliases | tables ALIAS | fields ALIAS TABLE | query ALIAS SQL"
    " [--user NAME] [--password TEXT]\n"
    "       quillon db alias NAME postgresql://HOST:PORT/DBNAME | alias NAME --remove";

struct UsageError
{
    std::string message;
};

struct Command
{
    std::vector<std::string> words; // subcommand and its arguments
    std::string user;
    std::string password;
    bool remove = false; // "--remove", for "alias"
};

// Takes "--user" and "--password" (with the value as the next word or after
// "="), wherever they stand; every other word is the command's.
Command parse(const std::vector<std::string> &args)
{
    Command command;
    const std::pair<std::string, std::string *> options[] = {{"--user", &command.user},
                                                             {"--password", &command.password}};
    std::size_t i = (!args.empty() && args[0] == "db") ? 1 : 0;
    for (; i < args.size(); ++i) {
        const std::string &arg = args[i];
        bool taken = false;
        if (arg == "--remove") {
            command.remove = true;
            continue;
        }
        for (const auto &[option, field] : options) {
            if (arg == option) {
                if (i + 1 >= args.size())
                    throw UsageError{option + " needs a value"};
                *field = args[++i];
                taken = true;
            } else if (arg.rfind(option + "=", 0) == 0) {
                *field = arg.substr(option.size() + 1);
                taken = true;
            }
        }
        if (!taken)
            command.words.push_back(arg);
    }
    return command;
}

// One value as one field of a line: backslash, tab, CR and LF escaped.
std::string escaped(const std::string &value)
{
    std::string out;
    out.reserve(value.size());
    for (char c : value) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '\t': out += "\\t"; break;
        case '\r': out += "\\r"; break;
        case '\n': out += "\\n"; break;
        default: out += c;
        }
    }
    return out;
}

void writeLine(std::ostream &out, const std::vector<std::string> &fields)
{
    for (std::size_t i = 0; i < fields.size(); ++i)
        out << (i ? "\t" : "") << escaped(fields[i]);
    out << '\n';
}

void writeList(std::ostream &out, const std::vector<std::string> &names)
{
    for (const std::string &name : names)
        out << escaped(name) << '\n';
}

void expectWords(const Command &command, std::size_t atLeast, std::size_t atMost)
{
    const std::size_t n = command.words.size();
    if (n < atLeast || n > atMost)
        throw UsageError{"wrong number of arguments for \"" + command.words[0] + "\""};
}

void run(const Command &command, std::ostream &out)
{
    const std::string &verb = command.words[0];
    if (verb != "aliases" && verb != "tables" && verb != "fields" && verb != "query" && verb != "alias")
        throw UsageError{"unknown command \"" + verb + "\""};
    if (command.remove && verb != "alias")
        throw UsageError{"--remove belongs to \"alias\""};
    if (verb == "alias")
        expectWords(command, command.remove ? 2 : 3, command.remove ? 2 : 3);
    else if (verb == "aliases")
        expectWords(command, 1, 1);
    else if (verb == "tables")
        expectWords(command, 2, 2);
    else if (verb == "fields")
        expectWords(command, 3, 3);
    else
        expectWords(command, 3, SIZE_MAX);

    engine::DataAccess access;
    if (verb == "alias") {
        if (command.remove)
            access.removeAlias(command.words[1]);
        else
            access.addServerAlias(command.words[1], command.words[2]);
        return;
    }
    if (verb == "aliases") {
        writeList(out, access.aliases());
        return;
    }
    const engine::Database db = access.open(command.words[1], command.user, command.password);
    if (verb == "tables") {
        writeList(out, db.tables());
    } else if (verb == "fields") {
        writeList(out, db.fields(command.words[2]));
    } else {
        std::string sql = command.words[2];
        for (std::size_t i = 3; i < command.words.size(); ++i)
            sql += " " + command.words[i];
        engine::Cursor cursor = db.openQuery(sql);
        writeLine(out, cursor.columnNames());
        for (; !cursor.eof(); cursor.next())
            writeLine(out, cursor.row());
    }
}

} // namespace

int runDbCommand(const std::vector<std::string> &args, std::ostream &out, std::ostream &err)
{
    try {
        const Command command = parse(args);
        if (command.words.empty())
            throw UsageError{"no command given"};
        run(command, out);
        out.flush();
        return 0;
    } catch (const UsageError &error) {
        err << "quillon db: " << error.message << "\n" << kUsage << "\n";
        return 2;
    } catch (const std::exception &error) {
        // Engine failures (EngineError) and anything else that stops a run,
        // such as running out of memory on a huge row.
        err << "quillon db: " << error.what() << "\n";
        return 1;
    }
}

int runDbCommand(const std::vector<std::string> &args)
{
    return runDbCommand(args, std::cout, std::cerr);
}

} // namespace quillon::cli
