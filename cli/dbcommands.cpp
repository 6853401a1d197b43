#include "cli/dbcommands.h"

#include "cli/arguments.h"
#include "engine/dataaccess.h"

#include <algorithm>
#include <iostream>
#include <iterator>

namespace quillon::cli {

namespace {

// The subcommands and the positional words each takes after its name.
struct Verb
{
    const char *name;
    std::vector<std::string> words;
    bool moreAllowed; // further words continue the last one
};

const Verb kVerbs[] = {
    {"aliases", {}, false},
    {"tables", {"ALIAS"}, false},
    {"fields", {"ALIAS", "TABLE"}, false},
    {"query", {"ALIAS", "SQL"}, true},
    {"alias", {"NAME", "URI"}, false}, // or NAME --remove
};

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

void run(const Args &args, std::ostream &out)
{
    const bool leadingDb = !args.empty() && args[0] == "db";
    // "--remove" is a flag of "alias" alone; it takes no value.
    Args rest(args.begin() + (leadingDb ? 1 : 0), args.end());
    const auto dashes = std::find(rest.begin(), rest.end(), "--");
    const auto removeFlag = std::find(rest.begin(), dashes, "--remove");
    const bool remove = removeFlag != dashes;
    if (remove)
        rest.erase(removeFlag);
    Arguments a("db", rest, {"--user", "--password"});
    if (a.positionals().empty())
        throw UsageError("db: no command given (aliases, tables, fields, query or alias)");
    const std::string verb = a.positionals()[0];
    const auto known = std::find_if(std::begin(kVerbs), std::end(kVerbs),
                                    [&verb](const Verb &v) { return verb == v.name; });
    if (known == std::end(kVerbs))
        throw UsageError("db: unknown command '" + verb + "'");
    a.nameSubcommand(verb);
    if (remove && verb != "alias")
        throw UsageError("db " + verb + ": --remove belongs to 'alias'");
    std::vector<std::string> names = known->words;
    if (remove)
        names.pop_back(); // alias NAME --remove takes no URI
    names.insert(names.begin(), verb);
    a.expectPositionals(names, known->moreAllowed);
    const std::vector<std::string> &words = a.positionals();

    engine::DataAccess access;
    if (verb == "alias") {
        if (remove)
            access.removeAlias(words[1]);
        else
            access.addServerAlias(words[1], words[2]);
        return;
    }
    if (verb == "aliases") {
        writeList(out, access.aliases());
        return;
    }
    const engine::Database db =
        access.open(words[1], a.option("--user").value_or(""), a.option("--password").value_or(""));
    if (verb == "tables") {
        writeList(out, db.tables());
    } else if (verb == "fields") {
        writeList(out, db.fields(words[2]));
    } else {
        std::string sql = words[2];
        for (std::size_t i = 3; i < words.size(); ++i)
            sql += " " + words[i];
        engine::Cursor cursor = db.openQuery(sql);
        writeLine(out, cursor.columnNames());
        for (; !cursor.eof(); cursor.next())
            writeLine(out, cursor.row());
    }
    out.flush();
}

} // namespace

int runDbCommand(const Args &args, std::ostream &out, std::ostream &err)
{
    return runReported(
        [&] {
            run(args, out);
            return 0;
        },
        err);
}

int runDbCommand(const Args &args)
{
    run(args, std::cout);
    return 0;
}

} // namespace quillon::cli
