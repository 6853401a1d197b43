/*
** The pictures.  Each is drawn antialiased into a transparent ARGB image of
** its final size, so no scaling blurs it.  The motif is the product's
** name: a quill writing a page, with a globe for the web it serves.
** Coordinates are in pixels of the final image.
*/
#include "wizard/artwork.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QtMath>

#include <cmath>

namespace quillon::wizard::artwork {

namespace {

/* A transparent image of the size with draw's antialiased painting on it. */
template <typename Draw>
QImage painted(int w, int h, Draw draw)
{
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    draw(p);
    p.end();
    return img;
}

/* A closed outline through the points, in order. */
QPainterPath polygon(std::initializer_list<QPointF> points)
{
    QPainterPath path;
    path.addPolygon(QPolygonF(QList<QPointF>(points)));
    path.closeSubpath();
    return path;
}

/* A two-colour gradient from one point to another. */
QLinearGradient shade(QPointF from, QPointF to, const QColor &start, const QColor &end)
{
    QLinearGradient g(from, to);
    g.setColorAt(0.0, start);
    g.setColorAt(1.0, end);
    return g;
}

/* Fills a shape and draws its outline. */
void drawShape(QPainter &p, const QPainterPath &shape, const QBrush &fill, const QColor &outline, qreal width)
{
    p.setPen(QPen(outline, width));
    p.setBrush(fill);
    p.drawPath(shape);
}

/* A feather quill from its nib `tip` to the end of its vane `top`; `width`
** is the widest part of the vane.  The vane is a cream-to-gold shape with
** a darker shaft and a few barbs, the nib a short dark point. */
void drawQuill(QPainter &p, QPointF tip, QPointF top, qreal width)
{
    const QLineF axis(tip, top);
    const qreal length = axis.length();
    p.save();
    p.translate(tip);
    p.rotate(-axis.angle()); /* the quill now runs along +x from the nib */

    const qreal nib = length * 0.14;
    QPainterPath vane;
    vane.moveTo(nib, 0);
    vane.cubicTo(length * 0.35, -width * 1.1, length * 0.8, -width * 0.9, length, -width * 0.1);
    vane.cubicTo(length * 0.8, width * 0.45, length * 0.4, width * 0.7, nib, 0);
    QLinearGradient fill(0, -width, 0, width);
    fill.setColorAt(0.0, QColor(255, 252, 236));
    fill.setColorAt(0.55, QColor(247, 222, 150));
    fill.setColorAt(1.0, QColor(205, 160, 70));
    p.setPen(QPen(QColor(150, 105, 35), std::max<qreal>(0.6, width * 0.08)));
    p.setBrush(fill);
    p.drawPath(vane);

    /* Barbs: short strokes across the vane, leaning towards the end. */
    p.setPen(QPen(QColor(190, 145, 60, 150), std::max<qreal>(0.5, width * 0.05)));
    for (int i = 1; i <= 5; ++i) {
        const qreal x = nib + (length - nib) * i / 6.5;
        p.drawLine(QPointF(x, 0), QPointF(x + width * 0.55, -width * 0.6));
    }
    /* Shaft and nib. */
    p.setPen(QPen(QColor(120, 80, 25), std::max<qreal>(0.7, width * 0.1), Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(nib * 0.6, 0), QPointF(length * 0.97, -width * 0.12));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 35, 45));
    p.drawPath(polygon({{0, 0}, {nib, -width * 0.16}, {nib, width * 0.16}}));
    p.restore();
}

/* A blue globe with its highlight, parallels and meridians. */
void drawGlobe(QPainter &p, QPointF centre, qreal r)
{
    p.save();
    QRadialGradient sea(centre + QPointF(-r * 0.35, -r * 0.4), r * 1.5);
    sea.setColorAt(0.0, QColor(150, 215, 255));
    sea.setColorAt(0.45, QColor(40, 130, 215));
    sea.setColorAt(1.0, QColor(10, 45, 120));
    p.setPen(QPen(QColor(8, 30, 80), std::max<qreal>(0.8, r * 0.04)));
    p.setBrush(sea);
    p.drawEllipse(centre, r, r);

    QPainterPath clip;
    clip.addEllipse(centre, r, r);
    p.setClipPath(clip);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(210, 240, 255, 120), std::max<qreal>(0.6, r * 0.03)));
    for (qreal f : {0.35, 0.7})
        p.drawEllipse(centre, r * f, r); /* meridians */
    p.drawLine(QPointF(centre.x(), centre.y() - r), QPointF(centre.x(), centre.y() + r));
    for (qreal y : {-0.5, 0.0, 0.5}) {
        const qreal half = r * std::sqrt(1.0 - y * y);
        p.drawLine(QPointF(centre.x() - half, centre.y() + y * r), QPointF(centre.x() + half, centre.y() + y * r));
    }
    /* A soft shine at the top left. */
    QRadialGradient shine(centre + QPointF(-r * 0.4, -r * 0.45), r * 0.6);
    shine.setColorAt(0.0, QColor(255, 255, 255, 150));
    shine.setColorAt(1.0, QColor(255, 255, 255, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(shine);
    p.drawEllipse(centre, r, r);
    p.restore();
}

/* A sheet of paper with a folded corner and lines of text on it. */
void drawPage(QPainter &p, const QRectF &r, int lines)
{
    const qreal fold = r.width() * 0.22;
    const QColor edge(90, 100, 120);
    drawShape(p,
              polygon({r.topLeft(), {r.right() - fold, r.top()}, {r.right(), r.top() + fold}, r.bottomRight(),
                       r.bottomLeft()}),
              shade(r.topLeft(), r.bottomRight(), Qt::white, QColor(222, 228, 238)), edge, 0.8);
    drawShape(p,
              polygon({{r.right() - fold, r.top()}, {r.right() - fold, r.top() + fold}, {r.right(), r.top() + fold}}),
              QColor(200, 208, 222), edge, 0.8);

    /* Lines of source: indented like a program, in two colours. */
    static const qreal widths[] = {0.55, 0.75, 0.62, 0.45, 0.7, 0.5, 0.66, 0.4};
    static const qreal indents[] = {0.0, 0.12, 0.12, 0.24, 0.24, 0.12, 0.0, 0.12};
    const qreal gap = (r.height() - fold) / (lines + 1);
    const qreal left = r.left() + r.width() * 0.12;
    const qreal span = r.width() * 0.76;
    for (int i = 0; i < lines; ++i) {
        const qreal y = r.top() + fold * 0.7 + gap * (i + 1);
        const qreal x = left + span * indents[i % 8];
        p.setPen(QPen(i % 3 == 0 ? QColor(30, 80, 170) : QColor(120, 130, 150), std::max<qreal>(0.8, gap * 0.35),
                      Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(x, y), QPointF(x + span * widths[i % 8] * (1.0 - indents[i % 8]), y));
    }
}

/* A small four-pointed sparkle. */
void drawSparkle(QPainter &p, QPointF c, qreal r, int alpha)
{
    QPainterPath star;
    star.moveTo(c.x(), c.y() - r);
    star.quadTo(c, QPointF(c.x() + r, c.y()));
    star.quadTo(c, QPointF(c.x(), c.y() + r));
    star.quadTo(c, QPointF(c.x() - r, c.y()));
    star.quadTo(c, QPointF(c.x(), c.y() - r));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 250, 220, alpha));
    p.drawPath(star);
}

} // namespace

