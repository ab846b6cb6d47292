// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "trend_chart.h"

#include <QAction>
#include <QAreaSeries>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLineEdit>
#include <QLineSeries>
#include <QPainter>
#include <QRegularExpressionValidator>
#include <QSaveFile>
#include <QToolButton>
#include <QValueAxis>
#include <QWheelEvent>

#include "clickable_image.h"
#include "pictures.h"

namespace dmm {

namespace {

const QColor kAreaFill(255, 255, 128);
const QColor kAreaLine(0, 128, 255);
const QColor kLineColour(Qt::red);
const QColor kAxisLine(0, 64, 128);

QToolButton* toolBarButton(QWidget* parent, const char* name, const QString& hint, QRect bounds) {
    auto* b = new QToolButton(parent);
    b->setObjectName(name);
    b->setToolTip(hint);
    b->setGeometry(bounds);
    b->setAutoRaise(false);
    b->setFocusPolicy(Qt::NoFocus);
    b->setIconSize(QSize(bounds.height() - 6, bounds.height() - 6));
    return b;
}

// Where the enlarged chart lies in the area it lives in: 2 pixels in from the sides, below the
// top row of buttons, 4 pixels above the bottom.
constexpr int kEnlargedLeft = 2;
constexpr int kEnlargedTop = 28;
constexpr int kEnlargedBottomGap = 4;

}  // namespace

TrendChart::TrendChart(QWidget* parent) : QChartView(parent) {
    setFrameStyle(QFrame::Box | QFrame::Sunken);
    setRubberBand(QChartView::NoRubberBand);
    setDragMode(QGraphicsView::NoDrag);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    buildChart();
    buildToolBar();
    buildActions();
    setGeometry(336, 172, 371, 309);
    refreshPage(true);
}

void TrendChart::buildChart() {
    chart_ = new QChart();
    chart_->setBackgroundBrush(Qt::white);
    chart_->setPlotAreaBackgroundBrush(Qt::white);
    chart_->setPlotAreaBackgroundVisible(true);
    chart_->setBackgroundRoundness(0);
    chart_->setTitle("  ");
    chart_->legend()->hide();
    chart_->setAnimationOptions(QChart::NoAnimation);
    // Room at the top for the tool bar; small margins elsewhere.
    chart_->setMargins(QMargins(3, 22, 6, 3));

    areaUpperLine_ = new QLineSeries(chart_);
    areaSeries_ = new QAreaSeries(areaUpperLine_);
    areaSeries_->setObjectName("areaSeries");
    areaSeries_->setBrush(kAreaFill);
    areaSeries_->setPen(QPen(kAreaLine, 1));
    areaSeries_->setPointsVisible(false);
    areaSeries_->setPointLabelsVisible(false);

    lineSeries_ = new QLineSeries();
    lineSeries_->setObjectName("lineSeries");
    lineSeries_->setPen(QPen(kLineColour, 1));
    lineSeries_->setPointsVisible(false);
    lineSeries_->setPointLabelsVisible(false);

    chart_->addSeries(areaSeries_);
    chart_->addSeries(lineSeries_);

    pointAxis_ = new QValueAxis();
    pointAxis_->setLabelFormat("%.0f");
    pointAxis_->setTickCount(5);
    valueAxis_ = new QValueAxis();
    valueAxis_->setLabelFormat("%.0f");
    valueAxis_->setLinePen(QPen(kAxisLine, 1, Qt::DashLine));
    valueAxis_->setMinorTickCount(4);
    valueAxis_->setTickCount(5);
    valueAxis_->setRange(-41000, 41000);
    chart_->addAxis(pointAxis_, Qt::AlignBottom);
    chart_->addAxis(valueAxis_, Qt::AlignLeft);
    for (QAbstractSeries* s : {static_cast<QAbstractSeries*>(areaSeries_),
                               static_cast<QAbstractSeries*>(lineSeries_)}) {
        s->attachAxis(pointAxis_);
        s->attachAxis(valueAxis_);
    }
    // The axes' lines are drawn one pixel wide (a pen of width 0): as wide as the theme's pens
    // of width 1 draw them here, and the view finds their extent without outlining each line,
    // which it would do for every line at every repaint of the chart.
    for (QValueAxis* axis : {pointAxis_, valueAxis_}) {
        QPen line = axis->linePen();
        line.setWidth(0);
        axis->setLinePen(line);
        QPen grid = axis->gridLinePen();
        grid.setWidth(0);
        axis->setGridLinePen(grid);
        QPen minor = axis->minorGridLinePen();
        minor.setWidth(0);
        axis->setMinorGridLinePen(minor);
    }
    // The view made a chart of its own and lets go of it when given another: it goes here, and
    // the view owns ours.
    QChart* madeByTheView = chart();
    setChart(chart_);
    delete madeByTheView;
    setRenderHint(QPainter::Antialiasing, false);
}

void TrendChart::buildToolBar() {
    fillFrame_ = new QFrame(this);
    fillFrame_->setObjectName("fillFrame");
    fillFrame_->setFrameStyle(QFrame::Box | QFrame::Raised);
    fillFrame_->setGeometry(2, 2, 40, 20);

    fillBox_ = new QCheckBox("Fill", this);
    fillBox_->setObjectName("fillCheckBox");
    fillBox_->setToolTip("Graphic Fill");
    fillBox_->setGeometry(5, 5, 36, 17);
    fillBox_->setChecked(true);
    fillBox_->setFocusPolicy(Qt::NoFocus);
    // A change made by the program runs the handler as well, like a click.
    connect(fillBox_, &QCheckBox::toggled, this, [this] { onFillBoxToggled(); });

    pointsPerPageEdit_ = new QLineEdit("100", this);
    pointsPerPageEdit_->setObjectName("pointsPerPageEdit");
    pointsPerPageEdit_->setGeometry(48, 3, 41, 21);
    // Digits only, like the key filter of the window's other count edits.
    pointsPerPageEdit_->setValidator(
        new QRegularExpressionValidator(QRegularExpression("[0-9]*"), pointsPerPageEdit_));
    connect(pointsPerPageEdit_, &QLineEdit::textChanged, this, [this] { onPointsPerPageEdited(); });

    newButton_ = toolBarButton(this, "newChartButton", "New", QRect(91, 3, 35, 21));
    newButton_->setIcon(drawIcon(Icon::NewChart, 16));
    connect(newButton_, &QToolButton::clicked, this, [this] { startNewChart(); });
    saveButton_ = toolBarButton(this, "savePictureButton", "Save", QRect(125, 3, 35, 21));
    saveButton_->setIcon(drawIcon(Icon::Save, 16));
    connect(saveButton_, &QToolButton::clicked, this, &TrendChart::savePictureRequested);
    firstButton_ = toolBarButton(this, "firstPageButton", "First", QRect(163, 3, 25, 21));
    firstButton_->setIcon(drawIcon(Icon::First, 16));
    connect(firstButton_, &QToolButton::clicked, this, [this] { showFirstPage(); });
    previousButton_ = toolBarButton(this, "previousPageButton", "Previous", QRect(187, 3, 25, 21));
    previousButton_->setIcon(drawIcon(Icon::Previous, 16));
    connect(previousButton_, &QToolButton::clicked, this, [this] { showPreviousPage(); });
    pageButton_ = toolBarButton(this, "pageNumberButton", "Page No.", QRect(211, 3, 25, 21));
    pageButton_->setText("1");
    pageButton_->setStyleSheet("QToolButton { color: blue; }");
    nextButton_ = toolBarButton(this, "nextPageButton", "Next", QRect(235, 3, 25, 21));
    nextButton_->setIcon(drawIcon(Icon::Next, 16));
    connect(nextButton_, &QToolButton::clicked, this, [this] { showNextPage(); });
    lastButton_ = toolBarButton(this, "lastPageButton", "last", QRect(259, 3, 25, 21));
    lastButton_->setIcon(drawIcon(Icon::Last, 16));
    connect(lastButton_, &QToolButton::clicked, this, [this] { showLastPage(); });

    enlargeIcon_ = new ClickableImage(this);
    enlargeIcon_->setObjectName("chartEnlargeIcon");
    enlargeIcon_->setToolTip("Graphic Enlarge");
    enlargeIcon_->setPixmap(drawIcon(Icon::ZoomIn, 25));
    enlargeIcon_->setGeometry(288, 3, 25, 25);
    connect(enlargeIcon_, &ClickableImage::clicked, this, [this] { toggleEnlarged(); });
    restoreIcon_ = new ClickableImage(this);
    restoreIcon_->setObjectName("chartRestoreIcon");
    restoreIcon_->setToolTip("Graphic Restore");
    restoreIcon_->setPixmap(drawIcon(Icon::ZoomOut, 25));
    restoreIcon_->setGeometry(288, 3, 25, 25);
    restoreIcon_->hide();
    connect(restoreIcon_, &ClickableImage::clicked, this, [this] { toggleEnlarged(); });

    seriesBox_ = new QComboBox(this);
    seriesBox_->setObjectName("seriesComboBox");
    seriesBox_->addItems({"atile", "btile"});
    seriesBox_->setGeometry(176, 59, 65, 21);
    seriesBox_->hide();
    // Only a choice of the user runs the handler; startNewChart resets the box silently.
    connect(seriesBox_, &QComboBox::activated, this, [this](int i) { showSeries(i); });
}

void TrendChart::buildActions() {
    auto add = [this](const char* name, const QString& text, auto handler) {
        auto* a = new QAction(text, this);
        a->setObjectName(name);
        connect(a, &QAction::triggered, this, handler);
        addAction(a);
        return a;
    };
    auto separate = [this] {
        auto* a = new QAction(this);
        a->setSeparator(true);
        addAction(a);
    };
    firstAction_ = add("firstPageAction", "First", [this] { showFirstPage(); });
    previousAction_ = add("previousPageAction", "Previous", [this] { showPreviousPage(); });
    nextAction_ = add("nextPageAction", "Next", [this] { showNextPage(); });
    lastAction_ = add("lastPageAction", "Last", [this] { showLastPage(); });
    separate();
    add("newChartAction", "New", [this] { startNewChart(); });
    add("savePictureAction", "Save", [this] { emit savePictureRequested(); });
    separate();
    fillAction_ = add("fillAction", "Fill", [this] { toggleFill(); });
    fillAction_->setCheckable(true);
    fillAction_->setChecked(true);
}

QXYSeries* TrendChart::activeXY() const {
    return active_ == 0 ? static_cast<QXYSeries*>(areaUpperLine_) : lineSeries_;
}

void TrendChart::showSeries(int index) {
    lineSeries_->setVisible(false);
    areaSeries_->setVisible(false);
    if (index != 0 && index != 1) return;
    active_ = index;
    if (index == 0) {
        areaSeries_->setVisible(true);
    } else {
        lineSeries_->setVisible(true);
    }
    refreshPage(false);
}

void TrendChart::startNewChart() {
    model_.newChart();
    seriesBox_->setCurrentIndex(0);
    showSeries(0);
    showSeries(fillBox_->isChecked() ? 0 : 1);
    refreshPage(true);
}

void TrendChart::appendPoint(double value) {
    model_.append(value);
    refreshPage(false);
}

void TrendChart::appendPoints(std::span<const double> values) {
    for (double v : values) model_.append(v);
    refreshPage(false);
}

void TrendChart::setValueAxis(double minimum, double maximum) {
    valueAxis_->setRange(minimum, maximum);
}

void TrendChart::onFillBoxToggled() {
    fillAction_->setChecked(fillBox_->isChecked());
    showSeries(fillBox_->isChecked() ? 0 : 1);
}

void TrendChart::toggleFill() {
    if (fillBox_->isChecked()) {
        fillAction_->setChecked(false);
        fillBox_->setChecked(false);
        showSeries(1);
    } else {
        fillAction_->setChecked(true);
        fillBox_->setChecked(true);
        showSeries(0);
    }
}

void TrendChart::showFirstPage() {
    model_.first();
    refreshPage(false);
}

void TrendChart::showPreviousPage() {
    model_.previous();
    refreshPage(false);
}

void TrendChart::showNextPage() {
    model_.next();
    refreshPage(false);
}

void TrendChart::showLastPage() {
    model_.last();
    refreshPage(false);
}

void TrendChart::onPointsPerPageEdited() {
    const std::optional<std::string> failure =
        model_.setPointsPerPageText(pointsPerPageEdit_->text().toStdString());
    if (failure) {
        emit pointsPerPageRejected(QString::fromStdString(*failure));
        return;
    }
    // The page caption keeps its text until the next paging command or followed point.
    refreshPage(false);
}

void TrendChart::toggleEnlarged() {
    // The chart's own state decides, not its top: a chart the window places near the top is
    // enlarged by the first click instead of being "restored" to bounds never saved.
    if (enlarged_) {
        enlarged_ = false;
        restoreIcon_->hide();
        enlargeIcon_->show();
        resize(savedGeometry_.size());
        move(savedGeometry_.topLeft());
    } else {
        enlarged_ = true;
        savedGeometry_ = geometry();
        enlargeIcon_->hide();
        restoreIcon_->show();
        // Below the window's top row of buttons, down to the grid's lower edge and across to the
        // scale's right edge: measured on the area the chart lives in, so that a window
        // manager's frame around the window changes nothing.
        const QSize area = parentWidget() ? parentWidget()->size() : size();
        resize(area.width() - 2 * kEnlargedLeft, area.height() - kEnlargedTop - kEnlargedBottomGap);
        move(kEnlargedLeft, kEnlargedTop);
        raise();
    }
}

QImage TrendChart::renderChart() {
    QImage image(size().expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    image.fill(Qt::white);
    // Lay the chart out for the current size, also when the widget has not been shown yet.
    chart_->resize(viewport()->size());
    scene()->setSceneRect(QRectF(QPointF(0, 0), viewport()->size()));
    QPainter p(&image);
    // Only the scene is drawn: the tool bar's widgets are children of the view, not of it.
    render(&p, QRectF(viewport()->geometry()), viewport()->rect(), Qt::IgnoreAspectRatio);
    p.setPen(QPen(Qt::gray, 1));
    p.drawRect(image.rect().adjusted(0, 0, -1, -1));
    return image;
}

bool TrendChart::savePicture(const QString& fileName, QString* error) {
    const QImage image = renderChart();
    // Written beside the target and renamed over it, so a failure leaves any old file intact.
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error) *error = QString("Cannot save %1: %2").arg(fileName, file.errorString());
        return false;
    }
    if (!image.save(&file, "BMP")) {
        file.cancelWriting();
        if (error) *error = QString("Cannot save %1: the picture could not be written")
                                .arg(fileName);
        return false;
    }
    if (!file.commit()) {
        if (error) *error = QString("Cannot save %1: %2").arg(fileName, file.errorString());
        return false;
    }
    return true;
}

