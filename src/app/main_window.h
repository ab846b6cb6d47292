#pragma once

#include <QMainWindow>

#include <array>
#include <functional>
#include <memory>
#include <vector>

#include "app_options.h"
#include "meter_core.h"
#include "meter_session.h"
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
class RecordTableModel;

// The main window: the controls of main_window.ui (visible and hidden), the menu, the commands,
// and the far end of the reading pipeline. It shows a meter session (the link, the decoding and
// the watchdogs) and owns the record table; its handlers read controls, call the session or
// the recorder and show what they decided. Tests, screenshots and scripts find the controls by
// objectName.
class MainWindow : public QMainWindow, public PipelineSink {
    Q_OBJECT
public:
    // dialogs: message boxes and file dialogs go through it; the window does not own it.
    MainWindow(const AppOptions& options, Dialogs* dialogs, QWidget* parent = nullptr);
    ~MainWindow() override;

    MeterCore& core() { return session_->core(); }
    // The meter shown: its link, decoding and watchdogs.
    MeterSession& session() { return *session_; }
    const AppOptions& options() const { return options_; }
    Dialogs* dialogs() const { return dialogs_; }
    Recorder& recorder() { return recorder_; }
    RecordTable& recordTable() { return table_; }
    RecordTableModel* gridModel() const { return gridModel_; }

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
    void onRecallClockClicked();     // the recall clock's check box
    void onRecallClockLeft();        // the focus left the recall clock's check box
    void onRecallTimeKeyReleased();  // a key released in the recall clock's time edits
    void onRecordLimitChosen(int limit);  // the "Record" menu's limit items
    void onPrintClicked();           // "Print" and the hidden print button: the print preview

    // The USB cable: the cable buttons and the hidden device and history lists.
    void onUsbConnectToggled();      // "USB Connect": the set-up report, then Kelt frames
    void onCableReadToggled();       // the hidden "Read" toggle: Sorn frames from the cable
    void onSendSetupReportClicked();
    void onClearHistoryClicked();
    void onOpenAnotherWindowClicked();  // the hidden "Info" button

signals:
    // After each decoded frame has run through every display step.
    void frameHandled();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

    // PipelineSink
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
    void createSession();
    void connectHandlers();
    void connectSession();
    void startUp();
    void applyCountClass();

    // The four port panels, COM1 to COM4.
    std::array<PanelLabel*, 4> portPanels() const;
    // Pressing one of "COM Connect", "USB Connect" and "Read" lifts the others.
    void liftOtherLinkButtons(QToolButton* pressed);
    void alignBottomPanels();

    // What the session says about its links, shown.
    void connectSerialPort();
    void showSerialPortClosed();
    void showPortTips();
    void showLinkLit(bool lit);
    void showDeviceList();
    void addHistoryLine(const QString& line);
    void showCableDiagnostics();
    void showCableSilent();
    // Lifts a cable button the session could not act on, saying why where the user pressed it.
    void showCableCommand(QToolButton* button, CableCommand result, bool sayNoCable);

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

    AppOptions options_;
    Dialogs* dialogs_;
    MeterSession* session_ = nullptr;
    RecordTable table_;
    Recorder recorder_;
    std::unique_ptr<Ui::MainWindow> ui_;  // the controls of main_window.ui
    RecordTableModel* gridModel_ = nullptr;
    QTimer* linkWatchdog_ = nullptr;            // 100 ms
    QTimer* samplingTimer_ = nullptr;           // 1 s
    KeyFilter* digitFilter_ = nullptr;
    KeyFilter* signedFilter_ = nullptr;
    bool centred_ = false;
};

}  // namespace dmm
