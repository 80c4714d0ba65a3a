// The driver's picture of the machine's HID interfaces, made from the
// model's list, and the wait until the system lists just those.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "control.h"
#include "vreceiver/receiver.h"

namespace vreceiver::process {

using Layout = std::vector<tarvexvr_interface>;

// The interface ID of a model path: the part after "hid#", up to the next
// '#', in upper case ("VID_10CE&PID_EB91&MI_00").
std::string InterfaceId(const std::string &modelPath);
Layout LayoutOf(const std::vector<InterfaceInfo> &interfaces);
bool SameLayout(const Layout &a, const Layout &b);
// The layout without the interfaces in it that `sent` lacks and that take
// the pendant's input.
Layout WithoutNewInput(const Layout &layout, const Layout &sent);
// Waits (bounded) until the system lists every interface of `layout` and
// none of the others in `ever`. On failure `out` says what was waited for
// and what was listed last.
bool WaitListed(const Layout &layout, const std::set<std::string> &ever, std::string *out);

}  // namespace vreceiver::process
