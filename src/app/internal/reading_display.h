// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <functional>

#include "pipeline_sink.h"

namespace dmm {

namespace Ui {
class MainWindow;
}

class MeterSession;

// The window's far end of the reading pipeline: each step of a decoded frame applied to the
// widget of the form that shows it (needle, record, bar, chart, LCD, extremes, alarm), and the
// analog scale's and the chart's settings kept in step with the meter's state and the limit
// boxes.
class ReadingDisplay : public PipelineSink {
public:
    // `record` offers the reading to the recorder and shows the record.
    ReadingDisplay(Ui::MainWindow& form, MeterSession& session, std::function<void()> record);

    // A new chart: the first page, the series the fill box asks for.
    void resetChart();
    // The start-up picture: the chart's value axis and the scale for the meter's state, the
    // needle at the centre.
    void showStart();
    // The scale's settings taken from the meter's state and the limit boxes, the scale redrawn.
    void redrawScale();

    void frequencyModeChanged(bool on) override;
    void beep() override;
    void showAlarm(bool on) override;
    void rangeChanged() override;
    void needle(int position) override;
    void record() override { record_(); }
    void bar(int position) override;
    void chartPoint(double value) override;
    void frameDone() override;

private:
    void showValueAxis();

    Ui::MainWindow& form_;
    MeterSession& session_;
    std::function<void()> record_;
};

}  // namespace dmm
