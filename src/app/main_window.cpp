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

#include <exception>

#include "analog_scale.h"
#include "connection_picture.h"
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

namespace dmm {

TFCOMM::TFCOMM(const AppOptions& options, Dialogs* dialogs, QWidget* parent)
    : QMainWindow(parent,
                  Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                      Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                      Qt::WindowCloseButtonHint),
      options_(options),
      dialogs_(dialogs),
      core_(this),
      recorder_(table_) {
    setWindowIcon(QIcon(connectionPicture(true)));
    buildLayout();
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
    core_.state = ReadingState::atStartUp(
        QString(QLocale::system().decimalPoint()).toStdString(),
        static_cast<std::int32_t>(QTime::currentTime().msecsSinceStartOfDay()));
    const ReadingState& st = core_.state;

    createRecordTable();
    resetChart();

    if (options_.family) {
        // The command line chooses the family the way the layout's model boxes would; a Brio
        // meter keeps the standard caption and gets its own receive routine below.
        IFPavo->setChecked(*options_.family != Family::Sorn);
        IFSornT->setChecked(*options_.family == Family::Sorn);
    }
    receiver_ = Receiver::None;
    if (IFPavo->isChecked()) {
        receiver_ = Receiver::Kelt;
        setWindowTitle(QStringLiteral("61-50883 V2.00"));
    }
    if (IFSornT->isChecked()) {
        receiver_ = Receiver::Sorn;
        setWindowTitle(QStringLiteral("Sorn Interface Program _Ver: 1.00"));
    }
    if (options_.family == Family::Brio) receiver_ = Receiver::Brio;
    core_.settings.ivraModel = IFIvra->isChecked();
    core_.settings.brioModel = IFBrio->isChecked();
    core_.settings.fermoModel = IFFermo->isChecked();

    if (options_.countClass && options_.countClass->name != standardCountClass().name) {
        applyCountClassRow();
    }

    const ValueAxis axis = chartValueAxis(st.countClass, st.frequencyMode);
    setChartValueAxis(axis.minimum, axis.maximum);
    syncScaleSettings();
    scaleWidget()->KDsetup(1);
    scaleWidget()->KDrun(st.countClass.needleCentre);

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
    Setmax->setText(fs);
    SetMin->setText(QStringLiteral("-") + fs);
    MinText->setText(QString::number(cc.fullScale + 1));
    MaxText->setText(QString::number(-(cc.fullScale + 1)));
    barWidget()->setMaximum(cc.barMaximum);
}

void TFCOMM::syncScaleSettings() {
    ScaleSettings s;
    s.countClass = core_.state.countClass;
    s.frequencyMode = core_.state.frequencyMode;
    s.upperLimit = core_.state.upperLimit;
    s.lowerLimit = core_.state.lowerLimit;
    s.setMaxB = SetMaxB->isChecked();
    s.setMinB = SetMinB->isChecked();
    scaleWidget()->setSettings(s);
    core_.settings.upperLimitOn = s.setMaxB;
    core_.settings.lowerLimitOn = s.setMinB;
}

AnalogScale* TFCOMM::scaleWidget() const { return KD; }
SegmentedBar* TFCOMM::barWidget() const { return PBar2; }
TrendChart* TFCOMM::chartWidget() const { return Chtshow; }

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

    for (QToolButton* b : {COMCon, USBCon, ReadBtn}) {
        connect(b, &QAbstractButton::clicked, this, [this, b] { guarded([=, this] { toggleGroupClicked(b); }); });
    }
    onClick(COMCon, &TFCOMM::COMConClick);
    onClick(USBCon, &TFCOMM::onUsbConnectClicked);
    onClick(ReadBtn, &TFCOMM::onSornReadClicked);
    onClick(SetFeature, &TFCOMM::onSendSetupReportClicked);
    onClick(ClearBtn, &TFCOMM::onClearHistoryClicked);
    onClick(InfoBtn, &TFCOMM::onInfoClicked);
    onClick(BitBtn1, &TFCOMM::BitBtn1Click);
    onPanel(BTCon, &TFCOMM::BTCon1Click);
    onPanel(BtDiscon, &TFCOMM::BtDiscon1Click);
    onPanel(BtExit, &TFCOMM::BtExit1Click);
    onTrigger(START1, &TFCOMM::BTCon1Click);
    onTrigger(STOP1, &TFCOMM::BtDiscon1Click);
    onTrigger(EXIT1, &TFCOMM::BtExit1Click);

    // Port selection: a click on the visible panel selects the next port.
    onTrigger(COM11, &TFCOMM::COM11Click);
    onTrigger(COM21, &TFCOMM::COM21Click);
    onTrigger(COM31, &TFCOMM::COM31Click);
    onTrigger(COM41, &TFCOMM::COM41Click);
    onPanel(BtCOM[0], &TFCOMM::COM21Click);
    onPanel(BtCOM[1], &TFCOMM::COM31Click);
    onPanel(BtCOM[2], &TFCOMM::COM41Click);
    onPanel(BtCOM[3], &TFCOMM::COM11Click);

