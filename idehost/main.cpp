/*
** quillon-ide: our stand-in for the IDE. It loads the experts registered
** under HKEY_CURRENT_USER "Software\Borland\Delphi\2.0\Experts" (and any
** library named with --expert PATH) and shows its main window.
**
**   quillon-ide [--expert PATH]...
**   quillon-ide --register PATH     registers an expert library and exits
*/

#include "idehost/idemainwindow.h"
#include "platform/registry.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>

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
    if (!haveDisplay()) {
        std::fprintf(stderr, "quillon-ide: no display (set DISPLAY, or QT_QPA_PLATFORM=offscreen)\n");
        return 1;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("quillon-ide"));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("The Quillon IDE host: runs expert libraries such as libKestrel.so."));
    parser.addHelpOption();
    const QCommandLineOption expertOption(QStringLiteral("expert"), QStringLiteral("Also load the expert library PATH."),
                                          QStringLiteral("PATH"));
    parser.addOption(expertOption);
    parser.process(app);

    quillon::idehost::IdeMainWindow window;
    window.show();
    window.loadRegisteredExperts();
    for (const QString &path : parser.values(expertOption))
        window.loadExpert(QFileInfo(path).completeBaseName(), path);
    return app.exec();
}
