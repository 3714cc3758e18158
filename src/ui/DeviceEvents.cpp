#include "ui/DeviceEvents.h"

#include <QVariantMap>

#include "device/WireLog.h"
#include "ui/NotificationCenter.h"

namespace korvex {

QVariant deviceNotificationObject(const KeyboardRef& device) {
    return QVariantMap{{QStringLiteral("device"), QVariant::fromValue(device)}};
}

KeyboardRef deviceFromNotification(const QVariant& object) {
    if (object.typeId() != QMetaType::QVariantMap) return nullptr;
    const QVariant device = object.toMap().value(QStringLiteral("device"));
    if (!device.canConvert<KeyboardRef>()) return nullptr;
    return device.value<KeyboardRef>();
}

namespace {

// The simulated keyboard outlives its handles: a re-plug is a new handle for
// the same keyboard, as with real hardware.
class SimulatedHandle final : public KeyboardHandle {
  public:
    explicit SimulatedHandle(std::shared_ptr<SimulatedKeyboard> keyboard)
        : keyboard_(std::move(keyboard)) {}
    bool same(const KeyboardHandle& other) const override { return &other == this; }
    std::string name() const override { return "Korvex"; }
    bool simulated() const override { return true; }
    OpenedLink open() override {
        // A thin forwarder, so the link can be dropped at detach while the
        // keyboard (and its state) stays for the next plug.
        struct Forward final : HidLink {
            std::shared_ptr<SimulatedKeyboard> kb;
            bool setFeatureReport(std::span<const std::uint8_t> d) override {
                return kb->setFeatureReport(d);
            }
            bool getFeatureReport(std::span<std::uint8_t> b, std::size_t& n) override {
                return kb->getFeatureReport(b, n);
            }
            bool gone() const override { return kb->gone(); }
        };
        auto link = std::make_unique<Forward>();
        link->kb = keyboard_;
        OpenedLink opened;
        opened.link = std::move(link);
        opened.error = LinkOpenError::None;
        return opened;
    }

  private:
    std::shared_ptr<SimulatedKeyboard> keyboard_;
};

}  // namespace

SimulatedMonitor::SimulatedMonitor() : keyboard_(std::make_shared<SimulatedKeyboard>()) {}

SimulatedMonitor::~SimulatedMonitor() {
    if (thread_.joinable()) thread_.join();
}

void SimulatedMonitor::start() {
    if (thread_.joinable()) return;
    // Arrivals come from the monitor's own thread, as with USB.
    thread_ = std::thread([this] { plug(); });
}

void SimulatedMonitor::plug() {
    KeyboardRef handle;
    {
        std::lock_guard lock(mutex_);
        if (handle_) return;
        handle_ = handle = std::make_shared<SimulatedHandle>(keyboard_);
    }
    keyboard_->reconnect();
    NotificationCenter::defaultCenter().post(notification::kHIDDeviceConnected,
                                             deviceNotificationObject(handle));
}

void SimulatedMonitor::unplug() {
    KeyboardRef handle;
    {
        std::lock_guard lock(mutex_);
        handle.swap(handle_);
    }
    if (!handle) return;
    NotificationCenter::defaultCenter().post(notification::kHIDDeviceDisconnected,
                                             deviceNotificationObject(handle));
}

bool SimulatedMonitor::plugged() const {
    std::lock_guard lock(mutex_);
    return handle_ != nullptr;
}

KeyboardRef SimulatedMonitor::currentHandle() const {
    std::lock_guard lock(mutex_);
    return handle_;
}

LinkSlot::~LinkSlot() {
    clear();
}

bool LinkSlot::set(std::unique_ptr<HidLink> link, const std::string& wireLogPath,
                   std::string* error) {
    std::lock_guard lock(mutex_);
    logged_.reset();
    raw_ = std::move(link);
    if (!raw_ || wireLogPath.empty()) return true;
    auto log = std::make_unique<WireLog>(*raw_, wireLogPath);
    if (!log->isOpen()) {
        if (error) *error = log->error();
        return false;
    }
    logged_ = std::move(log);
    return true;
}

void LinkSlot::clear() {
    std::lock_guard lock(mutex_);
    logged_.reset();  // before the link it writes through
    raw_.reset();
}

std::function<void()> LinkSlot::retire() {
    struct Retired {
        std::unique_ptr<HidLink> raw, logged;
        ~Retired() { logged.reset(); }  // before the link it writes through
    };
    auto retired = std::make_shared<Retired>();
    {
        std::lock_guard lock(mutex_);
        retired->raw = std::move(raw_);
        retired->logged = std::move(logged_);
    }
    return [retired]() mutable { retired.reset(); };
}

HidLink* LinkSlot::link() const {
    std::lock_guard lock(mutex_);
    return logged_ ? logged_.get() : raw_.get();
}

void LinkSlot::batchStarting() {
    std::lock_guard lock(mutex_);
    if (auto* listener = dynamic_cast<LinkActivityListener*>(raw_.get())) listener->batchStarting();
}

void LinkSlot::queueIdle() {
    std::lock_guard lock(mutex_);
    if (auto* listener = dynamic_cast<LinkActivityListener*>(raw_.get())) listener->queueIdle();
}

}  // namespace korvex
