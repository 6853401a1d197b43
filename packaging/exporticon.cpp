/*
** exporticon FILE.png: writes the painted program icon (32 by 32) to FILE,
** for the desktop's icon theme. Run at build time, offscreen.
*/

#include "wizard/artwork.h"

#include <QGuiApplication>

#include <cstdio>

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: exporticon FILE.png\n");
        return 2;
    }
    QGuiApplication app(argc, argv);
    if (!quillon::wizard::artwork::programIcon().save(QString::fromLocal8Bit(argv[1]), "PNG")) {
        std::fprintf(stderr, "exporticon: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
