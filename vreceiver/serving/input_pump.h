// Hands the pendant's input reports from the model to the driver's input
// interface, as a full-speed USB interrupt endpoint delivers them.
#pragma once

#include <atomic>
#include <thread>
#include <vector>

#include "driver_channel.h"
#include "vreceiver/receiver.h"

namespace vreceiver::process {

class InputPump {
 public:
  InputPump(Receiver &receiver, DriverChannel &channel) : receiver_(receiver), channel_(channel) {}
  ~InputPump() { Stop(); }
  InputPump(const InputPump &) = delete;
  InputPump &operator=(const InputPump &) = delete;

  void Start();
  // Returns once the pump's thread has ended (the channel's calls
  // must have been stopped first, or a send may block).
  void Stop();

 private:
  void Run();
  // Hands the reports to the device in one call; returns once they left.
  void Send(const std::vector<Report> &reports);

  Receiver &receiver_;
  DriverChannel &channel_;
  std::atomic<bool> stopping_{false};
  std::thread thread_;
};

}  // namespace vreceiver::process
