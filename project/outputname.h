#pragma once

/*
** The output file name rule: the name given for the generated project
** source is completed to a full path whose extension is ".dpr". The old
** extension is the part from the last "." that stands after the last "/",
** "\" and ":"; it is replaced by ".dpr", or ".dpr" is appended when there is
** none, so "C:\a.b\web" becomes "C:\a.b\web.dpr" and "x.pas" "x.dpr". A
** relative path is then made absolute against currentDir.
*/

#include <string>
#include <string_view>

namespace quillon {

std::string completeOutputPath(std::string_view entered, std::string_view currentDir);

} // namespace quillon
