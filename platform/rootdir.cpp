#include "platform/rootdir.h"

#include "platform/atomicfile.h"
#include "platform/installkeys.h"
#include "platform/installlayout.h"
#include "platform/registry.h"

#include <algorithm>
#include <optional>

namespace quillon::platform {

std::string rootDirFromRegistry(const Registry &registry, std::string_view purpose)
{
    std::optional<std::string> value;
    if (const auto key = registry.openKey(Hive::LocalMachine, kRootDirKey))
        value = key->readString(kRootDirValue);
    if (value) {
        // The folder decides the code of every extension built from it.
        if (const auto why = registry.untrustedHiveReason(Hive::LocalMachine); !why.empty())
            throw FileError::refused(registry.hiveFile(Hive::LocalMachine),
                                     "its RootDir is not trusted to choose " + std::string(purpose) + ", since " + why);
    }
    // Nothing recorded: an installed program uses the folder installed with it.
    if (!value) {
        const auto &layout = installedLayout();
        return layout ? layout->rootDir() : std::string();
    }
    std::string root = *value;
    // A stored value ends at its first NUL, as a C string would.
    root.resize(std::min(root.size(), root.find('\0')));
    return root;
}

} // namespace quillon::platform
