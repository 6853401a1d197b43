/*
** Placement and glyph arithmetic of the explorer-style button.
*/
#include "widgets/explbtnlayout.h"

namespace explbtn {

/* Horizontal position of a block of the given width. */
static int alignedLeft(Align a, int width, int block)
{
    switch (a) {
    case Align::LeftJustify:
        return 3;
    case Align::RightJustify:
        return width - block - 3;
    case Align::Center:
        break;
    }
    return (width - block) / 2;
}

Layout placeContent(const LayoutInput &in)
{
    Layout out;
    const int gap = in.hasCaption ? 2 : 0;
    const int w = in.width, h = in.height;
    int tw = std::min(in.textWidth, w - 4);
    const int th = in.textHeight;
    const bool hasGlyph = in.glyphWidth > 0 && in.glyphHeight > 0;
    const int gw = in.glyphWidth + (in.popupMark ? 10 : 0);
    const int gh = in.glyphHeight;

    if (!hasGlyph) {
        int block = tw;
        if (in.popupMark) {
            block = tw + 10;
            tw = std::min(tw, w - 14);
        }
        out.ty = (h - th) / 2;
        out.tx = alignedLeft(in.alignment, w, block);
    } else {
        switch (in.layout) {
        case GlyphLayout::BitmapTop:
        case GlyphLayout::BitmapBottom:
            if (in.layout == GlyphLayout::BitmapTop) {
                out.by = (h - (gh + th + gap)) / 2;
                out.ty = out.by + gh + gap;
            } else {
                out.ty = (h - (gh + th + gap)) / 2;
                out.by = out.ty + th + gap;
            }
            out.tx = alignedLeft(in.alignment, w, tw);
            out.bx = alignedLeft(in.alignment, w, gw);
            break;
        case GlyphLayout::BitmapLeft:
        case GlyphLayout::BitmapRight: {
            if (w - 4 < gw + tw + gap)
                tw = w - 4 - gap - gw;
            out.by = (h - gh) / 2;
            out.ty = (h - th) / 2;
            /* The leading item starts at the aligned edge, the other follows it. */
            const bool glyphFirst = in.layout == GlyphLayout::BitmapLeft;
            const int lead = glyphFirst ? gw : tw;
            const int trail = glyphFirst ? tw : gw;
            int leadX, trailX;
            if (in.alignment == Align::RightJustify) {
                trailX = w - trail - 3;
                leadX = trailX - lead - gap;
            } else {
                leadX = in.alignment == Align::LeftJustify ? 3 : (w - (gw + tw + gap)) / 2;
                trailX = leadX + lead + gap;
            }
            out.bx = glyphFirst ? leadX : trailX;
            out.tx = glyphFirst ? trailX : leadX;
            break;
        }
        }
    }
    if (in.wordWrap && out.tx + tw > w - 5)
        tw = w - out.tx - 5;
    out.tw = tw;
    out.th = th;

    if (hasGlyph) {
        out.restMark = QPoint(in.glyphWidth + out.bx + 3, out.by + gh / 2);
        out.pressedMark = QPoint(in.glyphWidth + out.bx + 4, out.by + gh / 2 + 1);
    } else {
        out.restMark = QPoint(out.tx + out.tw + 3, out.ty + th / 2);
        out.pressedMark = QPoint(out.tx + out.tw + 4, out.ty + th / 2 + 1);
    }
    return out;
}

QString stripAccelerators(const QString &caption)
{
    QString out;
    out.reserve(caption.size());
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] == u'&' && i + 1 < caption.size()) {
            ++i; /* drop the mark; a doubled one keeps its second "&" */
        }
        out += caption[i];
    }
    return out;
}

QChar acceleratorOf(const QString &caption)
{
    for (qsizetype i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != u'&')
            continue;
        if (caption[i + 1] != u'&')
            return caption[i + 1];
        ++i;
    }
    return QChar();
}

std::array<int, 3> shadingThresholds(Shading type)
{
    switch (type) {
    case Shading::Light:
        return {205, 127, 68};
    case Shading::Dark:
        return {335, 274, 175};
    case Shading::Medium:
        break;
    }
    return {553, 231, 57};
}

QImage shadeGlyph(const QImage &bitmap, Shading type, QColor highlight, QColor shadow)
{
    if (bitmap.isNull())
        return QImage();
    QImage out = bitmap.convertToFormat(QImage::Format_RGB32);
    const QRgb key = out.pixel(0, 0);
    const auto t = shadingThresholds(type);
    for (int y = 0; y < out.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x) {
            const QRgb p = line[x];
            if (p == key)
                continue;
            const int s = qRed(p) + qGreen(p) + qBlue(p);
            QColor c = s > t[0] ? QColor(Qt::white) : s > t[1] ? highlight : s > t[2] ? shadow : QColor(Qt::black);
            line[x] = c.rgb();
        }
    }
    return out;
}

QImage makeDownPattern(QColor face, QColor highlight)
{
    QImage out(8, 8, QImage::Format_RGB32);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            out.setPixel(x, y, ((x + y) % 2 == 0 ? highlight : face).rgb());
    return out;
}

QImage engraveGlyph(const QImage &bitmap, QColor highlight, QColor shadow)
{
    if (bitmap.isNull())
        return QImage();
    const QImage src = bitmap.convertToFormat(QImage::Format_RGB32);
    QImage out(src.width() + 1, src.height() + 1, QImage::Format_ARGB32);
    out.fill(Qt::transparent);
    for (int pass = 0; pass < 2; ++pass) {
        const int d = pass == 0 ? 1 : 0;
        const QRgb c = (pass == 0 ? highlight : shadow).rgb();
        for (int y = 0; y < src.height(); ++y)
            for (int x = 0; x < src.width(); ++x)
                if ((src.pixel(x, y) & 0xffffff) == 0)
                    out.setPixel(x + d, y + d, c | 0xff000000u);
    }
    return out;
}

QImage keyedGlyph(const QImage &bitmap)
{
    if (bitmap.isNull())
        return QImage();
    QImage out = bitmap.convertToFormat(QImage::Format_ARGB32);
    const QRgb key = out.pixel(0, 0);
    for (int y = 0; y < out.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x)
            if (line[x] == key)
                line[x] = 0;
    }
    return out;
}

std::vector<QPoint> dropDownMarkPixels(QPoint at)
{
    std::vector<QPoint> out;
    for (int row = 0; row < 4; ++row)
        for (int x = at.x() + row; x <= at.x() + 6 - row; ++x)
            out.emplace_back(x, at.y() - 1 + row);
    return out;
}

FrameEdges frameEdges(int width, int height)
{
    FrameEdges e;
    e.first[0] = QRect(0, 1, 1, height - 1);         /* left, from the bottom up */
    e.first[1] = QRect(0, 0, width - 1, 1);          /* top, left to right */
    e.second[0] = QRect(width - 1, 0, 1, height - 1); /* right, downward */
    e.second[1] = QRect(1, height - 1, width - 1, 1); /* bottom, right to left */
    return e;
}

bool frameStartsLight(bool pressedFrame, Bevel bevel)
{
    return (bevel == Bevel::Raised) != pressedFrame;
}

} // namespace explbtn
