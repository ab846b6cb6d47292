// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QObject>
#include <QString>

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "hid_backend.h"
#include "hid_event.h"
#include "hid_read_thread.h"

namespace dmm {

class HidDevice;
class HidDeviceController;

using HidPlugEvent = HidEvent<void(HidDevice* device)>;
// Returns true to go on with the next device.
using HidEnumerateEvent = HidEvent<bool(HidDevice* device, int index)>;
using HidNotifyEvent = HidEvent<void(HidDeviceController* sender)>;
// `data` points at the report's bytes after the report ID; `size` counts them.
using HidDataEvent = HidEvent<void(HidDevice* device, std::uint8_t reportId,
                                   const std::uint8_t* data, std::uint16_t size)>;
// `error` is the platform's error code of a read that could not be started.
using HidDataErrorEvent = HidEvent<void(HidDevice* device, std::uint32_t error)>;

// How a device is told apart from the others and how it is opened.
struct HidDeviceIdentity {
    std::string instance;    // stays the same while the device stays attached
    std::string devicePath;  // the name it is opened by
};

// A device object could not be made.
class HidControllerError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// One attached HID interface, listed by the controller. An unclaimed device belongs to the
// controller's list; a claimed one belongs to its claimant, who gives it back with release().
// A claimed device with a data handler, attached and opened for reading and writing, has a
// reader thread that hands its input reports to the data handler on the user-interface thread.
// Everything but the reader runs on the user-interface thread.
class HidDevice : private HidReadSource {
public:
    ~HidDevice() override;
    HidDevice(const HidDevice&) = delete;
    HidDevice& operator=(const HidDevice&) = delete;

    // Gives a claimed device back and destroys it. An attached device is replaced in the
    // controller's list, at the same place, by a fresh unclaimed object that keeps the data and
    // unplug handlers and the wait slice; a detached one leaves the list. When the replacement
    // cannot be made, its HidControllerError reaches the caller (the device is gone all the
    // same).
    static void release(HidDevice* device);

    HidDeviceController* controller() const { return controller_; }
    const HidDeviceIdentity& identity() const { return *identity_; }
    bool present() const { return present_; }
    bool claimed() const { return claimed_; }
    bool inEvent() const { return inEvent_; }
    const HidAttributes& attributes() const { return attributes_; }
    bool hasReadWriteAccess() const { return readWriteAccess_; }
    // Why the device could not be opened for reading and writing, when it could not.
    const HidError& openError() const { return openError_; }

    // The product string, read once it can be (only a non-empty text is kept).
    std::u16string productString();
    // The serial number, read once it can be, and only when the device's string descriptor 0
    // shows it is one (see the .cpp); empty otherwise.
    std::u16string serialString();
    // Sends a feature report whose first byte is the report ID. False when the device cannot be
    // opened now or refuses the report.
    bool sendFeatureReport(const std::uint8_t* report, int size);
    // Length of the device's longest input report, with its report ID byte; 0 when unknown.
    std::size_t inputReportLength();

    // Milliseconds one read waits before the reader looks for a stop request; 10 to 10000,
    // other values are ignored.
    int readWaitSlice() const override { return readWaitSlice_; }
    void setReadWaitSlice(int ms);

    const HidDataEvent& dataHandler() const { return dataHandler_; }
    // Sets the data handler, starting the reader (a handler on an attached, claimed, readable
    // device) or stopping it (none). Stopping waits for the reader and may run a report it has
    // already handed over.
    void setDataHandler(const HidDataEvent& handler);
    const HidDataErrorEvent& dataErrorHandler() const { return dataErrorHandler_; }
    void setDataErrorHandler(const HidDataErrorEvent& handler) { dataErrorHandler_ = handler; }
    const HidPlugEvent& unplugHandler() const { return unplugHandler_; }
    void setUnplugHandler(const HidPlugEvent& handler) { unplugHandler_ = handler; }

    bool reading() const { return reader_ && reader_->running(); }

private:
    friend class HidDeviceController;

    // Makes a device object for `identity`, opening it once to learn its access and identity.
    // Throws HidControllerError "device cannot be opened" or "device cannot be identified".
    HidDevice(HidDeviceController* controller, HidBackend* backend,
              std::unique_ptr<HidDeviceIdentity> identity);

    // Opens the main handle when the device is attached and claimed or in an event; true when
    // it is open afterwards.
    bool openOnDemand();
    std::unique_ptr<HidConnection> openBoth(HidError* readWriteError);
    void closeHandles();
    // The device is no longer attached: handles closed, unplug handler called once.
    void unplug();
    void startReaderIfReady();
    void stopReader();

    // HidReadSource, called on the reader's thread.
    std::unique_ptr<HidConnection> openForReading(HidError* error) override;
    bool takeReadCloseRequest() override { return readCloseRequested_.exchange(false); }

