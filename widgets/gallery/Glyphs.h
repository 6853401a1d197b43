/*
** Small glyphs drawn in code for the gallery's buttons: 20 x 20 pictures
** in a few colours on a transparent ground, so the button's shaded and
** engraved forms have something to work on.
*/
#ifndef QUILLON_GALLERY_GLYPHS_H
#define QUILLON_GALLERY_GLYPHS_H

#include <QImage>
#include <QString>

/* One of "new", "open", "save", "cut", "copy", "paste", "find", "bold", "italic", "under". */
QImage galleryGlyph(const QString &name);

#endif
