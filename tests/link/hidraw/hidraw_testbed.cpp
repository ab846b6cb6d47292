// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "hidraw_testbed.h"

#include <fcntl.h>
#include <linux/hidraw.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#include <umockdev.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <stdexcept>

namespace dmm::test {

namespace {

struct GFreeDeleter {
    void operator()(gchar* text) const { g_free(text); }
};
using GText = std::unique_ptr<gchar, GFreeDeleter>;

void check(gboolean ok, GError* error, const std::string& what) {
    if (ok) return;
    const std::string why = error ? error->message : "no reason given";
    if (error) g_error_free(error);
    throw std::runtime_error(what + ": " + why);
}

std::string rootDir(UMockdevTestbed* testbed) {
    return GText(umockdev_testbed_get_root_dir(testbed)).get();
}

// The ioctl's argument, `size` bytes of the caller's memory; written back when answered.
UMockdevIoctlData* argument(UMockdevIoctlClient* client, std::size_t size) {
    GError* error = nullptr;
    UMockdevIoctlData* data =
        umockdev_ioctl_data_resolve(umockdev_ioctl_client_get_arg(client), 0, size, &error);
    if (error) g_error_free(error);
    return data;
}

}  // namespace

HidrawTestbed::HidrawTestbed() {
    // umockdev_in_mock_environment() of umockdev 0.17 says no even under the wrapper: the
    // preload is looked for directly.
    const char* preload = std::getenv("LD_PRELOAD");
    if (!preload || !std::strstr(preload, "libumockdev-preload")) {
        throw std::runtime_error("umockdev's library is not preloaded: run under umockdev-wrapper");
    }
    testbed_ = umockdev_testbed_new();
}

HidrawTestbed::~HidrawTestbed() {
    for (auto& [path, handler] : handlers_) {
        umockdev_testbed_detach_ioctl(testbed_, path.c_str(), nullptr);
        g_object_unref(handler);
    }
    g_object_unref(testbed_);
}

void HidrawTestbed::plug(const EmulatedHidDevice& device) {
    GError* error = nullptr;
    check(umockdev_testbed_add_from_string(testbed_, deviceDescription(device).c_str(), &error),
          error, "cannot add " + device.node);

    // umockdev 0.17 does not wrap fstat(): an opened node shows the numbers of the
    // pseudo-terminal behind it, and the HID library looks the device up in sysfs by them. The
    // node's sysfs entries take the pseudo-terminal's numbers before anything opens it.
    const std::string root = rootDir(testbed_);
    char pty[256] = {};
    struct stat st {};
    if (::readlink((root + "/dev/" + device.node).c_str(), pty, sizeof pty - 1) <= 0 ||
        ::stat(pty, &st) != 0) {
        throw std::runtime_error("no pseudo-terminal behind " + device.node);
    }
    const std::string majorText = std::to_string(major(st.st_rdev));
    const std::string minorText = std::to_string(minor(st.st_rdev));
    const std::string numbers = majorText + ":" + minorText;
    const std::string sysfs = device.nodeSysfsPath();
    umockdev_testbed_set_attribute(testbed_, sysfs.c_str(), "dev", numbers.c_str());
    umockdev_testbed_set_property(testbed_, sysfs.c_str(), "MAJOR", majorText.c_str());
    umockdev_testbed_set_property(testbed_, sysfs.c_str(), "MINOR", minorText.c_str());
    const std::string link = root + "/sys/dev/char/" + numbers;
    if (::symlink(("../.." + sysfs.substr(4)).c_str(), link.c_str()) != 0) {
        throw std::runtime_error("cannot link " + link + ": " + std::strerror(errno));
    }

    // The node's other side stays with this process: a program it starts must not hold it
    // open, or the node could not hang up.
    ::fcntl(masterOf(device), F_SETFD, FD_CLOEXEC);

    {
        std::lock_guard lock(mutex_);
        descriptors_[device.devicePath()] = reportDescriptor(device);
    }
    UMockdevIoctlBase* handler = umockdev_ioctl_base_new();
    g_signal_connect(handler, "handle-ioctl", G_CALLBACK(&HidrawTestbed::onIoctl), this);
    check(umockdev_testbed_attach_ioctl(testbed_, device.devicePath().c_str(), handler, &error),
          error, "cannot answer the ioctls of " + device.node);
    handlers_[device.devicePath()] = handler;
}

void HidrawTestbed::unplug(const EmulatedHidDevice& device) {
    // umockdev removes a device only after its children, and announces nothing itself: each
    // removal is announced first, children first, as the kernel does.
    const std::string hid = device.hidSysfsPath();
    const std::string interface = hid.substr(0, hid.rfind('/'));
    const std::string usb = interface.substr(0, interface.rfind('/'));
    for (const std::string& path : {device.nodeSysfsPath(), hid, interface, usb}) {
        umockdev_testbed_uevent(testbed_, path.c_str(), "remove");
        umockdev_testbed_remove_device(testbed_, path.c_str());
    }
}

void HidrawTestbed::breakNode(const EmulatedHidDevice& device) {
    ::unlink((rootDir(testbed_) + "/dev/" + device.node).c_str());
    // The pseudo-terminal's master side goes, so its reader hangs up; the testbed's descriptor
    // stays valid (it refers to /dev/null now) for the testbed to close.
    const int null = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    ::dup2(null, masterOf(device));
    ::close(null);
}

void HidrawTestbed::sendReports(const EmulatedHidDevice& device,
                                const std::vector<Bytes>& reports) {
    // The node is a byte stream, not one report per read: whole reports are written, and a
    // reader that asks for one report's length gets one report.
    const int master = masterOf(device);
    for (const Bytes& report : reports) {
        std::size_t done = 0;
        while (done < report.size()) {
            const ssize_t n = ::write(master, report.data() + done, report.size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) throw std::runtime_error("cannot write to " + device.node);
            done += static_cast<std::size_t>(n);
        }
    }
}

std::vector<HidrawTestbed::FeatureReport> HidrawTestbed::featureReports() const {
    std::lock_guard lock(mutex_);
    return featureReports_;
}

int HidrawTestbed::masterOf(const EmulatedHidDevice& device) const {
    const int fd = umockdev_testbed_get_dev_fd(testbed_, device.devicePath().c_str());
    if (fd < 0) throw std::runtime_error("no emulated node " + device.node);
    return fd;
}

int HidrawTestbed::onIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, void* self) {
    auto* bed = static_cast<HidrawTestbed*>(self);
    const unsigned long request = umockdev_ioctl_client_get_request(client);
    const std::string path = umockdev_ioctl_client_get_devnode(client);
    std::lock_guard lock(bed->mutex_);
    const Bytes& descriptor = bed->descriptors_[path];
    long result = -1;
    int error = ENOTTY;
    if (request == HIDIOCGRDESCSIZE) {
        if (UMockdevIoctlData* data = argument(client, sizeof(int))) {
            const int size = static_cast<int>(descriptor.size());
            std::memcpy(data->data, &size, sizeof size);
            g_object_unref(data);
            result = error = 0;
        }
    } else if (request == HIDIOCSFEATURE(_IOC_SIZE(request))) {
        const std::size_t size = _IOC_SIZE(request);
        if (UMockdevIoctlData* data = argument(client, size)) {
            bed->featureReports_.push_back({path, Bytes(data->data, data->data + size)});
            g_object_unref(data);
            result = static_cast<long>(size);
            error = 0;
        }
    }
    umockdev_ioctl_client_complete(client, result, error);
    return TRUE;
}

}  // namespace dmm::test
