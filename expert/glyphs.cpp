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

QImage textViewGlyph(const QString &hint)
{
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const auto page = [&p](int x, int y) {
        p.setPen(Qt::black);
        p.setBrush(Qt::white);
        p.drawRect(x, y, 8, 10);
    };
    if (hint == QLatin1String("Reload")) {
        p.setPen(QPen(QColor(0, 128, 0), 2));
        p.drawArc(3, 3, 10, 10, 30 * 16, 300 * 16);
        p.drawLine(12, 2, 12, 6);
    } else if (hint == QLatin1String("Update")) {
        p.setPen(QPen(QColor(0, 0, 160), 2));
        p.drawLine(8, 2, 8, 12);
        p.drawLine(4, 8, 8, 12);
        p.drawLine(12, 8, 8, 12);
        p.drawLine(3, 14, 13, 14);
    } else if (hint == QLatin1String("Cancel")) {
        p.setPen(QPen(QColor(192, 0, 0), 2));
        p.drawLine(3, 3, 13, 13);
        p.drawLine(13, 3, 3, 13);
    } else if (hint == QLatin1String("Copy")) {
        page(2, 1);
        page(6, 5);
    } else if (hint == QLatin1String("Cut")) {
        p.setPen(QPen(Qt::black, 1.5));
        p.drawLine(5, 1, 10, 10);
        p.drawLine(11, 1, 6, 10);
        p.drawEllipse(2, 10, 4, 4);
        p.drawEllipse(10, 10, 4, 4);
    } else if (hint == QLatin1String("Paste")) {
        p.setPen(Qt::black);
        p.setBrush(QColor(160, 110, 40));
        p.drawRect(1, 2, 10, 12);
        page(6, 5);
    } else if (hint == QLatin1String("Help")) {
        p.setPen(QPen(QColor(0, 0, 160), 2));
        p.drawArc(4, 2, 8, 7, 0, 180 * 16);
        p.drawArc(4, 2, 8, 7, 270 * 16, 90 * 16);
        p.drawLine(8, 9, 8, 11);
        p.drawPoint(8, 14);
    } else {
        return {};
    }
    return image;
}

} // namespace quillon::expert
