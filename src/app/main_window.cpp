// The main window: the form, start-up, the handlers' connections, the limits, leaving, and the
// far end of the reading pipeline.
#include "main_window.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QHeaderView>
#include <QHelpEvent>
#include <QIcon>
#include <QLayout>
#include <QLocale>
#include <QScreen>
#include <QTableView>
#include <QTimer>
#include <QToolTip>

#include <exception>

#include "data_file_drop.h"
#include "dialogs.h"
#include "grid_cell_delegate.h"
#include "hid_device_controller.h"
#include "int_text.h"
#include "key_filter.h"
#include "pictures.h"
#include "pixel_fonts.h"
#include "port_name_table.h"
#include "serial_port_driver.h"
#include "ui_main_window.h"
#include "unit_symbols.h"
#include "window_placement.h"

namespace dmm {

MainWindow::MainWindow(const AppOptions& options, Dialogs* dialogs, QWidget* parent)
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
    createSerialPort();
    createHidController();
    connectHandlers();
    guarded([this] { startUp(); });
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

MainWindow::~MainWindow() {
    // Stop every source of frames before the widgets they feed go away: the cable's readers
    // before their devices, the devices before the controller they were listed by.
    core_.setSink(nullptr);
    for (HidDevice* device : listedHidDevices_) {
        if (device) device->setDataHandler({});
    }
    delete std::exchange(hidController_, nullptr);  // detaches the devices still held
    for (HidDevice*& device : listedHidDevices_) HidDevice::release(std::exchange(device, nullptr));
    closeSerialPort();
    delete std::exchange(serialPort_, nullptr);  // before the port name table it reads
}

void MainWindow::setUpForm() {
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

    // The count edits take digits only, the chart's points-per-page edit among them; the limit
    // edits take a sign too.
    digitFilter_ = new KeyFilter(KeyFilter::digits(), this);
    signedFilter_ = new KeyFilter(KeyFilter::signedDigits(), this);
    auto* pointsPerPage = ui_->Chtshow->findChild<QLineEdit*>(QStringLiteral("Maxrecord"));
    for (QLineEdit* e : {ui_->RecordSITime, pointsPerPage, ui_->TimeH, ui_->TimeM, ui_->TimeS,
                         ui_->TimeInt}) {
        if (e) e->installEventFilter(digitFilter_);
    }
    for (QLineEdit* e : {ui_->Setmax, ui_->SetMin}) e->installEventFilter(signedFilter_);

    // The hidden memo keeps as many Brio frame texts as the core's bounded log.
    ui_->Memo1->setMaximumBlockCount(static_cast<int>(core_.brioFrames().capacity()));

    linkWatchdog_ = new QTimer(this);
    linkWatchdog_->setObjectName(QStringLiteral("ConTimer"));
    linkWatchdog_->setInterval(100);
    samplingTimer_ = new QTimer(this);
    samplingTimer_->setObjectName(QStringLiteral("Trecord"));
    samplingTimer_->setInterval(1000);
}

void MainWindow::connectHandlers() {
    // Every handler runs under the general error report.
    const auto run = [this](void (MainWindow::*handler)()) {
        return [this, handler] { guarded([this, handler] { (this->*handler)(); }); };
    };
    const auto clicked = [&](QAbstractButton* button, void (MainWindow::*handler)()) {
        connect(button, &QAbstractButton::clicked, this, run(handler));
    };
    const auto triggered = [&](QAction* item, void (MainWindow::*handler)()) {
        connect(item, &QAction::triggered, this, run(handler));
    };
    const auto panelClicked = [&](PanelLabel* panel, void (MainWindow::*handler)()) {
        connect(panel, &PanelLabel::clicked, this, run(handler));
    };
    const auto edited = [&](QLineEdit* edit, void (MainWindow::*handler)()) {
        connect(edit, &QLineEdit::textChanged, this, run(handler));
    };

    // The serial port's bytes, and the USB device controller's events.
    serialPort_->setReceiveHandler([this](SerialPortDriver*, const void* data, std::int32_t size) {
        guarded([&] { receiveSerialBytes(data, size); });
    });
    hidController_->setArrivalHandler(HidPlugEvent(this, &MainWindow::onHidDeviceArrived));
    hidController_->setEnumerateHandler(HidEnumerateEvent(this, &MainWindow::onHidDeviceListed));
    hidController_->setDeviceChangeHandler(HidNotifyEvent(this, &MainWindow::onHidDevicesChanged),
                                           true);
    hidController_->setDeviceDataErrorHandler(HidDataErrorEvent(this, &MainWindow::onHidReadError));
    hidController_->setRemovalHandler(HidPlugEvent(this, &MainWindow::onHidDeviceRemoved));

    // The link buttons: one pressed at a time, then each one's own handler.
    for (QToolButton* b : {ui_->COMCon, ui_->USBCon, ui_->ReadBtn}) {
        connect(b, &QAbstractButton::clicked, this,
                [this, b] { guarded([this, b] { liftOtherLinkButtons(b); }); });
    }
    clicked(ui_->COMCon, &MainWindow::onSerialConnectToggled);
    clicked(ui_->USBCon, &MainWindow::onUsbConnectToggled);
    clicked(ui_->ReadBtn, &MainWindow::onCableReadToggled);
    clicked(ui_->SetFeature, &MainWindow::onSendSetupReportClicked);
    clicked(ui_->ClearBtn, &MainWindow::onClearHistoryClicked);
    clicked(ui_->InfoBtn, &MainWindow::onOpenAnotherWindowClicked);
    panelClicked(ui_->BTCon, &MainWindow::onConnectClicked);
    panelClicked(ui_->BtDiscon, &MainWindow::onDisconnectClicked);
    triggered(ui_->START1, &MainWindow::onConnectClicked);
    triggered(ui_->STOP1, &MainWindow::onDisconnectClicked);
    connect(linkWatchdog_, &QTimer::timeout, this, run(&MainWindow::onLinkWatchdogTick));

    // Port selection: the port items choose their port; a click on the visible port panel
    // chooses the next one.
    const std::array<QAction*, 4> portItems = {ui_->COM11, ui_->COM21, ui_->COM31, ui_->COM41};
    for (int port = 1; port <= 4; ++port) {
        const auto choose = [this](int n) {
            return [this, n] { guarded([this, n] { onPortChosen(n); }); };
        };
        connect(portItems[port - 1], &QAction::triggered, this, choose(port));
        connect(portPanels()[port - 1], &PanelLabel::clicked, this, choose(port % 4 + 1));
    }

    clicked(ui_->BitBtn1, &MainWindow::onCloseClicked);
    panelClicked(ui_->BtExit, &MainWindow::onQuitClicked);
    triggered(ui_->EXIT1, &MainWindow::onQuitClicked);

    edited(ui_->Setmax, &MainWindow::onUpperLimitEdited);
    edited(ui_->SetMin, &MainWindow::onLowerLimitEdited);
    clicked(ui_->SetMaxB, &MainWindow::onUpperLimitEdited);
    clicked(ui_->SetMinB, &MainWindow::onLowerLimitEdited);

    connect(samplingTimer_, &QTimer::timeout, this, run(&MainWindow::onSamplingTick));
    connect(ui_->RepeatSet, &QCheckBox::toggled, this,
            [this](bool on) { recorder_.recordRepeats = on; });
    connect(ui_->RecordSI, &QCheckBox::toggled, this,
            [this](bool on) { recorder_.sampleByInterval = on; });
    for (QLineEdit* e : {ui_->RecordSITime, ui_->TimeH, ui_->TimeM, ui_->TimeS, ui_->TimeInt}) {
        edited(e, &MainWindow::onRecordTimesEdited);
    }
    clicked(ui_->RecordNew, &MainWindow::onClearRecordsClicked);
    triggered(ui_->New1, &MainWindow::onClearRecordsClicked);
    clicked(ui_->saveas, &MainWindow::onSaveRecordsClicked);
    triggered(ui_->Save1, &MainWindow::onSaveRecordsClicked);
    clicked(ui_->OpenDataFiles, &MainWindow::onOpenRecordsClicked);
    clicked(ui_->RecallCheck, &MainWindow::onRecallClockClicked);
    for (const RecordLimitChoice& choice : kRecordLimitChoices) {
        auto* item = findChild<QAction*>(QString::fromLatin1(
            choice.objectName.data(), static_cast<qsizetype>(choice.objectName.size())));
        connect(item, &QAction::triggered, this, [this, limit = choice.limit] {
            guarded([this, limit] { onRecordLimitChosen(limit); });
        });
    }
    clicked(ui_->BtPrint, &MainWindow::onPrintClicked);
    clicked(ui_->Print, &MainWindow::onPrintClicked);

    // Key releases in the recall clock's edits, the focus leaving its check box, and the link
    // indicator's tooltip (see eventFilter).
    for (QObject* watched : std::initializer_list<QObject*>{
             ui_->TimeH, ui_->TimeM, ui_->TimeS, ui_->RecallCheck, ui_->CONok, ui_->CONokN}) {
        watched->installEventFilter(this);
    }

    // A data file dropped anywhere on the window opens as with "Open old data files".
    new DataFileDrop(this, [this](const QString& path) { guarded([&] { openDataFile(path); }); });

    // The scale enlarged by its zoom covers the chart's place; the chart steps aside.
    connect(ui_->KD, &AnalogScale::enlargedChanged, ui_->Chtshow,
            [this](bool on) { ui_->Chtshow->setVisible(!on); });
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    const bool timeEdit = watched == ui_->TimeH || watched == ui_->TimeM || watched == ui_->TimeS;
    if (event->type() == QEvent::KeyRelease && timeEdit) {
        guarded([this] { onRecallTimeKeyReleased(); });
    } else if (event->type() == QEvent::FocusOut && watched == ui_->RecallCheck) {
        guarded([this] { onRecallClockLeft(); });
    } else if (event->type() == QEvent::ToolTip &&
               (watched == ui_->CONok || watched == ui_->CONokN)) {
        QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), indicatorTip(),
                           static_cast<QWidget*>(watched));
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

std::array<PanelLabel*, 4> MainWindow::portPanels() const {
    return {ui_->BtCOM1, ui_->BtCOM2, ui_->BtCOM3, ui_->BtCOM4};
}

void MainWindow::guarded(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const std::exception& e) {
        if (dialogs_) dialogs_->error(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        if (dialogs_) dialogs_->error(QStringLiteral("Unexpected failure"));
    }
}

void MainWindow::startUp() {
    core_.state = ReadingState::atStartUp(
        QString(QLocale::system().decimalPoint()).toStdString(),
        static_cast<std::int32_t>(QTime::currentTime().msecsSinceStartOfDay()));
    const ReadingState& st = core_.state;

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
    core_.settings.ivraModel = ui_->IFIvra->isChecked();
    core_.settings.brioModel = ui_->IFBrio->isChecked();
    core_.settings.fermoModel = ui_->IFFermo->isChecked();

    if (options_.countClass && options_.countClass->name != standardCountClass().name) {
        applyCountClass();
    }

    const ValueAxis axis = chartValueAxis(st.countClass, st.frequencyMode);
    setChartValueAxis(axis.minimum, axis.maximum);
    syncScaleSettings();
    ui_->KD->drawScale();
    ui_->KD->moveNeedle(st.countClass.needleCentre);

    linkWatchdog_->start();
    samplingTimer_->start();

    // dmmview DATAFILE: opened once the event loop runs, so that a message about it has a window.
    if (!options_.dataFile.isEmpty()) {
        QTimer::singleShot(0, this,
                           [this] { guarded([this] { openDataFile(options_.dataFile); }); });
    }
}

void MainWindow::applyCountClass() {
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
    ui_->PBar2->setMaximum(cc.barMaximum);
}

void MainWindow::liftOtherLinkButtons(QToolButton* pressed) {
    // One group: pressing one lifts the others without running their handlers. One link at a
    // time, though: the link of the button lifted is ended too, so that no reading arrives under
    // a button that says disconnected.
    if (!pressed->isChecked()) return;
    const bool serialWasOn = ui_->COMCon->isChecked() && pressed != ui_->COMCon;
    const bool cableWasOn =
        (ui_->USBCon->isChecked() || ui_->ReadBtn->isChecked()) && pressed == ui_->COMCon;
    for (QToolButton* b : {ui_->COMCon, ui_->USBCon, ui_->ReadBtn}) {
        if (b != pressed) b->setChecked(false);
    }
    if (serialWasOn) disconnectSerialPort();
    if (cableWasOn && currentHidDevice_) currentHidDevice_->setDataHandler({});
}

// ---- Leaving, resizing, limits ----

void MainWindow::onCloseClicked() { close(); }

void MainWindow::onQuitClicked() {
    closeRecordTable();
    close();
    QApplication::quit();
}

void MainWindow::alignBottomPanels() {
    const int outer = frameGeometry().width();
    ui_->BtExit->move(outer - 80, ui_->BtExit->y());
    ui_->BTCon->move(outer - 190, ui_->BTCon->y());
    ui_->BtDiscon->move(outer - 190, ui_->BtDiscon->y());
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    guarded([this] { alignBottomPanels(); });
}

void MainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!centred_) {
        centred_ = true;
        if (QScreen* s = screen())
            move(placeOnScreen(s->availableGeometry(), frameGeometry().size()));
    }
}

