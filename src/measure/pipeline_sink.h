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
    // Sorn frequency annunciator came or went: the scale and the chart's value axis
    // (chartValueAxis(countClass, on)) change with it.
    virtual void frequencyModeChanged(bool on) { (void)on; }
    // The reading is beyond an active limit: sound the system beep.
    virtual void beep() {}
    // The reading went beyond an active limit (on) or came back within it.
    virtual void showAlarm(bool on) { (void)on; }
    // Unit or decimal point changed: the readings before are not comparable with the next ones,
    // so the chart starts anew.
    virtual void rangeChanged() {}
    // The needle position of the reading.
    virtual void needle(int position) { (void)position; }
    // Offer the current reading to the recorder (Recorder::addReading).
    virtual void record() {}
    // The bar position of the reading.
    virtual void bar(int position) { (void)position; }
    // The chart point of the reading.
    virtual void chartPoint(double value) { (void)value; }
    // All steps done: the LCD panel, reading and extremes are final for this frame.
    virtual void frameDone() {}
};

}  // namespace dmm
