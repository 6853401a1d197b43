#pragma once

/*
** The library's own name and title.
**
** The name is the file-name part of the output path (after its last "/",
** "\" or ":", so Windows and Unix paths both work) up to its first "."; it
** is empty when that part holds no "." or begins with one. It follows the
** word library in the template and stays bare. The title is the extension
** name, placed between the template's quotes, so its quotes are doubled.
*/

#include "project/wizardproject.h"

#include <string>
#include <string_view>

namespace quillon::generator {

std::string_view libraryName(std::string_view outputPath);

std::string libNameFragment(const WizardProject &project);  // {*$LibName}
std::string libTitleFragment(const WizardProject &project); // {*$LibTitle}

} // namespace quillon::generator