void MainWindow::applyLimit(bool upper) {
    const QString text = (upper ? ui_->Setmax : ui_->SetMin)->text();
    float limit = 0.0f;
    if (text != QLatin1String("-") && text != QLatin1String("+") && !text.isEmpty()) {
        limit = static_cast<float>(integerFromText(text));
    }
    (upper ? core_.state.upperLimit : core_.state.lowerLimit) = limit;
    syncScaleSettings();
    ui_->KD->drawScale();
}

void MainWindow::onUpperLimitEdited() { applyLimit(true); }
void MainWindow::onLowerLimitEdited() { applyLimit(false); }

void MainWindow::syncScaleSettings() {
    ScaleSettings s;
    s.countClass = core_.state.countClass;
    s.frequencyMode = core_.state.frequencyMode;
    s.upperLimit = core_.state.upperLimit;
    s.lowerLimit = core_.state.lowerLimit;
    s.upperLimitOn = ui_->SetMaxB->isChecked();
    s.lowerLimitOn = ui_->SetMinB->isChecked();
    ui_->KD->setSettings(s);
    core_.settings.upperLimitOn = s.upperLimitOn;
    core_.settings.lowerLimitOn = s.lowerLimitOn;
}

// ---- The reading pipeline's far end ----

void MainWindow::frameSeen() {
    ui_->CONok->show();
    ui_->CONokN->hide();
}

