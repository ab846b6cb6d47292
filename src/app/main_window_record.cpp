// The recorder's controls, the grid on the record table, the Record menu and the data files.
#include <QAction>

#include "data_files.h"
#include "dialogs.h"
#include "file_filter.h"
#include "grid_columns.h"
#include "main_window.h"
#include "record_table_model.h"
#include "text_codec.h"
#include "ui_main_window.h"

namespace dmm {

void MainWindow::showMessage(const Message& message) {
    if (!dialogs_) return;
    // A message may quote a file's name: shown escaped.
    const QString text = QString::fromStdString(printable(message.text));
    if (message.kind == Message::Kind::Error) {
        dialogs_->error(text);
    } else {
        dialogs_->information(text);
    }
}

void MainWindow::createRecordTable() {
    table_.clear();
    table_.setChangeLogging(false);
    if (!gridModel_) {
        gridModel_ = new RecordTableModel(&table_, this);
        ui_->DBGrid1->setModel(gridModel_);
        for (int c = 0; c < kFieldCount; ++c) {
            ui_->DBGrid1->setColumnWidth(c, kGridColumns[static_cast<std::size_t>(c)].width);
        }
    }
    gridModel_->sync();
}

void MainWindow::closeRecordTable() {
    table_.clear();
    if (gridModel_) gridModel_->sync();
}

void MainWindow::record() {
    if (recorder_.addReading(core_.reading(), core_.state.readingTimeMs)) {
        followNewestRecord();
    }
}

void MainWindow::followNewestRecord() {
    gridModel_->sync();
    const int last = gridModel_->rowCount() - 1;
    if (last < 0) return;
    // The newest record becomes the current one, so the grid scrolls along.
    ui_->DBGrid1->setCurrentIndex(gridModel_->index(last, 0));
}

void MainWindow::onSamplingTick() { recorder_.onSamplingTick(); }

void MainWindow::onRecordTimesEdited() {
    recorder_.intervalText = ui_->RecordSITime->text().toStdString();
    core_.settings.recallStepText = ui_->TimeInt->text().toStdString();
    recorder_.restartSamplingWait();
}

void MainWindow::onClearRecordsClicked() {
    recorder_.clearRecords([this](const Message& m) { showMessage(m); });
    gridModel_->sync();
}

void MainWindow::copyRecallEdits() {
    recorder_.useRecallClock = ui_->RecallCheck->isChecked();
    recorder_.recallHoursText = ui_->TimeH->text().toStdString();
    recorder_.recallMinutesText = ui_->TimeM->text().toStdString();
    recorder_.recallSecondsText = ui_->TimeS->text().toStdString();
    core_.settings.recallClockOn = recorder_.useRecallClock;
    core_.settings.recallStepText = ui_->TimeInt->text().toStdString();
}

void MainWindow::showRecallEdits() {
    ui_->TimeH->setText(QString::fromStdString(recorder_.recallHoursText));
    ui_->TimeM->setText(QString::fromStdString(recorder_.recallMinutesText));
    ui_->TimeS->setText(QString::fromStdString(recorder_.recallSecondsText));
}

void MainWindow::onRecallClockClicked() {
    copyRecallEdits();
    recorder_.resetRecallClock(core_.state.recallClock,
                               [this](const Message& m) { showMessage(m); });
    showRecallEdits();
}

void MainWindow::onRecallClockLeft() {
    copyRecallEdits();
    recorder_.readRecallClock(core_.state.recallClock,
                              [this](const Message& m) { showMessage(m); });
}

void MainWindow::onRecallTimeKeyReleased() {
    copyRecallEdits();
    recorder_.checkRecallClock(core_.state.recallClock,
                               [this](const Message& m) { showMessage(m); });
    showRecallEdits();
}

void MainWindow::onSaveRecordsClicked() {
    if (!dialogs_) return;
    const QString name = dialogs_->getSaveFileName(
        QStringLiteral("Save data files"), qtFileFilter(QString::fromLatin1(kSaveDataFilter)),
        QString::fromLatin1(kSaveDataDefaultExtension));
    if (name.isEmpty()) return;
    const SaveOutcome out = saveDataFile(table_, name.toLocal8Bit().toStdString());
    showMessage(out.message);
    update();
}

void MainWindow::onOpenRecordsClicked() {
    if (!dialogs_) return;
    const QString name =
        dialogs_->getOpenFileName(QStringLiteral("Open old data files"),
                                  qtFileFilter(QString::fromLatin1(kOpenDataFilter)));
    if (name.isEmpty()) return;
    const LoadOutcome out = loadDataFile(name.toLocal8Bit().toStdString(), table_, false);
    // The grid shows what the table holds now, whether the load finished or stopped part way,
    // with the last record current and in sight, as when records arrive one by one.
    gridModel_->setTable(&table_);
    followNewestRecord();
    if (!out.ok) showMessage(out.message);
    update();
}

void MainWindow::onRecordLimitChosen(int limit) {
    recorder_.setRecordLimit(static_cast<std::int32_t>(limit));
    syncLimitMenu();
}

void MainWindow::syncLimitMenu() {
    // Check marks, one at a time: the menu keeps the one tick itself, since the items of an
    // exclusive group are drawn with radio bullets instead.
    for (const RecordLimitChoice& choice : kRecordLimitChoices) {
        const QString name = QString::fromLatin1(choice.objectName.data(),
                                                 static_cast<qsizetype>(choice.objectName.size()));
        findChild<QAction*>(name)->setChecked(choice.item == recorder_.checkedLimitItem());
    }
}

}  // namespace dmm
