#pragma once

/*
** The generation moment: the date and time written into the trailer of
** generated source, fixed once per generation as text.
*/

#include <string>

namespace quillon::generator {

struct GenerationMoment
{
    std::string date; // the locale's short date (%x)
    std::string time; // the locale's time (%X)
};

// Now, in the user's locale (LC_TIME from the environment). When
// SOURCE_DATE_EPOCH is set, that instant in UTC instead, so that output is
// reproducible. Throws GenerationError if
// SOURCE_DATE_EPOCH is not a non-negative whole number of seconds.
GenerationMoment currentGenerationMoment();

} // namespace quillon::generator
