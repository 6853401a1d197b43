#include "extensionbuild.h"

#include "generator/sourcegenerator.h"
#include "platform/atomicfile.h"

#include <stdexcept>

namespace fs = std::filesystem;

namespace quillon::testing {

std::string shippedTemplate()
{
    return platform::readFile((fs::path(QUILLON_PASCAL_DIR) / "template.dpr").string());
}

fs::path writeGeneratedSource(WizardProject project, const fs::path &dir, const std::string &name)
{
    fs::create_directories(dir);
    const fs::path source = dir / (name + ".dpr");
    project.OutputDLL = source.string();
    // A fixed moment with a quote in it: the trailer literals must hold it.
    const generator::GenerationMoment moment{"08/12/'26", "21:05:00 o'clock"};
    platform::writeFileAtomically(source.string(),
                                  generator::expandTemplate(project, shippedTemplate(), moment));
    return source;
}

ExtensionBuilder::ExtensionBuilder(const fs::path &workDir)
    : m_workDir(workDir), m_fpc(workDir)
{
}

fs::path ExtensionBuilder::build(const WizardProject &project, const std::string &name) const
{
    const fs::path dir = m_workDir / name;
    const fs::path source = writeGeneratedSource(project, dir, name);
    const FpcResult result = m_fpc.compile({source, dir});
    if (result.exitCode != 0 || result.output.empty())
        throw std::runtime_error("the generated " + source.string() + " does not compile:\n"
                                 + result.log + "\n" + platform::readFile(source.string()));
    return result.output;
}

} // namespace quillon::testing
