// Takes the events the driver reports (programs' opens and closes of the
// receiver's interfaces, feature reports written and asked for) and puts
// them into the model, in order.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <thread>

#include "channel.h"
#include "driver_channel.h"
#include "vreceiver/receiver.h"

namespace vreceiver::process {

class InterfaceEvents {
 public:
  InterfaceEvents(Receiver &receiver, DriverChannel &channel)
      : receiver_(receiver), channel_(channel) {}
  ~InterfaceEvents() { Join(); }
  InterfaceEvents(const InterfaceEvents &) = delete;
  InterfaceEvents &operator=(const InterfaceEvents &) = delete;

  void Start();
  // Waits for the serving thread (after the channel's calls stopped).
  void Join();
  // The last events, oldest first (for a failure's report).
  std::string Recent();

 private:
  void Serve();
  void Handle(const tarvexvr_event &event);
  void Remember(const tarvexvr_event &event);

  Receiver &receiver_;
  DriverChannel &channel_;
  std::mutex mutex_;
  std::map<uint32_t, int32_t> opens_;  // the driver's open number -> model handle
  std::deque<std::string> recent_;
  std::thread thread_;
};

}  // namespace vreceiver::process
