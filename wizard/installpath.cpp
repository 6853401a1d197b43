#include "wizard/installpath.h"

#include "platform/installlayout.h"
#include "platform/registry.h"

#include <exception>
#include <optional>

namespace quillon::wizard {

std::string helpFilePath(const platform::Registry &registry)
{
    std::string folder;
    try {
        std::optional<std::string> recorded;
        if (const auto key = registry.openKey(platform::Hive::CurrentUser, kInstallPathKey))
            recorded = key->readString(kInstallPathValue);
        if (recorded)
            folder = *recorded;
        else if (const auto &layout = platform::installedLayout())
            folder = layout->dataDir();
    } catch (const std::exception &) {
        folder.clear();
    }
    if (!folder.empty() && folder.back() != '/')
        folder += '/';
    return folder + kHelpFileName;
}

} // namespace quillon::wizard
