/*
** The wizard's own pictures, painted with QPainter at their exact sizes:
** the wizard picture of the left strip, the glyphs of the icon-only
** buttons and the program icon.  Nothing is read from image files.
*/
#ifndef QUILLON_WIZARD_ARTWORK_H
#define QUILLON_WIZARD_ARTWORK_H

#include <QImage>
#include <QPixmap>

namespace quillon::wizard::artwork {

QPixmap wizardPicture();   // 107 x 218: the picture in the wizard's left strip (imgWiz)
QImage loadProjectGlyph(); // 24 x 24 glyphs for the icon-only explorer-style buttons btnLoad,
QImage saveProjectGlyph(); //   ebtnSave and btnabout (widgets/explbtn.h: TExplorerButton::setBitmap)
QImage aboutGlyph();
QPixmap programIcon();     // 32 x 32: the About box's ProgramIcon, also the wizard window icon

// 16 x 16 glyphs of the SQL helper buttons on the browse page.
enum class SqlGlyph { AddTable, AddField, Clear, Execute, SelectSkeleton, InsertSkeleton, UpdateSkeleton, AddParameter };
QImage sqlGlyph(SqlGlyph which);

} // namespace quillon::wizard::artwork

#endif