void MainWindow::frequencyModeChanged(bool on) {
    syncScaleSettings();
    ui_->KD->drawScale();
    const ValueAxis axis = chartValueAxis(core_.state.countClass, on);
    setChartValueAxis(axis.minimum, axis.maximum);
}

void MainWindow::beep() { QApplication::beep(); }

void MainWindow::showAlarm(bool on) { ui_->oltext->setVisible(on); }

void MainWindow::resetChart() {
    ui_->Chtshow->startNewChart();
    if (auto* box = ui_->Chtshow->findChild<QComboBox*>(QStringLiteral("ComboBox1"))) {
        box->setCurrentIndex(0);
    }
    ui_->Chtshow->showSeries(fillTicked() ? 0 : 1);
}

bool MainWindow::fillTicked() const { return ui_->Chtshow->fillTicked(); }

void MainWindow::setChartValueAxis(int minimum, int maximum) {
    ui_->Chtshow->setValueAxis(minimum, maximum);
}

void MainWindow::rangeChanged() {
    ui_->Chtshow->showSeries(fillTicked() ? 0 : 1);
    ui_->Chtshow->startNewChart();
}

void MainWindow::chartPoint(double value) { ui_->Chtshow->appendPoint(value); }

void MainWindow::needle(int position) { ui_->KD->moveNeedle(position); }

void MainWindow::bar(int position) { ui_->PBar2->setPosition(position); }

void MainWindow::frameDone() {
    const ReadingState& st = core_.state;
    ui_->Panel1->setPanel(core_.panel());
    ui_->MaxText->setText(QString::fromStdString(st.maxReadingText));
    ui_->MinText->setText(QString::fromStdString(st.minReadingText));
    const QString unit = unitSymbols(QString::fromStdString(core_.reading().unitText));
    ui_->MaxTextU->setText(unit);
    ui_->MinTextU->setText(unit);
    ui_->USBtxt->setText(QString::fromStdString(core_.frameDiagnostic()));
    if (receiver_ == Receiver::Brio) {
        // The hidden memo keeps the Brio frames' texts, as many as the core's bounded log.
        ui_->Memo1->appendPlainText(QString::fromStdString(core_.frameText()));
    }
    emit frameHandled();
}

}  // namespace dmm
