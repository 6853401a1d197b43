#include "platform/profile.h"

#include "platform/asciicase.h"
#include "platform/atomicfile.h"
#include "platform/profilevalue.h"
#include "platform/windows1252.h"

namespace quillon::platform {

namespace {

/*
** A text that begins with a byte order mark is converted to the 8-bit code
** page our text is kept in, as Windows converts it when it reads the file:
** UTF-16 in either byte order and UTF-8, each character the code page lacks
** becoming "?". Any other text is taken byte for byte.
*/
std::string decodeText(std::string text)
{
    const std::string_view t = text;
    if (t.starts_with("\xEF\xBB\xBF"))
        return utf8ToWindows1252(t.substr(3));
    if (t.starts_with("\xFF\xFE"))
        return utf16ToWindows1252(t.substr(2), false);
    if (t.starts_with("\xFE\xFF"))
        return utf16ToWindows1252(t.substr(2), true);
    return text;
}

} // namespace

Profile Profile::parse(std::string text, const MultiLine &multiLine)
{
    Profile p;
    p.m_text = decodeText(std::move(text));
    const std::string_view all = p.m_text;

    // Split into lines: CR LF, LF and a lone CR each end a line, and so does
    // CR CR LF, the end of a line converted to CR LF twice.
    std::size_t pos = 0;
    while (pos < all.size()) {
        std::size_t end = all.find_first_of("\r\n", pos);
        if (end == std::string_view::npos)
            end = all.size();
        p.m_lines.push_back({pos, end - pos});
        pos = end;
        if (all.substr(pos, 3) == "\r\r\n")
            pos += 3;
        else if (all.substr(pos, 2) == "\r\n")
            pos += 2;
        else if (pos < all.size())
            pos += 1;
    }

    // Multi-line keys and the format's keys, by folded section name.
    using KeySet = std::unordered_set<std::string>;
    std::unordered_map<std::string, KeySet> multiKeys, formatKeys;
    for (const auto &[section, key] : multiLine.keys)
        multiKeys[foldAsciiCase(section)].insert(foldAsciiCase(key));
    for (const auto &[section, keys] : multiLine.sections) {
        KeySet &set = formatKeys[foldAsciiCase(section)];
        for (const std::string &key : keys)
            set.insert(foldAsciiCase(key));
    }
    const auto isFormatHeader = [&formatKeys](std::string_view line) {
        const std::string_view body = trimProfileBlanks(line);
        return body.size() >= 2 && body.front() == '[' && body.back() == ']' &&
               formatKeys.count(foldAsciiCase(trimProfileBlanks(body.substr(1, body.size() - 2))));
    };

    Section *current = nullptr;
    const KeySet *currentMulti = nullptr;    // this section's multi-line keys
    const KeySet *currentExpected = nullptr; // the keys the format reads in this section
    KeySet seen;                             // keys this section of the file has had
    const auto endsValue = [&](std::string_view line) {
        if (isFormatHeader(line))
            return true;
        const auto eq = line.find('=');
        if (!currentExpected || eq == std::string_view::npos)
            return false;
        const std::string key = foldAsciiCase(trimProfileBlanks(line.substr(0, eq)));
        return currentExpected->count(key) && !seen.count(key);
    };
    for (std::size_t i = 0; i < p.m_lines.size(); ++i) {
        const std::string_view raw = p.line(i);
        const std::string_view body = trimProfileBlanks(raw);
        if (!body.empty() && body.front() == ';')
            continue; // a comment, wherever it stands
        if (!body.empty() && body.front() == '[') {
            const auto close = body.find(']');
            const std::string_view name =
                trimProfileBlanks(body.substr(1, close == std::string_view::npos ? std::string_view::npos
                                                                         : close - 1));
            std::string folded = foldAsciiCase(name);
            const auto multi = multiKeys.find(folded);
            currentMulti = multi == multiKeys.end() ? nullptr : &multi->second;
            const auto expected = formatKeys.find(folded);
            currentExpected = expected == formatKeys.end() ? nullptr : &expected->second;
            seen.clear();
            p.m_sections.push_back({std::string(name), {}, i});
            p.m_sectionIndex.try_emplace(std::move(folded), p.m_sections.size() - 1);
            current = &p.m_sections.back();
            continue;
        }
        if (!current)
            continue;
        const auto eq = raw.find('=');
        if (eq == std::string_view::npos)
            continue;
        const std::string_view key = trimProfileBlanks(raw.substr(0, eq));
        Entry entry{std::string(key), std::string(raw.substr(eq + 1)), i, i};
        bool multi = false;
        if (currentMulti) {
            std::string folded = foldAsciiCase(key);
            multi = currentMulti->count(folded) != 0;
            seen.insert(std::move(folded));
            while (multi && entry.lastLine + 1 < p.m_lines.size() &&
                   !endsValue(p.line(entry.lastLine + 1))) {
                ++entry.lastLine;
                entry.value += "\r\n";
                entry.value += p.line(entry.lastLine);
            }
        }
        const std::string_view read =
            readProfileValue(entry.value, multi ? ValueLines::Several : ValueLines::One);
        if (read.size() != entry.value.size())
            entry.value = std::string(read);
        i = entry.lastLine;
        current->entries.push_back(std::move(entry));
    }
    p.m_keyIndex.resize(p.m_sections.size());
    return p;
}

Profile Profile::load(const std::string &path, const MultiLine &multiLine)
{
    const auto text = readFileIfExists(path);
    return text ? parse(std::move(*text), multiLine) : Profile();
}

const Profile::Section *Profile::section(std::string_view name) const
{
    const auto it = m_sectionIndex.find(foldAsciiCase(name));
    return it == m_sectionIndex.end() ? nullptr : &m_sections[it->second];
}

const Profile::Entry *Profile::find(std::string_view sectionName, std::string_view key) const
{
    const auto s = m_sectionIndex.find(foldAsciiCase(sectionName));
    if (s == m_sectionIndex.end())
        return nullptr;
    const Section &section = m_sections[s->second];
    auto &keys = m_keyIndex[s->second];
    if (!keys) {
        keys.emplace();
        for (std::size_t i = 0; i < section.entries.size(); ++i)
            keys->try_emplace(foldAsciiCase(section.entries[i].key), i);
    }
    const auto k = keys->find(foldAsciiCase(key));
    return k == keys->end() ? nullptr : &section.entries[k->second];
}

std::optional<std::string> Profile::value(std::string_view sectionName, std::string_view key) const
{
    const Entry *e = find(sectionName, key);
    if (!e)
        return std::nullopt;
    return e->value;
}

std::string_view Profile::line(std::size_t index) const
{
    const Span &s = m_lines.at(index);
    return std::string_view(m_text).substr(s.begin, s.size);
}

} // namespace quillon::platform
