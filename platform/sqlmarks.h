#pragma once

/*
** The parameter marks of an SQL text: ":Name", where Name is a letter or
** "_" followed by letters, digits and "_".  This is the one lexical rule
** for them, shared by the engine (which rewrites marks for servers that
** number their parameters) and the project (which tells which request
** values a query uses).
**
** Not marks: anything inside a string literal ('...', with '' for a quote,
** also E'...' with backslash escapes), a quoted identifier ("..."), a
** dollar-quoted string ($$...$$ or $tag$...$tag$), a line comment (-- to
** the end of the line) or a block comment (/ * ... * /, nested as
** PostgreSQL nests them); a cast ("::type"); a colon followed by anything
** but a name start ("a[1:2]", ":=").  An unclosed literal or comment runs
** to the end of the text, as the database would read it.  Linear in the
** length of the text.
*/

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace quillon::platform {

struct SqlMark
{
    std::size_t offset; // of the ":"
    std::size_t length; // of ":Name"
    std::string name;   // without the ":", as written
};

// Every mark, in text order; a name used twice gives two marks.
std::vector<SqlMark> sqlParameterMarks(std::string_view sql);

} // namespace quillon::platform
