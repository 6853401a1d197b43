/*
** Effect label arithmetic.
*/
#include "widgets/lbleffctgeometry.h"

#include <algorithm>
#include <cmath>

namespace lbleffct {

int rnd(double v)
{
    return static_cast<int>(std::nearbyint(v)); /* default rounding: halves to even */
}

int trn(double v)
{
    return static_cast<int>(v);
}

QPoint unitOffset(Direction d)
{
    switch (d) {
    case Direction::None:
        break;
    case Direction::Up:
        return {0, -1};
    case Direction::UpRight:
        return {1, -1};
    case Direction::Right:
        return {1, 0};
    case Direction::DownRight:
        return {1, 1};
    case Direction::Down:
        return {0, 1};
    case Direction::DownLeft:
        return {-1, 1};
    case Direction::Left:
        return {-1, 0};
    case Direction::UpLeft:
        return {-1, -1};
    }
    return {0, 0};
}

Offsets effectOffsets(Direction highlight, int highlightDepth, Direction shadow, int shadowDepth, HAlign align)
{
    Offsets o;
    const QPoint h = unitOffset(highlight) * highlightDepth;
    const QPoint s = unitOffset(shadow) * shadowDepth;
    o.hx = h.x();
    o.hy = h.y();
    o.sx = s.x();
    o.sy = s.y();
    o.minOff = std::min({o.hx, o.hy, o.sx, o.sy, 0});
    o.maxOff = std::max({o.hx, o.hy, o.sx, o.sy, 0});
    switch (align) {
    case HAlign::Left:
        o.shift = 0;
        break;
    case HAlign::Right:
        o.shift = o.maxOff - o.minOff;
        break;
    case HAlign::Center:
        o.shift = (o.maxOff - o.minOff) / 2;
        break;
    }
    return o;
}

QColor stepColour(QColor from, QColor to, double steps, int i)
{
    auto channel = [&](int a, int b) {
        const double inc = steps > 0 ? (b - a) / steps : 0.0;
        return ((a + rnd(inc * i)) % 256 + 256) % 256;
    };
    return QColor(channel(from.red(), to.red()), channel(from.green(), to.green()), channel(from.blue(), to.blue()));
}

std::vector<Layer> effectLayers(LayerStyle style, QColor base, QColor font, int depth)
{
    if (style == LayerStyle::Real)
        return {{depth, QColor(Qt::black)}};
    if ((style == LayerStyle::Extrude || style == LayerStyle::Graduated) && depth > 1) {
        std::vector<Layer> out;
        for (int q = depth; q >= 1; --q)
            out.push_back({q, style == LayerStyle::Graduated ? stepColour(base, font, depth - 1, depth - q) : base});
        return out;
    }
    return {{depth, base}};
}

QRgb darkened(QRgb p)
{
    return qRgba(qRed(p) / 2, qGreen(p) / 2, qBlue(p) / 2, qAlpha(p));
}

QRgb lightened(QRgb p)
{
    return qRgba((qRed(p) + 255) / 2, (qGreen(p) + 255) / 2, (qBlue(p) + 255) / 2, qAlpha(p));
}

SchemeColours schemeColours(Scheme s)
{
    const QColor white(255, 255, 255), black(0, 0, 0), gray(128, 128, 128);
    switch (s) {
    case Scheme::Custom:
    case Scheme::Windows:
        break;
    case Scheme::Text:
        return {white, gray, black};
    case Scheme::Embossed:
        return {white, black, QColor(192, 192, 192)};
    case Scheme::Gold:
        return {QColor(255, 255, 0), black, QColor(128, 128, 0)};
    case Scheme::Steel:
        return {QColor(0, 255, 255), QColor(0, 0, 128), QColor(0, 128, 128)};
    }
    return {white, black, gray};
}

StylePreset stylePreset(Style s)
{
    using D = Direction;
    switch (s) {
    case Style::None:
        return {true, D::None, D::None, 0, 0, true, false};
    case Style::Custom:
        return {false, D::None, D::None, 0, 0, true, false};
    case Style::Raised:
        break;
    case Style::Sunken:
        return {true, D::DownRight, D::UpLeft, 1, 1, false, false};
    case Style::Shadow:
        return {true, D::None, D::DownRight, 0, 2, true, false};
    case Style::Flying:
        return {true, D::DownRight, D::DownRight, 1, 5, true, true};
    }
    return {true, D::UpLeft, D::DownRight, 1, 1, false, false};
}

Trig angleTrig(int degrees)
{
    Trig t;
    const double r = degrees * M_PI / 180.0;
    t.cos = std::cos(r);
    t.sin = std::sin(r);
    t.cos2 = t.cos * t.cos;
    t.sin2 = t.sin * t.sin;
    return t;
}

QPoint rotatedOrigin(int tw, int th, int cx, const Trig &t)
{
    return {cx - trn(tw * 0.5 * t.cos) - trn(th * 0.5 * t.sin), cx + trn(tw * 0.5 * t.sin) - trn(th * 0.5 * t.cos)};
}

Upright uprightLayout(const std::vector<int> &prefixWidths, int captionHeight, const Trig &t)
{
    Upright u;
    for (size_t k = 0; k < prefixWidths.size(); ++k) {
        if (k == 0) {
            u.offsets.emplace_back(0, 0);
            continue;
        }
        const double h = double(captionHeight) * double(k);
        const int d = rnd(prefixWidths[k] * t.cos2 + h * t.sin2);
        u.offsets.emplace_back(rnd(d * t.cos), -rnd(d * t.sin));
        u.lastD = d;
    }
    u.origin = QPoint(std::max(0, -rnd(u.lastD * t.cos)) + 10, std::max(0, rnd(u.lastD * t.sin)) + 10);
    return u;
}

QPolygon rotatedBackground(int tw, int th, int cx, const Offsets &o, const Trig &t)
{
    /* The sizes grow by the sum of the offsets, the centre by their spread. */
    const int tw2 = tw + o.maxOff + o.minOff + 4;
    const int th2 = th + o.maxOff + o.minOff + 4;
    const int e = cx + (o.maxOff - o.minOff + 4) / 2;
    const int a = trn(tw2 * 0.5 * t.cos), b = trn(th2 * 0.5 * t.sin);
    const int f = trn(tw2 * 0.5 * t.sin), g = trn(th2 * 0.5 * t.cos);
    QPolygon p;
    p << QPoint(e - a - b + 2, e + f - g + 2) << QPoint(e + a - b + 2, e - f - g + 2)
      << QPoint(e + a + b + 2, e - f + g + 2) << QPoint(e - a + b + 2, e + f + g + 2);
    return p;
}

QPolygon uprightBackground(const Upright &u, int firstWidth, int lastWidth, int captionHeight, const Offsets &o,
                           int angle, const Trig &t)
{
    const int grow = o.maxOff - o.minOff + 4;
    const QPoint at1 = u.origin - QPoint(2, 2);
    const QPoint at2 = at1 + QPoint(rnd(u.lastD * t.cos), -rnd(u.lastD * t.sin));
    struct Box {
        QPoint tl, tr, br, bl;
    };
    auto box = [&](QPoint at, int w) {
        const int r = at.x() + w + grow, b = at.y() + captionHeight + grow;
        return Box{at, QPoint(r, at.y()), QPoint(r, b), QPoint(at.x(), b)};
    };
    const Box b1 = box(at1, firstWidth), b2 = box(at2, lastWidth);
    QPolygon p;
    if (angle <= 90)
        p << b1.tl << b2.tl << b2.tr << b2.br << b1.br << b1.bl;
    else if (angle <= 180)
        p << b1.tr << b2.tr << b2.tl << b2.bl << b1.bl << b1.br;
    else if (angle <= 270)
        p << b1.tl << b2.tl << b2.bl << b2.br << b1.br << b1.tr;
    else
        p << b1.tr << b2.tr << b2.br << b2.bl << b1.bl << b1.tl;
    return p;
}

GradientExtent flatGradientExtent(int labelWidth, int captionWidth, int captionHeight, const Offsets &o, HAlign align,
                                  bool vertical)
{
    GradientExtent g;
    g.top = -o.minOff;
    switch (align) {
    case HAlign::Left:
        g.left = -o.minOff;
        break;
    case HAlign::Right:
        g.left = labelWidth - o.maxOff - captionWidth;
        break;
    case HAlign::Center:
        g.left = (labelWidth - captionWidth) / 2 - o.minOff - o.shift;
        break;
    }
    g.n = vertical ? captionHeight - 1 : captionWidth - 1;
    return g;
}

GradientExtent polygonGradientExtent(const QPolygon &background, bool vertical)
{
    GradientExtent g;
    if (background.isEmpty())
        return g;
    const QRect r = background.boundingRect(); /* right and bottom are the largest x and y */
    g.left = r.left();
    g.top = r.top();
    g.n = vertical ? r.bottom() - r.top() : r.right() - r.left();
    return g;
}

} // namespace lbleffct