QPixmap wizardPicture()
{
    const int w = 107, h = 218;
    return QPixmap::fromImage(painted(w, h, [=](QPainter &p) {
        /* Night sky over a dark horizon. */
        QLinearGradient sky(0, 0, 0, h);
        sky.setColorAt(0.0, QColor(6, 18, 58));
        sky.setColorAt(0.55, QColor(24, 66, 140));
        sky.setColorAt(1.0, QColor(56, 120, 180));
        p.fillRect(QRect(0, 0, w, h), sky);

        /* Stars at fixed places, some brighter. */
        static const struct { qreal x, y, r; int a; } stars[] = {
            {12, 14, 2.5, 230}, {88, 22, 3.5, 255}, {47, 9, 1.8, 180}, {97, 58, 2.0, 200},
            {8, 62, 1.6, 170},  {70, 40, 1.4, 150}, {24, 36, 1.3, 140}, {100, 100, 1.6, 160},
            {6, 112, 1.8, 170}, {60, 16, 1.2, 130},
        };
        for (const auto &s : stars)
            drawSparkle(p, QPointF(s.x, s.y), s.r, s.a);

        /* The globe with an orbit of linked nodes: the web. */
        const QPointF globe(54, 78);
        drawGlobe(p, globe, 31);
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(QColor(255, 220, 120, 200), 1.1));
        p.save();
        p.translate(globe);
        p.rotate(-18);
        p.drawEllipse(QPointF(0, 0), 46, 13);
        static const qreal nodeAngles[] = {20, 110, 200, 290};
        for (qreal a : nodeAngles) {
            const qreal rad = qDegreesToRadians(a);
            const QPointF node(46 * std::cos(rad), 13 * std::sin(rad));
            QRadialGradient glow(node, 4);
            glow.setColorAt(0.0, QColor(255, 255, 230));
            glow.setColorAt(1.0, QColor(255, 200, 80, 0));
            p.setPen(Qt::NoPen);
            p.setBrush(glow);
            p.drawEllipse(node, 4, 4);
        }
        p.restore();

        /* A desk of light at the bottom. */
        p.fillRect(QRectF(0, 150, w, h - 150), shade({0, 150}, {0, qreal(h)}, QColor(255, 255, 255, 0), QColor(200, 225, 250, 90)));

        /* The page being written, tilted a little, and the quill on it. */
        p.save();
        p.translate(48, 172);
        p.rotate(-8);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 0, 30, 70));
        p.drawRoundedRect(QRectF(-26, -30, 56, 66), 2, 2); /* shadow */
        drawPage(p, QRectF(-30, -34, 56, 66), 8);
        p.restore();
        drawQuill(p, QPointF(56, 190), QPointF(101, 118), 8.5);
        /* A trace of fresh ink beside the nib. */
        p.setPen(QPen(QColor(20, 40, 110), 1.2, Qt::SolidLine, Qt::RoundCap));
        QPainterPath ink;
        ink.moveTo(36, 193);
        ink.cubicTo(42, 188, 46, 196, 51, 191);
        ink.cubicTo(53, 189, 54, 191, 56, 190);
        p.drawPath(ink);
        drawSparkle(p, QPointF(60, 186), 4, 240);

        /* A thin light frame keeps the picture apart from the panel. */
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(QColor(255, 255, 255, 60), 1));
        p.drawRect(QRectF(0.5, 0.5, w - 1, h - 1));
    }));
}

