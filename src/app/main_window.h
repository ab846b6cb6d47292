#pragma once

#include <QMainWindow>
#include <QPointer>

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

class QAction;
class QActionGroup;
class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTimer;
class QToolButton;

namespace dmm {

namespace Ui {
class MainWindow;
}

class AnalogScale;
class Dialogs;
class PortNameTable;
class SerialPortDriver;
class HidBackend;
class HidDevice;
class HidDeviceController;
class KeyFilter;
class RecordGrid;
class RecordTableModel;
class SegmentedBar;
class TrendChart;
class LcdView;
class PanelLabel;

// The main window: every control of the layout (visible and hidden), the menu, the commands,
// and the far end of the reading pipeline. It owns the measurement core, the serial driver,
// the record table and the display widgets; handlers read controls, call those parts and
// show what they decided.
class TFCOMM : public QMainWindow, public PipelineSink {
    Q_OBJECT
public:
    // dialogs: message boxes and file dialogs go through it; the window does not own it.
    TFCOMM(const AppOptions& options, Dialogs* dialogs, QWidget* parent = nullptr);
    ~TFCOMM() override;

    MeterCore& core() { return core_; }
    // The serial driver of the COM ports (objectName "COMM2").
    const SerialPortDriver& serialPort() const { return *COMM2; }
    const AppOptions& options() const { return options_; }
    Dialogs* dialogs() const { return dialogs_; }

    // Which serial receive routine the driver's data reaches, or none.
    enum class Receiver { None, Kelt, Sorn, Brio };
    Receiver receiver() const { return receiver_; }
    // The bytes the serial driver hands over, as its receive event.
    void onReceiveData(const void* data, int size);

    // Handlers, public so that tests can run them as a click would.
    void FormCreate();
    void COMConClick();
    void BTCon1Click();
    void BtDiscon1Click();
    void BitBtn1Click();
    void BtExit1Click();
    void FormResize();
    void SetmaxExit();
    void SetMinExit();
    void COM11Click();
    void COM21Click();
    void COM31Click();
    void COM41Click();
    void ConTimerTimer();
    void TrecordTimer();
    void RecordSITimeChange();
    void RecordNewClick();
    void saveasClick();
    void SpeedButton2Click();
    void RecallCheckClick();
    void RecallCheckExit();
    void TimeHKeyUp();
    void N10001Click();
    void N50001Click();
    void N100001Click();
    void N500001Click();
    void N1000001Click();
    void limitessClick();
    // BtPrint and the hidden Print button: the report in a modal print preview.
    void onPrintClicked();

    Recorder& recorder() { return recorder_; }
    RecordTable& recordTable() { return table_; }
    RecordTableModel* gridModel() const { return gridModel_; }
    // Shows a message the recorder or the file commands returned.
    void showMessage(const Message& message);

    // The link indicator's tooltip: the port in force and the counts of decoded and dropped
    // frames. Built when the tooltip is asked for, not per frame.
    QString indicatorTip() const;

    // Port COMn in force (1..4) and the device path it resolves to.
    int comPort() const { return comPort_; }
    QString comPortPath(int n) const;

    // The USB cable: the HID device controller's events, the cable buttons and the hidden
    // device and history lists.
    bool onHidDeviceListed(HidDevice* device, int index);
    void onHidDeviceArrived(HidDevice* device);
    void onHidDeviceRemoved(HidDevice* device);
    void onHidDevicesChanged(HidDeviceController* sender);
    void onHidReadError(HidDevice* device, std::uint32_t error);
    void onUsbConnectClicked();
    void onSornReadClicked();
    void onSendSetupReportClicked();
    void onClearHistoryClicked();
    void onInfoClicked();
    // The device the last cable command picked from the device list, or none.
    HidDevice* currentHidDevice() const { return currentHidDevice_; }
    // The cable's reports, handed over by its reader, into Kelt or Sorn frame assembly.
    void onCableReportKelt(HidDevice* device, std::uint8_t reportId, const std::uint8_t* data,
                           std::uint16_t size);
    void onCableReportSorn(HidDevice* device, std::uint8_t reportId, const std::uint8_t* data,
                           std::uint16_t size);

    // Runs a handler under the general error report: a failure is shown in one message box
    // with its text and the rest of the handler is skipped. Nothing escapes to the event loop.
    void guarded(const std::function<void()>& handler);

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
    void setUpForm();
    // The four port panels, COM1 to COM4.
    std::array<PanelLabel*, 4> portPanels() const;
    void connectHandlers();
    void connectSequence();
    void disconnectSequence();
    bool openSerialPort();
    void selectPort(int n);
    void createSerialDriver();
    void updatePortTips();
    void setLimit(bool upper);
    void setRecordLimit(RecordLimitItem item);
    void syncLimitMenu();
    void copyRecallEdits();
    void followNewestRecord();
    void applyCountClassRow();
    void toggleGroupClicked(QToolButton* pressed);
    void syncScaleSettings();
    void closeSerialPort();
    void createHidController();
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
    void createRecordTable();
    void closeRecordTable();
    void connectRecordHandlers();
    void connectReportHandlers();
    void resetChart();
    void setChartValueAxis(int minimum, int maximum);
    AnalogScale* scaleWidget() const;
    SegmentedBar* barWidget() const;
    TrendChart* chartWidget() const;
    bool fillTicked() const;

    AppOptions options_;
    Dialogs* dialogs_;
    MeterCore core_;
    RecordTable table_;
    Recorder recorder_;
    RecordTableModel* gridModel_ = nullptr;
    std::unique_ptr<PortNameTable> portNames_;
    std::unique_ptr<HidBackend> systemHid_;  // the system's devices, unless options name others
    HidBackend* hidBackend_ = nullptr;
    HidDevice* currentHidDevice_ = nullptr;
    std::vector<HidDevice*> listedHidDevices_;  // the device each DevListBox line holds
    std::size_t historyLinesSeen_ = 0;          // data report lines already shown
    Receiver receiver_ = Receiver::None;
    int comPort_ = 1;
    bool centred_ = false;

    KeyFilter* digitFilter_ = nullptr;
    KeyFilter* signedFilter_ = nullptr;

    // The controls of main_window.ui; each is found by its objectName.
    std::unique_ptr<Ui::MainWindow> ui_;
    SerialPortDriver* COMM2 = nullptr;
    HidDeviceController* HidCtl = nullptr;
    QTimer* ConTimer = nullptr;
    QTimer* Trecord = nullptr;
};

}  // namespace dmm
