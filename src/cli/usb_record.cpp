// dmmcli record --usb: the cable through the same HID controller, reader thread, frame assembly,
// decoders and pipeline as the window's "USB Connect".

#include "usb_record.h"

#include <QCoreApplication>
#include <QFile>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "cli_recording.h"
#include "fake_hid_backend.h"
#include "hid_device_controller.h"
#include "hid_device_text.h"
#include "linux_hid_backend.h"
#include "simulated_cable.h"
#include "stop_signals.h"

namespace dmm {

namespace {

constexpr const char* kUdevHint =
    "install the udev rule for the cable (see \"USB cable\" in the README: "
    "/usr/lib/udev/rules.d/70-dmmview-usb-cable.rules), then plug the cable in again";

void say(const QString& text) { dmm::say("record", text); }

// The devices listed and claimed at the first scan, and the one read.
class CableSession {
public:
    CableSession(HidBackend& backend, const RecordRequest& request, MeterCore& core)
        : options_(request.options), request_(request), core_(core), controller_(&backend) {
        controller_.setEnumerateHandler(HidEnumerateEvent(
            [this](HidDevice* device, int index) {
                lines_.push_back(hidDeviceText(device));
                held_.push_back(controller_.claimDevice(index));
                return true;
            },
            &kEnumerate));
        controller_.setDeviceChangeHandler(
            HidNotifyEvent([this](HidDeviceController*) { devicesChanged(); }, &kChange),
            true);
        controller_.setRemovalHandler(HidPlugEvent(
            [this](HidDevice* device) {
                if (device != cable_) return;
                say(QStringLiteral("the USB cable (%1) was unplugged")
                        .arg(QString::fromStdString(device->identity().devicePath)));
                end(1);
            },
            &kRemoval));
    }

    ~CableSession() {
        // Readers first, then the devices, then the controller.
        if (cable_) cable_->setDataHandler({});
        for (HidDevice* d : held_) {
            try {
                HidDevice::release(d);
            } catch (const HidControllerError&) {
                // A device that cannot be listed again is of no concern any more.
            }
        }
    }

    // Called once the cable is read: the point from which an output file may replace an old one.
    std::function<bool()> onReading;
    int status() const { return status_; }
    bool reading() const { return cable_ != nullptr; }

private:
    void end(int status) {
        status_ = status;
        QCoreApplication::exit(status);
    }

    void devicesChanged() {
        if (started_) return;  // later changes matter only when they remove the cable
        started_ = true;
        controller_.enumerateDevices();
        int line = -1;
        if (request_.devicePath.isEmpty()) {
            line = cableLine(lines_);
            if (line < 0) {
                say(QStringLiteral("no USB cable is plugged in (a HID device whose product is "
                                   "\"USB to Serial\"); %1 HID device(s) found")
                        .arg(lines_.size()));
                return end(1);
            }
        } else {
            for (std::size_t i = 0; i < held_.size(); ++i) {
                if (held_[i] && QString::fromStdString(held_[i]->identity().devicePath) ==
                                    request_.devicePath) {
                    line = static_cast<int>(i);
                }
            }
            if (line < 0) {
                say(QStringLiteral("no HID device %1").arg(request_.devicePath));
                return end(1);
            }
        }
        HidDevice* cable = held_[static_cast<std::size_t>(line)];
        const QString path = QString::fromStdString(cable->identity().devicePath);
        if (!cable->hasReadWriteAccess()) {
            say(QStringLiteral("cannot open the USB cable %1: %2; %3")
                    .arg(path, QString::fromLocal8Bit(cable->openError().text.c_str()),
                         QString::fromLatin1(kUdevHint)));
            return end(1);
        }
        // As "USB Connect" does: the set-up report, then the reports into frame assembly.
        cable->sendFeatureReport(kCableSetupReport, 10);
        if (onReading && !onReading()) return end(1);
        say(QStringLiteral("reading the USB cable %1, %2 frames; Ctrl+C stops")
                .arg(path, QString::fromStdString(std::string(familyName(options_.family)))));
        cable_ = cable;
        // A read that cannot even be started means the cable is gone (noticed this way also
        // where no udev daemon announces the unplug).
        cable->setDataErrorHandler(HidDataErrorEvent(
            [this](HidDevice* device, std::uint32_t error) {
                say(QStringLiteral("the USB cable (%1) cannot be read: %2")
                        .arg(QString::fromStdString(device->identity().devicePath),
                             QString::fromLocal8Bit(hidErrorText(error).c_str())));
                end(1);
            },
            &kRemoval));
        const Family family = options_.family;
        cable->setDataHandler(HidDataEvent(
            [this, family](HidDevice*, std::uint8_t id, const std::uint8_t* data,
                           std::uint16_t size) {
                if (family == Family::Sorn) {
                    core_.receiveSornReport(id, data, size);
                } else {
                    core_.receiveKeltReport(id, data, size);
                }
            },
            &kData));
    }

    static inline const char kEnumerate = 0, kChange = 0, kRemoval = 0, kData = 0;
    const CommonOptions& options_;
    const RecordRequest& request_;
    MeterCore& core_;
    HidDeviceController controller_;
    std::vector<QString> lines_;
    std::vector<HidDevice*> held_;
    HidDevice* cable_ = nullptr;
    bool started_ = false;
    int status_ = 0;
};

}  // namespace

int recordFromCable(const RecordRequest& request) {
    const CommonOptions& options = request.options;
    quitOnStopSignals();

    MeterLog meterLog(options);
    MeterCore& core = meterLog.core;
    FramePrinter& printer = meterLog.printer;
    CliRecording& recording = meterLog.recording;

    std::unique_ptr<HidBackend> backend;
    std::unique_ptr<SimulatedCable> simulated;
    if (request.simulated) {
        auto fake = std::make_unique<FakeHidBackend>();
        simulated = std::make_unique<SimulatedCable>(*fake, options.family, 2.0);
        fake->plug(SimulatedCable::cableDevice(), false);
        simulated->start();
        backend = std::move(fake);
    } else {
        backend = std::make_unique<LinuxHidBackend>();
        QString why;
        if (!backend->available()) {
            say(QStringLiteral("this system gives no access to HID devices"));
            return 1;
        }
        if (!backend->watchChanges(&why)) {
            say(QStringLiteral("%1: an unplugged cable is noticed only when reads fail").arg(why));
        }
    }

    CableSession session(*backend, request, core);
    session.onReading = [&] {
        if (!request.outPath.isEmpty()) {
            std::string why;
            if (!recording.startFile(QFile::encodeName(request.outPath).toStdString(), &why)) {
                say(QStringLiteral("cannot write '%1': %2")
                        .arg(request.outPath, QString::fromStdString(why)));
                return false;
            }
        }
        printer.printHeader();
        return true;
    };

    LogLoop loop(request.durationSeconds);
    int status = loop.run();
    status = std::max(status, session.status());
    if (const std::string why = outputFailure(stdout); loop.outputFailed() || !why.empty()) {
        say(why.empty() ? QStringLiteral("cannot write the output") : QString::fromStdString(why));
        status = 1;
    }
    if (std::string why; !recording.finish(&why)) {
        say(QStringLiteral("cannot write '%1': %2")
                .arg(request.outPath, QString::fromStdString(why)));
        status = 1;
    }
    std::fflush(stdout);
    std::fprintf(stderr, "%s\n", summaryLine(core.counters()).c_str());
    return status;
}

}  // namespace dmm
