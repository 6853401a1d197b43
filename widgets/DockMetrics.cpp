/*
** Storage of the program-wide dock metrics.
*/
#include "widgets/DockMetrics.h"

DockMetrics &dockMetrics()
{
    static DockMetrics metrics;
    return metrics;
}
