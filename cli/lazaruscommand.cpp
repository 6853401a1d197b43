/*
** quillon lazarus install|uninstall: Quillon's design-time package in the
** user's Lazarus, or out of it again.
**
** Lazarus builds its packages into the IDE itself, so both rebuild the IDE
** with lazbuild in the user's Lazarus configuration folder (--pcp, by
** default ~/.lazarus), from a copy of the package's sources kept there. The steps are numbered as they run; the long one
** shows how far it got. A step that fails is named, and everything the
** command changed is put back: the configuration files as they were and
** the previous IDE program (moved aside while the new one is built), so a
** failed run leaves the Lazarus the user had.
*/

#include "cli/lazaruscommand.h"

#include "cli/arguments.h"
#include "cli/lazarusconfig.h"
#include "cli/programsearch.h"
#include "platform/asciicase.h"
#include "platform/atomicfile.h"
#include "platform/configdir.h"
#include "platform/installlayout.h"

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <functional>
#include <iostream>
#include <map>
#include <optional>

namespace quillon::cli {

namespace fs = std::filesystem;

namespace {

constexpr char kPackageName[] = "QuillonLazarus";
constexpr char kPackageFile[] = "quillonlazarus.lpk";
// The configuration files the command may change, relative to the folder.
constexpr const char *kConfigFiles[] = {"environmentoptions.xml", "miscellaneousoptions.xml", "packagefiles.xml",
                                        "staticpackages.inc", "idemake.cfg"};

// Our fppkg configuration, in the configuration folder (lazarusconfig.h).
constexpr char kFppkgFolder[] = "quillon-fppkg";
// The copy of the package's sources that Lazarus builds, in the
// configuration folder: Lazarus writes its compiled units beside a package,
// and the installed one is read-only for users (and must stay untouched
// when root installs).
constexpr char kPackageFolder[] = "quillon-package";

// Runs argv, its output (both streams) appended to log; onLine sees each
// line. Returns the exit status (128 + N for a signal N).
int runLogged(const std::vector<std::string> &argv, const fs::path &log,
              const std::function<void(const std::string &)> &onLine)
{
    int fds[2];
    if (::pipe(fds) != 0)
        throw std::runtime_error(std::string("cannot make a pipe: ") + std::strerror(errno));
    std::vector<char *> args;
    for (const std::string &a : argv)
        args.push_back(const_cast<char *>(a.c_str()));
    args.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid < 0) {
        const int error = errno;
        ::close(fds[0]);
        ::close(fds[1]);
        throw std::runtime_error(std::string("cannot start ") + argv[0] + ": " + std::strerror(error));
    }
    if (pid == 0) {
        ::dup2(fds[1], 1);
        ::dup2(fds[1], 2);
        ::close(fds[0]);
        ::close(fds[1]);
        ::execv(args[0], args.data());
        std::fprintf(stderr, "cannot start %s: %s\n", args[0], std::strerror(errno));
        std::_Exit(127);
    }
    ::close(fds[1]);
    std::string all;
    std::string line;
    char buffer[8192];
    for (;;) {
        const ssize_t n = ::read(fds[0], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        all.append(buffer, static_cast<std::size_t>(n));
        for (ssize_t i = 0; i < n; ++i) {
            if (buffer[i] == '\n') {
                onLine(line);
                line.clear();
            } else {
                line += buffer[i];
            }
        }
    }
    ::close(fds[0]);
    if (!line.empty())
        onLine(line);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    const std::string previous = platform::readFileIfExists(log.string()).value_or("");
    platform::writeFileAtomically(log.string(), previous + "$ " + argv[0] + " " +
                                                     (argv.size() > 1 ? argv[1] : "") + " ...\n" + all);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// The last line a program prints (its version, or a path).
std::string outputOf(const std::vector<std::string> &argv, const fs::path &log)
{
    std::string last;
    const int status = runLogged(argv, log, [&](const std::string &l) {
        if (!l.empty())
            last = l;
    });
    if (status != 0 || last.empty())
        throw std::runtime_error(argv[0] + " " + argv[1] + " failed (exit status " + std::to_string(status) + ")");
    return last;
}

// What the command changed, kept so that a failure can put it back.
class Undo
{
public:
    explicit Undo(fs::path folder)
        : m_folder(std::move(folder))
    {
        for (const char *name : kConfigFiles)
            m_files[name] = platform::readFileIfExists((m_folder / name).string());
        m_fppkgWasThere = fs::exists(m_folder / kFppkgFolder);
    }
    // Replaces the package copy with the sources in from (the old copy
    // is kept aside until the run succeeds).
    void copyPackage(const fs::path &from)
    {
        const fs::path copy = m_folder / kPackageFolder;
        if (fs::exists(copy)) {
            m_packageBackup = m_folder / (std::string(kPackageFolder) + ".previous");
            fs::remove_all(m_packageBackup);
            fs::rename(copy, m_packageBackup);
        }
        m_packageCopied = true;
        fs::create_directories(copy);
        for (const fs::directory_entry &e : fs::directory_iterator(from)) {
            if (e.is_regular_file())
                fs::copy_file(e.path(), copy / e.path().filename());
        }
    }
    // Moves the IDE program aside while a new one is built.
    void keepIde()
    {
        const fs::path ide = m_folder / "bin" / "lazarus";
        if (fs::is_regular_file(fs::symlink_status(ide))) {
            m_ideBackup = m_folder / "bin" / "lazarus.quillon-previous";
            fs::rename(ide, m_ideBackup);
        }
    }
    // The build succeeded: the previous IDE is not needed.
    void commit()
    {
        if (!m_ideBackup.empty())
            fs::remove(m_ideBackup);
        if (!m_packageBackup.empty())
            fs::remove_all(m_packageBackup);
        m_ideBackup.clear();
        m_packageBackup.clear();
        m_packageCopied = false;
        m_files.clear();
    }
    void restore() noexcept
    {
        try {
            for (const auto &[name, text] : m_files) {
                if (text)
                    platform::writeFileAtomically((m_folder / name).string(), *text);
                else
                    fs::remove(m_folder / name);
            }
            if (!m_ideBackup.empty())
                fs::rename(m_ideBackup, m_folder / "bin" / "lazarus");
            if (!m_fppkgWasThere)
                fs::remove_all(m_folder / kFppkgFolder);
            if (m_packageCopied)
                fs::remove_all(m_folder / kPackageFolder);
            if (!m_packageBackup.empty())
                fs::rename(m_packageBackup, m_folder / kPackageFolder);
        } catch (const std::exception &e) {
            std::cerr << "quillon: could not put back everything in " << m_folder.string() << ": " << e.what()
                      << '\n';
        }
        m_files.clear();
        m_ideBackup.clear();
        m_packageBackup.clear();
        m_packageCopied = false;
    }

private:
    fs::path m_folder;
    std::map<std::string, std::optional<std::string>> m_files;
    fs::path m_ideBackup;
    bool m_fppkgWasThere = false;
    fs::path m_packageBackup;
    bool m_packageCopied = false;
};

struct Steps
{
    explicit Steps(int count)
        : total(count)
    {}
    int total;
    int current = 0;
    std::string name;
    void begin(const std::string &step)
    {
        name = step;
        std::cout << "[" << ++current << "/" << total << "] " << step << std::endl;
    }
};

// Runs body; a failure puts back what undo kept and names the step it
// failed in. Success lets go of what undo kept.
void runGuarded(const Steps &steps, Undo &undo, const std::function<void()> &body)
{
    try {
        body();
    } catch (const std::exception &e) {
        undo.restore();
        throw std::runtime_error("step " + std::to_string(steps.current) + "/" + std::to_string(steps.total) +
                                 " (" + steps.name + ") failed: " + e.what() +
                                 "\nThe previous IDE and its settings are kept.");
    }
    undo.commit();
}

struct Setup
{
    fs::path lazbuild;
    fs::path folder; // the Lazarus configuration folder
    fs::path log;    // lazbuild's output
};

Setup setUp(const Arguments &a)
{
    Setup s;
    if (const auto given = a.option("--lazbuild"))
        s.lazbuild = fs::absolute(*given);
    else
        s.lazbuild = findProgram("lazbuild", {"/usr/bin"});
    if (s.lazbuild.empty() || ::access(s.lazbuild.c_str(), X_OK) != 0)
        throw std::runtime_error("lazbuild not found: install the Debian packages lazarus-ide-2.2 and lcl-utils-2.2"
                                 " (quillon-lazarus depends on them)");
    if (const auto pcp = a.option("--pcp")) {
        s.folder = fs::absolute(*pcp).lexically_normal();
    } else {
        const std::string home = platform::userHome();
        if (home.empty())
            throw std::runtime_error("no home folder is known for Lazarus's configuration: give --pcp DIR");
        s.folder = fs::path(home) / ".lazarus";
    }
    s.log = s.folder / "quillon-lazarus.log";
    return s;
}

// The packages of the distribution's own IDE that a rebuild must list to
// keep (see lazarusconfig.h): its "big IDE" units that are packages
// Lazarus knows (a link in its packager/globallinks folder, named
// NAME-VERSION.lpl). Lazarus's folder is the one lazbuild stands in.
std::vector<std::string> distributionPackages(const Setup &s)
{
    std::error_code ec;
    const fs::path lazarusDir = fs::canonical(s.lazbuild, ec).parent_path();
    const auto source = platform::readFileIfExists((lazarusDir / "ide" / "lazarus.pp").string());
    if (ec || !source)
        return {};
    std::vector<std::string> links;
    for (const fs::directory_entry &e : fs::directory_iterator(lazarusDir / "packager" / "globallinks", ec)) {
        const std::string file = e.path().filename().string();
        const std::size_t dash = file.rfind('-');
        if (dash != std::string::npos && file.ends_with(".lpl"))
            links.push_back(file.substr(0, dash));
    }
    std::vector<std::string> packages;
    for (const std::string &unit : bigIdeUnits(*source)) {
        for (const std::string &link : links) {
            if (platform::equalsNoCase(unit, link)) {
                packages.push_back(unit);
                break;
            }
        }
    }
    return packages;
}

// Rebuilds the IDE, showing how many units are compiled as it goes.
void rebuildIde(const Setup &s)
{
    const auto start = std::chrono::steady_clock::now();
    int units = 0;
    const int status = runLogged({s.lazbuild.string(), "--pcp=" + s.folder.string(), "--build-ide="}, s.log,
                                 [&](const std::string &line) {
                                     if (line.find(") Compiling ") == std::string::npos)
                                         return;
                                     if (++units % 50 == 0) {
                                         const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(
                                             std::chrono::steady_clock::now() - start);
                                         std::cout << "      " << units << " units compiled (" << seconds.count()
                                                   << " s)" << std::endl;
                                     }
                                 });
    if (status != 0)
        throw std::runtime_error("lazbuild --build-ide failed (exit status " + std::to_string(status) +
                                 "); its output is in " + s.log.string());
    const auto seconds =
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - start).count();
    std::cout << "      done: " << units << " units compiled in " << seconds << " s" << std::endl;
}

// The fppkg configuration of our own in the folder (see lazarusconfig.h).
fs::path writeFppkgConfig(const Setup &s)
{
    const fs::path fpc = findProgram("fpc", {"/usr/bin"});
    if (fpc.empty())
        throw std::runtime_error("fpc not found: install the Debian package fpc");
    const std::string version = outputOf({fpc.string(), "-iV"}, s.log);
    const std::string cpu = outputOf({fpc.string(), "-iTP"}, s.log);
    const std::string os = outputOf({fpc.string(), "-iTO"}, s.log);
    const fs::path compiler = fs::canonical(outputOf({fpc.string(), "-PB"}, s.log));
    const std::string folder = (s.folder / kFppkgFolder).string() + "/";
    for (const ConfigFile &f : fppkgFiles(folder, compiler.parent_path().string() + "/", version, cpu, os)) {
        const fs::path path = fs::path(folder) / f.path;
        fs::create_directories(path.parent_path());
        platform::writeFileAtomically(path.string(), f.text);
    }
    return fs::path(folder) / "fppkg.cfg";
}

int install(const Arguments &a)
{
    const Setup s = setUp(a);
    Steps steps(5);
    steps.begin("Checking the package");
    fs::path package;
    if (const auto given = a.option("--package")) {
        package = fs::absolute(*given);
    } else if (const auto &layout = platform::installedLayout()) {
        package = fs::path(layout->dataDir()) / "lazarus" / kPackageFile;
    } else {
        throw std::runtime_error("this quillon is not an installed one: give --package FILE.lpk");
    }
    if (!fs::is_regular_file(package))
        throw std::runtime_error(package.string() + ": no such package (install the Debian package quillon-lazarus)");
    std::cout << "      " << package.string() << std::endl;

    fs::create_directories(s.folder);
    const fs::path env = s.folder / "environmentoptions.xml";
    const bool freshFolder = !fs::exists(env);
    Undo undo(s.folder);
    runGuarded(steps, undo, [&] {
        steps.begin("Preparing the Lazarus configuration folder " + s.folder.string());
        const std::string ideVersion = outputOf({s.lazbuild.string(), "--version"}, s.log);
        const fs::path misc = s.folder / "miscellaneousoptions.xml";
        if (!fs::exists(misc))
            platform::writeFileAtomically(misc.string(), startingMiscOptions((s.folder / "bin").string()));
        // While the user runs the distribution's IDE (none built here yet),
        // the rebuilt one keeps that IDE's packages.
        if (!fs::exists(s.folder / "bin" / "lazarus")) {
            const std::vector<std::string> packages = distributionPackages(s);
            try {
                platform::writeFileAtomically(misc.string(),
                                              withStaticPackages(platform::readFile(misc.string()), packages));
            } catch (const std::exception &e) {
                throw std::runtime_error(misc.string() + ": " + e.what());
            }
            if (!packages.empty())
                std::cout << "      keeping the " << packages.size() << " packages of Lazarus's own IDE" << std::endl;
        }
        undo.copyPackage(package.parent_path());

        steps.begin("Adding the package to Lazarus");
        const int added = runLogged({s.lazbuild.string(), "--pcp=" + s.folder.string(), "--add-package",
                                     (s.folder / kPackageFolder / package.filename()).string()},
                                    s.log, [](const std::string &) {});
        if (added != 0)
            throw std::runtime_error("lazbuild --add-package failed (exit status " + std::to_string(added) +
                                     "); its output is in " + s.log.string());

        steps.begin("Settling Lazarus's first-start questions");
        std::string text = platform::readFile(env.string());
        try {
            text = withIdeVersion(text, ideVersion);
            if (freshFolder && !findProgram("gdb", {"/usr/bin"}).empty())
                text = withActiveDebugger(text, "TGDBMIDebugger");
            if (text.find("<FppkgConfigFile") == std::string::npos)
                text = withFppkgConfig(text, writeFppkgConfig(s).string());
        } catch (const std::exception &e) {
            throw std::runtime_error(env.string() + ": " + e.what());
        }
        platform::writeFileAtomically(env.string(), text);

        steps.begin("Rebuilding the Lazarus IDE with the package (a minute or more)");
        undo.keepIde();
        rebuildIde(s);
    });
    std::cout << "Quillon is in Lazarus: start it with startlazarus (File > New > Project > Quillon Web Extension,"
                 " Tools > Quillon Web Application)"
              << std::endl;
    return 0;
}

int uninstall(const Arguments &a)
{
    const Setup s = setUp(a);
    Steps steps(2);
    steps.begin("Taking the package out of Lazarus's list");
    const fs::path misc = s.folder / "miscellaneousoptions.xml";
    const auto text = platform::readFileIfExists(misc.string());
    bool removed = false;
    const std::string changed = text ? withoutStaticPackage(*text, kPackageName, removed) : std::string();
    if (!removed) {
        std::cout << "Quillon is not in the Lazarus of " << s.folder.string() << ": nothing to do" << std::endl;
        return 0;
    }
    Undo undo(s.folder);
    runGuarded(steps, undo, [&] {
        platform::writeFileAtomically(misc.string(), changed);
        steps.begin("Rebuilding the Lazarus IDE without the package (a minute or more)");
        undo.keepIde();
        rebuildIde(s);
    });
    fs::remove_all(s.folder / kPackageFolder);
    std::cout << "Quillon is out of Lazarus" << std::endl;
    return 0;
}

} // namespace

int runLazarusCommand(const Args &args)
{
    Arguments a("lazarus", args, {"--pcp", "--package", "--lazbuild"});
    a.expectPositionals({"install or uninstall"});
    const std::string &what = a.positionals().front();
    a.nameSubcommand(what);
    if (what == "install")
        return install(a);
    if (what == "uninstall") {
        if (a.option("--package"))
            throw UsageError("lazarus uninstall: --package goes with install");
        return uninstall(a);
    }
    throw UsageError("lazarus: unknown subcommand '" + what + "' (install or uninstall)");
}

} // namespace quillon::cli
