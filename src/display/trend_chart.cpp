#include "trend_chart.h"

#include <QAreaSeries>
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QFrame>
#include <QLineEdit>
#include <QLineSeries>
#include <QMenu>
#include <QPainter>
#include <QRegularExpressionValidator>
#include <QSaveFile>
#include <QToolButton>
#include <QValueAxis>
#include <QWheelEvent>

#include "clickable_image.h"
#include "dialogs.h"
#include "pictures.h"

namespace dmm {

namespace {

const QColor kAreaFill(255, 255, 128);
const QColor kAreaLine(0, 128, 255);
const QColor kLineColour(Qt::red);
const QColor kAxisLine(0, 64, 128);

QToolButton* speedButton(QWidget* parent, const char* name, const QString& hint, QRect bounds) {
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

TrendChart::TrendChart(Dialogs* dialogs, QWidget* parent)
    : QChartView(parent), dialogs_(dialogs) {
    setObjectName("Chtshow");
    setFrameStyle(QFrame::Box | QFrame::Sunken);
    setRubberBand(QChartView::NoRubberBand);
    setDragMode(QGraphicsView::NoDrag);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    buildChart();
    buildToolBar();
    buildMenu();
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

    areaUpper_ = new QLineSeries(chart_);
    series2_ = new QAreaSeries(areaUpper_);
    series2_->setObjectName("Series2");
    series2_->setBrush(kAreaFill);
    series2_->setPen(QPen(kAreaLine, 1));
    series2_->setPointsVisible(false);
    series2_->setPointLabelsVisible(false);

    series1_ = new QLineSeries();
    series1_->setObjectName("Series1");
    series1_->setPen(QPen(kLineColour, 1));
    series1_->setPointsVisible(false);
    series1_->setPointLabelsVisible(false);

    chart_->addSeries(series2_);
    chart_->addSeries(series1_);

    axisX_ = new QValueAxis();
    axisX_->setLabelFormat("%.0f");
    axisX_->setTickCount(5);
    axisY_ = new QValueAxis();
    axisY_->setLabelFormat("%.0f");
    axisY_->setLinePen(QPen(kAxisLine, 1, Qt::DashLine));
    axisY_->setMinorTickCount(4);
    axisY_->setTickCount(5);
    axisY_->setRange(-41000, 41000);
    chart_->addAxis(axisX_, Qt::AlignBottom);
    chart_->addAxis(axisY_, Qt::AlignLeft);
    for (QAbstractSeries* s : {static_cast<QAbstractSeries*>(series2_),
                               static_cast<QAbstractSeries*>(series1_)}) {
        s->attachAxis(axisX_);
        s->attachAxis(axisY_);
    }
    // The view made a chart of its own and lets go of it when given another: it goes here, and
    // the view owns ours.
    QChart* madeByTheView = chart();
    setChart(chart_);
    delete madeByTheView;
    setRenderHint(QPainter::Antialiasing, false);
}

void TrendChart::buildToolBar() {
    bevel1_ = new QFrame(this);
    bevel1_->setObjectName("Bevel1");
    bevel1_->setFrameStyle(QFrame::Box | QFrame::Raised);
    bevel1_->setGeometry(2, 2, 40, 20);

    btFill_ = new QCheckBox("Fill", this);
    btFill_->setObjectName("BtFill");
    btFill_->setToolTip("Graphic Fill");
    btFill_->setGeometry(5, 5, 36, 17);
    btFill_->setChecked(true);
    btFill_->setFocusPolicy(Qt::NoFocus);
    // A change made by the program runs the handler as well, like a click.
    connect(btFill_, &QCheckBox::toggled, this, [this] { btFillClick(); });

    maxrecord_ = new QLineEdit("100", this);
    maxrecord_->setObjectName("Maxrecord");
    maxrecord_->setGeometry(48, 3, 41, 21);
    // Digits only, like the key filter of the window's other count edits.
    maxrecord_->setValidator(
        new QRegularExpressionValidator(QRegularExpression("[0-9]*"), maxrecord_));
    connect(maxrecord_, &QLineEdit::textChanged, this, [this] { MaxrecordExit(); });

    btNew_ = speedButton(this, "BtNew", "New", QRect(91, 3, 35, 21));
    btNew_->setIcon(drawIcon(Icon::NewChart, 16));
    connect(btNew_, &QToolButton::clicked, this, [this] { BtNewClick(); });
    btSave_ = speedButton(this, "BtSave", "Save", QRect(125, 3, 35, 21));
    btSave_->setIcon(drawIcon(Icon::Save, 16));
    connect(btSave_, &QToolButton::clicked, this, [this] { BtSaveClick(); });
    btFirst_ = speedButton(this, "BtFirst", "First", QRect(163, 3, 25, 21));
    btFirst_->setIcon(drawIcon(Icon::First, 16));
    connect(btFirst_, &QToolButton::clicked, this, [this] { BtFirstClick(); });
    btPrevious_ = speedButton(this, "BTPrevious", "Previous", QRect(187, 3, 25, 21));
    btPrevious_->setIcon(drawIcon(Icon::Previous, 16));
    connect(btPrevious_, &QToolButton::clicked, this, [this] { BTPreviousClick(); });
    bt10_ = speedButton(this, "Bt10", "Page No.", QRect(211, 3, 25, 21));
    bt10_->setText("1");
    bt10_->setStyleSheet("QToolButton { color: blue; }");
    btNext_ = speedButton(this, "BtNext", "Next", QRect(235, 3, 25, 21));
    btNext_->setIcon(drawIcon(Icon::Next, 16));
    connect(btNext_, &QToolButton::clicked, this, [this] { BtNextClick(); });
    btLast_ = speedButton(this, "BTlast", "last", QRect(259, 3, 25, 21));
    btLast_->setIcon(drawIcon(Icon::Last, 16));
    connect(btLast_, &QToolButton::clicked, this, [this] { BTlastClick(); });

    tbFd_ = new ClickableImage(this);
    tbFd_->setObjectName("TbFd");
    tbFd_->setToolTip("Graphic Enlarge");
    tbFd_->setPixmap(drawIcon(Icon::ZoomIn, 25));
    tbFd_->setGeometry(288, 3, 25, 25);
    connect(tbFd_, &ClickableImage::clicked, this, [this] { TbFdClick(); });
    tbSx_ = new ClickableImage(this);
    tbSx_->setObjectName("TbSx");
    tbSx_->setToolTip("Graphic Restore");
    tbSx_->setPixmap(drawIcon(Icon::ZoomOut, 25));
    tbSx_->setGeometry(288, 3, 25, 25);
    tbSx_->hide();
    connect(tbSx_, &ClickableImage::clicked, this, [this] { TbFdClick(); });

    comboBox1_ = new QComboBox(this);
    comboBox1_->setObjectName("ComboBox1");
    comboBox1_->addItems({"atile", "btile"});
    comboBox1_->setGeometry(176, 59, 65, 21);
    comboBox1_->hide();
    // Only a choice of the user runs the handler; BtNewClick resets the box silently.
    connect(comboBox1_, &QComboBox::activated, this, [this](int i) { ComboBox1Change(i); });
}

void TrendChart::buildMenu() {
    graphicMenu_ = new QMenu("Graphic", this);
    graphicMenu_->setObjectName("Graphic");
    graphicMenu_->menuAction()->setObjectName("GraphicMenu");
    // A hidden item of the main menu: its entries work, the menu bar does not show it.
    graphicMenu_->menuAction()->setVisible(false);
    auto add = [this](const char* name, const QString& text, auto handler) {
        QAction* a = graphicMenu_->addAction(text);
        a->setObjectName(name);
        connect(a, &QAction::triggered, this, handler);
        return a;
    };
    actFirst_ = add("GraphicFirst", "First", [this] { BtFirstClick(); });
    actPrevious_ = add("GraphicPrevious", "Previous", [this] { BTPreviousClick(); });
    actNext_ = add("GraphicNext", "Next", [this] { BtNextClick(); });
    actLast_ = add("GraphicLast", "Last", [this] { BTlastClick(); });
    graphicMenu_->addSeparator();
    add("GraphicNew", "New", [this] { BtNewClick(); });
    add("GraphicSave", "Save", [this] { BtSaveClick(); });
    graphicMenu_->addSeparator();
    actFill_ = add("Fill", "Fill", [this] { FillClick(); });
    actFill_->setCheckable(true);
    actFill_->setChecked(true);
}

QXYSeries* TrendChart::activeXY() const {
    return active_ == 0 ? static_cast<QXYSeries*>(areaUpper_) : series1_;
}

void TrendChart::ShowSeries(int index) {
    series1_->setVisible(false);
    series2_->setVisible(false);
    if (index != 0 && index != 1) return;
    active_ = index;
    if (index == 0) {
        series2_->setVisible(true);
    } else {
        series1_->setVisible(true);
    }
    refreshPage(false);
}

void TrendChart::BtNewClick() {
    model_.newChart();
    comboBox1_->setCurrentIndex(0);
    ShowSeries(0);
    ShowSeries(btFill_->isChecked() ? 0 : 1);
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
    axisY_->setRange(minimum, maximum);
}

void TrendChart::btFillClick() {
    actFill_->setChecked(btFill_->isChecked());
    ShowSeries(btFill_->isChecked() ? 0 : 1);
}

void TrendChart::FillClick() {
    if (btFill_->isChecked()) {
        actFill_->setChecked(false);
        btFill_->setChecked(false);
        ShowSeries(1);
    } else {
        actFill_->setChecked(true);
        btFill_->setChecked(true);
        ShowSeries(0);
    }
}

void TrendChart::ComboBox1Change(int index) { ShowSeries(index); }

void TrendChart::BtFirstClick() {
    model_.first();
    refreshPage(false);
}

void TrendChart::BTPreviousClick() {
    model_.previous();
    refreshPage(false);
}

void TrendChart::BtNextClick() {
    model_.next();
    refreshPage(false);
}

void TrendChart::BTlastClick() {
    model_.last();
    refreshPage(false);
}

void TrendChart::MaxrecordExit() {
    const std::optional<std::string> failure =
        model_.setPointsPerPageText(maxrecord_->text().toStdString());
    if (failure) {
        if (dialogs_) dialogs_->error(QString::fromStdString(*failure));
        return;
    }
    // The page caption keeps its text until the next paging command or followed point.
    refreshPage(false);
}

void TrendChart::TbFdClick() {
    // The chart's own state decides, not its top: a chart the window places near the top is
    // enlarged by the first click instead of being "restored" to bounds never saved.
    if (enlarged_) {
        enlarged_ = false;
        tbSx_->hide();
        tbFd_->show();
        resize(savedGeometry_.size());
        move(savedGeometry_.topLeft());
    } else {
        enlarged_ = true;
        savedGeometry_ = geometry();
        tbFd_->hide();
        tbSx_->show();
        // Below the window's top row of buttons, down to the grid's lower edge and across to the
        // scale's right edge: measured on the area the chart lives in, so that a window
        // manager's frame around the window changes nothing.
        const QSize area = parentWidget() ? parentWidget()->size() : size();
        resize(area.width() - 2 * kEnlargedLeft, area.height() - kEnlargedTop - kEnlargedBottomGap);
        move(kEnlargedLeft, kEnlargedTop);
        raise();
    }
}

void TrendChart::BtSaveClick() {
    if (!dialogs_) return;
    QString name = dialogs_->getSaveFileName("Save Picture", "Bitmaps (*.bmp)", "bmp");
    if (name.isEmpty()) return;
    if (QFileInfo(name).suffix().isEmpty()) name += ".bmp";
    QString error;
    if (!savePicture(name, &error)) {
        dialogs_->error(error);
        return;
    }
    dialogs_->information(QString("Graphic has saved on %1").arg(name));
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

void TrendChart::ChtshowMouseWheel(QWheelEvent* event) { event->accept(); }

void TrendChart::wheelEvent(QWheelEvent* event) { ChtshowMouseWheel(event); }

bool TrendChart::fillTicked() const { return btFill_->isChecked(); }

qsizetype TrendChart::shownPointCount() const { return activeXY()->count(); }

void TrendChart::refreshPage(bool rebuild) {
    const TrendChartModel::PageRange range = model_.shownRange();
    QXYSeries* target = activeXY();
    if (shownSeries_ != active_) {
        // Only the active series holds points.
        QXYSeries* other = active_ == 0 ? static_cast<QXYSeries*>(series1_) : areaUpper_;
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
    if (axisX_->min() != from || axisX_->max() != to) axisX_->setRange(from, to);
    bt10_->setText(QString::fromStdString(model_.pageCaption()));
    applyNavigation();
}

void TrendChart::applyNavigation() {
    const TrendChartModel::Navigation& nav = model_.navigation();
    btFirst_->setEnabled(nav.first);
    actFirst_->setEnabled(nav.first);
    btPrevious_->setEnabled(nav.previous);
    actPrevious_->setEnabled(nav.previous);
    btNext_->setEnabled(nav.next);
    actNext_->setEnabled(nav.next);
    btLast_->setEnabled(nav.last);
    actLast_->setEnabled(nav.last);
}

}  // namespace dmm
