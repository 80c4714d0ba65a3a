// The receiver process's end of the channel to the virtual receiver's
// driver. Every call is overlapped, so a send or an event wait that blocks
// in the driver holds up no other call; Stop() ends the blocked ones.
#pragma once

#include <windows.h>

#include <string>

namespace vreceiver::process {

class DriverChannel {
 public:
  DriverChannel();
  ~DriverChannel();
  DriverChannel(const DriverChannel &) = delete;
  DriverChannel &operator=(const DriverChannel &) = delete;

  // Waits (bounded) until the driver serves the device, then opens it.
  bool Open(std::string *error);
  // One IOCTL; blocks until it completes or Stop(). False with the error
  // code in *error when it fails.
  bool Call(DWORD code, const void *in, DWORD inSize, void *out, DWORD outSize,
            DWORD *error = nullptr);
  void Stop();

 private:
  HANDLE device_ = INVALID_HANDLE_VALUE;
  HANDLE stop_;
};

}  // namespace vreceiver::process
