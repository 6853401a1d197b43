#include "cli/dbcommands.h"

#include "cli/arguments.h"
#include "engine/dataaccess.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <stdexcept>
#include <string_view>
#include <strings.h>

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
    {"alias", {"NAME", "URI"}, false}, // URI: a server URI, an SQLite file or a folder; or NAME --remove
};

// The letter after the backslash that stands for a byte, or 0 for a byte
// written as it is.
struct EscapeLetters
{
    char letter[256] = {};
    constexpr EscapeLetters()
    {
        letter[static_cast<unsigned char>('\\')] = '\\';
        letter[static_cast<unsigned char>('\t')] = 't';
        letter[static_cast<unsigned char>('\r')] = 'r';
        letter[static_cast<unsigned char>('\n')] = 'n';
    }
};
constexpr EscapeLetters kEscapes;

// Appends one value as one field of a line: backslash, tab, CR and LF
// escaped. Runs of plain bytes are copied whole.
void appendEscaped(std::string &out, std::string_view value)
{
    std::size_t start = 0;
    for (std::size_t i = 0; i < value.size(); ++i) {
        const char letter = kEscapes.letter[static_cast<unsigned char>(value[i])];
        if (!letter)
            continue;
        out.append(value.data() + start, i - start);
        out += '\\';
        out += letter;
        start = i + 1;
    }
    out.append(value.data() + start, value.size() - start);
}

std::string escaped(const std::string &value)
{
    std::string out;
    appendEscaped(out, value);
    return out;
}

// Appends one line of tab-separated fields.
template <class Fields>
void appendLine(std::string &out, const Fields &fields, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i) {
        if (i)
            out += '\t';
        appendEscaped(out, fields[i] ? std::string_view(fields[i]) : std::string_view());
    }
    out += '\n';
}

// The rows of a query, written through one buffer that goes out in large
// pieces.
void writeRows(std::ostream &out, engine::Cursor &cursor)
{
    constexpr std::size_t kFlushAt = 1 << 16;
    std::string buffer;
    buffer.reserve(kFlushAt + 4096);
    std::vector<const char *> names;
    const std::vector<std::string> columns = cursor.columnNames();
    for (const std::string &name : columns)
        names.push_back(name.c_str());
    appendLine(buffer, names, names.size());
    for (; !cursor.eof(); cursor.next()) {
        cursor.readRow([&](const char *const *texts, std::size_t count) { appendLine(buffer, texts, count); });
        if (buffer.size() >= kFlushAt) {
            out.write(buffer.data(), std::streamsize(buffer.size()));
            buffer.clear();
        }
    }
    out.write(buffer.data(), std::streamsize(buffer.size()));
}

void writeList(std::ostream &out, const std::vector<std::string> &names)
{
    for (const std::string &name : names)
        out << escaped(name) << '\n';
}

// Registers NAME for what target names: a server URI (postgresql://...),
// an SQLite database file, or a folder of CSV tables. A local path is
// checked first, so that a mistyped one is refused by name, not stored.
void addAlias(const engine::DataAccess &access, const std::string &name, const std::string &target)
{
    if (strncasecmp(target.c_str(), "postgresql://", 13) == 0 || strncasecmp(target.c_str(), "postgres://", 11) == 0) {
        access.addServerAlias(name, target);
        return;
    }
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::file_status status = fs::status(target, ec);
    if (fs::is_directory(status)) {
        access.addLocalAlias(name, target, false);
        return;
    }
    if (!fs::is_regular_file(status))
        throw std::runtime_error("db alias: " + target +
                                 " is not a server URI (postgresql://host/db), an SQLite file or a folder");
    // Every SQLite 3 database starts with this header; an empty file is a
    // database with no tables yet.
    static constexpr char kHeader[] = "SQLite format 3"; // 16 bytes with its NUL
    char head[sizeof kHeader] = {};
    std::ifstream file(target, std::ios::binary);
    if (!file)
        throw std::runtime_error("db alias: cannot read " + target);
    file.read(head, sizeof head);
    const bool empty = file.gcount() == 0;
    if (!empty && (file.gcount() != sizeof head || std::memcmp(head, kHeader, sizeof head) != 0))
        throw std::runtime_error("db alias: " + target + " is not an SQLite database file");
    access.addLocalAlias(name, target, true);
}

// Takes every "--param NAME=VALUE" (or "--param=NAME=VALUE") before "--"
// out of args: the values of the query's ":NAME" parameters, in order.
// The option may be given once per parameter, and a value may be empty.
std::vector<std::pair<std::string, std::string>> takeParameters(Args &args)
{
    std::vector<std::pair<std::string, std::string>> parameters;
    for (auto it = args.begin(); it != args.end() && *it != "--";) {
        std::string text;
        if (*it == "--param") {
            if (std::next(it) == args.end())
                throw UsageError("db query: option --param needs a value");
            text = *std::next(it);
            it = args.erase(it, std::next(it, 2));
        } else if (it->starts_with("--param=")) {
            text = it->substr(8);
            it = args.erase(it);
        } else {
            ++it;
            continue;
        }
        const std::size_t equals = text.find('=');
        if (equals == 0 || equals == std::string::npos)
            throw UsageError("db query: --param '" + text + "' is not NAME=VALUE");
        parameters.emplace_back(text.substr(0, equals), text.substr(equals + 1));
    }
    return parameters;
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
    const std::vector<std::pair<std::string, std::string>> parameters = takeParameters(rest);
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
    if (!parameters.empty() && verb != "query")
        throw UsageError("db " + verb + ": --param belongs to 'query'");
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
            addAlias(access, words[1], words[2]);
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
        engine::Cursor cursor = parameters.empty() ? db.openQuery(sql) : db.openQuery(sql, parameters);
        writeRows(out, cursor);
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
