// The recorder's controls, the grid on the record table, the Record menu and the data files.
#include <QAction>
#include <QCheckBox>
#include <QEvent>
#include <QHelpEvent>
#include <QToolTip>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <QToolButton>

#include "data_files.h"
#include "dialogs.h"
#include "file_filter.h"
#include "grid_columns.h"
#include "main_window.h"
#include "record_grid.h"
#include "record_table_model.h"

namespace dmm {

void TFCOMM::showMessage(const Message& message) {
    if (!dialogs_) return;
    const QString text = QString::fromStdString(message.text);
    if (message.kind == Message::Kind::Error) {
        dialogs_->error(text);
    } else {
        dialogs_->information(text);
    }
}

void TFCOMM::createRecordTable() {
    table_.clear();
    table_.setChangeLogging(false);
    if (!gridModel_) {
        gridModel_ = new RecordTableModel(&table_, this);
        DBGrid1->setModel(gridModel_);
        for (int c = 0; c < kFieldCount; ++c) {
            DBGrid1->setColumnWidth(c, kGridColumns[static_cast<std::size_t>(c)].width);
        }
    }
    gridModel_->sync();
}

void TFCOMM::closeRecordTable() {
    table_.clear();
    if (gridModel_) gridModel_->sync();
}

void TFCOMM::connectRecordHandlers() {
    auto run = [this](void (TFCOMM::*handler)()) {
        return [this, handler] { guarded([=, this] { (this->*handler)(); }); };
    };
    connect(Trecord, &QTimer::timeout, this, run(&TFCOMM::TrecordTimer));
    connect(RepeatSet, &QCheckBox::toggled, this, [this](bool on) { recorder_.recordRepeats = on; });
    connect(RecordSI, &QCheckBox::toggled, this, [this](bool on) { recorder_.sampleByInterval = on; });
    for (QLineEdit* e : {RecordSITime, TimeH, TimeM, TimeS, TimeInt}) {
        connect(e, &QLineEdit::textChanged, this, run(&TFCOMM::RecordSITimeChange));
    }
    connect(RecordNew, &QAbstractButton::clicked, this, run(&TFCOMM::RecordNewClick));
    connect(New1, &QAction::triggered, this, run(&TFCOMM::RecordNewClick));
    connect(saveas, &QAbstractButton::clicked, this, run(&TFCOMM::saveasClick));
    connect(Save1, &QAction::triggered, this, run(&TFCOMM::saveasClick));
    connect(OpenDataFiles, &QAbstractButton::clicked, this, run(&TFCOMM::SpeedButton2Click));
    connect(RecallCheck, &QAbstractButton::clicked, this, run(&TFCOMM::RecallCheckClick));
    // Key releases in the recall clock's edits, and focus leaving its check box.
    for (QLineEdit* e : {TimeH, TimeM, TimeS}) e->installEventFilter(this);
    RecallCheck->installEventFilter(this);
    CONok->installEventFilter(this);
    CONokN->installEventFilter(this);
    connect(N10001, &QAction::triggered, this, run(&TFCOMM::N10001Click));
    connect(N50001, &QAction::triggered, this, run(&TFCOMM::N50001Click));
    connect(N100001, &QAction::triggered, this, run(&TFCOMM::N100001Click));
    connect(N500001, &QAction::triggered, this, run(&TFCOMM::N500001Click));
    connect(N1000001, &QAction::triggered, this, run(&TFCOMM::N1000001Click));
    connect(limitess, &QAction::triggered, this, run(&TFCOMM::limitessClick));
}

bool TFCOMM::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyRelease && (watched == TimeH || watched == TimeM || watched == TimeS)) {
        guarded([this] { TimeHKeyUp(); });
    } else if (event->type() == QEvent::FocusOut && watched == RecallCheck) {
        guarded([this] { RecallCheckExit(); });
    } else if (event->type() == QEvent::ToolTip && (watched == CONok || watched == CONokN)) {
        QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), indicatorTip(),
                           static_cast<QWidget*>(watched));
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void TFCOMM::record() {
    if (recorder_.addReading(core_.reading(), core_.state.readingTimeMs)) {
        followNewestRecord();
    }
}

void TFCOMM::followNewestRecord() {
    gridModel_->sync();
    const int last = gridModel_->rowCount() - 1;
    if (last < 0) return;
    // The newest record becomes the current one, so the grid scrolls along.
    DBGrid1->setCurrentIndex(gridModel_->index(last, 0));
}

