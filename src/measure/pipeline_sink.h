// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

namespace dmm {

// Where the reading pipeline reaches the rest of the program. The calls of one frame come in
// this order: frameSeen; frequencyModeChanged (Sorn, only when the mode flips); beep and
// showAlarm; rangeChanged (only on a range change); needle; record; bar; chartPoint; frameDone.
// The window, dmmcli and tests each supply their own; every call defaults to doing nothing.
class PipelineSink {
public:
    virtual ~PipelineSink() = default;

    // A frame was decoded: the link delivers.
    virtual void frameSeen() {}
    // Sorn frequency annunciator came or went: redraw the scale and set the chart's value axis
    // to chartValueAxis(countClass, on).
    virtual void frequencyModeChanged(bool on) { (void)on; }
    // The reading is beyond an active limit: sound the system beep.
    virtual void beep() {}
    // Show or hide the alarm panel "OL !!".
    virtual void showAlarm(bool on) { (void)on; }
    // Unit or decimal point changed: show the filled or the line series as the fill box says,
    // then start a new chart.
    virtual void rangeChanged() {}
    // Move the analog needle.
    virtual void needle(int position) { (void)position; }
    // Offer the current reading to the recorder (Recorder::addReading).
    virtual void record() {}
    // Set the bar graph's position.
    virtual void bar(int position) { (void)position; }
    // Append one point to both chart series; follow the last page when the chart does.
    virtual void chartPoint(double value) { (void)value; }
    // All steps done: the panel, reading and extremes are final for this frame.
    virtual void frameDone() {}
};

}  // namespace dmm
