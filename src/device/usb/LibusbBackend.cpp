#include "device/usb/LibusbBackend.h"

#include <libusb.h>

#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <iterator>

namespace korvex::usb {

namespace {

UsbError fromLibusb(int rc) {
    switch (rc) {
        case LIBUSB_SUCCESS:
            return UsbError::Ok;
        case LIBUSB_ERROR_IO:
            return UsbError::Io;
        case LIBUSB_ERROR_INVALID_PARAM:
            return UsbError::InvalidParam;
        case LIBUSB_ERROR_ACCESS:
            return UsbError::Access;
        case LIBUSB_ERROR_NO_DEVICE:
            return UsbError::NoDevice;
        case LIBUSB_ERROR_NOT_FOUND:
            return UsbError::NotFound;
        case LIBUSB_ERROR_BUSY:
            return UsbError::Busy;
        case LIBUSB_ERROR_TIMEOUT:
            return UsbError::Timeout;
        case LIBUSB_ERROR_OVERFLOW:
            return UsbError::Overflow;
        case LIBUSB_ERROR_PIPE:
            return UsbError::Pipe;
        case LIBUSB_ERROR_INTERRUPTED:
            return UsbError::Interrupted;
        case LIBUSB_ERROR_NO_MEM:
            return UsbError::NoMem;
        case LIBUSB_ERROR_NOT_SUPPORTED:
            return UsbError::NotSupported;
        default:
            return rc >= 0 ? UsbError::Ok : UsbError::Other;
    }
}

}  // namespace

// Owns the libusb context. Devices and handles share it, so a record that
// outlives the backend (a copy held by an observer) never touches a context
// that has already been torn down.
struct LibusbBackend::Context {
    libusb_context* ctx = nullptr;
    ~Context() {
        if (ctx) libusb_exit(ctx);
    }
};

namespace {

using ContextPtr = std::shared_ptr<LibusbBackend::Context>;

class LibusbDevice final : public UsbDevice {
  public:
    LibusbDevice(libusb_device* dev, ContextPtr ctx)
        : ctx_(std::move(ctx)), dev_(libusb_ref_device(dev)) {}
    ~LibusbDevice() override { libusb_unref_device(dev_); }
    LibusbDevice(const LibusbDevice&) = delete;
    LibusbDevice& operator=(const LibusbDevice&) = delete;
    // The reference held keeps the pointer from being reused.
    std::uint64_t key() const override { return reinterpret_cast<std::uintptr_t>(dev_); }
    libusb_device* get() const { return dev_; }

  private:
    ContextPtr ctx_;
    libusb_device* dev_;
};

// Closes itself when dropped without UsbBackend::close.
class LibusbHandle final : public UsbHandle {
  public:
    LibusbHandle(libusb_device_handle* h, ContextPtr ctx) : ctx_(std::move(ctx)), h_(h) {}
    ~LibusbHandle() override { libusb_close(h_); }
    LibusbHandle(const LibusbHandle&) = delete;
    LibusbHandle& operator=(const LibusbHandle&) = delete;
    libusb_device_handle* get() const { return h_; }

  private:
    ContextPtr ctx_;
    libusb_device_handle* h_;
};

libusb_device* raw(const UsbDevice& dev) {
    return static_cast<const LibusbDevice&>(dev).get();
}
libusb_device_handle* raw(UsbHandle& h) {
    return static_cast<LibusbHandle&>(h).get();
}

bool safeRelative(const std::string& path) {
    return path.find("..") == std::string::npos;
}

}  // namespace

struct LibusbBackend::Registration {
    HotplugCallback callback;
    ContextPtr ctx;
    libusb_hotplug_callback_handle handle = 0;

