#include "dialog_host.h"

#include "resource.h"

namespace tarvex::win32 {
namespace {

void CentreOnScreen(HWND window) {
  RECT r;
  GetWindowRect(window, &r);
  const int x = (GetSystemMetrics(SM_CXSCREEN) - (r.right - r.left)) / 2;
  const int y = (GetSystemMetrics(SM_CYSCREEN) - (r.bottom - r.top)) / 2;
  SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

}  // namespace

DialogHost::DialogHost(HINSTANCE instance, LibraryBinding &binding, MonitorState &state,
                       std::ostream &out)
    : instance_(instance),
      surface_(instance, rfLowLabel_, rfOkLabel_),
      library_(binding),
      dialog_(surface_, library_, state, out) {}

INT_PTR DialogHost::RunModal() {
  return DialogBoxParamW(instance_, MAKEINTRESOURCEW(IDD_TARVEX_DIALOG), nullptr, Proc,
                         reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK DialogHost::Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) SetWindowLongPtrW(window, DWLP_USER, lParam);
  auto *host = reinterpret_cast<DialogHost *>(GetWindowLongPtrW(window, DWLP_USER));
  return host ? host->Handle(window, message, wParam, lParam) : FALSE;
}

// A handled message's own result goes through DWLP_MSGRESULT.
INT_PTR DialogHost::Result(HWND window, LRESULT result) {
  SetWindowLongPtrW(window, DWLP_MSGRESULT, result);
  return TRUE;
}

INT_PTR DialogHost::Handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (surface_.RunningDefault()) return FALSE;
  // The window shows every input before anything else is handled.
  if (message != WM_DEVICE_INPUT) dialog_.FinishRefresh();
  switch (message) {
    case WM_INITDIALOG:
      OnInitDialog(window);
      return TRUE;  // default focus
    case WM_SYSCOMMAND:
      return dialog_.OnSysCommand(static_cast<uint32_t>(wParam)) ? TRUE : FALSE;
    case WM_PAINT:
      return PaintMinimised(window) ? TRUE : FALSE;
    case WM_QUERYDRAGICON:
      return reinterpret_cast<INT_PTR>(Icon());
    case WM_DEVICE_INPUT: {
      const intptr_t result = dialog_.OnDeviceInput(wParam, lParam);
      // A posted message's result goes nowhere; storing it would cost a
      // request to the window server on every input message under Wine.
      return InSendMessage() ? Result(window, result) : TRUE;
    }
    case WM_SHOW_INPUT:
      dialog_.OnShowInput();
      return TRUE;
    case WM_DEVICE_CHECK:
      return Result(window, dialog_.OnDeviceCheck(wParam, lParam));
    case WM_TIMER:
      if (wParam == kShowTimerId) {
        dialog_.OnShowTimer();
        return TRUE;
      }
      dialog_.OnTimer(wParam);
      return FALSE;
    case WM_DESTROY:
      dialog_.OnDestroy();  // runs the default processing itself, first
      return TRUE;
    case WM_CTLCOLORSTATIC:
      if (StatusLabel *label = surface_.LabelOf(reinterpret_cast<HWND>(lParam))) {
        return reinterpret_cast<INT_PTR>(
            label->OnCtlColor(reinterpret_cast<HDC>(wParam), CTLCOLOR_STATIC));
      }
      return FALSE;
    case WM_COMMAND:
      return OnCommand(window, LOWORD(wParam), HIWORD(wParam)) ? TRUE : FALSE;
    default:
      return FALSE;
  }
}

void DialogHost::OnInitDialog(HWND window) {
  surface_.Attach(window);
  dialog_.OnInitDialog();
  CentreOnScreen(window);
}

bool DialogHost::OnCommand(HWND window, WORD id, WORD notification) {
  if (notification == EN_CHANGE) {
    surface_.ControlChanged(id);
    return false;
  }
  switch (id) {
    case IDOK:
      if (dialog_.OnOk()) EndDialog(window, IDOK);
      return true;
    case IDCANCEL:
      EndDialog(window, IDCANCEL);
      return true;
    case IDC_DOWNLOAD:
      dialog_.OnDownload();
      return true;
    case IDC_REPAIR:
      dialog_.OnRepair();
      return true;
    case IDC_CLEAR:
      dialog_.OnClear();
      return true;
    case IDC_INFO_CHECK:
      dialog_.OnInfoCheck();
      return true;
    default:
      return false;
  }
}

// While minimised the window shows its icon, centred in the client area.
bool DialogHost::PaintMinimised(HWND window) {
  if (!IsIconic(window)) return false;
  PAINTSTRUCT paint;
  const HDC dc = BeginPaint(window, &paint);
  SendMessageW(window, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  RECT client;
  GetClientRect(window, &client);
  const int x = (client.right - client.left - GetSystemMetrics(SM_CXICON) + 1) / 2;
  const int y = (client.bottom - client.top - GetSystemMetrics(SM_CYICON) + 1) / 2;
  DrawIcon(dc, x, y, Icon());
  EndPaint(window, &paint);
  return true;
}

}  // namespace tarvex::win32
