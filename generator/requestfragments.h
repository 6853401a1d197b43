#pragma once

/*
** The fragments that give the generated extension its request handling:
** one string variable per input value, the procedure GetVars that fills
** them from the query string or the posted data, the procedure
** SendHTMLToClient that copies a file into the response, the page title
** expression, and the header and footer calls.
**
** Input names are identifiers and stand bare where they name a variable;
** inside IndexOf('...') they are literal text and have their quotes doubled
** like every other user value in a literal.
*/

#include "project/wizardproject.h"

#include <string>

namespace quillon::generator {

std::string varDeclFragment(const WizardProject &project);    // {*$VarDecl}
std::string getValuesFragment(const WizardProject &project);  // {*$GetValues}
std::string sendFileFragment(const WizardProject &project);   // {*$SendFile}
std::string pageTitleFragment(const WizardProject &project);  // {*$PageTitle}
std::string headerHtmlFragment(const WizardProject &project); // {*$HeaderHTML}
std::string getValFragment(const WizardProject &project);     // {*$GetVal}
std::string footerHtmlFragment(const WizardProject &project); // {*$FooterHTML}

} // namespace quillon::generator