QImage loadProjectGlyph()
{
    return painted(24, 24, [](QPainter &p) {
        const QColor edge(130, 85, 10);
        /* The back of the folder with its tab. */
        drawShape(p, polygon({{2.5, 6}, {8.5, 6}, {10.5, 8}, {19.5, 8}, {19.5, 20.5}, {2.5, 20.5}}),
                  shade({0, 6}, {0, 21}, QColor(240, 190, 70), QColor(200, 140, 30)), edge, 1);
        /* A page sticking out. */
        drawShape(p, polygon({{6.5, 3.5}, {16.5, 3.5}, {16.5, 15.5}, {6.5, 15.5}}), Qt::white, QColor(120, 130, 150), 0.8);
        p.setPen(QPen(QColor(60, 100, 180), 1));
        for (qreal y : {6.5, 9.0, 11.5})
            p.drawLine(QPointF(8.5, y), QPointF(14.5, y));
        /* The front flap, opened towards the viewer. */
        drawShape(p, polygon({{5.5, 11.5}, {22.5, 11.5}, {19.5, 20.5}, {2.5, 20.5}}),
                  shade({0, 11}, {0, 21}, QColor(255, 225, 120), QColor(235, 175, 50)), edge, 1);
    });
}

QImage saveProjectGlyph()
{
    return painted(24, 24, [](QPainter &p) {
        /* The disk, its top right corner cut. */
        drawShape(p, polygon({{3.5, 3.5}, {18, 3.5}, {20.5, 6}, {20.5, 20.5}, {3.5, 20.5}}),
                  shade({3, 3}, {21, 21}, QColor(70, 120, 210), QColor(20, 50, 130)), QColor(10, 30, 80), 1);
        /* The metal shutter with its window. */
        drawShape(p, polygon({{7.5, 3.5}, {16.5, 3.5}, {16.5, 10}, {7.5, 10}}),
                  shade({0, 4}, {0, 10}, QColor(235, 238, 245), QColor(160, 170, 185)), QColor(90, 100, 115), 0.8);
        p.fillRect(QRectF(13, 4.8, 2.2, 4), QColor(40, 60, 110));
        /* The label with a red title line and a grey one. */
        QPainterPath label;
        label.addRoundedRect(QRectF(6.5, 12.5, 11, 8), 1, 1);
        drawShape(p, label, QColor(250, 250, 252), QColor(150, 160, 180), 0.8);
        p.setPen(QPen(QColor(200, 60, 50), 1));
        p.drawLine(QPointF(8, 15), QPointF(16, 15));
        p.setPen(QPen(QColor(140, 150, 170), 0.8));
        p.drawLine(QPointF(8, 17.5), QPointF(14.5, 17.5));
    });
}

