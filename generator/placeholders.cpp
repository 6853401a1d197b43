#include "generator/placeholders.h"

#include "generator/databasefragments.h"
#include "generator/libraryfragments.h"
#include "generator/requestfragments.h"
#include "generator/trailerfragments.h"

#include <array>

namespace quillon::generator {

namespace {

// Adapts a builder that needs only the project.
template<std::string (*F)(const WizardProject &)>
std::string fromProject(const WizardProject &project, const GenerationMoment &)
{
    return F(project);
}

constexpr std::array kPlaceholders{
    Placeholder{"{*$LibName}", fromProject<libNameFragment>},
    Placeholder{"{*$LibTitle}", fromProject<libTitleFragment>},
    Placeholder{"{*$VarDecl}", fromProject<varDeclFragment>},
    Placeholder{"{*$DatabaseDecl}", fromProject<databaseDeclFragment>},
    Placeholder{"{*$TableDecl}", fromProject<tableDeclFragment>},
    Placeholder{"{*$GetValues}", fromProject<getValuesFragment>},
    Placeholder{"{*$SendFile}", fromProject<sendFileFragment>},
    Placeholder{"{*$PageTitle}", fromProject<pageTitleFragment>},
    Placeholder{"{*$HeaderHTML}", fromProject<headerHtmlFragment>},
    Placeholder{"{*$GetVal}", fromProject<getValFragment>},
    Placeholder{"{*$DataInit}", fromProject<dataInitFragment>},
    Placeholder{"{*$Database}", fromProject<databaseFragment>},
    Placeholder{"{*$Table}", fromProject<tableFragment>},
    Placeholder{"{*$Query}", fromProject<queryFragment>},
    Placeholder{"{*$FreeRes}", fromProject<freeResFragment>},
    Placeholder{"{*$Author}", fromProject<authorFragment>},
    Placeholder{"{*$EMail}", fromProject<emailFragment>},
    Placeholder{"{*$Company}", fromProject<companyFragment>},
    Placeholder{"{*$Version}", fromProject<versionFragment>},
    Placeholder{"{*$Copyright}", fromProject<copyrightFragment>},
    Placeholder{"{*$OtherInfo}", fromProject<otherInfoFragment>},
    Placeholder{"{*$GenDate}", genDateFragment},
    Placeholder{"{*$GenTime}", genTimeFragment},
    Placeholder{"{*$FooterHTML}", fromProject<footerHtmlFragment>},
};

} // namespace

std::span<const Placeholder> placeholders()
{
    return kPlaceholders;
}

} // namespace quillon::generator
