#include "cli/lazarusconfig.h"

#include "generator/lazarusproject.h"
#include "platform/asciicase.h"

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

std::string withoutStaticPackage(const std::string &miscXml, const std::string &name, bool &removed)
{
    removed = false;
    const std::string open = "<StaticAutoInstallPackages";
    const std::string close = "</StaticAutoInstallPackages>";
    const std::size_t start = miscXml.find(open);
    if (start == std::string::npos)
        return miscXml;
    const std::size_t end = miscXml.find(close, start);
    if (end == std::string::npos)
        return miscXml; // a self-closing (empty) list, or none
    // The entries in order, from each "<ItemN Value="..."/>".
    std::vector<std::string> kept;
    for (std::size_t at = miscXml.find("<Item", start); at != std::string::npos && at < end;
         at = miscXml.find("<Item", at + 1)) {
        const std::size_t tagEnd = miscXml.find('>', at);
        std::string value;
        if (tagEnd == std::string::npos || attributeAt(miscXml.substr(at, tagEnd - at), "Value", value) == std::string::npos)
            continue;
        if (platform::equalsNoCase(value, name))
            removed = true;
        else
            kept.push_back(value);
    }
    if (!removed)
        return miscXml;
    const std::string indent = indentBefore(miscXml, start);
    std::string block = open + " Count=\"" + std::to_string(kept.size()) + "\">";
    for (std::size_t i = 0; i < kept.size(); ++i)
        block += "\n" + indent + "  <Item" + std::to_string(i + 1) + " Value=\"" + kept[i] + "\"/>";
    block += "\n" + indent + close;
    return miscXml.substr(0, start) + block + miscXml.substr(end + close.size());
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
