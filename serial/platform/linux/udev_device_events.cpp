// Linux: the kernel's device events for the tty subsystem, as udev passes them on once its
// rules have run (so the device node exists with its final permissions).
#include <libudev.h>

#include <QSocketNotifier>
#include <cstring>

#include "device_events.h"

namespace {

class TUdevDeviceEvents : public TDeviceEvents {
 public:
  TUdevDeviceEvents() {
    udev_ = udev_new();
    if (!udev_) return;
    monitor_ = udev_monitor_new_from_netlink(udev_, "udev");
    if (!monitor_ || udev_monitor_filter_add_match_subsystem_devtype(monitor_, "tty", nullptr) < 0 ||
        udev_monitor_enable_receiving(monitor_) < 0)
      return;
    // The monitor's socket does not block: receive() takes what is there and returns.
    notifier_ = std::make_unique<QSocketNotifier>(udev_monitor_get_fd(monitor_), QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { receive(); });
  }
  ~TUdevDeviceEvents() override {
    notifier_.reset();
    if (monitor_) udev_monitor_unref(monitor_);
    if (udev_) udev_unref(udev_);
  }

 private:
  void receive() {
    while (udev_device* device = udev_monitor_receive_device(monitor_)) {
      const char* action = udev_device_get_action(device);
      const char* node = udev_device_get_devnode(device);
      if (action && node) {
        if (std::strcmp(action, "add") == 0) report(Change::Added, node);
        if (std::strcmp(action, "remove") == 0) report(Change::Removed, node);
      }
      udev_device_unref(device);
    }
  }

  udev* udev_ = nullptr;
  udev_monitor* monitor_ = nullptr;
  std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace

std::unique_ptr<TDeviceEvents> TDeviceEvents::forThisMachine() { return std::make_unique<TUdevDeviceEvents>(); }
