#pragma once

/*
** The IDE's root folder: where the template of generated source and the
** Pascal units it compiles with lie. The registry's "RootDir" value
** (installkeys.h) when it is recorded, else the installed program's own
** folder (installlayout.h), else nothing.
*/

#include <string>
#include <string_view>

namespace quillon::platform {

class Registry;

// The "RootDir" value itself (up to its first NUL); when the key or value is
// missing, the installed template's folder, or empty outside an
// installation. Throws FileError when the hive cannot be read, and when it
// holds the value but is not trusted to choose code
// (Registry::untrustedHiveReason()): purpose names what the folder would
// choose ("the template"), and the refusal names the hive file.
std::string rootDirFromRegistry(const Registry &registry, std::string_view purpose);

} // namespace quillon::platform
