#pragma once

/*
** The checks "Next >" makes of the files a user names, before the wizard
** goes on with a name that cannot work: the header and footer HTML files,
** whose bytes the extension sends to its visitors (so they must exist and
** be text), and the output file name, which must not name a folder (the
** completion to ".dpr" would otherwise silently write "folder.dpr" beside
** it). Each returns the sentence to show, empty when the name is fine.
*/

#include <string>
#include <string_view>

namespace quillon::wizard {

// what: "header" or "footer". A file is text when its first 64 KiB hold no NUL byte.
std::string htmlFileProblem(std::string_view what, const std::string &path);

// entered as typed; a relative name is taken from currentDir.
std::string outputPathProblem(const std::string &entered, const std::string &currentDir);

} // namespace quillon::wizard
