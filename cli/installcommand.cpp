#include "cli/installcommand.h"

#include "cli/arguments.h"
#include "platform/registry.h"

#include <filesystem>
#include <iostream>

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

void record(platform::Hive hive, const char *keyPath, const char *name, const std::string &value)
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
        record(platform::Hive::LocalMachine, "SOFTWARE\\Borland\\Delphi\\2.0", "RootDir", root);
    }
    if (installPath) {
        // The wizard finds its help file, QUILLON.HLP, in this folder.
        const std::string install = absoluteFolder(*installPath);
        std::error_code ec;
        if (!std::filesystem::exists(std::filesystem::path(install) / "QUILLON.HLP", ec))
            std::cerr << "quillon: warning: " << install << " holds no QUILLON.HLP yet\n";
        record(platform::Hive::CurrentUser, "Software\\Tarvik\\Quillon", "InstallPath", install);
    }
    return 0;
}

} // namespace quillon::cli
