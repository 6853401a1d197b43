/*
** The metrics shared by every dock and tool bar of the program.
**
** There is one set for the whole program, not one per control: the
** Spacing, ControlWidth and ControlHeight properties of every dock and bar
** read and write this one record, so a value stored with any of them
** changes the thickness of all.  H and V are derived, never stored.
*/
#ifndef QUILLON_WIDGETS_DOCKMETRICS_H
#define QUILLON_WIDGETS_DOCKMETRICS_H

struct DockMetrics {
    int spacing = 3;        /* gap between groups of controls and around them */
    int controlWidth = 22;  /* nominal control width */
    int controlHeight = 22; /* nominal control height */

    /* Thickness of a bar in a horizontal dock. */
    int h() const { return 2 * spacing + controlHeight; }
    /* Thickness of a bar in a vertical dock. */
    int v() const { return 2 * spacing + controlWidth; }
};

/* The program-wide metrics; starts with the defaults above. */
DockMetrics &dockMetrics();

#endif
