#include "generator/trailerfragments.h"

#include "generator/fragmenttext.h"
#include "generator/pascalstring.h"
#include "generator/generationmoment.h"
#include "generator/textlines.h"

namespace quillon::generator {

namespace {

// Empty for an empty value; a value of spaces only is not empty.
std::string prepared(std::string_view label, const std::string &value)
{
    if (value.empty())
        return {};
    return FragmentText()
        .open(0, {"Writeln (F,'", label, "'+PrepareString('", literalText(value), "')+'<BR>');"})
        .take();
}

std::string directStatement(std::string_view label, const std::string &value)
{
    return FragmentText().open(0, {"Writeln (F,'", label, literalText(value), "<BR>');"}).take();
}

std::string direct(std::string_view label, const std::string &value)
{
    return value.empty() ? std::string() : directStatement(label, value);
}

} // namespace

std::string authorFragment(const WizardProject &project)
{
    return prepared("Author: ", project.Author);
}

std::string emailFragment(const WizardProject &project)
{
    return direct("EMail: ", project.Email);
}

std::string companyFragment(const WizardProject &project)
{
    return prepared("Company: ", project.Company);
}

std::string versionFragment(const WizardProject &project)
{
    return direct("Version: ", project.Version);
}

std::string copyrightFragment(const WizardProject &project)
{
    return prepared("&copy; ", project.Copyright);
}

std::string otherInfoFragment(const WizardProject &project)
{
    FragmentText f;
    int spaces = 0; // the first statement continues the template's line
    for (const auto line : splitLines(project.OtherInfo)) {
        f.line(spaces, {"Writeln (F,PrepareString('", literalText(line), "<BR>'));"});
        spaces = 4;
    }
    return f.take();
}

std::string genDateFragment(const WizardProject &project, const GenerationMoment &moment)
{
    return project.DoGenDate ? directStatement("Date: ", moment.date) : std::string();
}

std::string genTimeFragment(const WizardProject &project, const GenerationMoment &moment)
{
    return project.DoGenTime ? directStatement("Time: ", moment.time) : std::string();
}

} // namespace quillon::generator
