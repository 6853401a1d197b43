#pragma once

/*
** FragmentText builds one generated fragment line by line: each line is a
** number of opening spaces followed by its pieces, ending with CR LF unless
** it is the fragment's open last line. The fragment builders state their
** lines in this form, so their code reads like the line tables they follow.
*/

#include "generator/textlines.h"

#include <initializer_list>
#include <string>
#include <string_view>

namespace quillon::generator {

// "{", 33 hyphens, "}": the comment line that frames generated blocks.
inline constexpr std::string_view kRuleLine = "{---------------------------------}";

class FragmentText
{
public:
    // spaces, the pieces, CR LF.
    FragmentText &line(int spaces, std::initializer_list<std::string_view> pieces)
    {
        open(spaces, pieces);
        m_text += kCrLf;
        return *this;
    }

    // spaces and the pieces without a line break: template text after the
    // placeholder continues this line.
    FragmentText &open(int spaces, std::initializer_list<std::string_view> pieces)
    {
        m_text.append(static_cast<std::size_t>(spaces), ' ');
        for (const auto piece : pieces)
            m_text += piece;
        return *this;
    }

    std::string take() { return std::move(m_text); }

private:
    std::string m_text;
};

} // namespace quillon::generator
