/*
** Arithmetic of the effect label, kept apart from the widget so that it can
** be checked without a window: direction offsets and the margins they need,
** the colours of the highlight and shadow layers, the presets of effect
** styles and colour schemes, where rotated or upright-lettered text starts,
** the background polygon under rotated text and the strips of the face
** gradient.  rnd() rounds halves to even, trn() truncates toward zero.
*/
#ifndef QUILLON_WIDGETS_LBLEFFCTGEOMETRY_H
#define QUILLON_WIDGETS_LBLEFFCTGEOMETRY_H

#include <QColor>
#include <QPoint>
#include <QPolygon>
#include <QRect>
#include <vector>

namespace lbleffct {

enum class Direction { None, Up, UpRight, Right, DownRight, Down, DownLeft, Left, UpLeft };
enum class HAlign { Left, Right, Center };
enum class LayerStyle { Normal, Real, Extrude, Graduated };
enum class Style { None, Custom, Raised, Sunken, Shadow, Flying };
enum class Scheme { Custom, Text, Windows, Embossed, Gold, Steel };

int rnd(double v);
int trn(double v);

/* Unit step of a direction, x to the right and y downward. */
QPoint unitOffset(Direction d);

/* hx, hy and sx, sy are direction times depth; minOff and maxOff the
** smallest and largest of them and 0; shift moves aligned text so that
** the layers stay inside the label. */
struct Offsets {
    int hx = 0, hy = 0, sx = 0, sy = 0;
    int minOff = 0, maxOff = 0;
    int shift = 0;
};
Offsets effectOffsets(Direction highlight, int highlightDepth, Direction shadow, int shadowDepth, HAlign align);

/* One layer: drawn displaced by q times the direction's step. */
struct Layer {
    int q;
    QColor colour;
};
/* The layers of one effect, from the deepest (drawn first) to the
** shallowest.  Graduated layers step from the base colour at full depth
** toward the font colour at depth 1; "real" layers are one black layer
** that marks where the picture is darkened or lightened. */
std::vector<Layer> effectLayers(LayerStyle style, QColor base, QColor font, int depth);

/* from + rnd((to - from) / steps * i) per channel, modulo 256; a colour of
** no steps stays at from. */
QColor stepColour(QColor from, QColor to, double steps, int i);

/* Picture pixels under a "real" layer: half as bright, or half way to white. */
QRgb darkened(QRgb p);
QRgb lightened(QRgb p);

struct SchemeColours {
    QColor highlight, shadow, face;
};
/* The fixed rows; the Custom row is each label's own and starts as
** white, black and gray. */
SchemeColours schemeColours(Scheme s);

struct StylePreset {
    bool setsGeometry;           /* false for Custom: directions and depths stay */
    Direction highlight, shadow;
    int highlightDepth, shadowDepth;
    bool clearsAsButton;
    bool highlightFromShadow;    /* Flying: highlight takes the scheme's shadow colour */
};
StylePreset stylePreset(Style s);

struct Trig {
    double cos = 1, sin = 0, cos2 = 1, sin2 = 0;
};
Trig angleTrig(int degrees);

/* Start of rotated text of tw x th, turning about (cx, cx). */
QPoint rotatedOrigin(int tw, int th, int cx, const Trig &t);

/* Letters kept upright along the angle.  prefixWidths[k] is the width of
** the first k letters (k = 0 .. n-1); offsets[k] is where letter k+1
** stands relative to the origin; lastD the run length of the last one. */
struct Upright {
    std::vector<QPoint> offsets;
    int lastD = 0;
    QPoint origin;
};
Upright uprightLayout(const std::vector<int> &prefixWidths, int captionHeight, const Trig &t);

/* Background under rotated text: a turned rectangle around the centre. */
QPolygon rotatedBackground(int tw, int th, int cx, const Offsets &o, const Trig &t);

/* Background under upright letters: the hull of the first and last letter
** boxes, six corners chosen by the quadrant of the angle. */
QPolygon uprightBackground(const Upright &u, int firstWidth, int lastWidth, int captionHeight, const Offsets &o,
                           int angle, const Trig &t);

/* Rows (vertical) or columns (horizontal) of the face gradient: the first
** at left or top, n + 1 of them. */
struct GradientExtent {
    int left = 0, top = 0, n = 0;
};
GradientExtent flatGradientExtent(int labelWidth, int captionWidth, int captionHeight, const Offsets &o, HAlign align,
                                  bool vertical);
GradientExtent polygonGradientExtent(const QPolygon &background, bool vertical);

} // namespace lbleffct

#endif
