#include "cli/installcommand.h"

#include "cli/arguments.h"
#include "generator/sourcegenerator.h"
#include "platform/installkeys.h"
#include "platform/registry.h"

#include <filesystem>
#include <iostream>
#include <string_view>

namespace quillon::cli {

namespace {

// The folder as an absolute path without a trailing "/": programs read it
// from any working folder.
std::string absoluteFolder(const std::string &dir)
{
    std::error_code ec;
    if (!std::filesystem::is_directory(dir, ec))
        throw std::runtime_error("Not a directory: " + dir);
    std::string path = std::filesystem::absolute(dir).lexically_normal().string();
    if (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

void record(platform::Hive hive, std::string_view keyPath, std::string_view name, const std::string &value)
{
    platform::Registry registry;
    registry.createKey(hive, keyPath).writeString(name, value);
    std::cout << name << " = " << value << " (" << platform::hiveName(hive) << "\\" << keyPath << " in "
              << registry.hiveFile(hive) << ")\n";
}

} // namespace

int runInstall(const Args &args)
{
    const Arguments a("install", args, {"--root-dir", "--install-path"});
    a.expectPositionals({});
    const auto rootDir = a.option("--root-dir");
    const auto installPath = a.option("--install-path");
    if (!rootDir && !installPath)
        throw UsageError("install: give --root-dir DIR, --install-path DIR or both");
    if (rootDir) {
        const std::string root = absoluteFolder(*rootDir);
        std::error_code ec;
        if (!std::filesystem::exists(std::filesystem::path(root) / "template.dpr", ec))
            std::cerr << "quillon: warning: " << root << " holds no template.dpr yet\n";
        record(platform::Hive::LocalMachine, generator::kRootDirKey, generator::kRootDirValue, root);
    }
    if (installPath) {
        // The wizard finds its help file, QUILLON.HLP, in this folder.
        const std::string install = absoluteFolder(*installPath);
        std::error_code ec;
        if (!std::filesystem::exists(std::filesystem::path(install) / platform::kHelpFileName, ec))
            std::cerr << "quillon: warning: " << install << " holds no " << platform::kHelpFileName << " yet\n";
        record(platform::Hive::CurrentUser, platform::kInstallPathKey, platform::kInstallPathValue, install);
    }
    return 0;
}

} // namespace quillon::cli
