#pragma once

#include <string_view>

namespace tavrel {

// Shows what a windowed program has to print (its help, its version, a usage complaint): on its
// standard output and error when it has them (redirected, or under Wine from a terminal), else
// on the console it was started from, else in a box with the caption, since a program started
// from Explorer has no console at all.
void ShowProgramTexts(std::string_view caption, std::string_view out, std::string_view err);

}  // namespace tavrel