    HidDeviceController* controller_;
    HidBackend* backend_;
    std::atomic<bool> present_{true};
    std::atomic<bool> claimed_{false};
    std::atomic<bool> inEvent_{false};
    std::unique_ptr<HidConnection> main_;
    std::atomic<bool> readCloseRequested_{false};
    HidAttributes attributes_;
    std::unique_ptr<HidDeviceIdentity> identity_;
    std::u16string productString_;
    std::optional<std::size_t> inputReportLength_;
    std::u16string serialString_;
    std::atomic<int> readWaitSlice_{100};
    HidDataEvent dataHandler_;
    HidDataErrorEvent dataErrorHandler_;
    HidPlugEvent unplugHandler_;
    bool readWriteAccess_ = false;
    HidError openError_;
    std::shared_ptr<HidReadThread> reader_;
};

// Keeps the list of attached HID devices, notices devices coming and going, and lets its user
// claim devices. Runs on the user-interface thread; the backend's change notifications arrive
// there.
//
// Calling order for a user: after the first device-change event, call enumerateDevices(); in
// the enumerate handler read the device's texts and claim it by its index; later send feature
// reports and set the data handler on the claimed device; on the next device-change event
// release the devices held and enumerate again.
class HidDeviceController : public QObject {
    Q_OBJECT
public:
    // The first reconciliation is posted, so it runs once the event loop runs, after the owner
    // has set its handlers. The backend must outlive the controller and its devices.
    explicit HidDeviceController(HidBackend* backend, QObject* owner = nullptr);
    ~HidDeviceController() override;

    static constexpr const char* kVersion = "1.0.32";
    QString version() const { return QString::fromLatin1(kVersion); }
    // The version is fixed; an assignment is ignored.
    void setVersion(const QString&) {}

    // Wait slice handed to the devices that still have the previous one (each ignores values
    // outside 10..10000); stored as given.
    int deviceReadWaitSlice() const { return deviceReadWaitSlice_; }
    void setDeviceReadWaitSlice(int ms);

    // A device was added to the list.
    void setArrivalHandler(const HidPlugEvent& handler) { arrival_ = handler; }
    // Called by enumerateDevices() for each attached device.
    void setEnumerateHandler(const HidEnumerateEvent& handler) { enumerate_ = handler; }
    // A reconciliation changed the list (or was the first one). Setting a new handler runs a
    // reconciliation at once, unless it is given as part of the owner's set-up (`atSetUp`).
    void setDeviceChangeHandler(const HidNotifyEvent& handler, bool atSetUp = false);
    // Handlers given to each new device; a change reaches the listed devices that still have
    // the previous handler.
    void setDeviceDataHandler(const HidDataEvent& handler);
    void setDeviceDataErrorHandler(const HidDataErrorEvent& handler);
    void setDeviceUnplugHandler(const HidPlugEvent& handler);
    // A listed device is no longer attached.
    void setRemovalHandler(const HidPlugEvent& handler) { removal_ = handler; }

    const HidPlugEvent& arrivalHandler() const { return arrival_; }
    const HidEnumerateEvent& enumerateHandler() const { return enumerate_; }
    const HidNotifyEvent& deviceChangeHandler() const { return deviceChange_; }
    const HidDataEvent& deviceDataHandler() const { return deviceData_; }
    const HidDataErrorEvent& deviceDataErrorHandler() const { return deviceDataError_; }
    const HidPlugEvent& deviceUnplugHandler() const { return deviceUnplug_; }
    const HidPlugEvent& removalHandler() const { return removal_; }

    // Reconciles the list with the devices attached now: removals (from the end), duplicates
    // dropped, arrivals appended, then the device-change event if anything changed.
    void reconcileDevices();
    // Calls the enumerate handler for each attached device in list order while it returns
    // true; returns the number of attached devices visited.
    int enumerateDevices();
    // Claims the unclaimed device at `index`; null when out of range or already claimed.
    HidDevice* claimDevice(int index);

    // A change of the system's device nodes, with its parameter (-1 for the first one, posted
    // at construction). Dropped while a reconciliation runs.
    void deviceNodesChanged(int parameter);

    int deviceCount() const { return static_cast<int>(devices_.size()); }
    HidDevice* deviceAt(int index) const { return devices_.at(static_cast<std::size_t>(index)); }
    HidBackend* backend() const { return backend_; }

private:
    friend class HidDevice;

    std::vector<std::unique_ptr<HidDevice>> scan();
    int indexOf(const HidDevice* device) const;
    static void fireInEvent(HidDevice* device, const HidPlugEvent& handler);

    HidBackend* backend_;
    int deviceReadWaitSlice_ = 100;
    HidPlugEvent arrival_;
    HidEnumerateEvent enumerate_;
    HidNotifyEvent deviceChange_;
    HidDataEvent deviceData_;
    HidDataErrorEvent deviceDataError_;
    HidPlugEvent deviceUnplug_;
    HidPlugEvent removal_;

    std::vector<HidDevice*> devices_;  // owns the unclaimed ones
    bool reconciling_ = false;
    int lastParameter_ = 0;
};

}  // namespace dmm
