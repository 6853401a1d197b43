/*
** Composes the picture of an effect label: background, shadow layers,
** highlight layers and face, off screen, so that the label reaches the
** screen in one copy and does not flicker.  Text is drawn without
** smoothing: "real" layers and the face gradient pick pixels by exact
** colour, which smoothed edges would spoil.
*/
#ifndef QUILLON_WIDGETS_LBLEFFCTPAINT_H
#define QUILLON_WIDGETS_LBLEFFCTPAINT_H

#include "widgets/lbleffctgeometry.h"

#include <QFont>
#include <QImage>
#include <QString>

namespace lbleffct {

/* Everything the picture depends on. */
struct LabelLook {
    QSize size;
    QString caption;
    QFont font;
    QColor fontColour;
    QColor background;        /* filled when not transparent */
    bool transparent = true;
    bool showAccelChar = true;
    HAlign align = HAlign::Left;
    Direction highlightDir = Direction::UpLeft, shadowDir = Direction::DownRight;
    int highlightDepth = 1, shadowDepth = 1;
    QColor highlight, shadow;
    LayerStyle highlightStyle = LayerStyle::Normal, shadowStyle = LayerStyle::Normal;
    int graduate = 0;         /* 0 none, 1 vertical, 2 horizontal */
    QColor graduateFrom;
    int angle = 0;
    bool keepLettersVertical = false;
    Trig trig;
};

/* The key colour of face pixels awaiting their gradient colour. */
constexpr QRgb GradientKey = 0xfff109fe; /* RGB 241, 9, 254 */

/* The picture drawn over `under` (what lies beneath the label; a null image
** stands for nothing, so that the result is transparent where nothing is
** drawn). */
QImage renderLabel(const LabelLook &look, const QImage &under);

} // namespace lbleffct

#endif
