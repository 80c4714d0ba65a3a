#include "device_server.h"

#include <atomic>
#include <cctype>
#include <cstdlib>

#include "link.h"

namespace vrhost {

namespace {

constexpr DWORD kSupervisePollMs = 20;
constexpr int kSyncPolls = 200;

}  // namespace

DeviceServer::DeviceServer(vreceiver::Receiver &receiver)
    : receiver_(receiver), stop_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {
  link_ =
      std::make_unique<PipeListener>(vrlink::kLinkPipe, [this](HANDLE pipe) { ServeLink(pipe); });
  link_->SetEnabled(true);
  supervisor_ = std::thread([this] { Supervise(); });
}

DeviceServer::~DeviceServer() {
  SetEvent(stop_);
  supervisor_.join();
  CloseHandle(stop_);
}

std::string DeviceServer::PipeNameFor(const std::string &modelPath) {
  std::string name = vrlink::kInterfaceNamePrefix;
  for (char c : modelPath) {
    bool plain = std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_' || c == '.' ||
                 c == '&' || c == '#';
    name += plain ? c : '_';
  }
  return name;
}

void DeviceServer::StartListeners(const std::vector<vreceiver::InterfaceInfo> &listed) {
  std::lock_guard<std::mutex> lock(mutex_);
  std::map<std::string, bool> wanted;
  for (const vreceiver::InterfaceInfo &info : listed) {
    std::string name = PipeNameFor(info.path);
    wanted[name] = true;
    if (listeners_.count(name)) continue;
    auto serve = [this, info, name](HANDLE pipe) { ServeInterface(pipe, info, name); };
    listeners_[name] = std::make_unique<PipeListener>(vrlink::kInterfacePipePrefix + name, serve);
  }
  for (auto &entry : listeners_) entry.second->SetEnabled(wanted.count(entry.first) > 0);
}

bool DeviceServer::Sync() {
  StartListeners(receiver_.ListInterfaces());
  for (int poll = 0; poll < kSyncPolls; ++poll) {
    bool settled = true;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      for (auto &entry : listeners_) settled = settled && entry.second->Settled();
    }
    if (settled) return true;
    Sleep(5);
  }
  return false;
}

void DeviceServer::Supervise() {
  while (WaitForSingleObject(stop_, kSupervisePollMs) == WAIT_TIMEOUT) {
    StartListeners(receiver_.ListInterfaces());
  }
}

void DeviceServer::ServeInterface(HANDLE pipe, const vreceiver::InterfaceInfo &info,
                                  const std::string &name) {
  ULONG client = 0;
  GetNamedPipeClientProcessId(pipe, &client);
  int32_t handle = receiver_.Open(info.path);
  if (handle == 0) {
    DisconnectNamedPipe(pipe);
    CloseHandle(pipe);
    return;
  }
  uint64_t reader = 0;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    connections_.push_back(Connection{name, client, handle});
    reader = nextReader_++;
  }
  // The client never writes: its end closing is the only thing to watch.
  // Closing the model's handle then also ends a read that has not begun to
  // block yet, which a cancel would miss.
  std::atomic<bool> closed{false};
  auto closeOnce = [this, handle, &closed] {
    if (!closed.exchange(true)) Forget(handle);
  };
  HANDLE watcher = RunThread([this, pipe, reader, &closeOnce] {
    WaitClientGone(pipe);
    closeOnce();
    receiver_.Cancel(reader);
  });
  if (info.inputLength > 0) {
    std::vector<uint8_t> report(info.inputLength);
    while (receiver_.Read(handle, report.data(), static_cast<uint32_t>(report.size()), reader) &&
           WritePipe(pipe, report.data(), static_cast<DWORD>(report.size()))) {
    }
    DisconnectNamedPipe(pipe);  // a blocked ReadFile in the client now fails
  }
  if (watcher) {
    WaitForSingleObject(watcher, INFINITE);
    CloseHandle(watcher);
  }
  closeOnce();
  DisconnectNamedPipe(pipe);
  CloseHandle(pipe);
}