void TFCOMM::TrecordTimer() { recorder_.onSamplingTick(); }

void TFCOMM::RecordSITimeChange() {
    recorder_.intervalText = RecordSITime->text().toStdString();
    core_.settings.recallStepText = TimeInt->text().toStdString();
    recorder_.restartSamplingWait();
}

void TFCOMM::RecordNewClick() {
    recorder_.clearRecords([this](const Message& m) { showMessage(m); });
    gridModel_->sync();
}

void TFCOMM::copyRecallEdits() {
    recorder_.useRecallClock = RecallCheck->isChecked();
    recorder_.recallHoursText = TimeH->text().toStdString();
    recorder_.recallMinutesText = TimeM->text().toStdString();
    recorder_.recallSecondsText = TimeS->text().toStdString();
    core_.settings.recallClockOn = recorder_.useRecallClock;
    core_.settings.recallStepText = TimeInt->text().toStdString();
}

void TFCOMM::RecallCheckClick() {
    copyRecallEdits();
    recorder_.resetRecallClock(core_.state.recallClock, [this](const Message& m) { showMessage(m); });
    TimeH->setText(QString::fromStdString(recorder_.recallHoursText));
    TimeM->setText(QString::fromStdString(recorder_.recallMinutesText));
    TimeS->setText(QString::fromStdString(recorder_.recallSecondsText));
}

void TFCOMM::RecallCheckExit() {
    copyRecallEdits();
    recorder_.readRecallClock(core_.state.recallClock, [this](const Message& m) { showMessage(m); });
}

void TFCOMM::TimeHKeyUp() {
    copyRecallEdits();
    recorder_.checkRecallClock(core_.state.recallClock, [this](const Message& m) { showMessage(m); });
    TimeH->setText(QString::fromStdString(recorder_.recallHoursText));
    TimeM->setText(QString::fromStdString(recorder_.recallMinutesText));
    TimeS->setText(QString::fromStdString(recorder_.recallSecondsText));
}

void TFCOMM::saveasClick() {
    if (!dialogs_) return;
    const QString name = dialogs_->getSaveFileName(
        QStringLiteral("Save data files"), qtFileFilter(QString::fromLatin1(kSaveDialog2Filter)),
        QString::fromLatin1(kSaveDialog2DefaultExt));
    if (name.isEmpty()) return;
    const SaveOutcome out = saveDataFile(table_, name.toLocal8Bit().toStdString());
    showMessage(out.message);
    update();
}

void TFCOMM::SpeedButton2Click() {
    if (!dialogs_) return;
    const QString name = dialogs_->getOpenFileName(
        QStringLiteral("Open old data files"), qtFileFilter(QString::fromLatin1(kOpenDialog1Filter)));
    if (name.isEmpty()) return;
    const LoadOutcome out = loadDataFile(name.toLocal8Bit().toStdString(), table_, false);
    // The grid shows what the table holds now, whether the load finished or stopped part way,
    // with the last record current and in sight, as when records arrive one by one.
    gridModel_->setTable(&table_);
    followNewestRecord();
    if (!out.ok) showMessage(out.message);
    update();
}

void TFCOMM::setRecordLimit(RecordLimitItem item) {
    recorder_.setRecordLimit(item);
    syncLimitMenu();
}

void TFCOMM::syncLimitMenu() {
    QAction* items[] = {N10001, N50001, N100001, N500001, N1000001, limitess};
    for (std::size_t i = 0; i < kRecordLimitChoices.size(); ++i) {
        items[i]->setChecked(kRecordLimitChoices[i].item == recorder_.checkedLimitItem());
    }
}

void TFCOMM::N10001Click() { setRecordLimit(RecordLimitItem::Records1000); }
void TFCOMM::N50001Click() { setRecordLimit(RecordLimitItem::Records5000); }
void TFCOMM::N100001Click() { setRecordLimit(RecordLimitItem::Records10000); }
void TFCOMM::N500001Click() { setRecordLimit(RecordLimitItem::Records50000); }
void TFCOMM::N1000001Click() { setRecordLimit(RecordLimitItem::Records100000); }
void TFCOMM::limitessClick() { setRecordLimit(RecordLimitItem::Limitless); }

}  // namespace dmm
