/*
** Arithmetic of the explorer-style button, kept apart from the widget so it
** can be checked without a window: where caption and glyph stand for every
** layout and alignment, where the drop-down mark goes, the frame edges, the
** shaded rest glyph, the checker pattern of a latched button and the engraved
** glyph of a disabled one.  All divisions by two truncate toward zero, as
** integer division does in C++.
*/
#ifndef QUILLON_WIDGETS_EXPLBTNLAYOUT_H
#define QUILLON_WIDGETS_EXPLBTNLAYOUT_H

#include <QColor>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QString>
#include <array>
#include <vector>

namespace explbtn {

enum class Align { LeftJustify, RightJustify, Center };
enum class GlyphLayout { BitmapTop, BitmapBottom, BitmapLeft, BitmapRight };
enum class Bevel { Lowered, Raised };
enum class Shading { Light, Medium, Dark };

/* What the placement needs to know about one paint. */
struct LayoutInput {
    int width = 0, height = 0;
    int textWidth = 0, textHeight = 0; /* measured caption, 0 when not drawn */
    bool hasCaption = false;           /* caption drawn: the gap is 2 */
    int glyphWidth = 0, glyphHeight = 0; /* 0 x 0 when there is no glyph */
    bool popupMark = false;            /* boPopupMark set and a menu present */
    GlyphLayout layout = GlyphLayout::BitmapTop;
    Align alignment = Align::Center;
    bool wordWrap = false;
};

struct Layout {
    int tx = 0, ty = 0, tw = 0, th = 0; /* text rectangle tx, ty, tx+tw, ty+th */
    int bx = 0, by = 0;                 /* glyph top-left */
    QPoint restMark;                    /* drop-down mark at rest or hot */
    QPoint pressedMark;                 /* drop-down mark pressed or down */
    QRect textRect() const { return QRect(tx, ty, tw, th); }
};

Layout placeContent(const LayoutInput &in);

/* The caption as a hint: "&x" loses its mark, "&&" becomes "&", and a
** trailing single "&" stays. */
QString stripAccelerators(const QString &caption);

/* The character after the first single "&", or a null QChar. */
QChar acceleratorOf(const QString &caption);

/* Thresholds on r+g+b: above the first white, above the second highlight,
** above the third shadow, else black. */
std::array<int, 3> shadingThresholds(Shading type);

/* Shaded copy of a glyph; pixels of the top-left colour stay as they are. */
QImage shadeGlyph(const QImage &bitmap, Shading type, QColor highlight, QColor shadow);

/* 8 x 8 checker: face where x+y is odd, highlight where it is even. */
QImage makeDownPattern(QColor face, QColor highlight);

/* The pure black pixels of the glyph engraved: highlight at (+1,+1), then
** shadow at (0,0); everything else transparent.  One pixel larger than the
** glyph each way. */
QImage engraveGlyph(const QImage &bitmap, QColor highlight, QColor shadow);

/* The glyph with every pixel of its top-left colour made transparent. */
QImage keyedGlyph(const QImage &bitmap);

/* The sixteen pixels of the downward triangle whose top row is y - 1. */
std::vector<QPoint> dropDownMarkPixels(QPoint at);

/* The one-pixel frame as four edge strips of a width x height client:
** the first two (left, top) take the first colour, the others the second.
** They follow pen lines (0,h)-(0,0)-(w-1,0) and on to (w-1,h-1)-(0,h-1)
** whose end points are not drawn. */
struct FrameEdges {
    std::array<QRect, 2> first;
    std::array<QRect, 2> second;
};
FrameEdges frameEdges(int width, int height);

/* Which of button highlight (true) and button shadow (false) a frame uses
** for its left-top edges: hot frames run the bevel's way, pressed frames
** the other way. */
bool frameStartsLight(bool pressedFrame, Bevel bevel);

} // namespace explbtn

#endif
