#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "meter_core.h"
#include "pipeline_sink.h"
#include "port_name_table.h"

namespace dmm {

class HidBackend;
class HidDevice;
class HidDeviceController;
class ReadingPublisher;
class RemoteMeter;
struct BrokerSettings;
struct ReceivedReading;
class SerialPortDriver;

// How a cable command ended.
enum class CableCommand {
    Done,      // the cable's reader started or stopped as asked
    NoCable,   // no device line is chosen: no cable is plugged in
    NoAccess,  // the chosen device cannot be opened for reading and writing
};

// One meter, end to end, with no widget in it: the link that is open (a serial port, the USB
// interface cable, or a broker topic of a meter another machine publishes: one at a time), the
// meter core that assembles and decodes its frames, the link watchdog and the cable's
// idle-report limit. The window and dmmcli each show a session;
// neither decides anything about the link.
//
// Each decoded frame runs the core's pipeline into the display given to setDisplay (the window's
// LCD, needle, recorder..., or dmmcli's printer) in its fixed order, then readingDecoded() is
// emitted for the other outputs. What happens to the link is said by the signals below. The
// watchdogs advance on tick(), which the owner calls every 100 ms; tests call it by hand.
//
// The cable: the session lists the attached HID devices (claiming each), chooses the last one
// whose text is "USB to Serial", sends it the set-up report and hands its input reports to the
// frame assembly of the family asked for. By default the list is made again at every device
// change, which stops the reading (a new press is needed); setRelistOnDeviceChange(false) keeps
// the first list and the cable read from it, for a log that must not end when a mouse is
// plugged in. Runs on the thread that owns it (the user-interface thread).
class MeterSession : public QObject, private PipelineSink {
    Q_OBJECT
public:
    // Reports without meter data after which the cable's meter is taken to be silent.
    static constexpr int kIdleReportLimit = 1900;
    // The link goes dark on the tick after this many ticks without a decoded frame.
    static constexpr int kTicksBeforeDark = 2;

    explicit MeterSession(QObject* parent = nullptr);
    ~MeterSession() override;

    MeterCore& core() { return core_; }
    const MeterCore& core() const { return core_; }
    // The time of day of the reading being decoded: now for a local meter's, the time it was
    // read over there for a remote one's. The recorder takes its records' times from it.
    const Clock& readingClock() const { return readingClock_; }
    // Where the pipeline's steps of each decoded frame go; none: nowhere.
    void setDisplay(PipelineSink* display) { display_ = display ? display : &noDisplay_; }

    // Advances the link watchdog: the link goes dark after kTicksBeforeDark + 1 ticks without a
    // decoded frame, and on those ticks a cable that has sent kIdleReportLimit reports without
    // meter data is dropped (cableSilent). Also notices a serial device going and coming back.
    void tick();
    // Whether frames have been decoded lately (the link indicator is lit).
    bool linkLit() const { return lit_; }
    // The link in force and the frame counts (and the broker published to), for the link
    // indicator's tooltip.
    QString linkDescription() const;

    // The last decoded reading as a message to other programs: one line of JSON with the time
    // it was decoded, its number in this run, its family and frame and what it reads.
    const std::string& readingMessage() const { return message_; }
    // Publishes every reading decoded from now on; the session owns the publisher.
    void publishTo(std::unique_ptr<ReadingPublisher> publisher);
    ReadingPublisher* publisher() const { return publisher_.get(); }

    // ---- Serial port ----
    // The names COM1..COM4 stand for; map them before opening.
    PortNameTable& portNames() { return portNames_; }
    const PortNameTable& portNames() const { return portNames_; }
    const SerialPortDriver& serialPort() const { return *serialPort_; }
    // The frame assembly the port's bytes reach; none: they are dropped.
    void setSerialFamily(std::optional<Family> family) { serialFamily_ = family; }
    std::optional<Family> serialFamily() const { return serialFamily_; }
    // Chooses COMn (1..4); the port is taken only while closed, port() is the one in force.
    void choosePort(int n);
    int port() const;
    // Whether a lost serial device is waited for and opened again at the same path.
    void setReconnect(bool on);
    // Opens the port, after stopping the cable (one link at a time). False: serialError().
    bool openSerialPort();
    void closeSerialPort();
    bool serialPortOpen() const;
    QString serialError() const;
    // Decodes what the port has received and not yet handed on (at the end of a log).
    void drainSerialPort();

    // ---- USB cable ----
    // Lists the HID devices of `backend` (none: the system's) once the event loop runs, and
    // again at each change. False when the system gives no access to HID devices at all;
    // `changesProblem` says why changes cannot be watched, when they cannot.
    bool watchHidDevices(HidBackend* backend, QString* changesProblem = nullptr);
    void setRelistOnDeviceChange(bool on) { relistOnChange_ = on; }
    // Whether a cable whose meter is silent is dropped at the idle-report limit (the window).
    void setDropSilentCable(bool on) { dropSilentCable_ = on; }

    // One text per listed device, and the line chosen (-1: none).
    const QStringList& deviceLines() const { return deviceLines_; }
    int chosenDeviceLine() const { return chosenLine_; }
    void chooseDeviceLine(int line);
    // The device the last cable command picked, or none.
    HidDevice* currentCable() const { return current_; }
    // Whether the cable is the link in force.
    bool cableLinkActive() const { return current_ && cableOn_; }
    // The chosen device's path and why it cannot be opened (empty when it can).
    QString chosenDevicePath() const;
    QString cableAccessProblem() const;

