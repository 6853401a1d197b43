/*
** quillon-ide: our stand-in for the IDE. It loads the experts registered
** under HKEY_CURRENT_USER "Software\Borland\Delphi\2.0\Experts" (and any
** library named with --expert PATH) and shows its main window.
*/

#include "idehost/idemainwindow.h"

#include <QApplication>
#include <QCommandLineParser>

int main(int argc, char **argv)
{
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
        window.loadExpert(path, path);
    return app.exec();
}