void DeviceServer::Forget(int32_t handle) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto it = connections_.begin(); it != connections_.end(); ++it) {
      if (it->handle == handle) {
        connections_.erase(it);
        break;
      }
    }
  }
  receiver_.Close(handle);
}

void DeviceServer::ServeLink(HANDLE pipe) {
  std::string request;
  if (ReadPipe(pipe, &request)) {
    std::string reply = Answer(request);
    WritePipe(pipe, reply.data(), static_cast<DWORD>(reply.size()));
    WaitClientGone(pipe);
  }
  DisconnectNamedPipe(pipe);
  CloseHandle(pipe);
}

std::string DeviceServer::Answer(const std::string &request) {
  std::vector<std::string> words = vrlink::SplitWords(request);
  if (words.empty()) return "err";
  if (words[0] == "list") return AnswerList();
  if (words[0] == "attr" && words.size() == 2) return AnswerAttributes(words[1]);
  if (words[0] == "setf") return AnswerSetFeature(words);
  if (words[0] == "getf") return AnswerGetFeature(words);
  return "err";
}

std::string DeviceServer::AnswerList() {
  std::string reply;
  for (const vreceiver::InterfaceInfo &info : receiver_.ListInterfaces()) {
    reply += std::string(vrlink::kInterfacePipePrefix) + PipeNameFor(info.path) + " " +
             std::to_string(info.vendorId) + " " + std::to_string(info.productId) + " " +
             std::to_string(info.inputLength) + " " + std::to_string(info.featureLength) + "\n";
  }
  return reply;
}

bool DeviceServer::FindInterface(const std::string &name, vreceiver::InterfaceInfo *info) {
  for (const vreceiver::InterfaceInfo &listed : receiver_.ListInterfaces()) {
    if (PipeNameFor(listed.path) == name) {
      *info = listed;
      return true;
    }
  }
  return false;
}

std::string DeviceServer::AnswerAttributes(const std::string &name) {
  vreceiver::InterfaceInfo info;
  if (!FindInterface(name, &info)) return "err";
  return "ok " + std::to_string(info.vendorId) + " " + std::to_string(info.productId) + " " +
         std::to_string(info.inputLength) + " " + std::to_string(info.featureLength);
}

// The model handle of the client's connection on that pipe: its own when
// the client's process id is known, else the newest one.
int32_t DeviceServer::HandleFor(const std::string &name, DWORD client) {
  std::lock_guard<std::mutex> lock(mutex_);
  int32_t newest = 0;
  for (const Connection &connection : connections_) {
    if (connection.name != name) continue;
    if (connection.client == client) return connection.handle;
    newest = connection.handle;
  }
  return newest;
}

std::string DeviceServer::AnswerSetFeature(const std::vector<std::string> &words) {
  std::vector<uint8_t> report;
  if (words.size() != 4 || !vrlink::FromHex(words[3], &report) || report.empty()) return "err";
  int32_t handle =
      HandleFor(words[2], static_cast<DWORD>(std::strtoul(words[1].c_str(), nullptr, 10)));
  if (handle == 0) return "err";
  return receiver_.SetFeature(handle, report.data(), static_cast<uint32_t>(report.size())) ? "ok"
                                                                                           : "err";
}

std::string DeviceServer::AnswerGetFeature(const std::vector<std::string> &words) {
  std::vector<uint8_t> report;
  if (words.size() != 4 || !vrlink::FromHex(words[3], &report) || report.empty()) return "err";
  int32_t handle =
      HandleFor(words[2], static_cast<DWORD>(std::strtoul(words[1].c_str(), nullptr, 10)));
  if (handle == 0 ||
      !receiver_.GetFeature(handle, report.data(), static_cast<uint32_t>(report.size()))) {
    return "err";
  }
  return "ok " + vrlink::ToHex(report.data(), report.size());
}

}  // namespace vrhost
