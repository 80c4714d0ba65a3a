#include "fake_library.h"

#include <algorithm>
#include <cstring>

namespace tarvex::testing {
namespace {

FakeLibrary *current = nullptr;

int32_t MQD7RA_CALL FakeXinit() {
  current->calls.push_back("Xinit");
  return XR_OK;
}

int32_t MQD7RA_CALL FakeXOpen(void *window) {
  current->calls.push_back("XOpen");
  current->openWindows.push_back(window);
  if (current->openResults.empty()) return current->openResult;
  const int32_t result = current->openResults.front();
  current->openResults.pop_front();
  return result;
}

int32_t MQD7RA_CALL FakeXClose() {
  current->calls.push_back("XClose");
  return -1;
}

int32_t MQD7RA_CALL FakeXGetInput(uint32_t *values, uint8_t *status) {
  current->calls.push_back("XGetInput");
  if (current->getInputResult == XR_OK) {
    values[0] = values[1] = 0;
    *status = 2;
  }
  return current->getInputResult;
}

int32_t MQD7RA_CALL FakeXSendOutput(const uint8_t *payload, uint8_t *length) {
  current->calls.push_back("XSendOutput");
  current->payloadLengths.push_back(*length);
  current->payloads.emplace_back(payload, payload + *length);
  *length = static_cast<uint8_t>(*length + 3);
  return current->sendOutputResult;
}

int32_t MQD7RA_CALL FakeXWritDev(const uint8_t *bytes, const uint8_t *count) {
  current->calls.push_back("XWritDev");
  current->commands.emplace_back(bytes, bytes + *count);
  if (current->writDevResults.empty()) return XR_OK;
  const int32_t result = current->writDevResults.front();
  current->writDevResults.pop_front();
  return result;
}

int32_t MQD7RA_CALL FakeGetDeviceData(uint8_t *buffer, uint8_t kind) {
  current->calls.push_back("GetDeviceData");
  current->deviceDataKinds.push_back(kind);
  if (current->deviceDataResult != 0) {
    std::memcpy(buffer, current->deviceData.data(), current->deviceData.size());
  }
  return current->deviceDataResult;
}

struct Export {
  const char *name;
  ExportAddress address;
};

const Export kExports[] = {
    {"Xinit", reinterpret_cast<ExportAddress>(&FakeXinit)},
    {"XOpen", reinterpret_cast<ExportAddress>(&FakeXOpen)},
    {"XClose", reinterpret_cast<ExportAddress>(&FakeXClose)},
    {"XGetInput", reinterpret_cast<ExportAddress>(&FakeXGetInput)},
    {"XSendOutput", reinterpret_cast<ExportAddress>(&FakeXSendOutput)},
    {"XWritDev", reinterpret_cast<ExportAddress>(&FakeXWritDev)},
    {"GetDeviceData", reinterpret_cast<ExportAddress>(&FakeGetDeviceData)},
};

}  // namespace

FakeLibrary::FakeLibrary() { current = this; }

FakeLibrary::~FakeLibrary() { current = nullptr; }

bool FakeLibrary::Load(const char *fileName) {
  ++loadAttempts;
  loadedFile = fileName;
  loaded = loaded || loadable;
  return loaded;
}

ExportAddress FakeLibrary::Lookup(const char *exportName) {
  calls.push_back(std::string("lookup:") + exportName);
  if (!loaded || missing.count(exportName)) return nullptr;
  for (const Export &e : kExports) {
    if (std::strcmp(e.name, exportName) == 0) return e.address;
  }
  return nullptr;
}

int FakeLibrary::CallCount(const std::string &name) const {
  return static_cast<int>(std::count(calls.begin(), calls.end(), name));
}

}  // namespace tarvex::testing