// The wheel neither scrolls nor zooms the chart.
void TrendChart::wheelEvent(QWheelEvent* event) { event->accept(); }

bool TrendChart::fillTicked() const { return fillBox_->isChecked(); }

qsizetype TrendChart::shownPointCount() const { return activeXY()->count(); }

void TrendChart::refreshPage(bool rebuild) {
    const TrendChartModel::PageRange range = model_.shownRange();
    QXYSeries* target = activeXY();
    if (shownSeries_ != active_) {
        // Only the active series holds points.
        QXYSeries* other = active_ == 0 ? static_cast<QXYSeries*>(lineSeries_) : areaUpperLine_;
        other->clear();
        rebuild = true;
    }
    if (!rebuild && range.start == shown_.start && range.count == shown_.count + 1) {
        const std::size_t pos = range.start + range.count - 1;
        if (!model_.isPlaceholder(pos)) {
            target->append(static_cast<qreal>(pos), model_.value(pos));
        }
    } else if (rebuild || !(range == shown_)) {
        QList<QPointF> points;
        points.reserve(static_cast<qsizetype>(range.count));
        for (std::size_t i = range.start; i < range.start + range.count; ++i) {
            if (model_.isPlaceholder(i)) continue;
            points.append(QPointF(static_cast<qreal>(i), model_.value(i)));
        }
        target->replace(points);
    }
    shown_ = range;
    shownSeries_ = active_;

    const auto [from, to] = model_.axisRange();
    if (pointAxis_->min() != from || pointAxis_->max() != to) pointAxis_->setRange(from, to);
    pageButton_->setText(QString::fromStdString(model_.pageCaption()));
    applyNavigation();
}

void TrendChart::applyNavigation() {
    const TrendChartModel::Navigation& nav = model_.navigation();
    firstButton_->setEnabled(nav.first);
    firstAction_->setEnabled(nav.first);
    previousButton_->setEnabled(nav.previous);
    previousAction_->setEnabled(nav.previous);
    nextButton_->setEnabled(nav.next);
    nextAction_->setEnabled(nav.next);
    lastButton_->setEnabled(nav.last);
    lastAction_->setEnabled(nav.last);
}

}  // namespace dmm
