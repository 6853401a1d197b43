/*
** The Lazarus project file: a fixed XML text with four values put in
** (the library name, the unit path, the host program). The values are
** escaped for XML attributes; a value that XML or Lazarus's path lists
** cannot carry is refused rather than written half right.
*/

#include "generator/lazarusproject.h"

#include "generator/sourcegenerator.h"
#include "platform/atomicfile.h"
#include "platform/windows1252.h"
#include "project/identifier.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

namespace quillon::generator {

namespace {

// value for a message: control characters as \xNN, so that a NUL cannot
// cut the message short and a line break cannot split it.
std::string shown(const std::string &value)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const char ch : value) {
        const auto b = static_cast<unsigned char>(ch);
        if (b < 0x20 || b == 0x7F) {
            out += "\\x";
            out += kHex[b >> 4];
            out += kHex[b & 15];
        } else {
            out += ch;
        }
    }
    return out;
}

// The unit path is a list to Lazarus: a ';' in it would split it.
std::string pathListText(const std::string &value, const std::string &what)
{
    if (value.find(';') != std::string::npos)
        throw GenerationError(what + " \"" + shown(value) + "\" holds ';', which Lazarus reads as a path separator");
    return xmlAttributeText(value, what);
}

// The compiler options shared by both build modes, with the mode's own
// debugging and optimisation lines.
std::string compilerOptions(const std::string &indent, const std::string &name, const std::string &units,
                            bool debug)
{
    const std::string i = indent;
    std::string t;
    t += i + "<CompilerOptions>\n";
    t += i + "  <Version Value=\"11\"/>\n";
    t += i + "  <Target>\n";
    // Spelled out: Lazarus's own naming would lower-case the library's name.
    t += i + "    <Filename Value=\"lib" + name + ".so\" ApplyConventions=\"False\"/>\n";
    t += i + "  </Target>\n";
    t += i + "  <SearchPaths>\n";
    t += i + "    <OtherUnitFiles Value=\"" + units + "\"/>\n";
    t += i + "    <UnitOutputDirectory Value=\"units/$(BuildMode)\"/>\n";
    t += i + "  </SearchPaths>\n";
    t += i + "  <Parsing>\n";
    t += i + "    <SyntaxOptions>\n";
    t += i + "      <SyntaxMode Value=\"Delphi\"/>\n";
    t += i + "      <UseAnsiStrings Value=\"False\"/>\n";
    t += i + "    </SyntaxOptions>\n";
    t += i + "  </Parsing>\n";
    t += i + "  <CodeGeneration>\n";
    t += i + "    <Optimizations>\n";
    t += i + "      <OptimizationLevel Value=\"" + std::string(debug ? "0" : "2") + "\"/>\n";
    t += i + "    </Optimizations>\n";
    t += i + "  </CodeGeneration>\n";
    t += i + "  <Linking>\n";
    t += i + "    <Debugging>\n";
    if (debug) {
        t += i + "      <DebugInfoType Value=\"dsDwarf3\"/>\n";
    } else {
        t += i + "      <GenerateDebugInfo Value=\"False\"/>\n";
        t += i + "      <UseLineInfoUnit Value=\"False\"/>\n";
    }
    t += i + "    </Debugging>\n";
    t += i + "    <Options>\n";
    t += i + "      <ExecutableType Value=\"Library\"/>\n";
    t += i + "    </Options>\n";
    t += i + "  </Linking>\n";
    t += i + "  <Other>\n";
    t += i + "    <CustomOptions Value=\"-Cg\"/>\n";
    t += i + "  </Other>\n";
    t += i + "</CompilerOptions>\n";
    return t;
}

} // namespace

std::string xmlAttributeText(const std::string &value, const std::string &what)
{
    if (!platform::isValidUtf8(value))
        throw GenerationError(what + " \"" + shown(value) + "\" is not UTF-8 text");
    std::string out;
    out.reserve(value.size());
    for (const char ch : value) {
        if (static_cast<unsigned char>(ch) < 0x20 || ch == 0x7F)
            throw GenerationError(what + " \"" + shown(value) + "\" holds a control character");
        switch (ch) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&apos;"; break;
        default: out += ch;
        }
    }
    return out;
}

