/*
** quillon: the command-line face of the project file and the generator.
** See commandtable.h for the commands and how they fail.
*/

#include "cli/commandtable.h"

int main(int argc, char **argv)
{
    return quillon::cli::dispatch(quillon::cli::Args(argv + 1, argv + argc));
}
