// Windows: WM_DEVICECHANGE for the COM port device interface, sent to a message-only window of
// this thread. The main thread's event loop dispatches it, so the handler runs there.
#include <windows.h>
// clang-format off
#include <dbt.h>
// clang-format on

#include <string>

#include "device_events.h"

namespace {

// GUID_DEVINTERFACE_COMPORT: every serial port's device interface, USB adapters included.
constexpr GUID kComPortInterface = {0x86E0D1E0, 0x8089, 0x11D0, {0x9C, 0xE4, 0x08, 0x00, 0x3E, 0x30, 0x1F, 0x73}};
constexpr wchar_t kWindowClass[] = L"KelvoxDeviceEvents";

class TWin32DeviceEvents : public TDeviceEvents {
 public:
  TWin32DeviceEvents() {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = &TWin32DeviceEvents::windowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kWindowClass;
    RegisterClassW(&windowClass);  // fails harmlessly when a second source registers it again
    window_ = CreateWindowExW(0, kWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                              windowClass.hInstance, nullptr);
    if (!window_) return;
    SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    DEV_BROADCAST_DEVICEINTERFACE_W filter{};
    filter.dbcc_size = sizeof filter;
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    filter.dbcc_classguid = kComPortInterface;
    notification_ = RegisterDeviceNotificationW(window_, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
  }
  ~TWin32DeviceEvents() override {
    if (notification_) UnregisterDeviceNotification(notification_);
    if (window_) DestroyWindow(window_);
  }

 private:
  static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<TWin32DeviceEvents*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self && message == WM_DEVICECHANGE && (wParam == DBT_DEVICEARRIVAL || wParam == DBT_DEVICEREMOVECOMPLETE))
      self->deviceChanged(wParam == DBT_DEVICEARRIVAL, reinterpret_cast<const DEV_BROADCAST_HDR*>(lParam));
    return DefWindowProcW(window, message, wParam, lParam);
  }

  void deviceChanged(bool arrived, const DEV_BROADCAST_HDR* header) {
    if (!header || header->dbch_devicetype != DBT_DEVTYP_DEVICEINTERFACE) return;
    const auto* device = reinterpret_cast<const DEV_BROADCAST_DEVICEINTERFACE_W*>(header);
    std::string name;
    for (const wchar_t* c = device->dbcc_name; *c; ++c) name += *c < 0x80 ? static_cast<char>(*c) : '?';
    report(arrived ? Change::Added : Change::Removed, name);
  }

  HWND window_ = nullptr;
  HDEVNOTIFY notification_ = nullptr;
};

}  // namespace

std::unique_ptr<TDeviceEvents> TDeviceEvents::forThisMachine() { return std::make_unique<TWin32DeviceEvents>(); }
