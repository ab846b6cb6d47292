// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QChartView>
#include <QImage>
#include <QRect>
#include <span>

#include "trend_chart_model.h"

class QAction;
class QAreaSeries;
class QCheckBox;
class QComboBox;
class QFrame;
class QLineEdit;
class QLineSeries;
class QMenu;
class QToolButton;
class QValueAxis;
class QWheelEvent;
class QXYSeries;

namespace dmm {

class ClickableImage;
// The trend chart: one point per reading against the running point number, shown a
// page at a time as a filled area (`areaSeries`, index 0) or a plain line (`lineSeries`, index 1),
// with a tool bar on its top edge for paging, the series choice, a new chart, saving a bitmap
// and enlarging. Its actions (actions(), in menu order, separators included) repeat the tool bar
// for a menu of the window's. Saving asks the window for a file name (savePictureRequested); a
// points-per-page text that is not a number is reported to it (pointsPerPageRejected).
//
// The points live in the model; the view holds only the points of the page shown, in the one
// active series.
class TrendChart : public QChartView {
    Q_OBJECT
public:
    explicit TrendChart(QWidget* parent = nullptr);

    // Deactivates every series, then activates the one with the index (0 area, 1 line): the
    // series box's choice.
    void showSeries(int index);
    // Starts a new chart: both series cleared down to the placeholder point ("New").
    void startNewChart();
    // Appends a reading to both series and follows the last page while FollowLastPage is set.
    void appendPoint(double value);
    // Appends many readings as appendPoint does each, bringing the view up to date once.
    void appendPoints(std::span<const double> values);
    // Sets the fixed range of the value axis.
    void setValueAxis(double minimum, double maximum);

    // The menu's "Fill": ticks or unticks the Fill box and shows the area or the line.
    void toggleFill();
    // The paging commands of the tool bar and the menu.
    void showFirstPage();
    void showPreviousPage();
    void showNextPage();
    void showLastPage();
    // Enlarges the chart over the window's grid, LCD and scale, or restores it.
    void toggleEnlarged();
    // Draws the chart without its tool bar into a bitmap of the chart's size.
    QImage renderChart();
    // Writes the chart as a Windows bitmap; on failure returns false with the reason.
    bool savePicture(const QString& fileName, QString* error);

    const TrendChartModel& model() const { return model_; }
    // Whether the Fill box is ticked: the series a range change shows (0 when ticked, else 1).
    bool fillTicked() const;
    int activeSeries() const { return active_; }
    QLineSeries* lineSeries() const { return lineSeries_; }
    QAreaSeries* areaSeries() const { return areaSeries_; }
    QValueAxis* valueAxis() const { return valueAxis_; }
    QValueAxis* pointAxis() const { return pointAxis_; }
    // Number of points the view holds now (the page shown, without the placeholder).
    qsizetype shownPointCount() const;

signals:
    // "Save" was chosen, on the tool bar or among the actions.
    void savePictureRequested();
    // The points-per-page edit holds a text that is not a number; the reason, to show.
    void pointsPerPageRejected(const QString& reason);

protected:
    void wheelEvent(QWheelEvent* event) override;

private:
    void buildChart();
    void buildToolBar();
    void buildActions();
    // The Fill box was ticked or unticked, by the user or by the program.
    void onFillBoxToggled();
    void onPointsPerPageEdited();
    QXYSeries* activeXY() const;
    // Brings the series shown, the point axis, the page caption and the buttons up to date.
    void refreshPage(bool rebuild);
    void applyNavigation();

    TrendChartModel model_;
    int active_ = 0;

    QChart* chart_ = nullptr;
    QLineSeries* lineSeries_ = nullptr;
    QLineSeries* areaUpperLine_ = nullptr;
    QAreaSeries* areaSeries_ = nullptr;
    QValueAxis* pointAxis_ = nullptr;
    QValueAxis* valueAxis_ = nullptr;
    TrendChartModel::PageRange shown_;
    int shownSeries_ = -1;

    QFrame* fillFrame_ = nullptr;
    QCheckBox* fillBox_ = nullptr;
    QLineEdit* pointsPerPageEdit_ = nullptr;
    QToolButton* newButton_ = nullptr;
    QToolButton* saveButton_ = nullptr;
    QToolButton* firstButton_ = nullptr;
    QToolButton* previousButton_ = nullptr;
    QToolButton* pageButton_ = nullptr;
    QToolButton* nextButton_ = nullptr;
    QToolButton* lastButton_ = nullptr;
    ClickableImage* enlargeIcon_ = nullptr;
    ClickableImage* restoreIcon_ = nullptr;
    QComboBox* seriesBox_ = nullptr;

    QAction* firstAction_ = nullptr;
    QAction* previousAction_ = nullptr;
    QAction* nextAction_ = nullptr;
    QAction* lastAction_ = nullptr;
    QAction* fillAction_ = nullptr;

    QRect savedGeometry_;
    bool enlarged_ = false;
};

}  // namespace dmm
