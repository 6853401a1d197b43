#pragma once

/*
** The placeholder vocabulary: the 24 names the template may hold and, in the
** order in which they are processed, the builder of each one's fragment.
** This table is the one place that knows that order.
*/

#include "project/wizardproject.h"

#include <span>
#include <string>
#include <string_view>

namespace quillon::generator {

struct GenerationMoment;

struct Placeholder
{
    std::string_view text; // "{*$" name "}", matched exactly
    std::string (*build)(const WizardProject &, const GenerationMoment &);
};

std::span<const Placeholder> placeholders();

} // namespace quillon::generator
