/*
** quillon-ide: our stand-in for the IDE. It loads the experts registered
** under HKEY_CURRENT_USER "Software\Borland\Delphi\2.0\Experts" (and any
** library named with --expert PATH) and shows its main window, with the
** project PROJECT or, without one, the project open when it last stopped.
**
**   quillon-ide [--expert PATH]... [PROJECT.dpr]
**   quillon-ide --script FILE [--screenshots DIR]   drives the host from a
**                                    script and prints its transcript
**   quillon-ide --register PATH     registers an expert library and exits
**
** With nothing registered, an installed host loads the expert installed
** with it (platform/installlayout.h).
*/

#include "idehost/hostscript.h"
#include "idehost/idemainwindow.h"
#include "platform/registry.h"
#include "wizard/scriptdriver.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <optional>

namespace {

// The library is registered under its file name without "lib" and ".so".
int registerLibrary(const char *path)
{
    const QFileInfo library(QString::fromLocal8Bit(path));
    QString name = library.completeBaseName();
    if (name.startsWith(QLatin1String("lib")))
        name.remove(0, 3);
    try {
        quillon::platform::Registry()
            .createKey(quillon::platform::Hive::CurrentUser, "Software\\Borland\\Delphi\\2.0\\Experts")
            .writeString(name.toStdString(), library.absoluteFilePath().toStdString());
    } catch (const std::exception &e) {
        std::fprintf(stderr, "quillon-ide: %s\n", e.what());
        return 1;
    }
    std::printf("Registered expert %s: %s\n", qPrintable(name), qPrintable(library.absoluteFilePath()));
    return 0;
}

bool haveDisplay()
{
    return std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY") || std::getenv("QT_QPA_PLATFORM");
}

} // namespace

int main(int argc, char **argv)
{
    // Registering needs no window.
    if (argc == 3 && std::strcmp(argv[1], "--register") == 0)
        return registerLibrary(argv[2]);
    // --help and --version need no display either.
    for (int i = 1; i < argc; ++i)
        if (!std::strcmp(argv[i], "--help") || !std::strcmp(argv[i], "-h") || !std::strcmp(argv[i], "--version")
            || !std::strcmp(argv[i], "-v"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
    if (!haveDisplay()) {
        std::fprintf(stderr, "quillon-ide: no display (set DISPLAY, or QT_QPA_PLATFORM=offscreen)\n");
        return 1;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("quillon-ide"));
    QApplication::setApplicationVersion(QStringLiteral(QUILLON_VERSION));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("The Quillon IDE host: runs expert libraries such as libKestrel.so.\n"
                                                    "quillon-ide --register PATH registers the expert library PATH and exits."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption expertOption(QStringLiteral("expert"), QStringLiteral("Also load the expert library PATH."),
                                          QStringLiteral("PATH"));
    parser.addOption(expertOption);
    const QCommandLineOption scriptOption(QStringLiteral("script"),
                                          QStringLiteral("Drive the host from the script FILE and print its transcript."),
                                          QStringLiteral("FILE"));
    parser.addOption(scriptOption);
    const QCommandLineOption shotsOption(QStringLiteral("screenshots"),
                                         QStringLiteral("With --script: save a picture of each wizard page in DIR."),
                                         QStringLiteral("DIR"));
    parser.addOption(shotsOption);
    parser.addPositionalArgument(QStringLiteral("PROJECT"), QStringLiteral("A project source to open."), QStringLiteral("[PROJECT]"));
    parser.process(app);
    if (parser.positionalArguments().size() > 1)
        parser.showHelp(2);

    std::optional<QStringList> script;
    if (parser.isSet(scriptOption)) {
        QString error;
        script = quillon::wizard::readScriptFile(parser.value(scriptOption), error);
        if (!script) {
            std::fprintf(stderr, "quillon-ide: %s\n", qPrintable(error));
            return 1;
        }
    }

    quillon::idehost::IdeMainWindow window;
    std::optional<quillon::idehost::HostScript> driver;
    if (script)
        driver.emplace(window, &quillon::wizard::printTranscriptLine);
    window.show();
    window.loadRegisteredExperts();
    for (const QString &path : parser.values(expertOption))
        window.loadExpert(QFileInfo(path).completeBaseName(), path);
    if (!parser.positionalArguments().isEmpty())
        window.openProject(QFileInfo(parser.positionalArguments().constFirst()).absoluteFilePath());
    else
        window.reopenLastProject();
    if (driver)
        return driver->run(std::move(*script), parser.value(shotsOption));
    return app.exec();
}