std::string lazarusProjectText(const LazarusProjectSettings &settings)
{
    if (const std::string_view reason = unusableNameReason(settings.libraryName); !reason.empty())
        throw GenerationError("the library name \"" + shown(settings.libraryName) + "\" is " + std::string(reason));
    const std::string name = settings.libraryName;
    const std::string units = pathListText(settings.unitPath, "the unit path");
    const std::string host = xmlAttributeText(settings.hostProgram, "the host program");

    std::string t = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<CONFIG>\n  <ProjectOptions>\n";
    t += "    <Version Value=\"12\"/>\n";
    t += "    <General>\n";
    t += "      <Flags>\n";
    t += "        <MainUnitHasCreateFormStatements Value=\"False\"/>\n";
    t += "        <MainUnitHasTitleStatement Value=\"False\"/>\n";
    t += "        <MainUnitHasScaledStatement Value=\"False\"/>\n";
    t += "      </Flags>\n";
    t += "      <SessionStorage Value=\"InProjectDir\"/>\n";
    t += "      <Title Value=\"" + name + "\"/>\n";
    t += "      <UseAppBundle Value=\"False\"/>\n";
    t += "      <ResourceType Value=\"res\"/>\n";
    t += "    </General>\n";
    // Item1 (Debug) is the default mode; its options are the project's own
    // CompilerOptions below, as Lazarus stores the default mode.
    t += "    <BuildModes>\n";
    t += "      <Item Name=\"Debug\" Default=\"True\"/>\n";
    t += "      <Item Name=\"Release\">\n";
    t += compilerOptions("        ", name, units, false);
    t += "      </Item>\n";
    t += "    </BuildModes>\n";
    t += "    <PublishOptions>\n      <Version Value=\"2\"/>\n    </PublishOptions>\n";
    t += "    <RunParams>\n";
    t += "      <FormatVersion Value=\"2\"/>\n";
    t += "      <Modes Count=\"1\">\n";
    t += "        <Mode0 Name=\"default\">\n";
    t += "          <local>\n";
    t += "            <HostApplicationFilename Value=\"" + host + "\"/>\n";
    // The library by its path from the working folder: with a host
    // application, Lazarus's $(TargetFile) names the host, not the library.
    t += "            <CommandLineParams Value=\"./lib" + name + ".so &quot;&quot;\"/>\n";
    t += "            <WorkingDirectory Value=\"$(ProjPath)\"/>\n";
    t += "          </local>\n";
    t += "        </Mode0>\n";
    t += "      </Modes>\n";
    t += "    </RunParams>\n";
    t += "    <Units>\n";
    t += "      <Unit>\n";
    t += "        <Filename Value=\"" + name + ".dpr\"/>\n";
    t += "        <IsPartOfProject Value=\"True\"/>\n";
    t += "      </Unit>\n";
    t += "    </Units>\n";
    t += "  </ProjectOptions>\n";
    t += compilerOptions("  ", name, units, true);
    t += "</CONFIG>\n";
    return t;
}

std::string lazarusProjectPath(const std::string &dprPath)
{
    const std::size_t slash = dprPath.rfind('/');
    const std::size_t dot = dprPath.rfind('.');
    const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash + 1);
    return (hasExtension ? dprPath.substr(0, dot) : dprPath) + ".lpi";
}

bool writeLazarusProject(const std::string &dprPath, const std::string &unitPath, const std::string &hostProgram)
{
    const std::string lpi = lazarusProjectPath(dprPath);
    struct stat st;
    if (::lstat(lpi.c_str(), &st) == 0)
        return false;
    if (errno != ENOENT)
        throw GenerationError(lpi + ": " + std::strerror(errno), lpi);
    const std::size_t slash = dprPath.rfind('/');
    const std::string file = slash == std::string::npos ? dprPath : dprPath.substr(slash + 1);
    const std::size_t dot = file.rfind('.');
    LazarusProjectSettings settings;
    settings.libraryName = dot == std::string::npos || dot == 0 ? file : file.substr(0, dot);
    settings.unitPath = unitPath;
    settings.hostProgram = hostProgram;
    const std::string text = lazarusProjectText(settings);
    try {
        platform::writeFileAtomically(lpi, text);
    } catch (const platform::FileError &e) {
        throw GenerationError(e.what(), lpi);
    }
    return true;
}

} // namespace quillon::generator
