#pragma once

/*
** Profile (INI) text, read in one pass.
**
** A text that begins with a byte order mark is first converted to the
** 8-bit code page we keep text in (windows1252.h): UTF-8, or UTF-16 in
** either byte order. The text is then split into lines once: CR LF, LF, a
** lone CR and CR CR LF (a line end converted twice) each end a line; every
** other byte (NUL, bytes above 0x7f) stays in the line. A line whose first
** non-blank byte is ";" is a comment and nothing else. A line whose first
** non-blank byte is "[" opens a section named by the text up to the next
** "]", blanks around it dropped. A line holding "=" inside a section is an
** entry: the key is the text before the first "=" with surrounding blanks
** dropped, the value is what the text after it reads as (profilevalue.h:
** blanks around dropped, one pair of matching quotes taken off). Other
** lines are kept only as raw lines.
**
** Section and key names match without regard to ASCII case. When a name
** occurs twice, lookups find the first one; the entries of a section are
** still listed in file order. Lookups are hash-based, so reading every key
** of a file is linear in its size, unlike re-reading the file per key. A
** section's key index is built on its first lookup, so sections that are
** only walked in order (long lists) never pay for one; for that reason a
** Profile must not be looked up from two threads at once.
**
** Values spanning several lines: a format may write a value holding CR LF
** as it stands, so the lines after the key's line carry the rest of the
** value. The profile text alone cannot tell those lines from entries and
** section headers, so the caller names its multi-line keys and its own
** sections with the keys each of them reads. The value of a multi-line key
** is then its line plus every following line, joined with CR LF, up to the
** end of the text or the first line that
**   - is the header of one of the format's sections, in any letter case,
**     with blanks around the name or the brackets, or
**   - is an entry "Key=..." for a key of the format's section that this
**     section of the file has not had yet (a hand-moved key that the value
**     would otherwise swallow).
** The lines a value takes are never read as headers, entries or comments,
** so text such as "[x]", "a=b" or ";" inside a value cannot make a section
** or a key, nor be dropped. The joined text is then read as one value of
** several lines (profilevalue.h).
*/

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

namespace quillon::platform {

class Profile
{
public:
    struct Entry
    {
        std::string key;
        std::string value;    // as read: trimmed and unquoted
        std::size_t line;     // index of the entry's own line
        std::size_t lastLine; // last line the value takes (== line unless multi-line)
    };

    struct Section
    {
        std::string name;
        std::vector<Entry> entries; // in file order
        std::size_t line;           // index of the "[name]" line
    };

    struct MultiLine
    {
        std::vector<std::pair<std::string, std::string>> keys; // (section, key)
        // The format's sections, each with the keys it reads.
        std::vector<std::pair<std::string, std::vector<std::string>>> sections;
    };

    Profile() = default;

    // Parses a whole profile text (taken over, not copied, when moved in).
    static Profile parse(std::string text, const MultiLine &multiLine = {});

    // Reads and parses a file; a missing file is an empty profile.
    // Throws FileError when the file exists but cannot be read.
    static Profile load(const std::string &path, const MultiLine &multiLine = {});

    // The first section with this name, or nullptr.
    const Section *section(std::string_view name) const;

    // The first entry with this key in the first section with this name.
    const Entry *find(std::string_view section, std::string_view key) const;
    std::optional<std::string> value(std::string_view section, std::string_view key) const;

    const std::vector<Section> &sections() const { return m_sections; }

    std::size_t lineCount() const { return m_lines.size(); }
    // The raw line, without its line end.
    std::string_view line(std::size_t index) const;

private:
    struct Span
    {
        std::size_t begin;
        std::size_t size;
    };

    std::string m_text;
    std::vector<Span> m_lines;
    std::vector<Section> m_sections;
    std::unordered_map<std::string, std::size_t> m_sectionIndex; // folded name -> first
    // Per section, built on first lookup: folded key -> first entry.
    mutable std::vector<std::optional<std::unordered_map<std::string, std::size_t>>> m_keyIndex;
};

} // namespace quillon::platform
