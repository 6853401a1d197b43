#include "wizard/filechecks.h"

#include "project/textlines.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace quillon::wizard {

namespace {

namespace fs = std::filesystem;

constexpr std::size_t kTextProbe = 64 * 1024;

std::string absoluteFrom(const std::string &path, const std::string &currentDir)
{
    const fs::path p(path);
    return p.is_absolute() || currentDir.empty() ? path : (fs::path(currentDir) / p).string();
}

} // namespace

std::string htmlFileProblem(std::string_view what, const std::string &path)
{
    const std::string file = "The " + std::string(what) + " file " + path;
    if (isBlankText(path))
        return "Please enter the name of the " + std::string(what) + " file.";
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (!fs::exists(status))
        return file + " does not exist.";
    if (!fs::is_regular_file(status))
        return file + " is not a file.";
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return file + " cannot be read: " + std::strerror(errno) + ".";
    std::string head(kTextProbe, '\0');
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    if (in.bad())
        return file + " cannot be read.";
    head.resize(static_cast<std::size_t>(in.gcount()));
    if (head.find('\0') != std::string::npos)
        return file + " is not a text file.";
    return {};
}

std::string outputPathProblem(const std::string &entered, const std::string &currentDir)
{
    std::error_code ec;
    if (!isBlankText(entered) && fs::is_directory(absoluteFrom(entered, currentDir), ec))
        return entered + " is a folder: enter the name of the project source file to write.";
    return {};
}

} // namespace quillon::wizard
