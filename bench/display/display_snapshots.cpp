// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

// Renders the analog scale for every count class and the frequency layout, the bar, and the
// trend chart (area and line, first and last page) to PNG files in the given folder.
//   QT_QPA_PLATFORM=offscreen display_snapshots OUT_DIR
#include <QApplication>
#include <QDir>
#include <QWidget>
#include <cmath>
#include <cstdio>

#include "analog_scale.h"
#include "count_class.h"
#include "segmented_bar.h"
#include "trend_chart.h"

namespace {

void snapScale(const QString& dir, const QString& name, dmm::ScaleSettings settings,
               int needle) {
    dmm::AnalogScale kd;
    kd.setSettings(settings);
    kd.show();
    kd.drawScale();
    kd.moveNeedle(settings.countClass.needleCentre);
    kd.moveNeedle(needle);
    kd.grab().save(dir + "/scale_" + name + ".png");
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString dir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString(".");
    QDir().mkpath(dir);

    for (const char* name : {"4", "6", "34", "2"}) {
        dmm::ScaleSettings s;
        s.countClass = *dmm::findCountClass(name);
        const int step = s.countClass.needleStep;
        snapScale(dir, QString("class%1").arg(name), s, step * 7);
        s.upperLimit = static_cast<float>(s.countClass.fullScale) / 2;
        s.upperLimitOn = true;
        s.lowerLimit = -static_cast<float>(s.countClass.fullScale) * 3 / 4;
        s.lowerLimitOn = true;
        snapScale(dir, QString("class%1_limits").arg(name), s, step * 3);
    }
    dmm::ScaleSettings f;
    f.frequencyMode = true;
    snapScale(dir, "frequency", f, 400);

    {
        // A tall panel (W <= 2H) drawn directly, and the standard panel enlarged by the zoom.
        dmm::AnalogScale tall;
        tall.resize(300, 260);
        tall.show();
        tall.drawScale();
        tall.moveNeedle(650);
        tall.grab().save(dir + "/scale_tall_panel.png");

        QWidget window;
        window.resize(711, 485);
        auto* kd = new dmm::AnalogScale(&window);
        kd->setGeometry(340, 30, 371, 143);
        window.show();
        kd->drawScale();
        kd->toggleEnlarged();
        kd->moveNeedle(250);
        window.grab().save(dir + "/scale_enlarged.png");
    }

    dmm::SegmentedBar bar;
    bar.resize(334, 17);
    bar.show();
    bar.setPosition(27);
    bar.grab().save(dir + "/bar.png");

    QWidget window;
    window.resize(711, 485);
    dmm::TrendChart chart(&window);
    window.show();
    chart.startNewChart();
    chart.setValueAxis(-40000, 40000);
    chart.grab().save(dir + "/chart_new.png");
    for (int i = 0; i < 250; ++i) chart.appendPoint(20000.0 * std::sin(i / 12.0) + 150.0 * i);
    chart.grab().save(dir + "/chart_area_last.png");
    chart.showFirstPage();
    chart.grab().save(dir + "/chart_area_first.png");
    chart.toggleFill();
    chart.grab().save(dir + "/chart_line_first.png");
    chart.showLastPage();
    chart.grab().save(dir + "/chart_line_last.png");
    chart.renderChart().save(dir + "/chart_saved.png");
    chart.toggleEnlarged();
    window.grab().save(dir + "/chart_enlarged.png");
    std::printf("snapshots written to %s\n", qPrintable(dir));
    return 0;
}
