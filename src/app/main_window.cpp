#include "main_window.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QIcon>
#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QResizeEvent>
#include <QHelpEvent>
#include <QScreen>
#include <QToolTip>
#include <QTimer>
#include <QToolButton>
#include <QHeaderView>
#include <QTableView>

#include <exception>

#include "analog_scale.h"
#include "dialogs.h"
#include "hid_device_controller.h"
#include "int_text.h"
#include "lcd_view.h"
#include "panel_label.h"
#include "port_name_table.h"
#include "serial_port_driver.h"
#include "segmented_bar.h"
#include "trend_chart.h"
#include "window_placement.h"
#include "pixel_fonts.h"
#include "pictures.h"
#include "grid_cell_delegate.h"
#include "key_filter.h"
#include "record_grid.h"
#include "ui_main_window.h"

namespace dmm {

TFCOMM::TFCOMM(const AppOptions& options, Dialogs* dialogs, QWidget* parent)
    : QMainWindow(parent,
                  Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                      Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                      Qt::WindowCloseButtonHint),
      options_(options),
      dialogs_(dialogs),
      core_(this),
      recorder_(table_),
      ui_(std::make_unique<Ui::MainWindow>()) {
    setWindowIcon(QIcon(drawLinkPicture(true)));
    setUpForm();
    createSerialDriver();
    createHidController();
    connectHandlers();
    guarded([this] { FormCreate(); });
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

TFCOMM::~TFCOMM() {
    // Stop every source of frames before the widgets they feed go away: the cable's readers
    // before their devices, the devices before the controller they were listed by.
    core_.setSink(nullptr);
    for (HidDevice* device : listedHidDevices_) {
        if (device) device->setDataHandler({});
    }
    delete HidCtl;  // detaches the devices still held
    HidCtl = nullptr;
    for (HidDevice*& device : listedHidDevices_) HidDevice::release(std::exchange(device, nullptr));
    closeSerialPort();
    delete COMM2;  // before the port name table it reads
    COMM2 = nullptr;
}

void TFCOMM::setUpForm() {
    ui_->setupUi(this);
    applyPixelFonts(this);

    ui_->Chtshow->setDialogs(dialogs_);
    // The chart's "Graphic" menu sits in the menu bar before "Record", out of sight like the
    // port and connection menus (a form cannot hide a menu's item in the bar).
    if (QMenu* graphic = ui_->Chtshow->graphicMenu()) {
        ui_->MainMenu1->insertMenu(ui_->Record1->menuAction(), graphic);
        graphic->menuAction()->setVisible(false);
    }
    ui_->ComSetup1->menuAction()->setVisible(false);
    ui_->Connect1->menuAction()->setVisible(false);

    ui_->RecordNew->setIcon(QIcon(drawIcon(Icon::CloseData, 16)));
    ui_->OpenDataFiles->setIcon(QIcon(drawIcon(Icon::OpenFile, 16)));
    ui_->saveas->setIcon(QIcon(drawIcon(Icon::SaveFile, 16)));
    ui_->BtPrint->setIcon(QIcon(drawIcon(Icon::Printer, 16)));
    ui_->CONokN->setPixmap(drawLinkPicture(false));
    ui_->CONok->setPixmap(drawLinkPicture(true));

    // Read-only, one row selected at a time, rows of one height: the grid itself sees to that.
    QTableView* gridRows = ui_->DBGrid1->rowView();
    gridRows->horizontalHeader()->setFont(pixelFont(QStringLiteral("MS Sans Serif"), 11));
    gridRows->setTextElideMode(Qt::ElideNone);
    gridRows->setItemDelegate(new GridCellDelegate(gridRows));
    gridRows->verticalHeader()->setDefaultSectionSize(17);
    gridRows->verticalHeader()->hide();

    // The scale enlarged by its zoom covers the chart's place; the chart steps aside.
    connect(ui_->KD, &AnalogScale::enlargedChanged, ui_->Chtshow,
            [this](bool on) { ui_->Chtshow->setVisible(!on); });

    // The count edits take digits only, the chart's points-per-page edit among them; the limit
    // edits take a sign too.
    digitFilter_ = new KeyFilter(KeyFilter::digits(), this);
    signedFilter_ = new KeyFilter(KeyFilter::signedDigits(), this);
    auto* pointsPerPage = ui_->Chtshow->findChild<QLineEdit*>(QStringLiteral("Maxrecord"));
    for (QLineEdit* e : {ui_->RecordSITime, pointsPerPage, ui_->TimeH, ui_->TimeM, ui_->TimeS, ui_->TimeInt}) {
        if (e) e->installEventFilter(digitFilter_);
    }
    for (QLineEdit* e : {ui_->Setmax, ui_->SetMin}) e->installEventFilter(signedFilter_);

    // The hidden memo keeps as many Brio frame texts as the core's bounded log.
    ui_->Memo1->setMaximumBlockCount(static_cast<int>(core_.memo().capacity()));

    ConTimer = new QTimer(this);
    ConTimer->setObjectName(QStringLiteral("ConTimer"));
    ConTimer->setInterval(100);
    Trecord = new QTimer(this);
    Trecord->setObjectName(QStringLiteral("Trecord"));
    Trecord->setInterval(1000);
}

std::array<PanelLabel*, 4> TFCOMM::portPanels() const {
    return {ui_->BtCOM1, ui_->BtCOM2, ui_->BtCOM3, ui_->BtCOM4};
}

void TFCOMM::guarded(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const std::exception& e) {
        if (dialogs_) dialogs_->error(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        if (dialogs_) dialogs_->error(QStringLiteral("Unexpected failure"));
    }
}

void TFCOMM::FormCreate() {
    ReadingState& st = core_.state;
    st.localeDecimal = QString(QLocale::system().decimalPoint()).toStdString();
    st.readingTimeMs = static_cast<std::int32_t>(QTime::currentTime().msecsSinceStartOfDay());

    st.countClass = standardCountClass();
    st.applyCountClass(standardCountClass());
    st.lastUnitText = "113";

    createRecordTable();
    resetChart();

    if (options_.family) {
        // The command line chooses the family the way the layout's model boxes would; a Brio
        // meter keeps the standard caption and gets its own receive routine below.
        ui_->IFPavo->setChecked(*options_.family != Family::Sorn);
        ui_->IFSornT->setChecked(*options_.family == Family::Sorn);
    }
    receiver_ = Receiver::None;
    if (ui_->IFPavo->isChecked()) {
        receiver_ = Receiver::Kelt;
        setWindowTitle(QStringLiteral("61-50883 V2.00"));
    }
    if (ui_->IFSornT->isChecked()) {
        receiver_ = Receiver::Sorn;
        setWindowTitle(QStringLiteral("Sorn Interface Program _Ver: 1.00"));
    }
    if (options_.family == Family::Brio) receiver_ = Receiver::Brio;
    core_.settings.ivra = ui_->IFIvra->isChecked();
    core_.settings.brio = ui_->IFBrio->isChecked();
    core_.settings.fermo = ui_->IFFermo->isChecked();

    if (options_.countClass && options_.countClass->name != standardCountClass().name) {
        applyCountClassRow();
    }

    setChartValueAxis(-st.countClass.fullScale, st.countClass.fullScale);
    syncScaleSettings();
    scaleWidget()->drawScale();
    scaleWidget()->moveNeedle(st.countClass.needleCentre);

    ConTimer->start();
    Trecord->start();
}

void TFCOMM::applyCountClassRow() {
    const CountClass& cc = *options_.countClass;
    ReadingState& st = core_.state;
    st.applyCountClass(cc);
    const QString fs = QString::number(cc.fullScale);
    // Writing the limit edits runs their change handling, which sets the limits to
    // +-FullScale and redraws the scale.
    ui_->Setmax->setText(fs);
    ui_->SetMin->setText(QStringLiteral("-") + fs);
    ui_->MinText->setText(QString::number(cc.fullScale + 1));
    ui_->MaxText->setText(QString::number(-(cc.fullScale + 1)));
    if (cc.name == "2") barWidget()->setMaximum(20);
}

void TFCOMM::syncScaleSettings() {
    ScaleSettings s;
    s.countClass = core_.state.countClass;
    s.frequencyMode = core_.state.frequencyMode;
    s.upperLimit = core_.state.upperLimit;
    s.lowerLimit = core_.state.lowerLimit;
    s.setMaxB = ui_->SetMaxB->isChecked();
    s.setMinB = ui_->SetMinB->isChecked();
    scaleWidget()->setSettings(s);
    core_.settings.setMaxB = s.setMaxB;
    core_.settings.setMinB = s.setMinB;
}

AnalogScale* TFCOMM::scaleWidget() const { return ui_->KD; }
SegmentedBar* TFCOMM::barWidget() const { return ui_->PBar2; }
TrendChart* TFCOMM::chartWidget() const { return ui_->Chtshow; }

void TFCOMM::connectHandlers() {
    auto onClick = [this](QAbstractButton* b, void (TFCOMM::*handler)()) {
        connect(b, &QAbstractButton::clicked, this, [this, handler] { guarded([=, this] { (this->*handler)(); }); });
    };
    auto onTrigger = [this](QAction* a, void (TFCOMM::*handler)()) {
        connect(a, &QAction::triggered, this, [this, handler] { guarded([=, this] { (this->*handler)(); }); });
    };
    auto onPanel = [this](PanelLabel* p, void (TFCOMM::*handler)()) {
        connect(p, &PanelLabel::clicked, this, [this, handler] { guarded([=, this] { (this->*handler)(); }); });
    };

    for (QToolButton* b : {ui_->COMCon, ui_->USBCon, ui_->ReadBtn}) {
        connect(b, &QAbstractButton::clicked, this, [this, b] { guarded([=, this] { toggleGroupClicked(b); }); });
    }
    onClick(ui_->COMCon, &TFCOMM::COMConClick);
    onClick(ui_->USBCon, &TFCOMM::onUsbConnectClicked);
    onClick(ui_->ReadBtn, &TFCOMM::onSornReadClicked);
    onClick(ui_->SetFeature, &TFCOMM::onSendSetupReportClicked);
    onClick(ui_->ClearBtn, &TFCOMM::onClearHistoryClicked);
    onClick(ui_->InfoBtn, &TFCOMM::onInfoClicked);
    onClick(ui_->BitBtn1, &TFCOMM::BitBtn1Click);
    onPanel(ui_->BTCon, &TFCOMM::BTCon1Click);
    onPanel(ui_->BtDiscon, &TFCOMM::BtDiscon1Click);
    onPanel(ui_->BtExit, &TFCOMM::BtExit1Click);
    onTrigger(ui_->START1, &TFCOMM::BTCon1Click);
    onTrigger(ui_->STOP1, &TFCOMM::BtDiscon1Click);
    onTrigger(ui_->EXIT1, &TFCOMM::BtExit1Click);

    // Port selection: a click on the visible panel selects the next port.
    onTrigger(ui_->COM11, &TFCOMM::COM11Click);
    onTrigger(ui_->COM21, &TFCOMM::COM21Click);
    onTrigger(ui_->COM31, &TFCOMM::COM31Click);
    onTrigger(ui_->COM41, &TFCOMM::COM41Click);
    onPanel(portPanels()[0], &TFCOMM::COM21Click);
    onPanel(portPanels()[1], &TFCOMM::COM31Click);
    onPanel(portPanels()[2], &TFCOMM::COM41Click);
    onPanel(portPanels()[3], &TFCOMM::COM11Click);

    connect(ui_->Setmax, &QLineEdit::textChanged, this, [this] { guarded([this] { SetmaxExit(); }); });
    connect(ui_->SetMin, &QLineEdit::textChanged, this, [this] { guarded([this] { SetMinExit(); }); });
    onClick(ui_->SetMaxB, &TFCOMM::SetmaxExit);
    onClick(ui_->SetMinB, &TFCOMM::SetMinExit);

    connect(ConTimer, &QTimer::timeout, this, [this] { guarded([this] { ConTimerTimer(); }); });
    connectRecordHandlers();
    connectReportHandlers();
}

void TFCOMM::toggleGroupClicked(QToolButton* pressed) {
    // One group: pressing one lifts the others without running their handlers. One link at a
    // time, though: the link of the button lifted is ended too, so that no reading arrives under
    // a button that says disconnected.
    if (!pressed->isChecked()) return;
    const bool serialWasOn = ui_->COMCon->isChecked() && pressed != ui_->COMCon;
    const bool cableWasOn = (ui_->USBCon->isChecked() || ui_->ReadBtn->isChecked()) && pressed == ui_->COMCon;
    for (QToolButton* b : {ui_->COMCon, ui_->USBCon, ui_->ReadBtn}) {
        if (b != pressed) b->setChecked(false);
    }
    if (serialWasOn) disconnectSequence();
    if (cableWasOn && currentHidDevice_) currentHidDevice_->setDataHandler({});
}

// ---- Leaving, resizing, limits ----

void TFCOMM::BitBtn1Click() { close(); }

void TFCOMM::BtExit1Click() {
    closeRecordTable();
    close();
    QApplication::quit();
}

void TFCOMM::FormResize() {
    const int outer = frameGeometry().width();
    ui_->BtExit->move(outer - 80, ui_->BtExit->y());
    ui_->BTCon->move(outer - 190, ui_->BTCon->y());
    ui_->BtDiscon->move(outer - 190, ui_->BtDiscon->y());
}

void TFCOMM::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    guarded([this] { FormResize(); });
}

void TFCOMM::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!centred_) {
        centred_ = true;
        if (QScreen* s = screen()) move(placeOnScreen(s->availableGeometry(), frameGeometry().size()));
    }
}

