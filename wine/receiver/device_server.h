// Puts a vreceiver::Receiver behind named pipes for the stand-in hid.dll and
// setupapi.dll: one pipe per listed HID interface (the device path a caller
// opens with CreateFileA) and the link pipe for listing, attributes and
// feature reports.
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "pipe_listener.h"
#include "vreceiver/receiver.h"

namespace vrhost {

class DeviceServer {
 public:
  explicit DeviceServer(vreceiver::Receiver &receiver);
  ~DeviceServer();

  // Listens on the pipes of the interfaces listed now and on no others;
  // waits (bounded) until that holds. Runs by itself every 20 ms too.
  bool Sync();

 private:
  struct Connection {
    std::string name;  // interface pipe name
    DWORD client = 0;  // process id of the opener
    int32_t handle = 0;
  };

  static std::string PipeNameFor(const std::string &modelPath);
  void Supervise();
  void StartListeners(const std::vector<vreceiver::InterfaceInfo> &listed);
  void ServeInterface(HANDLE pipe, const vreceiver::InterfaceInfo &info, const std::string &name);
  // Drops a connection's entry and closes its model handle.
  void Forget(int32_t handle);
  void ServeLink(HANDLE pipe);
  std::string Answer(const std::string &request);
  std::string AnswerList();
  std::string AnswerAttributes(const std::string &name);
  std::string AnswerSetFeature(const std::vector<std::string> &words);
  std::string AnswerGetFeature(const std::vector<std::string> &words);
  int32_t HandleFor(const std::string &name, DWORD client);
  bool FindInterface(const std::string &name, vreceiver::InterfaceInfo *info);

  vreceiver::Receiver &receiver_;
  std::mutex mutex_;
  std::map<std::string, std::unique_ptr<PipeListener>> listeners_;  // by pipe name
  std::vector<Connection> connections_;
  std::unique_ptr<PipeListener> link_;
  HANDLE stop_;
  std::thread supervisor_;
  uint64_t nextReader_ = 1;
};

}  // namespace vrhost
