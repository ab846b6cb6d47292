// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

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
    form_.trendChart->startNewChart();
    if (auto* box = form_.trendChart->findChild<QComboBox*>(QStringLiteral("seriesComboBox"))) {
        box->setCurrentIndex(0);
    }
    form_.trendChart->showSeries(form_.trendChart->fillTicked() ? 0 : 1);
}

void ReadingDisplay::showStart() {
    showValueAxis();
    redrawScale();
    form_.analogScale->moveNeedle(session_.core().state.countClass.needleCentre);
}

void ReadingDisplay::showValueAxis() {
    const ReadingState& st = session_.core().state;
    const ValueAxis axis = chartValueAxis(st.countClass, st.frequencyMode);
    form_.trendChart->setValueAxis(axis.minimum, axis.maximum);
}

void ReadingDisplay::redrawScale() {
    MeterCore& core = session_.core();
    ScaleSettings s;
    s.countClass = core.state.countClass;
    s.frequencyMode = core.state.frequencyMode;
    s.upperLimit = core.state.upperLimit;
    s.lowerLimit = core.state.lowerLimit;
    s.upperLimitOn = form_.upperLimitCheckBox->isChecked();
    s.lowerLimitOn = form_.lowerLimitCheckBox->isChecked();
    form_.analogScale->setSettings(s);
    core.settings.upperLimitOn = s.upperLimitOn;
    core.settings.lowerLimitOn = s.lowerLimitOn;
    form_.analogScale->drawScale();
}

void ReadingDisplay::frequencyModeChanged(bool) {
    redrawScale();
    showValueAxis();
}

void ReadingDisplay::beep() { QApplication::beep(); }

void ReadingDisplay::showAlarm(bool on) { form_.alarmLabel->setVisible(on); }

void ReadingDisplay::rangeChanged() {
    form_.trendChart->showSeries(form_.trendChart->fillTicked() ? 0 : 1);
    form_.trendChart->startNewChart();
}

void ReadingDisplay::needle(int position) { form_.analogScale->moveNeedle(position); }

void ReadingDisplay::bar(int position) { form_.barGraph->setPosition(position); }

void ReadingDisplay::chartPoint(double value) { form_.trendChart->appendPoint(value); }

void ReadingDisplay::frameDone() {
    const MeterCore& meter = session_.core();
    const ReadingState& st = meter.state;
    form_.lcdView->setPanel(meter.panel());
    form_.maximumReadingLabel->setText(QString::fromStdString(st.maxReadingText));
    form_.minimumReadingLabel->setText(QString::fromStdString(st.minReadingText));
    const QString unit = unitSymbols(QString::fromStdString(meter.reading().unitText));
    form_.maximumUnitLabel->setText(unit);
    form_.minimumUnitLabel->setText(unit);
    form_.frameDiagnosticLabel->setText(QString::fromStdString(meter.frameDiagnostic()));
    if (meter.lastOutcome().family == Family::Brio) {
        // The hidden memo keeps the Brio frames' texts, as many as the core's bounded log.
        form_.brioFramesText->appendPlainText(QString::fromStdString(meter.frameText()));
    }
}

}  // namespace dmm
