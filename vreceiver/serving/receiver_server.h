// Serves a vreceiver::Receiver's interfaces to Wine's own HID stack, through
// the virtual receiver's driver (vreceiver/driver/). The model is the
// receiver's state; the server follows its changes and derives what the
// driver needs: the interfaces the model lists become the driver's HID
// children, in the order they arrive at a plug (interface_layout), and the
// rules for feature reports go to the driver, which must answer them at
// once. The pendant's reports go to the input interface (input_pump), and
// the opens, closes and feature reports the driver sees go back into the
// model (interface_events). Any program in the prefix finds the receiver
// through setupapi, hid.dll and hidclass.sys.
#pragma once

#include <atomic>
#include <cstdint>
#include <set>
#include <string>
#include <thread>

#include "driver_channel.h"
#include "input_pump.h"
#include "interface_events.h"
#include "interface_layout.h"
#include "vreceiver/receiver.h"

namespace vreceiver::process {

class ReceiverServer {
 public:
  explicit ReceiverServer(Receiver &receiver);
  ~ReceiverServer();
  ReceiverServer(const ReceiverServer &) = delete;
  ReceiverServer &operator=(const ReceiverServer &) = delete;

  // Takes the driver over and follows the model from now on (the first
  // settings are presented once the model says they are served).
  bool Start(std::string *error);
  // Ends the serving threads (before the process ends: none is then busy).
  void Stop();
  // The last events the driver reported, oldest first (for a failure's report).
  std::string RecentEvents() { return events_.Recent(); }

 private:
  void Follow();
  // Presents the settings to the system; why it could not, or empty.
  std::string Present(const ServedSettings &settings);
  bool PresentInterfaces(const ServedSettings &settings, std::string *out);
  bool PresentRules(const ServedSettings &settings);
  bool SendLayout(const Layout &layout, std::string *out);

  Receiver &receiver_;
  DriverChannel channel_;
  InterfaceEvents events_{receiver_, channel_};
  InputPump pump_{receiver_, channel_};
  std::atomic<bool> stopping_{false};
  std::thread follower_;
  // What the driver has; the follower's own.
  Layout sent_;
  std::set<std::string> ever_;  // every interface ID sent so far
  bool rulesSent_ = false;
  vr_feature_rules rules_{};
  uint64_t writeRulesSet_ = 0;
  Report stateReport_{};
};

}  // namespace vreceiver::process
