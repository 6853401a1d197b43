#pragma once

/*
** The expert's own pictures, drawn rather than stored: the WebBar's three
** 20 by 20 button glyphs. The expert's 32 by 32 "IEICON" is a resource of
** the library (expert.qrc).
*/

#include <QImage>

namespace quillon::expert {

QImage newPageGlyph();    // a new page
QImage openFolderGlyph(); // an opened folder
QImage closeBarGlyph();   // a bar being closed

} // namespace quillon::expert
