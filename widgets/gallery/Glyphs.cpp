/*
** The gallery's glyphs.
*/
#include "Glyphs.h"

#include <QPainter>
#include <QPainterPath>

namespace {

void page(QPainter &p)
{
    p.setPen(Qt::black);
    p.setBrush(Qt::white);
    p.drawPolygon(QPolygon({QPoint(4, 1), QPoint(12, 1), QPoint(16, 5), QPoint(16, 18), QPoint(4, 18)}));
    p.drawLine(12, 1, 12, 5);
    p.drawLine(12, 5, 16, 5);
}

void letter(QPainter &p, const QString &text, bool bold, bool italic, bool underline)
{
    QFont f(QStringLiteral("Sans"));
    f.setPixelSize(16);
    f.setBold(bold);
    f.setItalic(italic);
    f.setUnderline(underline);
    p.setFont(f);
    p.setPen(QColor(0, 0, 128));
    p.drawText(QRect(0, 0, 20, 20), Qt::AlignCenter, text);
}

} // namespace

QImage galleryGlyph(const QString &name)
{
    QImage img(20, 20, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    if (name == QLatin1String("new")) {
        page(p);
        p.fillRect(13, 12, 6, 2, QColor(255, 200, 0));
        p.fillRect(15, 10, 2, 6, QColor(255, 200, 0));
    } else if (name == QLatin1String("open")) {
        p.setPen(Qt::black);
        p.setBrush(QColor(255, 220, 100));
        p.drawRect(1, 6, 16, 11);
        p.setBrush(QColor(200, 160, 40));
        p.drawPolygon(QPolygon({QPoint(4, 10), QPoint(19, 10), QPoint(16, 17), QPoint(1, 17)}));
    } else if (name == QLatin1String("save")) {
        p.setPen(Qt::black);
        p.setBrush(QColor(0, 0, 160));
        p.drawRect(2, 2, 16, 16);
        p.fillRect(5, 3, 10, 6, Qt::white);
        p.fillRect(6, 12, 8, 6, QColor(192, 192, 192));
    } else if (name == QLatin1String("cut")) {
        p.setPen(QPen(Qt::black, 1));
        p.drawLine(6, 2, 12, 13);
        p.drawLine(14, 2, 8, 13);
        p.setPen(QPen(QColor(160, 0, 0), 2));
        p.drawEllipse(3, 13, 5, 5);
        p.drawEllipse(12, 13, 5, 5);
    } else if (name == QLatin1String("copy")) {
        p.translate(-2, -1);
        page(p);
        p.translate(4, 2);
        page(p);
    } else if (name == QLatin1String("paste")) {
        p.setPen(Qt::black);
        p.setBrush(QColor(160, 100, 40));
        p.drawRect(2, 3, 12, 15);
        p.setBrush(QColor(192, 192, 192));
        p.drawRect(5, 1, 6, 4);
        p.setBrush(Qt::white);
        p.drawRect(9, 8, 9, 11);
    } else if (name == QLatin1String("find")) {
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(Qt::black, 2));
        p.setBrush(QColor(180, 220, 255));
        p.drawEllipse(2, 2, 11, 11);
        p.setPen(QPen(QColor(120, 60, 0), 3));
        p.drawLine(12, 12, 18, 18);
    } else if (name == QLatin1String("bold")) {
        letter(p, QStringLiteral("B"), true, false, false);
    } else if (name == QLatin1String("italic")) {
        letter(p, QStringLiteral("I"), false, true, false);
    } else {
        letter(p, QStringLiteral("U"), false, false, true);
    }
    return img;
}
