/*
** The wizard's windows name the fonts Arial, "Courier New" and
** "MS Sans Serif".  A plain Linux machine has none of them; the Liberation
** fonts have the same metrics as the first two and fit the third, so the
** texts keep their place and length in the fixed-size windows.
*/
#ifndef QUILLON_WIZARD_FONTS_H
#define QUILLON_WIZARD_FONTS_H

namespace quillon::wizard {

/* Registers the Liberation fonts as Qt substitutes for the three families;
** a family that is really installed is still used itself.  Call once at
** start-up, after the application object exists and before any window. */
void installFontSubstitutions();

} // namespace quillon::wizard

#endif
