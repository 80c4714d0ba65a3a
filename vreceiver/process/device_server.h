// Serves a vreceiver::Receiver as a device of Wine's own HID stack, through
// the virtual receiver's driver (vreceiver-driver/): the interfaces the
// model lists become the driver's HID children (interface_layout), the
// pendant's reports go to the input interface (input_pump), and the opens,
// closes and feature reports the device sees go back into the model
// (device_events). Any program in the prefix finds the receiver through
// setupapi, hid.dll and hidclass.sys.
#pragma once

#include <cstdint>
#include <mutex>
#include <set>
#include <string>

#include "control_device.h"
#include "device_events.h"
#include "input_pump.h"
#include "interface_layout.h"
#include "vreceiver/receiver.h"

namespace vreceiver::process {

class DeviceServer {
 public:
  explicit DeviceServer(Receiver &receiver);
  ~DeviceServer();
  DeviceServer(const DeviceServer &) = delete;
  DeviceServer &operator=(const DeviceServer &) = delete;

  // Takes the driver over and seeds it from the model; then serves.
  bool Start(std::string *error);
  // Ends the serving threads (before the process ends: none is then busy).
  void Stop();
  // Lists the interfaces the model lists now and no others, and waits
  // (bounded) until the system lists just those. On failure `out` says what
  // was waited for and what was listed last.
  bool Sync(std::string *out = nullptr);
  // The order in which the receiver's new interfaces arrive, and the pause
  // between the first and the other (input-last, no pause, unless set).
  void SetArrival(bool inputFirst, uint32_t gapMs);
  // What the device does with feature reports from now on.
  bool RefuseWrites(int32_t count);
  bool RefuseReads(bool refuse);
  // Gives the device the model's information report.
  bool UpdateInfo();
  // The last events the device reported, oldest first (for a failure's report).
  std::string RecentEvents() { return events_.Recent(); }

 private:
  bool SetBehaviour(const tarvexvr_behaviour &behaviour);
  bool SendLayout(const Layout &layout, std::string *out);
  bool WaitListed(const Layout &layout, std::string *out);

  Receiver &receiver_;
  ControlDevice control_;
  DeviceEvents events_{receiver_, control_};
  InputPump pump_{receiver_, control_};
  std::mutex mutex_;
  Layout sent_;                // the layout the driver has
  bool inputFirst_ = false;
  uint32_t gapMs_ = 0;
  std::set<std::string> ever_;  // every interface ID sent so far
};

}  // namespace vreceiver::process
