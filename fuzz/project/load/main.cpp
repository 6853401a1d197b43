/*
** Fuzzes the project file loader: any bytes must load without a crash, and
** the record they leave must survive a save and a load unchanged.
*/

#include "project/projectfile.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    using quillon::ProjectFile;
    using quillon::WizardProject;
    const std::string_view text(reinterpret_cast<const char *>(data), size);
    WizardProject loaded;
    ProjectFile::loadText(text, loaded);
    WizardProject back;
    ProjectFile::loadText(ProjectFile::toText(loaded), back);
    if (!(back == loaded))
        std::abort();
    return 0;
}
