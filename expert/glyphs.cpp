#include "expert/glyphs.h"

#include <QPainter>
#include <QPolygon>

namespace quillon::expert {

namespace {

constexpr int kGlyphSize = 20;

QImage blank()
{
    QImage image(kGlyphSize, kGlyphSize, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    return image;
}

} // namespace

QImage newPageGlyph()
{
    QImage image = blank();
    QPainter p(&image);
    p.setPen(Qt::black);
    p.setBrush(Qt::white);
    p.drawPolygon(QPolygon({{4, 1}, {12, 1}, {16, 5}, {16, 18}, {4, 18}}));
    p.drawPolyline(QPolygon({{12, 1}, {12, 5}, {16, 5}}));
    p.setPen(QColor(0, 0, 160));
    for (int y = 8; y <= 15; y += 3)
        p.drawLine(6, y, 14, y);
    return image;
}

QImage openFolderGlyph()
{
    QImage image = blank();
    QPainter p(&image);
    p.setPen(Qt::black);
    p.setBrush(QColor(200, 160, 0));
    p.drawPolygon(QPolygon({{1, 4}, {6, 4}, {8, 6}, {15, 6}, {15, 16}, {1, 16}}));
    p.setBrush(QColor(255, 220, 80));
    p.drawPolygon(QPolygon({{4, 9}, {19, 9}, {15, 16}, {1, 16}}));
    return image;
}

QImage closeBarGlyph()
{
    QImage image = blank();
    QPainter p(&image);
    p.setPen(Qt::black);
    p.setBrush(QColor(192, 192, 192));
    p.drawRect(1, 6, 17, 8);
    p.setBrush(QColor(0, 0, 128));
    p.drawRect(1, 6, 17, 3);
    p.setPen(QPen(QColor(192, 0, 0), 2));
    p.drawLine(12, 11, 17, 16);
    p.drawLine(17, 11, 12, 16);
    return image;
}

} // namespace quillon::expert
