#pragma once

/*
** Finds and loads the engine library file, trying in order:
**   1. the given directory, or the process's current directory;
**   2. the registry value "DLLPATH" of HKEY_LOCAL_MACHINE
**      "Software\Borland\Database Engine", a list of directories (separated
**      by ";" or ":") searched for the file; only the first match is tried;
**      skipped when the hive file could be changed by another user;
**   3. the bare file name, left to the system's own library search (the
**      caller's run path, LD_LIBRARY_PATH, the loader cache).
** A step whose file is missing or does not load falls through to the next.
** On failure the system's error of the last attempt is left in
** platform::DynLib::lastError() for the caller to translate.
*/

#include "platform/dynlib.h"

#include <optional>
#include <string>

namespace quillon::engine {

inline constexpr const char *kEngineRegistryKey = "Software\\Borland\\Database Engine";
inline constexpr const char *kEngineRegistryValue = "DLLPATH";

platform::DynLib::Handle FindAndLoadLibrary(const std::optional<std::string> &directory,
                                            const std::string &fileName);

} // namespace quillon::engine
