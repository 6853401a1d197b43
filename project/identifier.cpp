#include "project/identifier.h"

#include "platform/asciicase.h"

#include <algorithm>
#include <array>
#include <string>

namespace quillon {

namespace {

bool isLetter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Both tables hold lower-case names in ascending byte order, so a folded
// name is found by binary search. They stay packed, many names a line.
// clang-format off
constexpr std::array<std::string_view, 68> kReservedWords = {
    "and", "array", "as", "asm", "begin", "case", "class", "const",
    "constructor", "destructor", "dispinterface", "div", "do", "downto",
    "else", "end", "except", "exports", "file", "finalization", "finally",
    "for", "function", "goto", "if", "implementation", "in", "inherited",
    "initialization", "inline", "interface", "is", "label", "library", "mod",
    "nil", "not", "object", "of", "on", "operator", "or", "out", "packed",
    "procedure", "program", "property", "raise", "record", "repeat",
    "resourcestring", "self", "set", "shl", "shr", "string", "then",
    "threadvar", "to", "try", "type", "unit", "until", "uses", "var", "while",
    "with", "xor",
};

// Everything the template and the fragments declare or name outside string
// literals: their variables, the units they use, and the routines, types and
// constants they call on. A request value variable of one of these names
// would be a duplicate declaration or would hide what the code means.
constexpr std::array<std::string_view, 102> kGeneratedNames = {
    "abort", "add", "assignfile", "assignresponse", "b", "blockread", "bool", "boolean", "cdecl",
    "classes", "clear", "close", "closefile", "cmem", "cthreads", "date", "db", "dbtables", "dword", "e",
    "eabort", "ecb", "einouterror", "elisterror", "exception", "exit", "f", "failresponse",
    "failurestatus", "false", "fieldbyname", "filemode", "filename", "filesize", "flags", "free", "getcurrentthreadid",
    "getextensionversion", "getvars", "holdresponse", "hse_max_ext_dll_name_len", "hse_status_error",
    "hse_status_success", "hse_version_major", "hse_version_minor", "httpextensionproc", "indexof",
    "insert", "integer", "inttostr", "key", "length", "makeextensionversion", "mydb", "next",
    "open", "parse", "pchar", "post", "postdata", "preparestring", "qnbody", "qncontrolblock",
    "qnhttp", "qnisapi", "qr", "query_string", "readrequestbody", "request_method", "res", "reset",
    "responselost", "result", "rewrite", "s", "sendhtmltoclient", "sendresponseheader",
    "serverstring", "setlength", "ss", "stdcall", "strplcopy", "system", "sysutils", "sz", "tb",
    "tdatabase", "terminateextension", "textension_control_block", "textfile", "thse_version_info",
    "time", "tquery", "trequestdata", "true", "tsession", "tstringlist", "ttable", "val", "ver",
    "windows", "writeln",
};

// clang-format on

template <std::size_t N>
bool contains(const std::array<std::string_view, N> &table, std::string_view text)
{
    const std::string folded = platform::foldAsciiCase(text);
    return std::binary_search(table.begin(), table.end(), std::string_view(folded));
}

template <std::size_t N>
constexpr bool isSorted(const std::array<std::string_view, N> &table)
{
    for (std::size_t i = 1; i < N; ++i) {
        if (!(table[i - 1] < table[i]))
            return false;
    }
    return true;
}

static_assert(isSorted(kReservedWords) && isSorted(kGeneratedNames));

} // namespace

bool isIdentifier(std::string_view text)
{
    if (text.empty() || text.size() > kMaxIdentifierLength || !isLetter(text.front()))
        return false;
    return std::all_of(text.begin() + 1, text.end(), [](char c) { return isLetter(c) || isDigit(c); });
}

bool isReservedWord(std::string_view text)
{
    return contains(kReservedWords, text);
}

bool isGeneratedSourceName(std::string_view text)
{
    return contains(kGeneratedNames, text);
}

bool isUsableName(std::string_view text)
{
    return unusableNameReason(text).empty();
}

std::string_view unusableNameReason(std::string_view text)
{
    if (text.size() > kMaxIdentifierLength)
        return "longer than 127 characters, the most a Pascal identifier may have";
    if (!isIdentifier(text))
        return "not a Pascal identifier (letters A-Z, digits and _, not starting with a digit)";
    if (isReservedWord(text))
        return "a Pascal reserved word";
    if (isGeneratedSourceName(text))
        return "a name the generated source itself uses";
    return {};
}

} // namespace quillon
