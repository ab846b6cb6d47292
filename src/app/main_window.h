#pragma once

#include <QMainWindow>

#include <array>
#include <functional>
#include <memory>

#include "app_options.h"
#include "broker_connection.h"
#include "meter_session.h"
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
class ReadingDisplay;
class RecordCommands;
class RecordTableModel;

// The main window: the controls of main_window.ui (visible and hidden), the menu and the
// commands. It shows a meter session (the link, the decoding and the watchdogs) through the
// reading display, and holds the record commands; its handlers read controls, call the session
// and show what it decided. Tests, screenshots and scripts find the controls by objectName.
class MainWindow : public QMainWindow {
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
    // The records: the table, the recorder, the grid and their commands.
    RecordCommands& records() { return *records_; }
    Recorder& recorder();
    RecordTable& recordTable();
    RecordTableModel* gridModel() const;

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
    void onBrokerChosen();           // "Broker...": a meter another machine publishes
    // Reads the meter published under the settings' prefix instead of a port or the cable.
    void subscribeToBroker(const BrokerSettings& settings);

    // Leaving.
    void onCloseClicked();           // "EXIT": closes the window
    void onQuitClicked();            // the hidden "Exit" panel and item: closes the table, quits

    // The alarm limits.
    void onUpperLimitEdited();       // the upper limit's edit or check box
    void onLowerLimitEdited();

    // The USB cable: the cable buttons and the hidden device and history lists.
    void onUsbConnectToggled();      // "USB Connect": the set-up report, then Kelt frames
    void onCableReadToggled();       // the hidden "Read" toggle: Sorn frames from the cable
    void onSendSetupReportClicked();
    void onClearHistoryClicked();
    void onOpenAnotherWindowClicked();  // the hidden "Info" button

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

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

    AppOptions options_;
    Dialogs* dialogs_;
    MeterSession* session_ = nullptr;
    std::unique_ptr<Ui::MainWindow> ui_;  // the controls of main_window.ui
    RecordCommands* records_ = nullptr;
    std::unique_ptr<ReadingDisplay> display_;  // the pipeline's far end on the form
    QTimer* linkWatchdog_ = nullptr;            // 100 ms
    QTimer* samplingTimer_ = nullptr;           // 1 s
    KeyFilter* digitFilter_ = nullptr;
    KeyFilter* signedFilter_ = nullptr;
    bool centred_ = false;
};

}  // namespace dmm
