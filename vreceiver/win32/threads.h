// Threads of the receiver process's parts. Plain Win32 threads: a detached
// std::thread of MinGW's winpthreads can start with its state already freed.
#pragma once

#include <functional>

namespace vreceiver::process {

// Runs `work` on a thread of its own that nobody waits for.
void RunDetached(std::function<void()> work);

}  // namespace vreceiver::process
