// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "record_commands.h"

#include <QAction>
#include <QCheckBox>
#include <QEvent>

#include "data_files.h"
#include "dialogs.h"
#include "file_filter.h"
#include "grid_columns.h"
#include "meter_core.h"
#include "record_table_model.h"
#include "report_document.h"
#include "report_preview.h"
#include "text_codec.h"
#include "ui_main_window.h"

namespace dmm {

RecordCommands::RecordCommands(Ui::MainWindow& form, MeterCore& core, const Clock& clock,
                               Dialogs* dialogs, QWidget* window)
    : QObject(window),
      form_(form),
      core_(core),
      dialogs_(dialogs),
      window_(window),
      recorder_(table_, &clock) {}

void RecordCommands::connectControls(const Guard& guard) {
    guard_ = guard;
    const auto run = [this](void (RecordCommands::*handler)()) {
        return [this, handler] { guard_([this, handler] { (this->*handler)(); }); };
    };
    const auto clicked = [&](QAbstractButton* button, void (RecordCommands::*handler)()) {
        connect(button, &QAbstractButton::clicked, this, run(handler));
    };
    const auto triggered = [&](QAction* item, void (RecordCommands::*handler)()) {
        connect(item, &QAction::triggered, this, run(handler));
    };
    connect(form_.recordRepeatsCheckBox, &QCheckBox::toggled, this,
            [this](bool on) { recorder_.recordRepeats = on; });
    connect(form_.samplingIntervalCheckBox, &QCheckBox::toggled, this,
            [this](bool on) { recorder_.sampleByInterval = on; });
    for (QLineEdit* e : {form_.samplingIntervalEdit, form_.recallHoursEdit, form_.recallMinutesEdit,
                         form_.recallSecondsEdit, form_.recallStepEdit}) {
        connect(e, &QLineEdit::textChanged, this, run(&RecordCommands::onRecordTimesEdited));
    }
    clicked(form_.clearRecordsButton, &RecordCommands::onClearRecordsClicked);
    triggered(form_.clearRecordsAction, &RecordCommands::onClearRecordsClicked);
    clicked(form_.saveRecordsButton, &RecordCommands::onSaveRecordsClicked);
    triggered(form_.saveRecordsAction, &RecordCommands::onSaveRecordsClicked);
    clicked(form_.openRecordsButton, &RecordCommands::onOpenRecordsClicked);
    clicked(form_.recallClockCheckBox, &RecordCommands::onRecallClockClicked);
    const auto items = limitItems();
    for (std::size_t i = 0; i < items.size(); ++i) {
        connect(items[i], &QAction::triggered, this, [this, limit = kRecordLimitChoices[i].limit] {
            guard_([this, limit] { onRecordLimitChosen(limit); });
        });
    }
    clicked(form_.printRecordsButton, &RecordCommands::onPrintClicked);
    clicked(form_.printButton, &RecordCommands::onPrintClicked);
    // Key releases in the recall clock's edits and the focus leaving its check box.
    for (QObject* watched :
         std::initializer_list<QObject*>{form_.recallHoursEdit, form_.recallMinutesEdit,
                                         form_.recallSecondsEdit, form_.recallClockCheckBox}) {
        watched->installEventFilter(this);
    }
}

bool RecordCommands::eventFilter(QObject* watched, QEvent* event) {
    const bool timeEdit = watched == form_.recallHoursEdit || watched == form_.recallMinutesEdit ||
                          watched == form_.recallSecondsEdit;
    if (event->type() == QEvent::KeyRelease && timeEdit) {
        guard_([this] { onRecallTimeKeyReleased(); });
    } else if (event->type() == QEvent::FocusOut && watched == form_.recallClockCheckBox) {
        guard_([this] { onRecallClockLeft(); });
    }
    return QObject::eventFilter(watched, event);
}

void RecordCommands::showMessage(const Message& message) {
    if (!dialogs_) return;
    // A message may quote a file's name: shown escaped.
    const QString text = QString::fromStdString(printable(message.text));
    if (message.kind == Message::Kind::Error) {
        dialogs_->error(text);
    } else {
        dialogs_->information(text);
    }
}

void RecordCommands::createRecordTable() {
    table_.clear();
    table_.setChangeLogging(false);
    if (!gridModel_) {
        gridModel_ = new RecordTableModel(&table_, this);
        form_.recordGrid->setModel(gridModel_);
        for (int c = 0; c < kFieldCount; ++c) {
            const auto column = static_cast<std::size_t>(c);
            form_.recordGrid->setColumnWidth(c, kGridColumnLooks[column].width);
        }
    }
    gridModel_->sync();
}

void RecordCommands::closeRecordTable() {
    table_.clear();
    if (gridModel_) gridModel_->sync();
}

void RecordCommands::recordReading() {
    if (recorder_.addReading(core_.reading(), core_.state.readingTimeMs)) {
        followNewestRecord();
    }
}

void RecordCommands::followNewestRecord() {
    gridModel_->sync();
    const int last = gridModel_->rowCount() - 1;
    if (last < 0) return;
    // The newest record becomes the current one, so the grid scrolls along.
    form_.recordGrid->setCurrentIndex(gridModel_->index(last, 0));
}

void RecordCommands::onSamplingTick() { recorder_.onSamplingTick(); }

void RecordCommands::onRecordTimesEdited() {
    recorder_.intervalText = form_.samplingIntervalEdit->text().toStdString();
    core_.settings.recallStepText = form_.recallStepEdit->text().toStdString();
    recorder_.restartSamplingWait();
}

void RecordCommands::onClearRecordsClicked() {
    recorder_.clearRecords([this](const Message& m) { showMessage(m); });
    gridModel_->sync();
}

void RecordCommands::copyRecallEdits() {
    recorder_.useRecallClock = form_.recallClockCheckBox->isChecked();
    recorder_.recallHoursText = form_.recallHoursEdit->text().toStdString();
    recorder_.recallMinutesText = form_.recallMinutesEdit->text().toStdString();
    recorder_.recallSecondsText = form_.recallSecondsEdit->text().toStdString();
    core_.settings.recallClockOn = recorder_.useRecallClock;
    core_.settings.recallStepText = form_.recallStepEdit->text().toStdString();
}

void RecordCommands::showRecallEdits() {
    form_.recallHoursEdit->setText(QString::fromStdString(recorder_.recallHoursText));
    form_.recallMinutesEdit->setText(QString::fromStdString(recorder_.recallMinutesText));
    form_.recallSecondsEdit->setText(QString::fromStdString(recorder_.recallSecondsText));
}

void RecordCommands::onRecallClockClicked() {
    copyRecallEdits();
    recorder_.resetRecallClock(core_.state.recallClock,
                               [this](const Message& m) { showMessage(m); });
    showRecallEdits();
}

void RecordCommands::onRecallClockLeft() {
    copyRecallEdits();
    recorder_.readRecallClock(core_.state.recallClock,
                              [this](const Message& m) { showMessage(m); });
}

void RecordCommands::onRecallTimeKeyReleased() {
    copyRecallEdits();
    recorder_.checkRecallClock(core_.state.recallClock,
                               [this](const Message& m) { showMessage(m); });
    showRecallEdits();
}

void RecordCommands::onSaveRecordsClicked() {
    if (!dialogs_) return;
    const QString name = dialogs_->getSaveFileName(
        QStringLiteral("Save data files"), qtFileFilter(QString::fromLatin1(kSaveDataFilter)),
        QString::fromLatin1(kSaveDataDefaultExtension));
    if (name.isEmpty()) return;
    const SaveOutcome out = saveDataFile(table_, name.toLocal8Bit().toStdString());
    showMessage(out.message);
    window_->update();
}

void RecordCommands::onOpenRecordsClicked() {
    if (!dialogs_) return;
    const QString name =
        dialogs_->getOpenFileName(QStringLiteral("Open old data files"),
                                  qtFileFilter(QString::fromLatin1(kOpenDataFilter)));
    if (!name.isEmpty()) openDataFile(name);
}

void RecordCommands::openDataFile(const QString& path) {
    const LoadOutcome out = loadDataFile(path.toLocal8Bit().toStdString(), table_, false);
    // The grid shows what the table holds now, whether the load finished or stopped part way,
    // with the last record current and in sight, as when records arrive one by one.
    gridModel_->setTable(&table_);
    followNewestRecord();
    if (!out.ok) showMessage(out.message);
    window_->update();
}

void RecordCommands::onRecordLimitChosen(int limit) {
    recorder_.setRecordLimit(static_cast<std::int32_t>(limit));
    syncLimitMenu();
}

void RecordCommands::syncLimitMenu() {
    // Check marks, one at a time: the menu keeps the one tick itself, since the items of an
    // exclusive group are drawn with radio bullets instead.
    const auto items = limitItems();
    for (std::size_t i = 0; i < items.size(); ++i) {
        items[i]->setChecked(kRecordLimitChoices[i].item == recorder_.checkedLimitItem());
    }
}

std::array<QAction*, kRecordLimitChoices.size()> RecordCommands::limitItems() const {
    return {form_.recordLimit1000Action,  form_.recordLimit5000Action,
            form_.recordLimit10000Action, form_.recordLimit50000Action,
            form_.recordLimit100000Action, form_.recordLimitlessAction};
}

void RecordCommands::onPrintClicked() {
    if (table_.empty()) {
        // An empty table has no pages; an empty preview would only puzzle.
        if (dialogs_) dialogs_->information(QStringLiteral("There are no records to print."));
        return;
    }
    bool printed = true;
    const std::size_t pages = ReportDocument(table_).pageCount();
    if (pages <= kMostPreviewPages) {
        printed = showReportPreview(table_, window_);
    } else {
        if (dialogs_) {
            dialogs_->information(
                QStringLiteral(
                    "The report has %1 pages, too many to preview. Choose where to print it.")
                    .arg(pages));
        }
        printed = printReportWithDialog(table_, window_);
    }
    window_->update();
    if (!printed && dialogs_) dialogs_->error(QStringLiteral("The report could not be printed."));
}

}  // namespace dmm