void TFCOMM::setLimit(bool upper) {
    const QString text = (upper ? ui_->Setmax : ui_->SetMin)->text();
    float limit = 0.0f;
    if (text != QLatin1String("-") && text != QLatin1String("+") && !text.isEmpty()) {
        limit = static_cast<float>(strToInt(text));
    }
    (upper ? core_.state.upperLimit : core_.state.lowerLimit) = limit;
    syncScaleSettings();
    scaleWidget()->drawScale();
}

void TFCOMM::SetmaxExit() { setLimit(true); }
void TFCOMM::SetMinExit() { setLimit(false); }

// ---- The reading pipeline's far end ----

void TFCOMM::frameSeen() {
    ui_->CONok->show();
    ui_->CONokN->hide();
}

void TFCOMM::frequencyModeChanged(bool on) {
    syncScaleSettings();
    scaleWidget()->drawScale();
    const int fs = core_.state.countClass.fullScale;
    if (on) {
        setChartValueAxis(-5000, 5000);
    } else {
        setChartValueAxis(-fs, fs);
    }
}

void TFCOMM::beep() { QApplication::beep(); }

void TFCOMM::showAlarm(bool on) { ui_->oltext->setVisible(on); }

void TFCOMM::resetChart() {
    ui_->Chtshow->startNewChart();
    if (auto* box = ui_->Chtshow->findChild<QComboBox*>(QStringLiteral("ComboBox1"))) {
        box->setCurrentIndex(0);
    }
    ui_->Chtshow->showSeries(fillTicked() ? 0 : 1);
}

