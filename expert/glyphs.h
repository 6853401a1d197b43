#pragma once

/*
** The expert's own pictures, drawn rather than stored: the WebBar's three
** 20 by 20 button glyphs and the text view's 16 by 16 ones. The expert's 32 by 32 "IEICON" is a resource of
** the library (expert.qrc).
*/

#include <QImage>

namespace quillon::expert {

QImage newPageGlyph();    // a new page
QImage openFolderGlyph(); // an opened folder
QImage closeBarGlyph();   // a bar being closed

// The project text view's toolbar pictures, by button hint: "Reload",
// "Update", "Cancel", "Copy", "Cut", "Paste", "Help"; a null image for any other.
QImage textViewGlyph(const QString &hint);

} // namespace quillon::expert
