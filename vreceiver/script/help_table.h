// The help's layout: each command's usage, then what it does in a column of
// its own, wrapped; nobody pads a help text by hand.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace vreceiver::script {

// Rows of (usage, what it does), one per line or more: a usage too wide for
// its column puts the description on the next line; long descriptions wrap
// onto continuation lines indented to the column.
std::string HelpTable(const std::vector<std::pair<std::string, std::string>> &rows);

}  // namespace vreceiver::script
