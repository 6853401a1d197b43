#include "cli/commandtable.h"

#include "cli/generatecommand.h"
#include "cli/installcommand.h"
#include "cli/lazaruscommand.h"
#include "cli/projectcommands.h"
#include "cli/servecommand.h"

#include "cli/dbcommands.h"
#ifdef QUILLON_WITH_WIZARD
#include "cli/wizardcommand.h"
#endif

#include <iostream>

namespace quillon::cli {

const std::vector<Command> &commands()
{
    static const std::vector<Command> table = {
        {"generate", "generate PROJECT.qnp [--template FILE] [--output FILE] [--force | --merge] [--lpi]",
         "generate the project's .dpr source (to --output, else to its OutputDLL as a .dpr file, "
         "replacing there only a Pascal project source); a source edited since Quillon wrote it is "
         "left alone unless --force replaces it or --merge merges the project's changes into it; "
         "--lpi also writes a Lazarus project beside it unless one is there",
         runGenerate},
        {"resave", "resave IN.qnp OUT.qnp", "load a project file and save it again", runResave},
        {"summary", "summary PROJECT.qnp", "print the summary of a project", runSummary},
        {"install", "install [--root-dir DIR] [--install-path DIR]",
         "record the IDE's root directory (the folder holding template.dpr) and the wizard's install folder"
         " (the folder holding QUILLON.HLP)",
         runInstall},
        {"db",
         "db aliases | tables ALIAS | fields ALIAS TABLE | query ALIAS SQL [--param NAME=VALUE]..."
         " [--user NAME] [--password TEXT]",
         "list the engine's aliases, an alias's tables or a table's fields, or run a query"
         " (tab-separated, with a header line; each --param gives its :NAME a value, bound as text)",
         runDbCommand},
        {"lazarus", "lazarus install|uninstall [--pcp DIR] [--package FILE.lpk] [--lazbuild PROGRAM]",
         "add Quillon's package to the user's Lazarus (configuration folder --pcp, default ~/.lazarus) and rebuild"
         " the IDE, or take it out again; a failed step keeps the previous IDE",
         runLazarusCommand},
        {"serve", "serve EXT.so [--port N] [--bind ADDR] [--web-server lighttpd|nginx] [--user NAME] [--allow-root]",
         "serve a compiled extension through lighttpd (or nginx) on http://127.0.0.1:8080/ (or ADDR:N) until"
         " interrupted; started as root, the extension runs as --user NAME, else as the owner of EXT.so, and as"
         " root only with --allow-root",
         runServe},
#ifdef QUILLON_WITH_WIZARD
        {"wizard",
         "wizard [PROJECT.qnp] | wizard --script FILE [--screenshots DIR]; either with [--result FILE [--lpi]]",
         "show the wizard (loading PROJECT.qnp), or run a script on it offscreen and print its transcript;"
         " --result writes what the run wrote to FILE, --lpi also a Lazarus project beside a new source",
         runWizardCommand},
#endif
    };
    return table;
}

std::string helpText()
{
    std::string text = "Usage: quillon COMMAND [ARGUMENTS]\n\nCommands:\n";
    for (const Command &c : commands()) {
        text += "  quillon ";
        text += c.synopsis;
        text += "\n      ";
        text += c.summary;
        text += '\n';
    }
    text += "  quillon --help\n      show this help\n";
    text += "  quillon --version\n      show the version\n";
    return text;
}

namespace {

// "--help" among a command's options (not after "--").
bool wantsHelp(const Args &args)
{
    for (const std::string &a : args) {
        if (a == "--")
            return false;
        if (a == "--help" || a == "-h")
            return true;
    }
    return false;
}

} // namespace

int dispatch(const Args &args)
{
    return runReported(
        [&args] {
            if (args.empty())
                throw UsageError("no command given");
            const std::string &name = args.front();
            if (name == "--help" || name == "-h" || name == "help") {
                std::cout << helpText();
                return 0;
            }
            if (name == "--version") {
                std::cout << "quillon " QUILLON_VERSION "\n";
                return 0;
            }
            for (const Command &c : commands()) {
                if (name != c.name)
                    continue;
                const Args rest(args.begin() + 1, args.end());
                if (wantsHelp(rest)) {
                    std::cout << "Usage: quillon " << c.synopsis << "\n  " << c.summary << '\n';
                    return 0;
                }
                return c.run(rest);
            }
            throw UsageError("unknown command '" + name + "'");
        },
        std::cerr);
}

} // namespace quillon::cli
