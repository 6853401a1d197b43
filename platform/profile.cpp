#include "platform/profile.h"

#include "platform/asciicase.h"
#include "platform/atomicfile.h"

namespace quillon::platform {

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::string_view trimBlanks(std::string_view s)
{
    while (!s.empty() && isBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

} // namespace

Profile Profile::parse(std::string text, const MultiLine &multiLine)
{
    Profile p;
    p.m_text = std::move(text);
    const std::string_view all = p.m_text;

    // Split into lines: LF ends a line, a CR right before it is part of the end.
    std::size_t pos = 0;
    while (pos < all.size()) {
        std::size_t lf = all.find('\n', pos);
        const bool ended = lf != std::string_view::npos;
        if (!ended)
            lf = all.size();
        std::size_t end = lf;
        if (ended && end > pos && all[end - 1] == '\r')
            --end;
        p.m_lines.push_back({pos, end - pos});
        pos = ended ? lf + 1 : all.size();
    }

    // Multi-line keys by folded section name; ending lines as given.
    std::unordered_map<std::string, std::unordered_set<std::string>> multiKeys;
    for (const auto &[section, key] : multiLine.keys)
        multiKeys[foldAsciiCase(section)].insert(foldAsciiCase(key));
    const std::unordered_set<std::string_view> endLines(multiLine.endLines.begin(),
                                                        multiLine.endLines.end());

    Section *current = nullptr;
    const std::unordered_set<std::string> *currentMulti = nullptr; // this section's multi-line keys
    for (std::size_t i = 0; i < p.m_lines.size(); ++i) {
        const std::string_view raw = p.line(i);
        const std::string_view body = trimBlanks(raw);
        if (!body.empty() && body.front() == '[') {
            const auto close = body.find(']');
            const std::string_view name =
                trimBlanks(body.substr(1, close == std::string_view::npos ? std::string_view::npos
                                                                         : close - 1));
            std::string folded = foldAsciiCase(name);
            const auto multi = multiKeys.find(folded);
            currentMulti = multi == multiKeys.end() ? nullptr : &multi->second;
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
        const std::string_view key = trimBlanks(raw.substr(0, eq));
        Entry entry{std::string(key), std::string(raw.substr(eq + 1)), i, i};
        if (currentMulti && currentMulti->count(foldAsciiCase(key))) {
            while (entry.lastLine + 1 < p.m_lines.size() &&
                   !endLines.count(p.line(entry.lastLine + 1))) {
                ++entry.lastLine;
                entry.value += "\r\n";
                entry.value += p.line(entry.lastLine);
            }
        }
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