    static int LIBUSB_CALL onEvent(libusb_context*, libusb_device* dev, libusb_hotplug_event event,
                                   void* self) {
        auto* r = static_cast<Registration*>(self);
        r->callback(std::make_shared<LibusbDevice>(dev, r->ctx),
                    event == LIBUSB_HOTPLUG_EVENT_DEVICE_ARRIVED);
        return 0;  // stay registered
    }
};

LibusbBackend::LibusbBackend(std::string sysfsRoot) : sysfsRoot_(std::move(sysfsRoot)) {}

LibusbBackend::~LibusbBackend() {
    deregisterHotplug();
}

UsbError LibusbBackend::init() {
    std::lock_guard lock(initMutex_);
    if (context_) return UsbError::Ok;
    auto context = std::make_shared<Context>();
    const int rc = libusb_init(&context->ctx);
    if (rc != LIBUSB_SUCCESS) {
        context->ctx = nullptr;
        return fromLibusb(rc);
    }
    context_ = std::move(context);
    ctx_ = context_->ctx;
    return UsbError::Ok;
}

namespace {

std::optional<std::vector<UsbDevicePtr>> listOf(const ContextPtr& context) {
    libusb_device** list = nullptr;
    const ssize_t n = libusb_get_device_list(context->ctx, &list);
    if (n < 0) return std::nullopt;
    std::vector<UsbDevicePtr> out;
    for (ssize_t i = 0; i < n; ++i) out.push_back(std::make_shared<LibusbDevice>(list[i], context));
    if (list) libusb_free_device_list(list, 1);
    return out;
}

}  // namespace

std::optional<std::vector<UsbDevicePtr>> LibusbBackend::getDeviceList() {
    if (!ctx_) return std::nullopt;
    return listOf(context_);
}

std::optional<std::vector<UsbDevicePtr>> LibusbBackend::getFreshDeviceList() {
    // A new context enumerates the kernel's devices when it starts.
    auto context = std::make_shared<Context>();
    if (libusb_init(&context->ctx) != LIBUSB_SUCCESS) {
        context->ctx = nullptr;
        return std::nullopt;
    }
    return listOf(context);
}

std::optional<UsbDeviceDescriptor> LibusbBackend::getDeviceDescriptor(const UsbDevice& dev) {
    libusb_device_descriptor d{};
    if (libusb_get_device_descriptor(raw(dev), &d) != LIBUSB_SUCCESS) return std::nullopt;
    return UsbDeviceDescriptor{d.idVendor, d.idProduct, d.iProduct};
}

std::optional<UsbConfigDescriptor> LibusbBackend::getActiveConfigDescriptor(const UsbDevice& dev) {
    libusb_config_descriptor* c = nullptr;
    if (libusb_get_active_config_descriptor(raw(dev), &c) != LIBUSB_SUCCESS || !c)
        return std::nullopt;
    UsbConfigDescriptor out;
    out.configurationValue = c->bConfigurationValue;
    for (int i = 0; i < c->bNumInterfaces; ++i) {
        const libusb_interface& itf = c->interface[i];
        if (itf.num_altsetting < 1) continue;
        const libusb_interface_descriptor& alt = itf.altsetting[0];
        UsbInterfaceDescriptor d;
        d.number = alt.bInterfaceNumber;
        d.interfaceClass = alt.bInterfaceClass;
        d.interfaceSubClass = alt.bInterfaceSubClass;
        d.interfaceProtocol = alt.bInterfaceProtocol;
        if (alt.extra && alt.extra_length > 0)
            d.extra.assign(alt.extra, alt.extra + alt.extra_length);
        out.interfaces.push_back(std::move(d));
    }
    libusb_free_config_descriptor(c);
    return out;
}

std::uint8_t LibusbBackend::getBusNumber(const UsbDevice& dev) {
    return libusb_get_bus_number(raw(dev));
}

std::uint8_t LibusbBackend::getDeviceAddress(const UsbDevice& dev) {
    return libusb_get_device_address(raw(dev));
}

std::vector<std::uint8_t> LibusbBackend::getPortNumbers(const UsbDevice& dev) {
    std::uint8_t ports[8] = {};
    const int n = libusb_get_port_numbers(raw(dev), ports, sizeof ports);
    if (n <= 0) return {};
    return std::vector<std::uint8_t>(ports, ports + n);
}

UsbError LibusbBackend::open(const UsbDevice& dev, std::unique_ptr<UsbHandle>& handle) {
    libusb_device_handle* h = nullptr;
    const int rc = libusb_open(raw(dev), &h);
    if (rc != LIBUSB_SUCCESS) return fromLibusb(rc);
    handle = std::make_unique<LibusbHandle>(h, context_);
    return UsbError::Ok;
}

void LibusbBackend::close(std::unique_ptr<UsbHandle> handle) {
    handle.reset();
}

UsbError LibusbBackend::setAutoDetachKernelDriver(UsbHandle& h, bool enable) {
    return fromLibusb(libusb_set_auto_detach_kernel_driver(raw(h), enable ? 1 : 0));
}

int LibusbBackend::kernelDriverActive(UsbHandle& h, int interfaceNumber) {
    return libusb_kernel_driver_active(raw(h), interfaceNumber);
}

UsbError LibusbBackend::claimInterface(UsbHandle& h, int interfaceNumber) {
    return fromLibusb(libusb_claim_interface(raw(h), interfaceNumber));
}

UsbError LibusbBackend::releaseInterface(UsbHandle& h, int interfaceNumber) {
    return fromLibusb(libusb_release_interface(raw(h), interfaceNumber));
}

ControlResult LibusbBackend::controlTransfer(UsbHandle& h, std::uint8_t requestType,
                                             std::uint8_t request, std::uint16_t value,
                                             std::uint16_t index, std::span<std::uint8_t> data,
                                             std::chrono::milliseconds timeout) {
    if (data.size() > 0xFFFF) return {UsbError::InvalidParam, 0};
    // libusb reads 0 as "wait for ever"; a transfer must always end.
    const auto ms = std::max<std::chrono::milliseconds::rep>(timeout.count(), 1);
    const int rc =
        libusb_control_transfer(raw(h), requestType, request, value, index, data.data(),
                                static_cast<std::uint16_t>(data.size()), static_cast<unsigned>(ms));
    if (rc < 0) return {fromLibusb(rc), 0};
    return {UsbError::Ok, static_cast<std::size_t>(rc)};
}

std::optional<std::string> LibusbBackend::getStringDescriptorAscii(UsbHandle& h,
                                                                   std::uint8_t index) {
    if (index == 0) return std::nullopt;
    unsigned char buf[256] = {};
    const int n = libusb_get_string_descriptor_ascii(raw(h), index, buf, sizeof buf);
    if (n < 0) return std::nullopt;
    return std::string(reinterpret_cast<const char*>(buf), static_cast<std::size_t>(n));
}

bool LibusbBackend::hasHotplug() {
    return libusb_has_capability(LIBUSB_CAP_HAS_HOTPLUG) != 0;
}

UsbError LibusbBackend::registerHotplug(std::uint16_t vendorId, std::uint16_t productId,
                                        HotplugCallback callback) {
    if (!ctx_) return UsbError::Other;
    auto reg = std::make_unique<Registration>();
    reg->callback = std::move(callback);
    reg->ctx = context_;
    const int rc = libusb_hotplug_register_callback(
        ctx_,
        static_cast<libusb_hotplug_event>(LIBUSB_HOTPLUG_EVENT_DEVICE_ARRIVED |
                                          LIBUSB_HOTPLUG_EVENT_DEVICE_LEFT),
        static_cast<libusb_hotplug_flag>(0), vendorId, productId, LIBUSB_HOTPLUG_MATCH_ANY,
        &Registration::onEvent, reg.get(), &reg->handle);
    if (rc != LIBUSB_SUCCESS) return fromLibusb(rc);
    hotplug_.push_back(std::move(reg));
    return UsbError::Ok;
}

void LibusbBackend::deregisterHotplug() {
    if (!ctx_) return;
    for (auto& reg : hotplug_) libusb_hotplug_deregister_callback(ctx_, reg->handle);
    hotplug_.clear();
}

UsbError LibusbBackend::handleEvents(std::chrono::milliseconds timeout) {
    if (!ctx_) return UsbError::Other;
    timeval tv{};
    tv.tv_sec = static_cast<time_t>(timeout.count() / 1000);
    tv.tv_usec = static_cast<suseconds_t>((timeout.count() % 1000) * 1000);
    return fromLibusb(libusb_handle_events_timeout_completed(ctx_, &tv, nullptr));
}

void LibusbBackend::interruptEvents() {
    if (ctx_) libusb_interrupt_event_handler(ctx_);
}

std::optional<std::vector<std::uint8_t>> LibusbBackend::readSysfs(const std::string& path) {
    if (!safeRelative(path)) return std::nullopt;
    std::ifstream in(sysfsRoot_ + path, std::ios::binary);
    if (!in) return std::nullopt;
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                    std::istreambuf_iterator<char>());
    if (in.bad()) return std::nullopt;
    return bytes;
}

std::optional<std::string> LibusbBackend::readSysfsLink(const std::string& path) {
    if (!safeRelative(path)) return std::nullopt;
    char target[4096];
    const ssize_t n = readlink((sysfsRoot_ + path).c_str(), target, sizeof target - 1);
    if (n < 0) return std::nullopt;
    const std::string full(target, static_cast<std::size_t>(n));
    const std::size_t slash = full.rfind('/');
    return slash == std::string::npos ? full : full.substr(slash + 1);
}

std::vector<std::string> LibusbBackend::listSysfs(const std::string& path) {
    std::vector<std::string> names;
    if (!safeRelative(path)) return names;
    DIR* dir = opendir((sysfsRoot_ + path).c_str());
    if (!dir) return names;
    while (const dirent* e = readdir(dir)) {
        const std::string name = e->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    closedir(dir);
    return names;
}

}  // namespace korvex::usb
