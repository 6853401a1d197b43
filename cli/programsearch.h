#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace quillon::cli {

// A program in PATH, or else in one of the folders more (system folders
// that a user's PATH often lacks); empty when none is executable.
std::filesystem::path findProgram(const std::string &name, const std::vector<std::filesystem::path> &more);

} // namespace quillon::cli
