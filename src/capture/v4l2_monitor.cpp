#include "capture/v4l2_monitor.h"

#include "platform/trace.h"

#include <QSocketNotifier>
#include <QTimer>
#include <libudev.h>

namespace {

// A camera's nodes come and go together, and a new node is usable only once udev has set its
// rights: one rebuild a little after the last event.
constexpr int Settle_Ms = 300;

class Udev_Monitor final : public Device_Monitor {
public:
  Udev_Monitor(udev* context, udev_monitor* monitor) : udev_(context), monitor_(monitor) {
    settle_.setSingleShot(true);
    settle_.setInterval(Settle_Ms);
    QObject::connect(&settle_, &QTimer::timeout, [this] {
      if (changed_) changed_();
    });
    notifier_ = std::make_unique<QSocketNotifier>(udev_monitor_get_fd(monitor_), QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { Read(); });
  }
  ~Udev_Monitor() override {
    notifier_.reset();
    udev_monitor_unref(monitor_);
    udev_unref(udev_);
  }
  Udev_Monitor(const Udev_Monitor&) = delete;
  Udev_Monitor& operator=(const Udev_Monitor&) = delete;
  void set_Handler(std::function<void()> changed) override { changed_ = std::move(changed); }

private:
  void Read() {
    // Everything waiting, so the descriptor does not stay readable.
    while (udev_device* d = udev_monitor_receive_device(monitor_)) {
      const char* action = udev_device_get_action(d);
      const char* node = udev_device_get_devnode(d);
      Trace_Message(QStringLiteral("*Video device event"), QString::fromLatin1(action ? action : "?"),
                    QString::fromLocal8Bit(node ? node : "?"));
      udev_device_unref(d);
      settle_.start();
    }
  }

  udev* udev_;
  udev_monitor* monitor_;
  std::unique_ptr<QSocketNotifier> notifier_;
  QTimer settle_;
  std::function<void()> changed_;
};

} // namespace

std::unique_ptr<Device_Monitor> Make_Udev_Monitor() {
  udev* context = udev_new();
  if (!context) {
    Trace_Message(QStringLiteral("*Video device events: no udev"));
    return nullptr;
  }
  udev_monitor* monitor = udev_monitor_new_from_netlink(context, "udev");
  if (!monitor || udev_monitor_filter_add_match_subsystem_devtype(monitor, "video4linux", nullptr) < 0 ||
      udev_monitor_enable_receiving(monitor) < 0) {
    Trace_Message(QStringLiteral("*Video device events: the udev monitor does not start"));
    if (monitor) udev_monitor_unref(monitor);
    udev_unref(context);
    return nullptr;
  }
  return std::make_unique<Udev_Monitor>(context, monitor);
}
