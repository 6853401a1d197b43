/*
** Effect label composition.  Layers are drawn deepest first, each moved by
** q steps of its direction and by -minOff so that no layer falls off the
** top or left edge; the face comes last.
*/
#include "widgets/lbleffctpaint.h"

#include <QFontMetrics>
#include <QPainter>

namespace lbleffct {

namespace {

int alignFlag(HAlign a)
{
    switch (a) {
    case HAlign::Left:
        break;
    case HAlign::Right:
        return Qt::AlignRight;
    case HAlign::Center:
        return Qt::AlignHCenter;
    }
    return Qt::AlignLeft;
}

/* Where the caption goes, worked out once per picture. */
class Composer {
public:
    Composer(const LabelLook &look)
        : L(look), font(look.font), fm(font)
    {
        font.setStyleStrategy(QFont::NoAntialias);
        fm = QFontMetrics(font);
        off = effectOffsets(L.highlightDir, L.highlightDepth, L.shadowDir, L.shadowDepth, L.align);
        rotated = L.angle != 0 && !L.keepLettersVertical;
        upright = L.angle != 0 && L.keepLettersVertical;
        tw = fm.horizontalAdvance(L.caption);
        th = fm.height();
        const int cx = fm.horizontalAdvance(L.caption + QStringLiteral("   ")) / 2;
        if (rotated) {
            origin = rotatedOrigin(tw, th, cx, L.trig);
            background = rotatedBackground(tw, th, cx, off, L.trig);
        } else if (upright && !L.caption.isEmpty()) {
            std::vector<int> prefix;
            for (qsizetype k = 0; k < L.caption.size(); ++k)
                prefix.push_back(fm.horizontalAdvance(L.caption.left(k)));
            letters = uprightLayout(prefix, th, L.trig);
            origin = letters.origin;
            background = uprightBackground(letters, fm.horizontalAdvance(L.caption.front()),
                                           fm.horizontalAdvance(L.caption.back()), th, off, L.angle, L.trig);
        }
    }

    /* The caption once, in one colour, q steps along a direction. */
    void drawText(QImage &target, QColor colour, QPoint step) const
    {
        QPainter p(&target);
        p.setFont(font);
        p.setPen(colour);
        p.setBrush(Qt::NoBrush);
        const QPoint d = step - QPoint(off.minOff, off.minOff);
        if (rotated) {
            p.translate(origin + d);
            p.rotate(-L.angle);
            p.drawText(0, fm.ascent(), L.caption);
        } else if (upright) {
            for (qsizetype k = 0; k < L.caption.size() && k < qsizetype(letters.offsets.size()); ++k) {
                const QPoint at = origin + d + letters.offsets[size_t(k)];
                p.drawText(at.x(), at.y() + fm.ascent(), QString(L.caption[k]));
            }
        } else {
            int flags = alignFlag(L.align) | Qt::AlignTop | Qt::TextWordWrap | Qt::TextExpandTabs;
            if (L.showAccelChar)
                flags |= Qt::TextShowMnemonic;
            const QRect r = QRect(QPoint(0, 0), L.size).translated(d.x() - off.shift, d.y());
            p.drawText(r, flags, L.caption.left(255));
        }
    }

    void fillBackground(QImage &picture) const
    {
        QPainter p(&picture);
        p.setPen(Qt::NoPen);
        p.setBrush(L.background);
        if (L.angle == 0)
            p.drawRect(QRect(QPoint(0, 0), L.size));
        else
            p.drawPolygon(background);
    }

    /* One effect: coloured layers straight onto the picture, or for "real"
    ** a black mask in the work bitmap that darkens or lightens it. */
    void drawEffect(QImage &picture, QImage &work, LayerStyle style, QColor base, Direction dir, int depth,
                    bool lighten) const
    {
        const QPoint unit = unitOffset(dir);
        const auto layers = effectLayers(style, base, L.fontColour, depth);
        if (style != LayerStyle::Real) {
            for (const Layer &layer : layers)
                drawText(picture, layer.colour, unit * layer.q);
            return;
        }
        work.fill(Qt::white);
        drawText(work, Qt::black, unit * layers.front().q);
        for (int y = 0; y < picture.height(); ++y) {
            const auto *mask = reinterpret_cast<const QRgb *>(work.constScanLine(y));
            auto *px = reinterpret_cast<QRgb *>(picture.scanLine(y));
            for (int x = 0; x < picture.width(); ++x)
                if ((mask[x] & 0xffffff) == 0)
                    px[x] = lighten ? lightened(px[x]) : darkened(px[x]);
        }
    }

    /* Face pixels, keyed in the work bitmap, take the colour of their strip. */
    void drawGradientFace(QImage &picture, QImage &work) const
    {
        work = picture.copy();
        drawText(work, QColor::fromRgb(GradientKey), QPoint(0, 0));
        const bool vertical = L.graduate == 1;
        GradientExtent g;
        if (L.angle == 0) {
            const QSize text = fm.size(L.showAccelChar ? Qt::TextShowMnemonic : 0, L.caption.left(255));
            g = flatGradientExtent(L.size.width(), text.width(), text.height(), off, L.align, vertical);
        } else {
            g = polygonGradientExtent(background, vertical);
        }
        /* Strip i is the row top + i or the column left + i; every keyed
        ** pixel in it takes the strip's colour. */
        std::vector<QRgb> colours;
        for (int i = 0; i <= g.n; ++i)
            colours.push_back(stepColour(L.graduateFrom, L.fontColour, g.n, i).rgb());
        for (int y = 0; y < picture.height(); ++y) {
            const auto *keyed = reinterpret_cast<const QRgb *>(work.constScanLine(y));
            auto *px = reinterpret_cast<QRgb *>(picture.scanLine(y));
            for (int x = 0; x < picture.width(); ++x) {
                const int i = vertical ? y - g.top : x - g.left;
                if (keyed[x] == GradientKey && i >= 0 && i <= g.n)
                    px[x] = colours[size_t(i)];
            }
        }
    }

    const LabelLook &L;
    QFont font;
    QFontMetrics fm;
    Offsets off;
    bool rotated = false, upright = false;
    int tw = 0, th = 0;
    QPoint origin;
    Upright letters;
    QPolygon background;
};

} // namespace

QImage renderLabel(const LabelLook &look, const QImage &under)
{
    QImage picture;
    if (under.isNull() || under.size() != look.size) {
        picture = QImage(look.size, QImage::Format_ARGB32);
        picture.fill(Qt::transparent);
    } else {
        picture = under.convertToFormat(QImage::Format_ARGB32);
    }
    if (look.size.isEmpty())
        return picture;
    QImage work(look.size, QImage::Format_ARGB32);
    work.fill(Qt::white);
    const Composer c(look);
    if (!look.transparent)
        c.fillBackground(picture);
    c.drawEffect(picture, work, look.shadowStyle, look.shadow, look.shadowDir, look.shadowDepth, false);
    c.drawEffect(picture, work, look.highlightStyle, look.highlight, look.highlightDir, look.highlightDepth, true);
    if (look.graduate == 0)
        c.drawText(picture, look.fontColour, QPoint(0, 0));
    else
        c.drawGradientFace(picture, work);
    return picture;
}

} // namespace lbleffct
