// Serves a vreceiver::Receiver as a device of Wine's own HID stack, through
// the virtual receiver driver (vreceiver-driver/): the interfaces the model lists
// become the driver's HID children, the pendant's reports go to the input
// interface at most one per millisecond (a full-speed interrupt endpoint),
// and the opens, closes and feature reports the device sees go back into
// the model in order. Any program in the prefix finds the receiver through
// setupapi, hid.dll and hidclass.sys.
#pragma once

#include <windows.h>

#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "control.h"
#include "control_device.h"
#include "vreceiver/receiver.h"

namespace vreceiver::process {

class DeviceServer {
 public:
  explicit DeviceServer(vreceiver::Receiver &receiver);
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
  // What the device does with feature reports from now on.
  bool RefuseWrites(int32_t count);
  bool RefuseReads(bool refuse);
  // Gives the device the model's information report.
  bool UpdateInfo();
  // The last events the device reported, oldest first (for a failure's report).
  std::string RecentEvents();

 private:
  bool SetBehaviour(const tarvexvr_behaviour &behaviour);
  void ServeEvents();
  void HandleEvent(const tarvexvr_event &event);
  void SendReports();
  std::vector<tarvexvr_interface> Layout() const;
  std::vector<tarvexvr_interface> WithoutNewInput(const std::vector<tarvexvr_interface> &layout);
  bool SendLayout(const std::vector<tarvexvr_interface> &layout, std::string *out);
  bool WaitListed(const std::vector<tarvexvr_interface> &layout, std::string *out);

  vreceiver::Receiver &receiver_;
  ControlDevice control_;
  std::mutex mutex_;
  std::vector<tarvexvr_interface> sent_;  // the layout the driver has
  std::set<std::string> ever_;            // every interface ID sent so far
  std::map<uint32_t, int32_t> opens_;     // the driver's open number -> model handle
  std::deque<std::string> recent_;        // the last events, described
  bool stopping_ = false;
  std::thread events_;
  std::thread reports_;
};

// The interface ID of a model path: the part after "hid#", up to the next
// '#', in upper case ("VID_10CE&PID_EB91&MI_00").
std::string InterfaceId(const std::string &modelPath);

}  // namespace vreceiver::process
