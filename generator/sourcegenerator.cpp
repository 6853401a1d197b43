#include "generator/sourcegenerator.h"

#include "generator/expander.h"
#include "generator/placeholders.h"
#include "generator/textlines.h"

#include <vector>

namespace quillon::generator {

std::string expandTemplate(const WizardProject &project, std::string_view templateText,
                           const GenerationMoment &moment)
{
    // The template is text: a NUL byte ends it.
    templateText = templateText.substr(0, templateText.find('\0'));

    std::vector<Replacement> replacements;
    replacements.reserve(placeholders().size());
    for (const auto &p : placeholders())
        replacements.push_back({p.text, p.build(project, moment)});
    return tidyLines(replacePlaceholders(templateText, replacements));
}

} // namespace quillon::generator
