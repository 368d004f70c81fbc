#pragma once

#include <string>

namespace orvane {

// Starts the game's executable with no arguments, in its own directory, and
// lets it run on its own: no handle to it is kept.
void start_target_process(const std::wstring& exe_path);

} // namespace orvane