bool TFCOMM::fillTicked() const {
    auto* fill = ui_->Chtshow->findChild<QCheckBox*>(QStringLiteral("BtFill"));
    return fill == nullptr || fill->isChecked();
}

void TFCOMM::setChartValueAxis(int minimum, int maximum) { ui_->Chtshow->setValueAxis(minimum, maximum); }

void TFCOMM::rangeChanged() {
    ui_->Chtshow->showSeries(fillTicked() ? 0 : 1);
    ui_->Chtshow->startNewChart();
}

void TFCOMM::chartPoint(double value) { ui_->Chtshow->appendPoint(value); }

void TFCOMM::needle(int position) { scaleWidget()->moveNeedle(position); }

void TFCOMM::bar(int position) { barWidget()->setPosition(position); }

void TFCOMM::frameDone() {
    const ReadingState& st = core_.state;
    ui_->Panel1->setPanel(core_.panel());
    ui_->MaxText->setText(QString::fromStdString(st.maxReadingText));
    ui_->MinText->setText(QString::fromStdString(st.minReadingText));
    const QString unit = unitSymbols(QString::fromStdString(core_.reading().unitText));
    ui_->MaxTextU->setText(unit);
    ui_->MinTextU->setText(unit);
    ui_->USBtxt->setText(QString::fromStdString(core_.usbTxt()));
    if (receiver_ == Receiver::Brio) {
        // The hidden memo keeps the Brio frames' texts, as many as the core's bounded log.
        ui_->Memo1->appendPlainText(QString::fromStdString(core_.frameText()));
    }
    emit frameHandled();
}