    // Sends the set-up report to the chosen device; false when none is chosen.
    bool sendCableSetup();
    // Reads the chosen device's reports into `family`'s frame assembly, or stops (none).
    CableCommand readCable(std::optional<Family> family);
    // "USB Connect" pressed (on) or released: the reading stops, the set-up report goes out,
    // the idle count starts again, then the chosen device is read (on) as `family`.
    CableCommand connectCable(bool on, Family family);
    // For a log: chooses the device at `devicePath` (empty: the cable) from the list, then
    // connects it. NoCable also when no device has that path.
    CableCommand connectCableAt(const QString& devicePath, Family family);

    // ---- A meter on another machine, read from a broker ----
    // Reads the meter published under the settings' topic prefix, after ending the port and the
    // cable (one link at a time): each reading's frame goes through the same decoding, pipeline
    // and recorder as a local frame, stamped with the time it was read over there. Opening the
    // port or the cable ends it.
    void subscribeTo(const BrokerSettings& settings);
    void unsubscribe();
    RemoteMeter* remoteMeter() const { return remote_.get(); }

signals:
    // A frame ran through the pipeline; the core holds its text, panel and reading.
    void readingDecoded();
    // Frames failed their framing test or could not be decoded (`count` of them, just now).
    void framesDropped(std::uint64_t count);
    void linkLitChanged(bool lit);
    // The serial port closed, for the cable or by hand.
    void serialPortClosed();
    // The serial port's device went away (`reason`), and came back.
    void serialDeviceLost(const QString& reason);
    void serialDeviceBack();
    // The device list was made again.
    void devicesListed();
    // A line for the device history: arrivals, removals, set-up reports, read errors, data
    // reports.
    void historyLine(const QString& line);
    // A cable report was handled; the core's diagnostic texts are up to date.
    void cableReportHandled();
    // The cable answered kIdleReportLimit times without meter data; its reading stopped.
    void cableSilent();
    // The cable being read was unplugged, or a read of it failed.
    void cableUnplugged(const QString& devicePath);
    void cableReadFailed(const QString& devicePath, std::uint32_t error);
    // A failure while handling a frame or a device change, with its text.
    void failed(const QString& text);

private:
    // PipelineSink: the core's steps, handed on to the display.
    void frameSeen() override;
    void frequencyModeChanged(bool on) override { display_->frequencyModeChanged(on); }
    void beep() override { display_->beep(); }
    void showAlarm(bool on) override { display_->showAlarm(on); }
    void rangeChanged() override { display_->rangeChanged(); }
    void needle(int position) override { display_->needle(position); }
    void record() override { display_->record(); }
    void bar(int position) override { display_->bar(position); }
    void chartPoint(double value) override { display_->chartPoint(value); }
    void frameDone() override;

    template <class Delivery>
    void deliver(const Delivery& delivery);
    void setLit(bool lit);
    void stopCable();
    void dropSilentCable();
    void listDevices();
    void releaseListedDevices();
    void onDevicesChanged();
    void onDeviceRemoved(HidDevice* device);
    void onReadError(HidDevice* device, std::uint32_t error);
    void receiveKeltReport(HidDevice* device, std::uint8_t reportId, const std::uint8_t* data,
                           std::uint16_t size);
    void receiveSornReport(HidDevice* device, std::uint8_t reportId, const std::uint8_t* data,
                           std::uint16_t size);
    void receiveReport(Family family, std::uint8_t reportId, const std::uint8_t* data,
                       std::uint16_t size);
    void receiveRemoteReading(const ReceivedReading& reading);

    MeterCore core_;
    PipelineSink noDisplay_;
    PipelineSink* display_ = &noDisplay_;
    int ticksSinceFrame_ = 0;
    bool lit_ = false;
    std::int64_t decodedAtUtcMs_ = 0;  // when the last frame was decoded
    std::string message_;              // readingMessage()
    std::unique_ptr<ReadingPublisher> publisher_;
    std::unique_ptr<RemoteMeter> remote_;
    // The machine's clock, but for the remote reading being decoded.
    class ReadingClock : public Clock {
    public:
        std::int32_t timeOfDayMs() const override {
            return remote ? *remote : SystemClock::instance().timeOfDayMs();
        }
        std::optional<std::int32_t> remote;
    };
    ReadingClock readingClock_;
    std::optional<std::int64_t> remoteUtcMs_;  // the remote reading's time, while it is decoded

    PortNameTable portNames_;
    std::unique_ptr<SerialPortDriver> serialPort_;
    std::optional<Family> serialFamily_ = Family::Kelt;
    bool serialLostSeen_ = false;

    std::unique_ptr<HidBackend> systemHid_;
    HidDeviceController* hidController_ = nullptr;
    std::vector<HidDevice*> listed_;  // the device each line holds (claimed), or none
    QStringList deviceLines_;
    std::size_t historySeen_ = 0;     // data report lines of the core's history already said
    int chosenLine_ = -1;
    HidDevice* current_ = nullptr;
    bool cableOn_ = false;
    bool relistOnChange_ = true;
    bool listedOnce_ = false;
    bool dropSilentCable_ = true;
};

}  // namespace dmm
