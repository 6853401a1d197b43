#include "cli/lpifile.h"

#include "generator/lazarusproject.h"
#include "generator/sourcegenerator.h"

#include <filesystem>
#include <stdexcept>

namespace quillon::cli {

namespace fs = std::filesystem;

LpiWritten writeLpiBeside(const std::string &dprPath, const std::string &templatePath)
{
    const fs::path dpr = fs::absolute(dprPath).lexically_normal();
    const fs::path units = fs::absolute(templatePath).lexically_normal().parent_path();
    const fs::path host = fs::read_symlink("/proc/self/exe").parent_path() / "isapihost";
    LpiWritten result{generator::lazarusProjectPath(dpr.string()), false};
    try {
        result.written = generator::writeLazarusProject(dpr.string(), units.string(), host.string());
    } catch (const generator::GenerationError &e) {
        const std::string what = e.what();
        throw std::runtime_error(what.starts_with(result.path) ? what : result.path + ": " + what);
    }
    return result;
}

} // namespace quillon::cli
