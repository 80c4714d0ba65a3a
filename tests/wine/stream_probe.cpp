// stream_probe.exe: a caller of MQD7RA.dll of its own for the scenarios on
// input across re-opens and on the receiver's interfaces arriving one at a
// time. It binds the exports by name, gives the library a message-only
// window, and:
//  1. prints "waiting", then calls XOpen every 10 ms until it answers XR_OK
//     (a program that waits for the receiver), then "connected info=N"
//     (N: GetDeviceData's answer right after, 1 when the feature interface
//     was open);
//  2. counts every WM_DEVICE_INPUT and sums its wheel delta, polls XGetInput
//     and sums what it hands out, and with --send-every MS calls XSendOutput
//     every MS milliseconds (each one re-opens while the feature interface
//     is missing); prints "inputs N" as the count passes each 500;
//  3. at the message whose first key is the sentinel (9) prints
//     "inputs=N wheel=W polled=P checks=C" and ends; after 120 s without it,
//     "no sentinel" and exit code 1.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "mqd7ra.h"

namespace {

constexpr uint8_t kSentinelKey = 9;
constexpr DWORD kOpenRetryMs = 10;
constexpr ULONGLONG kGiveUpMs = 120000;
constexpr uint32_t kProgressStep = 500;

struct Exports {
  MQD7RA_XINIT_FN xinit;
  MQD7RA_XOPEN_FN xopen;
  MQD7RA_XCLOSE_FN xclose;
  MQD7RA_XGETINPUT_FN xgetinput;
  MQD7RA_XSENDOUTPUT_FN xsendoutput;
  MQD7RA_GETDEVICEDATA_FN getdevicedata;
};

template <typename Fn>
Fn Bind(HMODULE module, const char *name) {
  return reinterpret_cast<Fn>(reinterpret_cast<void *>(GetProcAddress(module, name)));
}

bool BindAll(Exports *x) {
  HMODULE module = LoadLibraryA("MQD7RA.dll");
  if (module == nullptr) return false;
  x->xinit = Bind<MQD7RA_XINIT_FN>(module, "Xinit");
  x->xopen = Bind<MQD7RA_XOPEN_FN>(module, "XOpen");
  x->xclose = Bind<MQD7RA_XCLOSE_FN>(module, "XClose");
  x->xgetinput = Bind<MQD7RA_XGETINPUT_FN>(module, "XGetInput");
  x->xsendoutput = Bind<MQD7RA_XSENDOUTPUT_FN>(module, "XSendOutput");
  x->getdevicedata = Bind<MQD7RA_GETDEVICEDATA_FN>(module, "GetDeviceData");
  return x->xinit && x->xopen && x->xclose && x->xgetinput && x->xsendoutput && x->getdevicedata;
}

void Say(const std::string &line) {
  std::printf("%s\n", line.c_str());
  std::fflush(stdout);
}

struct Counts {
  uint32_t inputs = 0;
  int64_t wheel = 0;
  int64_t polled = 0;
  uint32_t checks = 0;
  bool sentinel = false;
};

// Takes every message waiting.
void Pump(Counts *counts) {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_DEVICE_CHECK) ++counts->checks;
    if (msg.message != WM_DEVICE_INPUT) continue;
    if (INPUTWORD_KEY1(static_cast<uint32_t>(msg.lParam)) == kSentinelKey) {
      counts->sentinel = true;
      continue;
    }
    ++counts->inputs;
    counts->wheel += static_cast<int8_t>(msg.wParam & 0xFF);
    if (counts->inputs % kProgressStep == 0) Say("inputs " + std::to_string(counts->inputs));
  }
}

void Poll(const Exports &x, Counts *counts) {
  uint32_t values[2] = {};
  uint8_t status = 4;
  if (x.xgetinput(values, &status) == XR_OK) counts->polled += static_cast<int32_t>(values[1]);
}

void Connect(const Exports &x, HWND window) {
  Say("waiting");
  while (x.xopen(window) != XR_OK) Sleep(kOpenRetryMs);
  uint8_t info[8] = {};
  Say("connected info=" + std::to_string(x.getdevicedata(info, 2)));
}

bool Stream(const Exports &x, DWORD sendEveryMs, Counts *counts) {
  const ULONGLONG start = GetTickCount64();
  ULONGLONG nextSend = start + sendEveryMs;
  const uint8_t text[59] = {'s', 't', 'r', 'e', 'a', 'm'};
  while (!counts->sentinel) {
    const ULONGLONG now = GetTickCount64();
    if (now - start > kGiveUpMs) return false;
    if (sendEveryMs != 0 && now >= nextSend) {
      uint8_t length = sizeof text;
      x.xsendoutput(text, &length);
      nextSend = now + sendEveryMs;
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, sendEveryMs != 0 ? 1 : 10, QS_ALLINPUT);
    Pump(counts);
    Poll(x, counts);
  }
  Poll(x, counts);
  return true;
}

}  // namespace

int main(int argc, char **argv) {
  DWORD sendEveryMs = 0;
  if (argc == 3 && std::strcmp(argv[1], "--send-every") == 0) {
    sendEveryMs = static_cast<DWORD>(std::strtoul(argv[2], nullptr, 10));
  }
  Exports x{};
  if (!BindAll(&x)) {
    Say("MQD7RA.dll or one of its exports is missing");
    return 2;
  }
  HWND window = CreateWindowExA(0, "STATIC", "stream_probe", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
  x.xinit();
  Connect(x, window);
  Counts counts;
  const bool ended = Stream(x, sendEveryMs, &counts);
  x.xclose();
  if (!ended) {
    Say("no sentinel after " + std::to_string(counts.inputs) + " inputs");
    return 1;
  }
  Say("inputs=" + std::to_string(counts.inputs) + " wheel=" + std::to_string(counts.wheel) +
      " polled=" + std::to_string(counts.polled) + " checks=" + std::to_string(counts.checks));
  return 0;
}
