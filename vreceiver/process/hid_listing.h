// The HID interfaces the system lists now (SetupAPI, present ones), as a
// program finds them.
#pragma once

#include <string>
#include <vector>

namespace vrhost {

// Device paths, lower case.
std::vector<std::string> ListedHidPaths();

}  // namespace vrhost