QImage aboutGlyph()
{
    return painted(24, 24, [](QPainter &p) {
        const QPointF c(12, 12);
        QRadialGradient ball(c + QPointF(-3, -3.5), 13);
        ball.setColorAt(0.0, QColor(140, 200, 255));
        ball.setColorAt(0.6, QColor(30, 110, 210));
        ball.setColorAt(1.0, QColor(15, 55, 140));
        p.setPen(QPen(QColor(10, 40, 100), 1));
        p.setBrush(ball);
        p.drawEllipse(c, 9.5, 9.5);
        /* The letter i: a dot and a stem with a foot. */
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(12, 7.3), 1.7, 1.7);
        p.drawPath(polygon({{10, 10.2}, {13.3, 10.2}, {13.3, 15.6}, {14.6, 15.6}, {14.6, 17.2},
                            {9.6, 17.2}, {9.6, 15.6}, {10.9, 15.6}, {10.9, 11.8}, {10, 11.8}}));
    });
}

QPixmap programIcon()
{
    return QPixmap::fromImage(painted(32, 32, [](QPainter &p) {
        /* A rounded tile of night blue, the globe on it and the quill across. */
        QPainterPath tile;
        tile.addRoundedRect(QRectF(1.5, 1.5, 29, 29), 6, 6);
        drawShape(p, tile, shade({0, 0}, {0, 32}, QColor(30, 70, 150), QColor(8, 22, 70)), QColor(5, 15, 50), 1);
        drawGlobe(p, QPointF(14, 15), 9.5);
        drawQuill(p, QPointF(8, 28), QPointF(29, 4), 4.2);
    }));
}

namespace {

/* A small table: a blue heading row over three rows of cells; `column`
** (0 to 2, or -1 for none) is picked out in gold. */
void drawGrid(QPainter &p, int column)
{
    const QRectF r(1.5, 2.5, 11, 10);
    p.fillRect(r, Qt::white);
    p.fillRect(QRectF(r.left(), r.top(), r.width(), 2.5), QColor(40, 90, 180));
    if (column >= 0)
        p.fillRect(QRectF(r.left() + column * r.width() / 3, r.top() + 2.5, r.width() / 3, r.height() - 2.5),
                   QColor(250, 210, 90));
    p.setPen(QPen(QColor(90, 100, 120), 0.8));
    p.setBrush(Qt::NoBrush);
    p.drawRect(r);
    for (int i = 1; i < 3; ++i) {
        const qreal x = r.left() + i * r.width() / 3;
        p.drawLine(QPointF(x, r.top()), QPointF(x, r.bottom()));
    }
    for (qreal y = r.top() + 2.5 + 2.5; y < r.bottom(); y += 2.5)
        p.drawLine(QPointF(r.left(), y), QPointF(r.right(), y));
}

/* A green plus at the bottom right: "add to the SQL". */
void drawPlus(QPainter &p)
{
    p.setPen(QPen(QColor(20, 110, 30), 1));
    p.setBrush(QColor(70, 190, 70));
    p.drawPath(polygon({{10.5, 8.5}, {12.5, 8.5}, {12.5, 10.5}, {14.5, 10.5}, {14.5, 12.5}, {12.5, 12.5},
                        {12.5, 14.5}, {10.5, 14.5}, {10.5, 12.5}, {8.5, 12.5}, {8.5, 10.5}, {10.5, 10.5}}));
}

/* A page with the statement's initial on a coloured badge. */
void drawSkeleton(QPainter &p, QChar initial, const QColor &badge)
{
    drawPage(p, QRectF(1.5, 0.5, 10, 13), 4);
    QPainterPath round;
    round.addEllipse(QPointF(11, 11), 4.5, 4.5);
    drawShape(p, round, badge, badge.darker(160), 0.8);
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(7);
    font.setBold(true);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRectF(6.5, 6.5, 9, 9), Qt::AlignCenter, QString(initial));
}

} // namespace

