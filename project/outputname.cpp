#include "project/outputname.h"

#include <filesystem>

namespace quillon {

std::string completeOutputPath(std::string_view entered, std::string_view currentDir)
{
    std::string path(entered);
    const std::size_t dot = path.rfind('.');
    const std::size_t sep = path.find_last_of("/\\:");
    if (dot != std::string::npos && (sep == std::string::npos || dot > sep))
        path.erase(dot);
    path += ".dpr";
    if (path.front() == '/')
        return std::filesystem::path(path).lexically_normal().string();
    std::filesystem::path full(currentDir);
    full /= path;
    return full.lexically_normal().string();
}

} // namespace quillon
