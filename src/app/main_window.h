#pragma once

#include <QMainWindow>

#include <array>
#include <functional>
#include <memory>
#include <vector>

#include "app_options.h"
#include "hid_device_controller.h"
#include "meter_core.h"
#include "pipeline_sink.h"
#include "record_table.h"
#include "recorder.h"

class QTimer;
class QToolButton;

namespace dmm {

namespace Ui {
class MainWindow;
}

class Dialogs;
class KeyFilter;
class PanelLabel;
class PortNameTable;
class RecordTableModel;
class SerialPortDriver;

// The main window: the controls of main_window.ui (visible and hidden), the menu, the commands,
// and the far end of the reading pipeline. It owns the measurement core, the serial driver,
// the HID device controller and the record table; its handlers read controls, call those parts
// and show what they decided. Tests, screenshots and scripts find the controls by objectName.
class MainWindow : public QMainWindow, public PipelineSink {
    Q_OBJECT
public:
    // dialogs: message boxes and file dialogs go through it; the window does not own it.
    MainWindow(const AppOptions& options, Dialogs* dialogs, QWidget* parent = nullptr);
    ~MainWindow() override;

    MeterCore& core() { return core_; }
    const AppOptions& options() const { return options_; }
    Dialogs* dialogs() const { return dialogs_; }
    // The serial driver of the COM ports (objectName "COMM2").
    const SerialPortDriver& serialPort() const { return *serialPort_; }
    Recorder& recorder() { return recorder_; }
    RecordTable& recordTable() { return table_; }
    RecordTableModel* gridModel() const { return gridModel_; }

    // Which family's frame assembly the serial bytes reach, or none.
    enum class Receiver { None, Kelt, Sorn, Brio };
    Receiver receiver() const { return receiver_; }
    // The bytes the serial driver hands over.
    void receiveSerialBytes(const void* data, int size);

    // Port COMn in force (1..4) and the device path it resolves to.
    int comPort() const { return comPort_; }
    QString comPortPath(int n) const;
    // The link indicator's tooltip: the port or cable in force and the counts of decoded and
    // dropped frames. Built when the tooltip is asked for, not per frame.
    QString indicatorTip() const;
    // The device the last cable command picked from the device list, or none.
    HidDevice* currentHidDevice() const { return currentHidDevice_; }

    // Shows a message the recorder or the file commands returned.
    void showMessage(const Message& message);
    // Runs a handler under the general error report: a failure is shown in one message box
    // with its text and the rest of the handler is skipped. Nothing escapes to the event loop.
    void guarded(const std::function<void()>& handler);

    // Handlers, connected in connectHandlers(); public so that tests can run them as the
    // control would.

    // The serial link.
    void onSerialConnectToggled();   // "COM Connect"
    void onConnectClicked();         // the hidden "Connect" panel and the "START" item
    void onDisconnectClicked();      // the hidden "Disconnect" panel and the "STOP" item
    void onPortChosen(int port);     // the port items and panels, port 1..4
    void onLinkWatchdogTick();       // every 100 ms: the indicator goes dark after silence

    // Leaving.
    void onCloseClicked();           // "EXIT": closes the window
    void onQuitClicked();            // the hidden "Exit" panel and item: closes the table, quits

    // The alarm limits.
    void onUpperLimitEdited();       // the upper limit's edit or check box
    void onLowerLimitEdited();

    // Recording.
    void onSamplingTick();           // every second
    void onRecordTimesEdited();      // the interval edit or the recall clock's edits changed
    void onClearRecordsClicked();    // "Close Data", the hidden "New" item
    void onSaveRecordsClicked();     // "Save data files", the hidden "Save" item
    void onOpenRecordsClicked();     // "Open old data files"
    // Loads a data file as "Open old data files" does (XML replaces the table, TAB text adds
    // to it; a failure is shown): the Open command, dmmview DATAFILE and a file dropped on it.
    void openDataFile(const QString& path);
    void onRecallClockClicked();     // the recall clock's check box
    void onRecallClockLeft();        // the focus left the recall clock's check box
    void onRecallTimeKeyReleased();  // a key released in the recall clock's time edits
    void onRecordLimitChosen(int limit);  // the "Record" menu's limit items
    void onPrintClicked();           // "Print" and the hidden print button: the print preview

