/*
** aliassetup ALIAS DIRECTORY
**
** Registers one persistent engine alias: afterwards ALIAS points at
** DIRECTORY (the parameter text "PATH:" followed by the directory as given),
** replacing any earlier alias of that name. Everything is checked before
** anything is written, and the engine replaces the stored alias in one
** atomic write of its configuration: at every moment, and whatever fails
** (a bad name or directory, a full disk, the program killed), the
** configuration holds the old alias or the new one, never neither. A
** directory holding a line break is refused here, as it would end the
** parameter line. A missing argument is the empty text. The exit code is 0 whatever the engine answers, because
** installers rely on it; but a run that could not register the alias says
** so in one line on standard error, so that the failure is not silent.
*/

#include "engine/enginebinding.h"
#include "engine/enginefunctions.h"
#include "engine/engineerror.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>

using namespace quillon::engine;

namespace {

// The end-of-program action: closes the engine once. main runs it itself
// before returning, because the run-time destroys the thread's own data
// (which the engine uses for its last-error record) before it runs the
// registered actions; the registration covers any other way out.
void closeEngine()
{
    static bool closed = false;
    if (closed)
        return;
    closed = true;
    EngineExit();
}

} // namespace

int main(int argc, char **argv)
{
    // A lone --help or --version asks about the program; alias names never
    // start with two dashes in practice, and these two are not registered.
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
        std::printf("Usage: aliassetup ALIAS DIRECTORY\n"
                    "Register the persistent engine alias ALIAS for the folder DIRECTORY (a folder of\n"
                    "CSV tables), replacing any earlier alias of that name.\n\n"
                    "The exit status is 0 whatever happens; a failure is reported in one line on\n"
                    "standard error.\n\n"
                    "  --help     show this help\n"
                    "  --version  show the version\n");
        return 0;
    }
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("aliassetup " QUILLON_VERSION "\n");
        return 0;
    }
    try {
        std::atexit(closeEngine);
        EngineInit(nullptr);

        const std::string alias = argc > 1 ? argv[1] : "";
        const std::string directory = argc > 2 ? argv[2] : "";
        const std::string params = "PATH:" + directory;

        if (directory.find_first_of("\r\n") != std::string::npos) {
            std::fprintf(stderr,
                         "aliassetup: could not register alias \"%s\": the directory contains a line break; "
                         "the alias is left as it was\n",
                         alias.c_str());
        } else {
            const DBIResult status =
                DbiAddAlias(nullptr, alias.c_str(), nullptr, params.c_str(), QDBI_PERSIST_REPLACE);
            if (status != 0)
                std::fprintf(stderr, "aliassetup: could not register alias \"%s\" for \"%s\": %s\n",
                             alias.c_str(), directory.c_str(), engineMessage(status).c_str());
        }
    } catch (const std::exception &error) {
        std::fprintf(stderr, "aliassetup: %s\n", error.what());
    }
    closeEngine();
    return 0;
}