void TFCOMM::onReceiveData(const void* data, int size) {
    switch (receiver_) {
    case Receiver::Kelt: core_.HKeltRData(data, size); break;
    case Receiver::Sorn: core_.HSornRData(data, size); break;
    case Receiver::Brio: core_.HBrioRData(data, size); break;
    case Receiver::None: break;  // no receive routine bound: the bytes are dropped
    }
}

void TFCOMM::ConTimerTimer() {
    ReadingState& st = core_.state;
    if (st.linkWatchdog == 2) {
        dropSilentCable();
        ui_->CONok->hide();
        ui_->CONokN->show();
        st.linkWatchdog = 0;
    } else {
        ++st.linkWatchdog;
    }
}

QString TFCOMM::indicatorTip() const {
    if (cableLinkActive()) return cableIndicatorTip();
    const FrameCounters& c = core_.counters();
    const bool gone = COMM2 && COMM2->deviceLost();
    const QString path = gone ? COMM2->devicePath() : comPortPath(comPort_);
    return QStringLiteral("COM%1 (%2)%3\nframes decoded: %4, dropped: %5")
        .arg(comPort_)
        .arg(path.isEmpty() ? QStringLiteral("no serial device") : path)
        .arg(gone ? QStringLiteral(": the device is gone; waiting for it to come back") : QString())
        .arg(c.decoded)
        .arg(c.dropped());
}

}  // namespace dmm
