// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "hid_device_controller.h"

#include <QMetaObject>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace dmm {

namespace {

// The text buffers of the product and serial strings hold this many 16-bit characters.
constexpr std::size_t kStringWords = 254;

// Wait slices a device takes.
constexpr int kMinWaitSlice = 10;
constexpr int kMaxWaitSlice = 10000;

// Sets a flag for the length of a scope, clearing it however the scope is left.
class FlagScope {
public:
    explicit FlagScope(std::atomic<bool>& flag) : flag_(flag) { flag_ = true; }
    ~FlagScope() { flag_ = false; }
    FlagScope(const FlagScope&) = delete;
    FlagScope& operator=(const FlagScope&) = delete;

private:
    std::atomic<bool>& flag_;
};

// A text as the platform's fixed buffer holds it: at most kStringWords characters, ending at the
// first NUL.
std::u16string bufferText(const std::u16string& text) {
    const std::size_t end = std::min(text.find(u'\0'), kStringWords);
    return text.substr(0, end);
}

}  // namespace

// ---- HidDevice ----

HidDevice::HidDevice(HidDeviceController* controller, HidBackend* backend,
                     std::unique_ptr<HidDeviceIdentity> identity)
    : controller_(controller), backend_(backend), identity_(std::move(identity)) {
    if (controller_) {
        dataHandler_ = controller_->deviceData_;
        dataErrorHandler_ = controller_->deviceDataError_;
        unplugHandler_ = controller_->deviceUnplug_;
    }
    // A device that cannot be opened for reading and writing is still listed, opened for its
    // identification only, and never read.
    std::unique_ptr<HidConnection> connection = openBoth(&openError_);
    if (!connection) throw HidControllerError("device cannot be opened");
    const std::optional<HidAttributes> attributes = connection->attributes();
    if (!attributes) throw HidControllerError("device cannot be identified");
    attributes_ = *attributes;
}

std::unique_ptr<HidConnection> HidDevice::openBoth(HidError* readWriteError) {
    HidError error;
    std::unique_ptr<HidConnection> connection =
        backend_->open(identity_->devicePath, HidAccess::ReadWrite, &error);
    readWriteAccess_ = connection != nullptr;
    if (connection) return connection;
    if (readWriteError) *readWriteError = error;
    return backend_->open(identity_->devicePath, HidAccess::QueryOnly, &error);
}

HidDevice::~HidDevice() {
    // The reader ends before anything it reads from goes away.
    stopReader();
    closeHandles();
}

bool HidDevice::openOnDemand() {
    if (present_ && (claimed_ || inEvent_) && !main_) main_ = openBoth(&openError_);
    return main_ != nullptr;
}

void HidDevice::closeHandles() {
    main_.reset();
    // The read handle belongs to the reader's thread: it drops it at its next pass.
    readCloseRequested_ = true;
}

void HidDevice::unplug() {
    closeHandles();
    present_ = false;
    if (unplugHandler_) {
        const HidPlugEvent handler = unplugHandler_;
        unplugHandler_ = {};
        handler(this);
    }
}

std::u16string HidDevice::productString() {
    if (productString_.empty() && openOnDemand()) {
        if (const auto text = main_->productString()) productString_ = bufferText(*text);
        main_.reset();
    }
    return productString_;
}

// A serial number is taken only when it differs from string descriptor 0 within that
// descriptor's length: some devices answer a request for a serial number they do not have with
// their language IDs. The descriptor's length L is found from its end: the buffer starts filled
// with 0xFFFF, so the last word that is not 0xFFFF ends it (a 0 there is its terminator). When
// the descriptor cannot be read, L is 0 and no serial number is taken.
std::u16string HidDevice::serialString() {
    if (serialString_.empty() && openOnDemand()) {
        if (const auto serial = main_->serialString()) {
            std::u16string s(kStringWords, u'\0');
            const std::u16string text = bufferText(*serial);
            std::copy(text.begin(), text.end(), s.begin());

            std::vector<std::uint16_t> d(kStringWords, 0xFFFF);
            main_->readStringDescriptor0(d.data(), d.size());
            std::size_t length = 0;
            for (std::size_t k = kStringWords; k-- > 0;) {
                if (d[k] == 0xFFFF) continue;
                length = d[k] == 0 ? k : k + 1;
                break;
            }
            bool differs = false;
            for (std::size_t i = 0; i < length; ++i) differs |= s[i] != d[i];
            if (differs) serialString_ = text;
        }
        main_.reset();
    }
    return serialString_;
}

bool HidDevice::sendFeatureReport(const std::uint8_t* report, int size) {
    if (size <= 0 || !openOnDemand()) return false;
    return main_->sendFeatureReport(report, static_cast<std::size_t>(size));
}

