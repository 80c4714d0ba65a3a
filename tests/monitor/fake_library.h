// A stand-in for MQD7RA.dll: exports that can be missing, a load that can
// fail, scripted results, and a log of every call.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <set>
#include <string>
#include <vector>

#include "library_binding.h"
#include "mqd7ra.h"

namespace tarvex::testing {

class FakeLibrary : public LibraryBinding {
 public:
  FakeLibrary();
  ~FakeLibrary() override;

  bool IsLoaded() const override { return loaded; }
  bool Load(const char *fileName) override;
  ExportAddress Lookup(const char *exportName) override;

  int CallCount(const std::string &name) const;

  // Script.
  bool loadable = true;
  std::set<std::string> missing;
  int32_t openResult = XR_OK;       // when openResults is empty
  std::deque<int32_t> openResults;  // taken first, one per XOpen
  int32_t getInputResult = XR_OK;
  int32_t sendOutputResult = XR_OK;
  std::deque<int32_t> writDevResults;  // XR_OK when empty
  int32_t deviceDataResult = 1;
  std::array<uint8_t, 8> deviceData{};

  // Record.
  bool loaded = false;
  int loadAttempts = 0;
  std::string loadedFile;
  std::vector<std::string> calls;
  std::vector<void *> openWindows;
  std::vector<std::vector<uint8_t>> payloads;
  std::vector<uint8_t> payloadLengths;
  std::vector<std::vector<uint8_t>> commands;
  std::vector<uint8_t> deviceDataKinds;
};

}  // namespace tarvex::testing