    // The USB cable: the HID device controller's events, the cable buttons and the hidden
    // device and history lists.
    bool onHidDeviceListed(HidDevice* device, int index);
    void onHidDeviceArrived(HidDevice* device);
    void onHidDeviceRemoved(HidDevice* device);
    void onHidDevicesChanged(HidDeviceController* sender);
    void onHidReadError(HidDevice* device, std::uint32_t error);
    void onUsbConnectToggled();      // "USB Connect": the set-up report, then Kelt frames
    void onCableReadToggled();       // the hidden "Read" toggle: Sorn frames from the cable
    void onSendSetupReportClicked();
    void onClearHistoryClicked();
    void onOpenAnotherWindowClicked();  // the hidden "Info" button
    // The cable's reports, handed over by its reader, into Kelt or Sorn frame assembly.
    void onCableReportKelt(HidDevice* device, std::uint8_t reportId, const std::uint8_t* data,
                           std::uint16_t size);
    void onCableReportSorn(HidDevice* device, std::uint8_t reportId, const std::uint8_t* data,
                           std::uint16_t size);

signals:
    // After each decoded frame has run through every display step.
    void frameHandled();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

    // PipelineSink
    void frameSeen() override;
    void frequencyModeChanged(bool on) override;
    void beep() override;
    void showAlarm(bool on) override;
    void rangeChanged() override;
    void needle(int position) override;
    void record() override;
    void bar(int position) override;
    void chartPoint(double value) override;
    void frameDone() override;

private:
    // Set-up, in the constructor's order.
    void setUpForm();
    void createSerialPort();
    void createHidController();
    void connectHandlers();
    void startUp();
    void applyCountClass();

    // The four port panels, COM1 to COM4.
    std::array<PanelLabel*, 4> portPanels() const;
    // Pressing one of "COM Connect", "USB Connect" and "Read" lifts the others.
    void liftOtherLinkButtons(QToolButton* pressed);
    void alignBottomPanels();

    void connectSerialPort();
    void disconnectSerialPort();
    bool openSerialPort();
    void closeSerialPort();
    void showPortTips();

    void applyLimit(bool upper);
    void syncScaleSettings();
    void resetChart();
    void setChartValueAxis(int minimum, int maximum);
    bool fillTicked() const;

    void createRecordTable();
    void closeRecordTable();
    void followNewestRecord();
    void syncLimitMenu();
    void copyRecallEdits();
    void showRecallEdits();

    void releaseListedHidDevices();
    int selectedDeviceLine() const;
    // Makes the selected line's device the current one; none when no line is selected.
    HidDevice* pickSelectedDevice();
    // Sets the selected device's data handler to `handler` while `button` is down, to none when
    // it is up; lifts the button when the device cannot be read.
    void readSelectedDevice(QToolButton* button, const HidDataEvent& handler);
    void addHistoryLine(const QString& line);
    void afterCableReport();
    void dropSilentCable();
    void showCableOpenError(HidDevice* device);
    bool cableLinkActive() const;
    QString cableIndicatorTip() const;

    AppOptions options_;
    Dialogs* dialogs_;
    MeterCore core_;
    RecordTable table_;
    Recorder recorder_;
    std::unique_ptr<Ui::MainWindow> ui_;  // the controls of main_window.ui
    RecordTableModel* gridModel_ = nullptr;
    std::unique_ptr<PortNameTable> portNames_;
    SerialPortDriver* serialPort_ = nullptr;
    std::unique_ptr<HidBackend> systemHid_;  // the system's devices, unless options name others
    HidBackend* hidBackend_ = nullptr;
    HidDeviceController* hidController_ = nullptr;
    HidDevice* currentHidDevice_ = nullptr;
    std::vector<HidDevice*> listedHidDevices_;  // the device each line of the device list holds
    std::size_t historyLinesSeen_ = 0;          // data report lines already shown
    QTimer* linkWatchdog_ = nullptr;            // 100 ms
    QTimer* samplingTimer_ = nullptr;           // 1 s
    KeyFilter* digitFilter_ = nullptr;
    KeyFilter* signedFilter_ = nullptr;
    Receiver receiver_ = Receiver::None;
    int comPort_ = 1;
    bool centred_ = false;
};

}  // namespace dmm
