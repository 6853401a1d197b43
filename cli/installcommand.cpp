#include "cli/installcommand.h"

#include "cli/arguments.h"
#include "generator/sourcegenerator.h"
#include "platform/registry.h"

#include <filesystem>
#include <iostream>

namespace quillon::cli {

int runInstall(const Args &args)
{
    const Arguments a("install", args, {"--root-dir"});
    a.expectPositionals({});
    const auto dir = a.option("--root-dir");
    if (!dir)
        throw UsageError("install: missing --root-dir DIR");
    std::error_code ec;
    if (!std::filesystem::is_directory(*dir, ec))
        throw std::runtime_error("Not a directory: " + *dir);
    // Generation may run from any folder, so the recorded path is absolute.
    std::string root = std::filesystem::absolute(*dir).lexically_normal().string();
    if (root.size() > 1 && root.back() == '/')
        root.pop_back();
    if (!std::filesystem::exists(std::filesystem::path(root) / "template.dpr", ec))
        std::cerr << "quillon: warning: " << root << " holds no template.dpr yet\n";

    platform::Registry registry;
    auto key = registry.createKey(platform::Hive::LocalMachine, generator::kRootDirKey);
    key.writeString(generator::kRootDirValue, root);
    std::cout << generator::kRootDirValue << " = " << root << " (" << platform::hiveName(platform::Hive::LocalMachine)
              << "\\" << generator::kRootDirKey << " in " << registry.hiveFile(platform::Hive::LocalMachine)
              << ")\n";
    return 0;
}

} // namespace quillon::cli
