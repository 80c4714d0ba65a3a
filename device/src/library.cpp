// Construction, teardown and Xinit of the library state.
#include "library.h"

#include <mqd7ra.h>

namespace mqd7ra {

// Every field starts at zero, the handles included: they carry the invalid
// marker only once Xinit has run.
Library::Library(Platform &port) : platform(port) {}

Library::~Library() {
  if (readerHandle != 0) XClose();
}

// A second Xinit while open first closes what the first left open and ends
// its reader, so that no handle leaks and no second reader starts.
int32_t Library::Xinit() {
  std::lock_guard<NoThrowMutex> call(callLock);
  if (initialised) Disconnect();
  initialised = true;
  if (readerHandle == 0) readerId = 0;  // a reader left be is still the reader
  interfaceCount = 0;
  targetWindow = 0;
  deviceType = 0;
  currentInput = 0;
  wheelAccumulator = 0;
  std::lock_guard<NoThrowMutex> lock(handleLock);
  inputHandle = kInvalidHandle;
  featureHandle = kInvalidHandle;
  return XR_OK;
}

}  // namespace mqd7ra
