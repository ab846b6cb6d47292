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
class Dialogs;

// The trend chart `Chtshow`: one point per reading against the running point number, shown a
// page at a time as a filled area (`Series2`, index 0) or a plain line (`Series1`, index 1),
// with a tool bar on its top edge for paging, the series choice, a new chart, saving a bitmap
// and enlarging. The "Graphic" menu repeats the tool bar; the window adds it to its menu bar,
// where its item is hidden (its menuAction() is not visible).
//
// The points live in the model; the view holds only the points of the page shown, in the one
// active series.
class TrendChart : public QChartView {
    Q_OBJECT
public:
    // dialogs may be null: then saving a picture is not offered.
    explicit TrendChart(Dialogs* dialogs, QWidget* parent = nullptr);
    explicit TrendChart(QWidget* parent = nullptr) : TrendChart(nullptr, parent) {}
    void setDialogs(Dialogs* dialogs) { dialogs_ = dialogs; }

    // Deactivates every series, then activates the one with the index (0 area, 1 line).
    void ShowSeries(int index);
    // Starts a new chart: both series cleared down to the placeholder point.
    void BtNewClick();
    // Appends a reading to both series and follows the last page while FollowLastPage is set.
    void appendPoint(double value);
    // Appends many readings as appendPoint does each, bringing the view up to date once.
    void appendPoints(std::span<const double> values);
    // Sets the fixed range of the value axis.
    void setValueAxis(double minimum, double maximum);

    void btFillClick();
    void FillClick();
    void ComboBox1Change(int index);
    void BtFirstClick();
    void BTPreviousClick();
    void BtNextClick();
    void BTlastClick();
    void MaxrecordExit();
    void TbFdClick();
    void BtSaveClick();
    void ChtshowMouseWheel(QWheelEvent* event);

    // Draws the chart without its tool bar into a bitmap of the chart's size.
    QImage renderChart();
    // Writes the chart as a Windows bitmap; on failure returns false with the reason.
    bool savePicture(const QString& fileName, QString* error);

    const TrendChartModel& model() const { return model_; }
    // Whether the Fill box is ticked: the series a range change shows (0 when ticked, else 1).
    bool fillTicked() const;
    int activeSeries() const { return active_; }
    QMenu* graphicMenu() const { return graphicMenu_; }
    QLineSeries* lineSeries() const { return series1_; }
    QAreaSeries* areaSeries() const { return series2_; }
    QValueAxis* valueAxis() const { return axisY_; }
    QValueAxis* pointAxis() const { return axisX_; }
    // Number of points the view holds now (the page shown, without the placeholder).
    qsizetype shownPointCount() const;

protected:
    void wheelEvent(QWheelEvent* event) override;

private:
    void buildChart();
    void buildToolBar();
    void buildMenu();
    QXYSeries* activeXY() const;
    // Brings the series shown, the point axis, the page caption and the buttons up to date.
    void refreshPage(bool rebuild);
    void applyNavigation();

    Dialogs* dialogs_;
    TrendChartModel model_;
    int active_ = 0;

    QChart* chart_ = nullptr;
    QLineSeries* series1_ = nullptr;
    QLineSeries* areaUpper_ = nullptr;
    QAreaSeries* series2_ = nullptr;
    QValueAxis* axisX_ = nullptr;
    QValueAxis* axisY_ = nullptr;
    TrendChartModel::PageRange shown_;
    int shownSeries_ = -1;

    QFrame* bevel1_ = nullptr;
    QCheckBox* btFill_ = nullptr;
    QLineEdit* maxrecord_ = nullptr;
    QToolButton* btNew_ = nullptr;
    QToolButton* btSave_ = nullptr;
    QToolButton* btFirst_ = nullptr;
    QToolButton* btPrevious_ = nullptr;
    QToolButton* bt10_ = nullptr;
    QToolButton* btNext_ = nullptr;
    QToolButton* btLast_ = nullptr;
    ClickableImage* tbFd_ = nullptr;
    ClickableImage* tbSx_ = nullptr;
    QComboBox* comboBox1_ = nullptr;

    QMenu* graphicMenu_ = nullptr;
    QAction* actFirst_ = nullptr;
    QAction* actPrevious_ = nullptr;
    QAction* actNext_ = nullptr;
    QAction* actLast_ = nullptr;
    QAction* actFill_ = nullptr;

    QRect savedGeometry_;
    bool enlarged_ = false;
};

}  // namespace dmm
