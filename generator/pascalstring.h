#pragma once

/*
** User values inside Object Pascal string literals.
**
** A literal is closed by a single quote, and a quote inside it is written
** twice. Every user value placed between the quotes of a generated literal
** goes through literalText(), so the literal holds exactly what the user
** typed: a quote in `WHERE NAME = 'Smith'` or in the author O'Brien neither
** breaks the source nor lets a crafted value end the literal and add
** statements of its own. Values used as bare identifiers (input names as
** variables, the library name) are not literals and do not go through it.
*/

#include <string>
#include <string_view>

namespace quillon::generator {

// value with each single quote doubled. A control character (a line break
// that only a hand-edited project file can hold, say) cannot stand inside a
// literal, so it leaves the literal as a character constant: "a<CR>b" becomes
// a'#13'b, which between the generated quotes reads 'a'#13'b'. Every other
// byte, tab and 8-bit text included, is unchanged.
std::string literalText(std::string_view value);

} // namespace quillon::generator
