#include "cli/programsearch.h"

#include <cstdlib>
#include <unistd.h>

namespace quillon::cli {

std::filesystem::path findProgram(const std::string &name, const std::vector<std::filesystem::path> &more)
{
    std::vector<std::filesystem::path> folders;
    if (const char *path = std::getenv("PATH")) {
        std::string all = path;
        for (std::size_t pos = 0; pos <= all.size();) {
            const std::size_t end = std::min(all.find(':', pos), all.size());
            if (end > pos)
                folders.emplace_back(all.substr(pos, end - pos));
            pos = end + 1;
        }
    }
    folders.insert(folders.end(), more.begin(), more.end());
    for (const std::filesystem::path &folder : folders)
        if (::access((folder / name).c_str(), X_OK) == 0)
            return folder / name;
    return {};
}

} // namespace quillon::cli
