// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QObject>

#include <array>
#include <functional>

#include "record_table.h"
#include "recorder.h"

class QAction;
class QWidget;

namespace dmm {

namespace Ui {
class MainWindow;
}

class Dialogs;
class MeterCore;
class RecordTableModel;
struct Message;

// The records' commands on the window's form: the record row (repeat, sampling interval, the
// recall clock), the grid on the record table, the "Record" menu's limits, the data files and
// the printed report. It owns the table and the recorder the pipeline's record step fills.
class RecordCommands : public QObject {
    Q_OBJECT
public:
    // Runs a handler under the window's general error report.
    using Guard = std::function<void(const std::function<void()>&)>;

    // `window`: the form's window, parent of the dialogs; dialogs may be none. `clock` gives
    // the records their times.
    RecordCommands(Ui::MainWindow& form, MeterCore& core, const Clock& clock, Dialogs* dialogs,
                   QWidget* window);

    RecordTable& table() { return table_; }
    Recorder& recorder() { return recorder_; }
    RecordTableModel* gridModel() const { return gridModel_; }

    // Connects the form's record controls to the handlers below, each run by `guard`.
    void connectControls(const Guard& guard);

    // An empty table in the grid (start-up), and the table closed (leaving).
    void createRecordTable();
    void closeRecordTable();
    // The pipeline's record step: the reading offered to the recorder, the grid following.
    void recordReading();

    // Handlers; public so that tests can run them as the control would.
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

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showMessage(const Message& message);
    void followNewestRecord();
    void syncLimitMenu();
    // The "Record" menu's limit items, in the order of kRecordLimitChoices.
    std::array<QAction*, kRecordLimitChoices.size()> limitItems() const;
    void copyRecallEdits();
    void showRecallEdits();

    Ui::MainWindow& form_;
    MeterCore& core_;
    Dialogs* dialogs_;
    QWidget* window_;
    Guard guard_;
    RecordTable table_;
    Recorder recorder_;
    RecordTableModel* gridModel_ = nullptr;
};

}  // namespace dmm
