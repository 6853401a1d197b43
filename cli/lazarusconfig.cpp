#include "cli/lazarusconfig.h"

#include "generator/lazarusproject.h"
#include "platform/asciicase.h"

#include <cctype>
#include <stdexcept>

namespace quillon::cli {

namespace {

// The value of attribute name in the element text tag ("<Version ... />"),
// with its position in tag; npos when it has none.
std::size_t attributeAt(const std::string &tag, const std::string &name, std::string &value)
{
    const std::string key = " " + name + "=\"";
    const std::size_t at = tag.find(key);
    if (at == std::string::npos)
        return at;
    const std::size_t start = at + key.size();
    const std::size_t end = tag.find('"', start);
    if (end == std::string::npos)
        return std::string::npos;
    value = tag.substr(start, end - start);
    return start;
}

// The line's leading blanks before position at.
std::string indentBefore(const std::string &text, std::size_t at)
{
    const std::size_t lineStart = text.rfind('\n', at) == std::string::npos ? 0 : text.rfind('\n', at) + 1;
    std::size_t end = lineStart;
    while (end < at && (text[end] == ' ' || text[end] == '\t'))
        ++end;
    return text.substr(lineStart, end - lineStart);
}

std::size_t environmentStart(const std::string &envXml)
{
    const std::size_t at = envXml.find("<EnvironmentOptions>");
    if (at == std::string::npos)
        throw std::runtime_error("it holds no <EnvironmentOptions> element");
    return at;
}

} // namespace

std::string withIdeVersion(const std::string &envXml, const std::string &ideVersion)
{
    const std::size_t options = environmentStart(envXml);
    const std::size_t tagStart = envXml.find("<Version ", options);
    if (tagStart == std::string::npos)
        return envXml;
    const std::size_t tagEnd = envXml.find('>', tagStart);
    if (tagEnd == std::string::npos)
        return envXml;
    const std::string tag = envXml.substr(tagStart, tagEnd - tagStart);
    std::string recorded;
    const std::size_t valueAt = attributeAt(tag, "Lazarus", recorded);
    if (valueAt == std::string::npos || recorded == ideVersion)
        return envXml;
    // The same release: the IDE's version is the recorded one and a suffix
    // that starts with '+' or '-' (Debian's "+dfsg2-2").
    if (recorded.empty() || !ideVersion.starts_with(recorded) || (ideVersion[recorded.size()] != '+' && ideVersion[recorded.size()] != '-'))
        return envXml;
    std::string out = envXml;
    out.replace(tagStart + valueAt, recorded.size(), generator::xmlAttributeText(ideVersion, "the Lazarus version"));
    return out;
}

std::string withFppkgConfig(const std::string &envXml, const std::string &fppkgConfig)
{
    const std::size_t options = environmentStart(envXml);
    if (envXml.find("<FppkgConfigFile", options) != std::string::npos)
        return envXml;
    const std::size_t after = options + std::string("<EnvironmentOptions>").size();
    const std::string indent = indentBefore(envXml, options) + "  ";
    std::string out = envXml;
    out.insert(after, "\n" + indent + "<FppkgConfigFile Value=\"" +
                          generator::xmlAttributeText(fppkgConfig, "the fppkg configuration") + "\"/>");
    return out;
}

namespace {

constexpr std::string_view kListOpen = "<StaticAutoInstallPackages";
constexpr std::string_view kListClose = "</StaticAutoInstallPackages>";

// The IDE's list of packages to build in: where its element stands in the
// file (end: npos when there is none, or only an empty self-closed one)
// and the names in order, from each "<ItemN Value="..."/>".
struct StaticList
{
    std::size_t start = std::string::npos;
    std::size_t end = std::string::npos; // just past the closing tag
    std::vector<std::string> names;
};

StaticList readStaticList(const std::string &miscXml)
{
    StaticList list;
    const std::size_t start = miscXml.find(kListOpen);
    if (start == std::string::npos)
        return list;
    const std::size_t close = miscXml.find(kListClose, start);
    if (close == std::string::npos)
        return list;
    list.start = start;
    list.end = close + kListClose.size();
    for (std::size_t at = miscXml.find("<Item", start); at != std::string::npos && at < close;
         at = miscXml.find("<Item", at + 1)) {
        const std::size_t tagEnd = miscXml.find('>', at);
        std::string value;
        if (tagEnd != std::string::npos && attributeAt(miscXml.substr(at, tagEnd - at), "Value", value) != std::string::npos)
            list.names.push_back(value);
    }
    return list;
}

// The list's element holding names, indented as the line it starts on.
std::string listElement(const std::string &indent, const std::vector<std::string> &names)
{
    std::string block = std::string(kListOpen) + " Count=\"" + std::to_string(names.size()) + "\">";
    for (std::size_t i = 0; i < names.size(); ++i)
        block += "\n" + indent + "  <Item" + std::to_string(i + 1) + " Value=\"" +
                 generator::xmlAttributeText(names[i], "the package name") + "\"/>";
    return block + "\n" + indent + std::string(kListClose);
}

bool listed(const std::vector<std::string> &names, const std::string &name)
{
    for (const std::string &n : names) {
        if (platform::equalsNoCase(n, name))
            return true;
    }
    return false;
}

} // namespace

std::string withoutStaticPackage(const std::string &miscXml, const std::string &name, bool &removed)
{
    const StaticList list = readStaticList(miscXml);
    removed = list.end != std::string::npos && listed(list.names, name);
    if (!removed)
        return miscXml;
    std::vector<std::string> kept;
    for (const std::string &n : list.names) {
        if (!platform::equalsNoCase(n, name))
            kept.push_back(n);
    }
    return miscXml.substr(0, list.start) + listElement(indentBefore(miscXml, list.start), kept) +
           miscXml.substr(list.end);
}

std::string withStaticPackages(const std::string &miscXml, const std::vector<std::string> &names)
{
    StaticList list = readStaticList(miscXml);
    const std::size_t before = list.names.size();
    for (const std::string &name : names) {
        if (!listed(list.names, name))
            list.names.push_back(name);
    }
    if (list.names.size() == before)
        return miscXml;
    if (list.end != std::string::npos)
        return miscXml.substr(0, list.start) + listElement(indentBefore(miscXml, list.start), list.names) +
               miscXml.substr(list.end);
    // No list yet (or an empty self-closed one): the new one goes where
    // Lazarus keeps it, in the build options.
    const std::size_t empty = miscXml.find(kListOpen);
    if (empty != std::string::npos) {
        const std::size_t emptyEnd = miscXml.find("/>", empty);
        if (emptyEnd == std::string::npos)
            throw std::runtime_error("its list of packages to build in is cut short");
        return miscXml.substr(0, empty) + listElement(indentBefore(miscXml, empty), list.names) +
               miscXml.substr(emptyEnd + 2);
    }
    const std::size_t options = miscXml.find("</BuildLazarusOptions>");
    if (options == std::string::npos)
        throw std::runtime_error("it holds no <BuildLazarusOptions> element");
    const std::string indent = indentBefore(miscXml, options) + "  ";
    return miscXml.substr(0, options) + "  " + listElement(indent, list.names) + "\n" +
           indentBefore(miscXml, options) + miscXml.substr(options);
}

std::vector<std::string> bigIdeUnits(const std::string &lazarusPp)
{
    std::vector<std::string> units;
    const std::size_t start = lazarusPp.find("{$IFDEF BigIDE}");
    if (start == std::string::npos)
        return units;
    const std::size_t end = lazarusPp.find("{$ENDIF}", start);
    if (end == std::string::npos)
        return units;
    std::string word;
    for (std::size_t i = start + std::string("{$IFDEF BigIDE}").size(); i <= end; ++i) {
        const char c = i < end ? lazarusPp[i] : ',';
        if (std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '.') {
            word += c;
        } else if (!word.empty()) {
            units.push_back(word);
            word.clear();
        }
    }
    return units;
}

std::string withActiveDebugger(const std::string &envXml, const std::string &debuggerClass)
{
    const std::size_t configs = envXml.find("<Configs>", environmentStart(envXml));
    const std::size_t configsEnd = configs == std::string::npos ? configs : envXml.find("</Configs>", configs);
    if (configsEnd == std::string::npos)
        return envXml;
    const std::string wanted = " ConfigClass=\"" + debuggerClass + "\"";
    std::string block = envXml.substr(configs, configsEnd - configs);
    if (block.find(wanted) == std::string::npos)
        return envXml;
    for (std::size_t at = block.find(" Active=\"True\""); at != std::string::npos; at = block.find(" Active=\"True\""))
        block.erase(at, std::string(" Active=\"True\"").size());
    const std::size_t chosen = block.find(wanted);
    block.insert(chosen + wanted.size(), " Active=\"True\"");
    return envXml.substr(0, configs) + block + envXml.substr(configsEnd);
}

std::string startingMiscOptions(const std::string &targetDir)
{
    const std::string target = generator::xmlAttributeText(targetDir, "the IDE's target folder");
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<CONFIG>\n"
           "  <MiscellaneousOptions>\n"
           "    <Version Value=\"3\"/>\n"
           "    <BuildLazarusOptions>\n"
           "      <Profiles Count=\"1\">\n"
           "        <Profile0 Name=\"Normal IDE\">\n"
           "          <LCLPlatform Value=\"gtk2\"/>\n"
           "          <TargetDirectory Value=\"" + target + "\"/>\n"
           "          <IdeBuildMode Value=\"Build\"/>\n"
           "        </Profile0>\n"
           "      </Profiles>\n"
           // What Lazarus itself puts in a fresh folder's list.
           "      <StaticAutoInstallPackages Count=\"1\">\n"
           "        <Item1 Value=\"syneditdsgn\"/>\n"
           "      </StaticAutoInstallPackages>\n"
           "    </BuildLazarusOptions>\n"
           "  </MiscellaneousOptions>\n"
           "</CONFIG>\n";
}

std::vector<ConfigFile> fppkgFiles(const std::string &folder, const std::string &fpcDir,
                                   const std::string &fpcVersion, const std::string &cpu, const std::string &os)
{
    // Two repositories: Free Pascal's own units, and one of ours whose only
    // entry is the RTL's, which Debian's packages leave out.
    const std::string cfg = "[Global]\n"
                            "ConfigVersion=5\n"
                            "CompilerConfig=default\n"
                            "FPMakeCompilerConfig=default\n"
                            "CompilerConfigDir=" + folder + "config/\n"
                            "LocalRepository=" + folder + "\n"
                            "BuildDir={LocalRepository}build/\n"
                            "ArchivesDir={LocalRepository}archives/\n"
                            "RemoteMirrors=https://www.freepascal.org/repository/mirrors.xml\n"
                            "RemoteRepository=auto\n"
                            "\n"
                            "[Repository]\n"
                            "Name=fpc\n"
                            "Description=Packages installed with Free Pascal\n"
                            "Path=" + fpcDir + "\n"
                            "Prefix=/usr/\n"
                            "\n"
                            "[Repository]\n"
                            "Name=user\n"
                            "Description=The RTL entry Debian leaves out, and packages of this user\n"
                            "Path={LocalRepository}lib/fpc/{CompilerVersion}/\n"
                            "Prefix={LocalRepository}\n";
    const std::string compiler = "[Defaults]\n"
                                 "ConfigVersion=5\n"
                                 "Compiler=/usr/bin/fpc\n"
                                 "OS=" + os + "\n"
                                 "CPU=" + cpu + "\n"
                                 "Version=" + fpcVersion + "\n";
    const std::string rtl = "Name=rtl\nVersion=" + fpcVersion + "\nCPU=" + cpu + "\nOS=" + os + "\n";
    return {{"fppkg.cfg", cfg},
            {"config/default", compiler},
            {"lib/fpc/" + fpcVersion + "/fpmkinst/" + cpu + "-" + os + "/rtl.fpm", rtl}};
}

} // namespace quillon::cli
