#pragma once

/*
** The placeholder replacement engine, independent of what the fragments say.
**
** The working text is a sequence of pieces, each either template text or an
** inserted fragment. Replacements are applied in the given order; each one
** looks for the first occurrence of its placeholder in the template pieces
** only, from the start of the text. Found, the placeholder is removed and
** a non-empty fragment becomes a piece of its own in its place; an empty
** fragment leaves nothing, so the template text on its two sides is one
** piece again and may form a placeholder found later. Not found, a
** non-empty fragment becomes a piece at the very start of the text.
**
** Fragments are never searched, so a user value that happens to read like
** a placeholder is never replaced. Each search costs the length of the
** template's text, independent of the size of the fragments.
*/

#include <span>
#include <string>
#include <string_view>

namespace quillon::generator {

struct Replacement
{
    std::string_view placeholder;
    std::string fragment;
};

// The text with the replacements applied, before any line tidying.
std::string replacePlaceholders(std::string_view templateText,
                                std::span<const Replacement> replacements);

} // namespace quillon::generator
