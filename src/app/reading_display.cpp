#include "reading_display.h"

#include <QApplication>
#include <QComboBox>

#include "meter_session.h"
#include "ui_main_window.h"
#include "unit_symbols.h"

namespace dmm {

ReadingDisplay::ReadingDisplay(Ui::MainWindow& form, MeterSession& session,
                               std::function<void()> record)
    : form_(form), session_(session), record_(std::move(record)) {}

void ReadingDisplay::resetChart() {
    form_.Chtshow->startNewChart();
    if (auto* box = form_.Chtshow->findChild<QComboBox*>(QStringLiteral("ComboBox1"))) {
        box->setCurrentIndex(0);
    }
    form_.Chtshow->showSeries(form_.Chtshow->fillTicked() ? 0 : 1);
}

void ReadingDisplay::showStart() {
    showValueAxis();
    redrawScale();
    form_.KD->moveNeedle(session_.core().state.countClass.needleCentre);
}

void ReadingDisplay::showValueAxis() {
    const ReadingState& st = session_.core().state;
    const ValueAxis axis = chartValueAxis(st.countClass, st.frequencyMode);
    form_.Chtshow->setValueAxis(axis.minimum, axis.maximum);
}

void ReadingDisplay::redrawScale() {
    MeterCore& core = session_.core();
    ScaleSettings s;
    s.countClass = core.state.countClass;
    s.frequencyMode = core.state.frequencyMode;
    s.upperLimit = core.state.upperLimit;
    s.lowerLimit = core.state.lowerLimit;
    s.upperLimitOn = form_.SetMaxB->isChecked();
    s.lowerLimitOn = form_.SetMinB->isChecked();
    form_.KD->setSettings(s);
    core.settings.upperLimitOn = s.upperLimitOn;
    core.settings.lowerLimitOn = s.lowerLimitOn;
    form_.KD->drawScale();
}

void ReadingDisplay::frequencyModeChanged(bool) {
    redrawScale();
    showValueAxis();
}

void ReadingDisplay::beep() { QApplication::beep(); }

void ReadingDisplay::showAlarm(bool on) { form_.oltext->setVisible(on); }

void ReadingDisplay::rangeChanged() {
    form_.Chtshow->showSeries(form_.Chtshow->fillTicked() ? 0 : 1);
    form_.Chtshow->startNewChart();
}

void ReadingDisplay::needle(int position) { form_.KD->moveNeedle(position); }

void ReadingDisplay::bar(int position) { form_.PBar2->setPosition(position); }

void ReadingDisplay::chartPoint(double value) { form_.Chtshow->appendPoint(value); }

void ReadingDisplay::frameDone() {
    const MeterCore& meter = session_.core();
    const ReadingState& st = meter.state;
    form_.Panel1->setPanel(meter.panel());
    form_.MaxText->setText(QString::fromStdString(st.maxReadingText));
    form_.MinText->setText(QString::fromStdString(st.minReadingText));
    const QString unit = unitSymbols(QString::fromStdString(meter.reading().unitText));
    form_.MaxTextU->setText(unit);
    form_.MinTextU->setText(unit);
    form_.USBtxt->setText(QString::fromStdString(meter.frameDiagnostic()));
    if (meter.lastOutcome().family == Family::Brio) {
        // The hidden memo keeps the Brio frames' texts, as many as the core's bounded log.
        form_.Memo1->appendPlainText(QString::fromStdString(meter.frameText()));
    }
}

}  // namespace dmm
