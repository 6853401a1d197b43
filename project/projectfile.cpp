#include "project/projectfile.h"

#include "platform/atomicfile.h"
#include "platform/profile.h"
#include "platform/profilewriter.h"
#include "project/mapping.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <optional>

namespace quillon {

namespace {

using WP = WizardProject;

enum class Kind {
    Flag,       // "1"/"0"; read by parseFlag, current value as default
    Text,       // one line, current value as default
    MultiLine,  // with CR LF breaks inside the value
    List,       // Prefix0..PrefixN-1, read in file order
    SortedList, // as List, but each entry goes to its sorted place
    Choice,     // a combo box value: read with an empty default
};

enum class Hook { None, Alias, InsertTable, BrowseTable, FieldLists };

/*
** One row per key, in the order of writing. Loading walks the same rows in
** the same order, which is also the order in which the wizard needs the
** fields set: a choice's group partner is read after it, the alias only once
** DBOk is known, the field lists after the browse source.
*/
struct Row
{
    const char *section;
    const char *key; // the key, or the key prefix of a list
    Kind kind;
    bool WP::*flag = nullptr;
    std::string WP::*text = nullptr;
    StringList WP::*list = nullptr;
    bool WP::*partner = nullptr; // radio-group partner cleared when flag is set true
    Hook hook = Hook::None;
};

const std::array<Row, 33> kRows{{
    {"HeaderFooter", "HasHeaderFile", Kind::Flag, &WP::HasHeaderFile},
    {"HeaderFooter", "HeaderFile", Kind::Text, nullptr, &WP::HeaderFile},
    {"HeaderFooter", "HasFooterFile", Kind::Flag, &WP::HasFooterFile},
    {"HeaderFooter", "FooterFile", Kind::Text, nullptr, &WP::FooterFile},
    {"Input", "Input", Kind::List, nullptr, nullptr, &WP::Input},
    {"DBCheck", "DBOk", Kind::Flag, &WP::DBOk},
    {"DBCheck", "DBName", Kind::Choice, nullptr, &WP::DBName, nullptr, nullptr, Hook::Alias},
    {"DBCheck", "DoInsert", Kind::Flag, &WP::DoInsert, nullptr, nullptr, &WP::DoBrowse},
    {"DBCheck", "DoBrowse", Kind::Flag, &WP::DoBrowse, nullptr, nullptr, &WP::DoInsert},
    {"Login", "DoLogin", Kind::Flag, &WP::DoLogin},
    {"Login", "UserName", Kind::Text, nullptr, &WP::UserName},
    {"Login", "Password", Kind::Text, nullptr, &WP::Password},
    {"DatabaseUP", "TbInsData", Kind::Choice, nullptr, &WP::TbInsData, nullptr, nullptr,
     Hook::InsertTable},
    {"DatabaseUP1", "AvailFields", Kind::List, nullptr, nullptr, &WP::AvailFields},
    {"DatabaseUP2", "AvailInput", Kind::List, nullptr, nullptr, &WP::AvailInput},
    {"DatabaseUP3", "UpdFields", Kind::SortedList, nullptr, nullptr, &WP::UpdFields},
    {"DatabaseBR", "TbBrowse", Kind::Flag, &WP::TbBrowse, nullptr, nullptr, &WP::QrBrowse},
    {"DatabaseBR", "TbToBrowse", Kind::Choice, nullptr, &WP::TbToBrowse, nullptr, nullptr,
     Hook::BrowseTable},
    {"DatabaseBR", "QrBrowse", Kind::Flag, &WP::QrBrowse, nullptr, nullptr, &WP::TbBrowse},
    {"DatabaseBR", "QrToBrowse", Kind::MultiLine, nullptr, &WP::QrToBrowse},
    {"FieldSelect1", "RetAvailFields", Kind::SortedList, nullptr, nullptr, &WP::RetAvailFields},
    {"FieldSelect2", "RetChosenFields", Kind::List, nullptr, nullptr, &WP::RetChosenFields,
     nullptr, Hook::FieldLists},
    {"OtherData", "PageTitle", Kind::Text, nullptr, &WP::PageTitle},
    {"OtherData", "ExtName", Kind::Text, nullptr, &WP::ExtName},
    {"OtherData", "Copyright", Kind::Text, nullptr, &WP::Copyright},
    {"OtherData", "Version", Kind::Text, nullptr, &WP::Version},
    {"OtherData", "Author", Kind::Text, nullptr, &WP::Author},
    {"OtherData", "Email", Kind::Text, nullptr, &WP::Email},
    {"OtherData", "Company", Kind::Text, nullptr, &WP::Company},
    {"OtherData", "DoGenDate", Kind::Flag, &WP::DoGenDate},
    {"OtherData", "DoGenTime", Kind::Flag, &WP::DoGenTime},
    {"OtherData", "OtherInfo", Kind::MultiLine, nullptr, &WP::OtherInfo},
    {"DLLOutput", "OutputDLL", Kind::Text, nullptr, &WP::OutputDLL},
}};

// The multi-line keys, and this format's sections with the keys each reads
// (list prefixes are no keys of their own), which end a multi-line value.
const platform::Profile::MultiLine &multiLineRule()
{
    static const platform::Profile::MultiLine rule = [] {
        platform::Profile::MultiLine r;
        for (const Row &row : kRows) {
            if (row.kind == Kind::MultiLine)
                r.keys.emplace_back(row.section, row.key);
            if (r.sections.empty() || r.sections.back().first != row.section)
                r.sections.emplace_back(row.section, std::vector<std::string>{});
            if (!row.list)
                r.sections.back().second.emplace_back(row.key);
        }
        return r;
    }();
    return rule;
}

// True when the profile has at least one of this format's sections.
bool hasProjectSection(const platform::Profile &profile)
{
    for (const auto &section : multiLineRule().sections)
        if (profile.section(section.first))
            return true;
    return false;
}

// Calls loadStarted now and loadFinished when the load ends, however it ends.
class LoadBracket
{
public:
    explicit LoadBracket(ProjectLoadObserver &observer) : m_observer(observer)
    {
        m_observer.loadStarted();
    }
    ~LoadBracket() { m_observer.loadFinished(); }
    LoadBracket(const LoadBracket &) = delete;
    LoadBracket &operator=(const LoadBracket &) = delete;

private:
    ProjectLoadObserver &m_observer;
};

void callHook(ProjectLoadObserver &observer, const Row &row, const WP &project)
{
    switch (row.hook) {
    case Hook::None:
        break;
    case Hook::Alias:
        observer.aliasLoaded(project.DBName);
        break;
    case Hook::InsertTable:
        observer.insertTableLoaded(project.TbInsData);
        break;
    case Hook::BrowseTable:
        observer.browseTableLoaded(project.TbToBrowse);
        break;
    case Hook::FieldLists:
        observer.fieldListsLoaded();
        break;
    }
}

/*
** Puts a list read in file order into the order that inserting its entries
** one by one with sortedInsert() gives: sorted by compareNoCase(), equal
** entries in their order of arrival. A stable sort gives exactly that in
** O(n log n), where inserting one by one into a vector is quadratic for a
** large list that a hand-edited file holds out of order. A saved file holds
** its lists in order already, which the check finds in one pass.
*/
void sortInArrivalOrder(StringList &list)
{
    const auto less = [](const std::string &a, const std::string &b) {
        return compareNoCase(a, b) < 0;
    };
    if (!std::is_sorted(list.begin(), list.end(), less))
        std::stable_sort(list.begin(), list.end(), less);
}

void loadRow(const platform::Profile &profile, const Row &row, WP &project)
{
    switch (row.kind) {
    case Kind::Flag:
        if (const auto v = profile.value(row.section, row.key)) {
            const bool on = ProjectFile::parseFlag(*v, project.*row.flag);
            project.*row.flag = on;
            if (on && row.partner)
                project.*row.partner = false;
        }
        break;
    case Kind::Text:
    case Kind::MultiLine:
        if (auto v = profile.value(row.section, row.key))
            project.*row.text = std::move(*v);
        break;
    case Kind::Choice:
        project.*row.text = profile.value(row.section, row.key).value_or(std::string());
        break;
    case Kind::List:
    case Kind::SortedList: {
        StringList &list = project.*row.list;
        list.clear();
        const auto *section = profile.section(row.section);
        if (!section)
            break;
        list.reserve(section->entries.size());
        for (const auto &entry : section->entries) {
            if (!entry.value.empty())
                list.push_back(entry.value);
        }
        if (row.kind == Kind::SortedList)
            sortInArrivalOrder(list);
        break;
    }
    }
}

void loadProfile(const platform::Profile &profile, WP &project, ProjectLoadObserver *observer)
{
    ProjectLoadObserver none;
    ProjectLoadObserver &obs = observer ? *observer : none;
    LoadBracket bracket(obs);
    for (const Row &row : kRows) {
        // The alias is read only when the project uses a database.
        if (row.hook == Hook::Alias && !project.DBOk)
            continue;
        loadRow(profile, row, project);
        callHook(obs, row, project);
    }
}

} // namespace

bool ProjectFile::parseFlag(std::string_view value, bool current)
{
    // A hexadecimal number needs more than its "0x"; a sign only goes with
    // a decimal one.
    const bool hex = value.size() > 2 && value[0] == '0' && (value[1] == 'x' || value[1] == 'X');
    std::string_view digits = value.substr(hex ? 2 : 0);
    if (!hex && !digits.empty() && (digits[0] == '+' || digits[0] == '-'))
        digits.remove_prefix(1);
    const auto isDigit = [hex](char c) {
        const bool dec = c >= '0' && c <= '9';
        return hex ? dec || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F') : dec;
    };
    if (digits.empty() || !std::all_of(digits.begin(), digits.end(), isDigit))
        return current;
    // Only whether the number is zero matters, so no digit count can overflow.
    return digits.find_first_not_of('0') != std::string_view::npos;
}

namespace {

// The text's size, give or take the digits of the list key numbers.
std::size_t estimatedSize(const WP &project)
{
    std::size_t size = 0;
    for (const Row &row : kRows) {
        const std::size_t line = std::char_traits<char>::length(row.key) + 16;
        if (row.text)
            size += line + (project.*row.text).size();
        else if (row.list)
            for (const std::string &entry : project.*row.list)
                size += line + entry.size();
        else
            size += line;
    }
    return size;
}

platform::ProfileWriter writerFor(const WP &project)
{
    platform::ProfileWriter writer;
    writer.reserve(estimatedSize(project));
    std::string_view section;
    for (const Row &row : kRows) {
        if (section != row.section) {
            section = row.section;
            writer.beginSection(section);
        }
        switch (row.kind) {
        case Kind::Flag:
            writer.add(row.key, project.*row.flag ? "1" : "0");
            break;
        case Kind::Text:
        case Kind::Choice:
            writer.add(row.key, project.*row.text);
            break;
        case Kind::MultiLine:
            writer.add(row.key, project.*row.text, platform::ValueLines::Several);
            break;
        case Kind::List:
        case Kind::SortedList: {
            const StringList &list = project.*row.list;
            for (std::size_t i = 0; i < list.size(); ++i)
                writer.add(row.key + std::to_string(i), list[i]);
            break;
        }
        }
    }
    return writer;
}

} // namespace

std::string ProjectFile::toText(const WizardProject &project)
{
    return writerFor(project).text();
}

void ProjectFile::save(const WizardProject &project, const std::string &path)
{
    try {
        writerFor(project).save(path);
    } catch (const platform::FileError &e) {
        // A refusal of ours names the path itself; a system error says why.
        throw ProjectFileError(e.code() == 0 ? std::string(e.what())
                                             : "Unable to write to " + path + ": " + e.reason());
    }
}

void ProjectFile::load(const std::string &path, WizardProject &project,
                       ProjectLoadObserver *observer)
{
    std::optional<std::string> text;
    try {
        text = platform::readFileIfExists(path);
    } catch (const platform::FileError &e) {
        throw ProjectFileError(e.code() == 0 ? std::string(e.what())
                                             : std::string("Unable to read ") + e.what());
    }
    if (!text) {
        loadProfile(platform::Profile(), project, observer);
        return;
    }
    const platform::Profile profile = platform::Profile::parse(std::move(*text), multiLineRule());
    // Loading a text with none of the sections would reset every list and
    // choice, and a later save would write that over the user's file.
    if (!hasProjectSection(profile))
        throw ProjectFileError(path + " is not a project file");
    loadProfile(profile, project, observer);
}

void ProjectFile::requireExists(const std::string &path)
{
    std::error_code ec;
    if (!std::filesystem::exists(path, ec))
        throw ProjectFileError("Project file not found: " + path);
}

void ProjectFile::loadText(std::string_view text, WizardProject &project,
                           ProjectLoadObserver *observer)
{
    loadProfile(platform::Profile::parse(std::string(text), multiLineRule()), project, observer);
}

} // namespace quillon
