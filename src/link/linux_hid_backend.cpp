// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "linux_hid_backend.h"

#include <QFileInfo>
#include <QSocketNotifier>

#include <hidapi/hidapi.h>
#include <libudev.h>

#include <cerrno>
#include <fstream>
#include <iterator>
#include <set>
#include <vector>

#include "hid_report_descriptor.h"

namespace dmm {

namespace {

// Text from hidapi (wide characters of 32 bits here) as UTF-16.
std::u16string toUtf16(const wchar_t* text) {
    std::u16string out;
    if (!text) return out;
    for (; *text; ++text) {
        const auto c = static_cast<char32_t>(*text);
        if (c >= 0x10000 && c <= 0x10FFFF) {
            out.push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(c));
        }
    }
    return out;
}

std::string nodeName(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The report descriptor the kernel keeps for a hidraw node; empty when it cannot be read.
std::vector<std::uint8_t> reportDescriptor(const std::string& path) {
    std::ifstream in("/sys/class/hidraw/" + nodeName(path) + "/device/report_descriptor",
                     std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

HidError errorOf(int code) {
    if (code == 0) code = EIO;
    return {static_cast<std::uint32_t>(code), hidErrorText(static_cast<std::uint32_t>(code))};
}

constexpr std::size_t kStringChars = 256;

class LinuxHidConnection : public HidConnection {
public:
    // `device` is null for a connection that only answers from the listing.
    LinuxHidConnection(hid_device* device, const std::string& path,
                       const LinuxHidBackend::Listing& listing)
        : device_(device), listing_(listing) {
        const std::vector<std::uint8_t> descriptor = reportDescriptor(path);
        layout_ = readReportLayout(descriptor.data(), descriptor.size());
    }
    ~LinuxHidConnection() override {
        if (device_) hid_close(device_);
    }

    std::optional<HidAttributes> attributes() override {
        if (!device_) return listing_.attributes;
        const hid_device_info* info = hid_get_device_info(device_);
        if (!info) return std::nullopt;
        return HidAttributes{info->vendor_id, info->product_id, info->release_number};
    }

    int readInputReport(std::uint8_t* buffer, std::size_t size, int timeoutMs) override {
        if (!device_ || size < 2) return fail(EBADF);
        errno = 0;
        const int n = readReportIdFirst(layout_.numbered, buffer, size,
                                        [this, timeoutMs](std::uint8_t* into, std::size_t count) {
                                            return hid_read_timeout(device_, into, count,
                                                                    timeoutMs);
                                        });
        if (n < 0) return fail(errno != 0 ? errno : ENODEV);
        return n;
    }

    bool sendFeatureReport(const std::uint8_t* report, std::size_t size) override {
        if (!device_) {
            fail(EBADF);
            return false;
        }
        errno = 0;
        if (hid_send_feature_report(device_, report, size) >= 0) return true;
        fail(errno);
        return false;
    }

    std::optional<std::u16string> productString() override {
        if (!device_) return nonEmpty(listing_.product);
        return readString(&hid_get_product_string);
    }
    std::optional<std::u16string> serialString() override {
        if (!device_) return nonEmpty(listing_.serial);
        return readString(&hid_get_serial_number_string);
    }
    // hidraw has no way to ask a device for string descriptor 0.
    bool readStringDescriptor0(std::uint16_t*, std::size_t) override { return false; }
    std::size_t inputReportLength() override { return layout_.inputReportLength; }
    HidError lastError() const override { return lastError_; }

private:
    int fail(int code) {
        lastError_ = errorOf(code);
        return -1;
    }
    static std::optional<std::u16string> nonEmpty(const std::u16string& s) {
        if (s.empty()) return std::nullopt;
        return s;
    }
    std::optional<std::u16string> readString(int (*get)(hid_device*, wchar_t*, size_t)) {
        wchar_t text[kStringChars] = {};
        if (get(device_, text, kStringChars) < 0) return std::nullopt;
        return nonEmpty(toUtf16(text));
    }

    hid_device* device_;
    LinuxHidBackend::Listing listing_;
    HidReportLayout layout_;
    HidError lastError_;
};

}  // namespace

int readReportIdFirst(bool numbered, std::uint8_t* buffer, std::size_t size,
                      const std::function<int(std::uint8_t*, std::size_t)>& read) {
    if (size < 2) return -1;
    const std::size_t skip = numbered ? 0 : 1;
    const int n = read(buffer + skip, size - skip);
    if (n <= 0) return n < 0 ? -1 : 0;
    if (skip) buffer[0] = 0;
    return n + static_cast<int>(skip);
}

LinuxHidBackend::LinuxHidBackend(QObject* parent) : HidBackend(parent) {
    available_ = hid_init() == 0;
    udev_ = udev_new();
}

LinuxHidBackend::~LinuxHidBackend() {
    notifier_.reset();
    if (monitor_) udev_monitor_unref(monitor_);
    if (udev_) udev_unref(udev_);
}

std::vector<HidInterfaceInfo> LinuxHidBackend::attachedInterfaces() {
    std::vector<HidInterfaceInfo> found;
    if (!available_) return found;
    std::map<std::string, Listing> listing;
    std::set<std::string> seen;
    hid_device_info* all = hid_enumerate(0, 0);
    for (const hid_device_info* d = all; d; d = d->next) {
        const std::string path = d->path ? d->path : "";
        // hidapi lists a node once per top-level collection; the program lists interfaces.
        if (path.empty() || !seen.insert(path).second) continue;
        std::string identity = path;
        if (udev_) {
            if (udev_device* node = udev_device_new_from_subsystem_sysname(
                    udev_, "hidraw", nodeName(path).c_str())) {
                if (const char* sys = udev_device_get_syspath(node)) identity = sys;
                udev_device_unref(node);
            }
        }
        listing[path] = Listing{{d->vendor_id, d->product_id, d->release_number},
                                toUtf16(d->product_string), toUtf16(d->serial_number)};
        found.push_back({identity, path});
    }
    hid_free_enumeration(all);
    std::lock_guard lock(listingMutex_);
    listing_ = std::move(listing);
    return found;
}

std::unique_ptr<HidConnection> LinuxHidBackend::open(const std::string& path, HidAccess access,
                                                     HidError* error) {
    Listing listing;
    {
        std::lock_guard lock(listingMutex_);
        const auto it = listing_.find(path);
        if (it != listing_.end()) {
            listing = it->second;
        } else if (access == HidAccess::QueryOnly) {
            if (error) *error = errorOf(ENOENT);
            return nullptr;
        }
    }
    hid_device* device = nullptr;
    if (access == HidAccess::ReadWrite) {
        errno = 0;
        device = hid_open_path(path.c_str());
        if (!device) {
            // hidapi keeps no code of its own: the open's errno, or whether the node is there.
            int code = errno;
            if (code == 0) code = QFileInfo::exists(QString::fromStdString(path)) ? EACCES : ENOENT;
            if (error) *error = errorOf(code);
            return nullptr;
        }
    }
    return std::make_unique<LinuxHidConnection>(device, path, listing);
}

bool LinuxHidBackend::watchChanges(QString* why) {
    if (monitor_) return true;
    auto refuse = [why](const QString& reason) {
        if (why) *why = reason;
        return false;
    };
    if (!available_) return refuse(QStringLiteral("no HID support"));
    if (!udev_) return refuse(QStringLiteral("no udev library context"));
    // Without the udev daemon no event ever comes: say so instead of waiting in vain.
    if (!QFileInfo::exists(QStringLiteral("/run/udev/control"))) {
        return refuse(QStringLiteral("no udev daemon is running"));
    }
    monitor_ = udev_monitor_new_from_netlink(udev_, "udev");
    if (!monitor_ ||
        udev_monitor_filter_add_match_subsystem_devtype(monitor_, "hidraw", nullptr) < 0 ||
        udev_monitor_enable_receiving(monitor_) < 0) {
        if (monitor_) udev_monitor_unref(monitor_);
        monitor_ = nullptr;
        return refuse(QStringLiteral("the udev monitor cannot be opened"));
    }
    notifier_ = std::make_unique<QSocketNotifier>(udev_monitor_get_fd(monitor_),
                                                  QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, [this] { drainMonitor(); });
    return true;
}

void LinuxHidBackend::drainMonitor() {
    bool any = false;
    while (udev_device* d = udev_monitor_receive_device(monitor_)) {
        udev_device_unref(d);
        any = true;
    }
    if (any) emit deviceNodesChanged();
}

}  // namespace dmm
