// The driver's picture of the machine's HID interfaces, made from the
// model's list, and the wait until the system lists just those.
#pragma once

#include <atomic>
#include <set>
#include <string>
#include <vector>

#include "channel.h"
#include "vreceiver/receiver.h"

namespace vreceiver::process {

using Layout = std::vector<tarvexvr_interface>;

// The interface ID of a model path: the part after "hid#", up to the next
// '#', in upper case ("VID_10CE&PID_EB91&MI_00").
std::string InterfaceId(const std::string &modelPath);
// The instance ID in a model path: the part after the interface ID, up to
// the next '#' ("7&1a2b3c4d&0&0000").
std::string InterfaceInstance(const std::string &modelPath);
Layout LayoutOf(const std::vector<InterfaceInfo> &interfaces);
bool SameLayout(const Layout &a, const Layout &b);
// What of `sent` stays while `layout` comes: without the interfaces whose
// ID `layout` keeps for another device (another identity), which leave
// first, as when one receiver is pulled out and another plugged in.
Layout WithoutChanged(const Layout &sent, const Layout &layout);
// The layout as it stands before the receiver's second interface arrives:
// without the one of the two that comes second by `arrival`, when `sent`
// lacks it. The same layout when nothing arrives in two steps.
Layout FirstArrival(const Layout &layout, const Layout &sent, Arrival arrival);
// Waits (bounded, or until `stopping`) until the system lists every
// interface of `layout` and none of the others in `ever`. On failure `out`
// says what was waited for and what was listed last.
bool WaitListed(const Layout &layout, const std::set<std::string> &ever,
                const std::atomic<bool> &stopping, std::string *out);

}  // namespace vreceiver::process