QImage sqlGlyph(SqlGlyph which)
{
    return painted(16, 16, [which](QPainter &p) {
        switch (which) {
        case SqlGlyph::AddTable:
            drawGrid(p, -1);
            drawPlus(p);
            break;
        case SqlGlyph::AddField:
            drawGrid(p, 1);
            drawPlus(p);
            break;
        case SqlGlyph::Clear: {
            /* A waste bin: lid with its handle, and a ribbed body. */
            const QColor edge(70, 80, 95);
            drawShape(p, polygon({{3.5, 5.5}, {12.5, 5.5}, {11.5, 14.5}, {4.5, 14.5}}),
                      shade({3, 0}, {13, 0}, QColor(210, 215, 225), QColor(140, 150, 165)), edge, 0.9);
            p.setPen(QPen(edge, 0.8));
            for (qreal x : {6.3, 8.0, 9.7})
                p.drawLine(QPointF(x, 7), QPointF(x, 13));
            drawShape(p, polygon({{2.5, 3.5}, {13.5, 3.5}, {13.5, 5}, {2.5, 5}}), QColor(180, 188, 200), edge, 0.9);
            p.setBrush(Qt::NoBrush);
            p.drawRect(QRectF(6.5, 1.5, 3, 2));
            break;
        }
        case SqlGlyph::Execute:
            /* A lightning bolt: run the statement now. */
            drawShape(p, polygon({{9, 0.5}, {2.5, 9.5}, {7, 9.5}, {5, 15.5}, {13.5, 6}, {9, 6}, {11.5, 0.5}}),
                      shade({3, 0}, {13, 16}, QColor(255, 235, 90), QColor(235, 150, 20)), QColor(150, 90, 10), 0.8);
            break;
        case SqlGlyph::SelectSkeleton:
            drawSkeleton(p, QLatin1Char('S'), QColor(40, 100, 200));
            break;
        case SqlGlyph::InsertSkeleton:
            drawSkeleton(p, QLatin1Char('I'), QColor(40, 150, 60));
            break;
        case SqlGlyph::UpdateSkeleton:
            drawSkeleton(p, QLatin1Char('U'), QColor(220, 120, 30));
            break;
        case SqlGlyph::AddParameter: {
            /* A request value, ":" on a blue badge, going into the SQL. */
            QPainterPath badge;
            badge.addRoundedRect(QRectF(1.5, 1.5, 10, 9), 2, 2);
            drawShape(p, badge, shade({1.5, 1.5}, {11.5, 10.5}, QColor(120, 170, 240), QColor(40, 80, 170)),
                      QColor(30, 60, 130), 0.8);
            p.setPen(Qt::NoPen);
            p.setBrush(Qt::white);
            p.drawEllipse(QPointF(6.5, 4), 1.4, 1.4);
            p.drawEllipse(QPointF(6.5, 8), 1.4, 1.4);
            drawPlus(p);
            break;
        }
        }
    });
}

} // namespace quillon::wizard::artwork
