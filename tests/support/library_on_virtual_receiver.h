// The real library core on the strict virtual platform over a receiver
// model: what native tests and benchmarks drive in place of MQD7RA.dll.
// Members end in the order they must: the library before its port, the
// port (which joins its threads) before the receiver.
#pragma once

#include "library.h"
#include "virtual_platform.h"
#include "vreceiver/pendant.h"
#include "vreceiver/receiver.h"

namespace testsupport {

struct LibraryOnVirtualReceiver {
  vreceiver::Receiver receiver;
  vreceiver::Pendant pendant{receiver};
  VirtualPlatform platform{receiver};
  mqd7ra::Library library{platform};
};

}  // namespace testsupport