std::size_t HidDevice::inputReportLength() {
    if (!inputReportLength_ && openOnDemand()) {
        inputReportLength_ = main_->inputReportLength();
        main_.reset();
    }
    return inputReportLength_.value_or(0);
}

void HidDevice::setReadWaitSlice(int ms) {
    if (ms >= kMinWaitSlice && ms <= kMaxWaitSlice) readWaitSlice_ = ms;
}

void HidDevice::setDataHandler(const HidDataEvent& handler) {
    if (!handler) stopReader();
    dataHandler_ = handler;
    startReaderIfReady();
}

void HidDevice::startReaderIfReady() {
    if (!dataHandler_ || !present_ || !claimed_ || !readWriteAccess_ || reader_) return;
    const std::size_t length = inputReportLength();
    HidReadThread::Handlers handlers;
    handlers.data = [this](const std::uint8_t* report, std::size_t size) {
        if (dataHandler_) {
            dataHandler_(this, report[0], report + 1, static_cast<std::uint16_t>(size - 1));
        }
    };
    handlers.error = [this](std::uint32_t code) {
        if (dataErrorHandler_) dataErrorHandler_(this, code);
    };
    readCloseRequested_ = false;
    HidReadSource& source = *this;
    reader_ = std::make_shared<HidReadThread>(source, length, std::move(handlers));
    reader_->start();
}

void HidDevice::stopReader() {
    if (!reader_) return;
    // Taken out first: a delivery run by stop() may look at the device's reader.
    const std::shared_ptr<HidReadThread> reader = std::move(reader_);
    reader->stop();
}

std::unique_ptr<HidConnection> HidDevice::openForReading(HidError* error) {
    if (!(present_ && (claimed_ || inEvent_))) {
        if (error) *error = {ENODEV, hidErrorText(ENODEV)};
        return nullptr;
    }
    return backend_->open(identity_->devicePath, HidAccess::ReadWrite, error);
}

void HidDevice::release(HidDevice* device) {
    if (!device) return;
    std::unique_ptr<HidDevice> gone(device);
    const HidDataEvent data = device->dataHandler_;
    const HidPlugEvent unplug = device->unplugHandler_;
    device->setDataHandler({});
    device->unplugHandler_ = {};
    device->closeHandles();

    HidDeviceController* controller = device->controller_;
    const int index = controller ? controller->indexOf(device) : -1;
    if (index < 0) return;
    auto& list = controller->devices_;
    if (!device->present_) {
        list.erase(list.begin() + index);
        return;
    }
    // The entry points at the departing object until the replacement stands; if making it
    // fails, the entry goes with the object and the error reaches the caller.
    std::unique_ptr<HidDevice> replacement;
    try {
        replacement.reset(
            new HidDevice(controller, device->backend_, std::move(device->identity_)));
    } catch (...) {
        list.erase(list.begin() + index);
        throw;
    }
    replacement->unplugHandler_ = unplug;
    replacement->setReadWaitSlice(device->readWaitSlice_);
    replacement->setDataHandler(data);
    list[static_cast<std::size_t>(index)] = replacement.release();
}

// ---- HidDeviceController ----

HidDeviceController::HidDeviceController(HidBackend* backend, QObject* owner)
    : QObject(owner), backend_(backend) {
    if (!backend_->available()) return;  // no notifications, an always empty list
    connect(backend_, &HidBackend::deviceNodesChanged, this, [this] { deviceNodesChanged(0); });
    // The first reconciliation runs once the event loop runs, after the owner exists whole.
    QMetaObject::invokeMethod(this, [this] { deviceNodesChanged(-1); }, Qt::QueuedConnection);
}

HidDeviceController::~HidDeviceController() {
    deviceChange_ = {};
    deviceUnplug_ = {};
    enumerate_ = {};
    disconnect(backend_, nullptr, this, nullptr);
    const std::vector<HidDevice*> devices = std::move(devices_);
    devices_.clear();
    for (HidDevice* device : devices) {
        device->controller_ = nullptr;
        if (device->claimed_) {
            device->unplug();  // the claimant still owns it
        } else {
            delete device;
        }
    }
}

void HidDeviceController::deviceNodesChanged(int parameter) {
    if (reconciling_) return;  // a change noticed during a reconciliation is dropped
    lastParameter_ = parameter;
    reconciling_ = true;
    struct Clear {
        bool& flag;
        ~Clear() { flag = false; }
    } clear{reconciling_};
    reconcileDevices();
}

std::vector<std::unique_ptr<HidDevice>> HidDeviceController::scan() {
    std::vector<std::unique_ptr<HidDevice>> found;
    if (!backend_->available()) return found;
    for (const HidInterfaceInfo& info : backend_->attachedInterfaces()) {
        auto identity = std::make_unique<HidDeviceIdentity>(
            HidDeviceIdentity{info.identity, info.path});
        try {
            found.emplace_back(new HidDevice(this, backend_, std::move(identity)));
        } catch (const HidControllerError&) {
            // An interface that cannot be opened or identified is skipped.
        }
    }
    return found;
}

