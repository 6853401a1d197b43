#pragma once

/*
** Whether a text is a Pascal project source: its first word, after blanks
** and comments ("{...}", "(*...*)", "//" to the end of the line), is
** "library" or "program" in any letter case. A UTF-8 byte order mark at the
** start is passed over. Generation from a project file that came from
** elsewhere replaces an existing file only when it is such a source, so
** that an OutputDLL naming someone's notes or unit cannot overwrite them.
*/

#include <string>
#include <string_view>

namespace quillon::generator {

bool isPascalProjectSource(std::string_view text);

// Throws GenerationError naming path when a file stands at path that is a
// regular file but not a Pascal project source. Nothing at path, or
// something that is no regular file (which the writing refuses itself),
// passes.
void requireReplaceableSource(const std::string &path);

} // namespace quillon::generator
