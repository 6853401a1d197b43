#pragma once

/*
** The trailer: optional information lines the generated extension writes
** after its own output. Each item is one Writeln statement to the response F
** in one of two forms:
**
**   prepared  Writeln (F,'Label: '+PrepareString('value')+'<BR>');
**   direct    Writeln (F,'Label: value<BR>');
**
** "{*$OtherInfo}" writes one statement per typed line of OtherInfo. Single
** statements end without a line break; the template places them.
*/

#include "project/wizardproject.h"

#include <string>

namespace quillon::generator {

struct GenerationMoment;

std::string authorFragment(const WizardProject &project);    // {*$Author}
std::string emailFragment(const WizardProject &project);     // {*$EMail}
std::string companyFragment(const WizardProject &project);   // {*$Company}
std::string versionFragment(const WizardProject &project);   // {*$Version}
std::string copyrightFragment(const WizardProject &project); // {*$Copyright}
std::string otherInfoFragment(const WizardProject &project); // {*$OtherInfo}
std::string genDateFragment(const WizardProject &project, const GenerationMoment &moment); // {*$GenDate}
std::string genTimeFragment(const WizardProject &project, const GenerationMoment &moment); // {*$GenTime}

} // namespace quillon::generator
