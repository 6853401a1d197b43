/*
** widget-gallery: shows every widget of the expert in its states.
**
**   widget-gallery                    opens the gallery window
**   widget-gallery --screenshot FILE  writes a PNG of it and exits
*/
#include "GalleryWindow.h"

#include <QApplication>
#include <QCommandLineParser>

#include <cstdio>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("widget-gallery"));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Shows the Quillon widgets in their states."));
    parser.addHelpOption();
    const QCommandLineOption screenshot(QStringLiteral("screenshot"),
                                        QStringLiteral("Write a PNG of the gallery to <file> and exit."),
                                        QStringLiteral("file"));
    parser.addOption(screenshot);
    parser.process(app);

    GalleryWindow window;
    window.show();
    window.showStates();
    if (!parser.isSet(screenshot))
        return app.exec();

    QCoreApplication::processEvents();
    const QString file = parser.value(screenshot);
    if (!window.snapshot().save(file, "PNG")) {
        std::fprintf(stderr, "widget-gallery: cannot write the screenshot \"%s\"\n", qPrintable(file));
        return 1;
    }
    return 0;
}