    connect(Setmax, &QLineEdit::textChanged, this, [this] { guarded([this] { SetmaxExit(); }); });
    connect(SetMin, &QLineEdit::textChanged, this, [this] { guarded([this] { SetMinExit(); }); });
    onClick(SetMaxB, &TFCOMM::SetmaxExit);
    onClick(SetMinB, &TFCOMM::SetMinExit);

    connect(ConTimer, &QTimer::timeout, this, [this] { guarded([this] { ConTimerTimer(); }); });
    connectRecordHandlers();
    connectReportHandlers();
}

void TFCOMM::toggleGroupClicked(QToolButton* pressed) {
    // One group: pressing one lifts the others without running their handlers. One link at a
    // time, though: the link of the button lifted is ended too, so that no reading arrives under
    // a button that says disconnected.
    if (!pressed->isChecked()) return;
    const bool serialWasOn = COMCon->isChecked() && pressed != COMCon;
    const bool cableWasOn = (USBCon->isChecked() || ReadBtn->isChecked()) && pressed == COMCon;
    for (QToolButton* b : {COMCon, USBCon, ReadBtn}) {
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
    BtExit->move(outer - 80, BtExit->y());
    BTCon->move(outer - 190, BTCon->y());
    BtDiscon->move(outer - 190, BtDiscon->y());
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
    const QString text = (upper ? Setmax : SetMin)->text();
    float limit = 0.0f;
    if (text != QLatin1String("-") && text != QLatin1String("+") && !text.isEmpty()) {
        limit = static_cast<float>(strToInt(text));
    }
    (upper ? core_.state.upperLimit : core_.state.lowerLimit) = limit;
    syncScaleSettings();
    scaleWidget()->KDsetup(1);
}

void TFCOMM::SetmaxExit() { setLimit(true); }
void TFCOMM::SetMinExit() { setLimit(false); }

// ---- The reading pipeline's far end ----

void TFCOMM::frameSeen() {
    CONok->show();
    CONokN->hide();
}

void TFCOMM::frequencyModeChanged(bool on) {
    syncScaleSettings();
    scaleWidget()->KDsetup(1);
    const ValueAxis axis = chartValueAxis(core_.state.countClass, on);
    setChartValueAxis(axis.minimum, axis.maximum);
}

void TFCOMM::beep() { QApplication::beep(); }

void TFCOMM::showAlarm(bool on) { oltext->setVisible(on); }

void TFCOMM::resetChart() {
    Chtshow->BtNewClick();
    if (auto* box = Chtshow->findChild<QComboBox*>(QStringLiteral("ComboBox1"))) {
        box->setCurrentIndex(0);
    }
    Chtshow->ShowSeries(fillTicked() ? 0 : 1);
}

bool TFCOMM::fillTicked() const {
    auto* fill = Chtshow->findChild<QCheckBox*>(QStringLiteral("BtFill"));
    return fill == nullptr || fill->isChecked();
}

void TFCOMM::setChartValueAxis(int minimum, int maximum) { Chtshow->setValueAxis(minimum, maximum); }

void TFCOMM::rangeChanged() {
    Chtshow->ShowSeries(fillTicked() ? 0 : 1);
    Chtshow->BtNewClick();
}

void TFCOMM::chartPoint(double value) { Chtshow->appendPoint(value); }

void TFCOMM::needle(int position) { scaleWidget()->KDrun(position); }

void TFCOMM::bar(int position) { barWidget()->setPosition(position); }

void TFCOMM::frameDone() {
    const ReadingState& st = core_.state;
    Panel1->setPanel(core_.panel());
    MaxText->setText(QString::fromStdString(st.maxReadingText));
    MinText->setText(QString::fromStdString(st.minReadingText));
    const QString unit = unitSymbols(QString::fromStdString(core_.reading().unitText));
    MaxTextU->setText(unit);
    MinTextU->setText(unit);
    USBtxt->setText(QString::fromStdString(core_.frameDiagnostic()));
    if (receiver_ == Receiver::Brio) {
        // The hidden memo keeps the Brio frames' texts, as many as the core's bounded log.
        Memo1->appendPlainText(QString::fromStdString(core_.frameText()));
    }
    emit frameHandled();
}

void TFCOMM::onReceiveData(const void* data, int size) {
    switch (receiver_) {
    case Receiver::Kelt: core_.receiveKeltBytes(data, size); break;
    case Receiver::Sorn: core_.receiveSornBytes(data, size); break;
    case Receiver::Brio: core_.receiveBrioBytes(data, size); break;
    case Receiver::None: break;  // no receive routine bound: the bytes are dropped
    }
}

void TFCOMM::ConTimerTimer() {
    ReadingState& st = core_.state;
    if (st.ticksSinceFrame == 2) {
        dropSilentCable();
        CONok->hide();
        CONokN->show();
        st.ticksSinceFrame = 0;
    } else {
        ++st.ticksSinceFrame;
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
