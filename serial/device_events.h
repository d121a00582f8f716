#pragma once
// Tells when the machine's serial devices change: an adapter plugged in or pulled out. Each
// platform has its own notification (the kernel's device events through libudev on Linux,
// WM_DEVICECHANGE on Windows); the build picks the source, so its users hold no platform code.
#include <functional>
#include <memory>
#include <string>

class TDeviceEvents {
 public:
  enum class Change { Added, Removed };
  // Runs on the main thread; `device` is the system's name for it (/dev/ttyUSB0, a device path).
  using Handler = std::function<void(Change change, const std::string& device)>;

  TDeviceEvents() = default;
  virtual ~TDeviceEvents() = default;
  TDeviceEvents(const TDeviceEvents&) = delete;
  TDeviceEvents& operator=(const TDeviceEvents&) = delete;

  void setHandler(Handler handler) { handler_ = std::move(handler); }

  // The platform's source. Where the system offers none, or refuses it (no udev in a
  // container), one that never reports: the ports are then found again at the next read.
  static std::unique_ptr<TDeviceEvents> forThisMachine();

 protected:
  void report(Change change, const std::string& device) {
    if (handler_) handler_(change, device);
  }

 private:
  Handler handler_;
};