int HidDeviceController::indexOf(const HidDevice* device) const {
    const auto it = std::find(devices_.begin(), devices_.end(), device);
    return it == devices_.end() ? -1 : static_cast<int>(it - devices_.begin());
}

void HidDeviceController::fireInEvent(HidDevice* device, const HidPlugEvent& handler) {
    if (!handler) return;
    FlagScope inEvent(device->inEvent_);
    handler(device);
}

void HidDeviceController::reconcileDevices() {
    bool changed = lastParameter_ == -1;
    std::vector<std::unique_ptr<HidDevice>> scanned = scan();
    auto attachedAsListed = [](const HidDevice* listed, const std::unique_ptr<HidDevice>& s) {
        return listed->present_ && s->identity_->instance == listed->identity_->instance;
    };

    for (std::size_t i = devices_.size(); i-- > 0;) {
        HidDevice* device = devices_[i];
        const bool stillAttached = std::any_of(
            scanned.begin(), scanned.end(),
            [&](const std::unique_ptr<HidDevice>& s) { return attachedAsListed(device, s); });
        if (stillAttached) continue;
        device->unplug();
        fireInEvent(device, removal_);
        changed = true;
        // A claimed device stays listed, detached, until its claimant releases it.
        if (!device->claimed_ && i < devices_.size() && devices_[i] == device) {
            devices_.erase(devices_.begin() + static_cast<std::ptrdiff_t>(i));
            delete device;
        }
    }

    std::vector<std::unique_ptr<HidDevice>> arrivals;
    for (std::unique_ptr<HidDevice>& s : scanned) {
        const bool duplicate =
            std::any_of(devices_.begin(), devices_.end(),
                        [&](const HidDevice* d) { return attachedAsListed(d, s); });
        if (duplicate) {
            s->controller_ = nullptr;  // its destruction leaves the list alone
            s.reset();
        } else {
            arrivals.push_back(std::move(s));
        }
    }
    for (std::unique_ptr<HidDevice>& s : arrivals) {
        HidDevice* device = s.release();
        devices_.push_back(device);
        changed = true;
        fireInEvent(device, arrival_);
    }

    if (changed && deviceChange_) deviceChange_(this);
}

int HidDeviceController::enumerateDevices() {
    int count = 0;
    for (std::size_t i = 0; i < devices_.size(); ++i) {
        HidDevice* device = devices_[i];
        if (!device->present_) continue;
        ++count;
        if (!enumerate_) break;
        bool goOn = false;
        {
            FlagScope inEvent(device->inEvent_);
            goOn = enumerate_(device, static_cast<int>(i));
        }
        if (!device->claimed_) device->closeHandles();
        if (!goOn) break;
    }
    return count;
}

HidDevice* HidDeviceController::claimDevice(int index) {
    if (index < 0 || index >= deviceCount()) return nullptr;
    HidDevice* device = devices_[static_cast<std::size_t>(index)];
    if (device->claimed_) return nullptr;
    device->claimed_ = true;
    device->startReaderIfReady();
    return device;
}

void HidDeviceController::setDeviceReadWaitSlice(int ms) {
    if (ms == deviceReadWaitSlice_) return;
    for (HidDevice* device : devices_) {
        if (device->readWaitSlice_ == deviceReadWaitSlice_) device->setReadWaitSlice(ms);
    }
    deviceReadWaitSlice_ = ms;
}

void HidDeviceController::setDeviceChangeHandler(const HidNotifyEvent& handler, bool atSetUp) {
    if (handler == deviceChange_) return;
    deviceChange_ = handler;
    if (!atSetUp) reconcileDevices();
}

void HidDeviceController::setDeviceDataHandler(const HidDataEvent& handler) {
    if (handler == deviceData_) return;
    for (HidDevice* device : devices_) {
        if (device->dataHandler_ == deviceData_) device->setDataHandler(handler);
    }
    deviceData_ = handler;
}

void HidDeviceController::setDeviceDataErrorHandler(const HidDataErrorEvent& handler) {
    if (handler == deviceDataError_) return;
    for (HidDevice* device : devices_) {
        if (device->dataErrorHandler_ == deviceDataError_) device->dataErrorHandler_ = handler;
    }
    deviceDataError_ = handler;
}

void HidDeviceController::setDeviceUnplugHandler(const HidPlugEvent& handler) {
    if (handler == deviceUnplug_) return;
    for (HidDevice* device : devices_) {
        if (device->unplugHandler_ == deviceUnplug_) device->unplugHandler_ = handler;
    }
    deviceUnplug_ = handler;
}

std::string hidErrorText(std::uint32_t code) { return std::strerror(static_cast<int>(code)); }

}  // namespace dmm
