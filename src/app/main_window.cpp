// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

// The main window: the form, start-up, the handlers' connections, the limits and leaving.
#include "main_window.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDateTime>
#include <QHeaderView>
#include <QHelpEvent>
#include <QIcon>
#include <QLayout>
#include <QMenu>
#include <QLocale>
#include <QScreen>
#include <QTableView>
#include <QTimer>
#include <QToolTip>

#include <exception>

#include "chart_picture.h"
#include "data_file_drop.h"
#include "dialogs.h"
#include "grid_cell_delegate.h"
#include "int_text.h"
#include "key_filter.h"
#include "pictures.h"
#include "pixel_fonts.h"
#include "printable_text.h"
#include "record_commands.h"
#include "reading_display.h"
#include "ui_main_window.h"
#include "window_placement.h"

namespace dmm {

MainWindow::MainWindow(const AppOptions& options, Dialogs* dialogs, QWidget* parent)
    : QMainWindow(parent,
                  Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                      Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                      Qt::WindowCloseButtonHint),
      options_(options),
      dialogs_(dialogs),
      session_(new MeterSession(this)),
      ui_(std::make_unique<Ui::MainWindow>()) {
    setWindowIcon(QIcon(drawLinkPicture(true)));
    setUpForm();
    createSession();
    connectHandlers();
    guarded([this] { startUp(); });
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

MainWindow::~MainWindow() {
    // The meter stops before the widgets and the table it feeds go away.
    delete std::exchange(session_, nullptr);
}

Recorder& MainWindow::recorder() { return records_->recorder(); }
RecordTable& MainWindow::recordTable() { return records_->table(); }
RecordTableModel* MainWindow::gridModel() const { return records_->gridModel(); }

void MainWindow::setUpForm() {
    ui_->setupUi(this);
    applyPixelFonts(this);
    records_ = new RecordCommands(*ui_, core(), session_->readingClock(), dialogs_, this);
    display_ = std::make_unique<ReadingDisplay>(*ui_, *session_,
                                                [this] { records_->recordReading(); });

    // The chart's "Graphic" menu sits in the menu bar before "Record", out of sight like the
    // port and connection menus (a form cannot hide a menu's item in the bar).
    QMenu* graphic = makeGraphicMenu(*ui_->trendChart, this);
    ui_->mainMenuBar->insertMenu(ui_->recordMenu->menuAction(), graphic);
    graphic->menuAction()->setVisible(false);
    ui_->portMenu->menuAction()->setVisible(false);
    ui_->connectMenu->menuAction()->setVisible(false);

    ui_->clearRecordsButton->setIcon(QIcon(drawIcon(Icon::CloseData, 16)));
    ui_->openRecordsButton->setIcon(QIcon(drawIcon(Icon::OpenFile, 16)));
    ui_->saveRecordsButton->setIcon(QIcon(drawIcon(Icon::SaveFile, 16)));
    ui_->printRecordsButton->setIcon(QIcon(drawIcon(Icon::Printer, 16)));
    ui_->linkDarkPicture->setPixmap(drawLinkPicture(false));
    ui_->linkLitPicture->setPixmap(drawLinkPicture(true));

    // Read-only, one row selected at a time, rows of one height: the grid itself sees to that.
    QTableView* gridRows = ui_->recordGrid->rowView();
    gridRows->horizontalHeader()->setFont(pixelFont(QStringLiteral("MS Sans Serif"), 11));
    gridRows->setTextElideMode(Qt::ElideNone);
    gridRows->setItemDelegate(new GridCellDelegate(gridRows));
    gridRows->verticalHeader()->setDefaultSectionSize(17);
    gridRows->verticalHeader()->hide();

    // The count edits take digits only, the chart's points-per-page edit among them; the limit
    // edits take a sign too.
    digitFilter_ = new KeyFilter(KeyFilter::digits(), this);
    signedFilter_ = new KeyFilter(KeyFilter::signedDigits(), this);
    auto* pointsPerPage =
        ui_->trendChart->findChild<QLineEdit*>(QStringLiteral("pointsPerPageEdit"));
    for (QLineEdit* e : {ui_->samplingIntervalEdit, pointsPerPage, ui_->recallHoursEdit,
                         ui_->recallMinutesEdit, ui_->recallSecondsEdit, ui_->recallStepEdit}) {
        if (e) e->installEventFilter(digitFilter_);
    }
    for (QLineEdit* e : {ui_->upperLimitEdit, ui_->lowerLimitEdit})
        e->installEventFilter(signedFilter_);

    // The hidden memo keeps as many Brio frame texts as the core's bounded log.
    ui_->brioFramesText->setMaximumBlockCount(static_cast<int>(core().brioFrames().capacity()));

    linkWatchdog_ = new QTimer(this);
    linkWatchdog_->setObjectName(QStringLiteral("linkWatchdogTimer"));
    linkWatchdog_->setInterval(100);
    samplingTimer_ = new QTimer(this);
    samplingTimer_->setObjectName(QStringLiteral("samplingTimer"));
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

    connectSession();

    // The link buttons: one pressed at a time, then each one's own handler.
    for (QToolButton* b : {ui_->serialConnectButton, ui_->usbConnectButton, ui_->cableReadButton}) {
        connect(b, &QAbstractButton::clicked, this,
                [this, b] { guarded([this, b] { liftOtherLinkButtons(b); }); });
    }
    clicked(ui_->serialConnectButton, &MainWindow::onSerialConnectToggled);
    clicked(ui_->usbConnectButton, &MainWindow::onUsbConnectToggled);
    clicked(ui_->cableReadButton, &MainWindow::onCableReadToggled);
    clicked(ui_->sendSetupReportButton, &MainWindow::onSendSetupReportClicked);
    clicked(ui_->clearHistoryButton, &MainWindow::onClearHistoryClicked);
    clicked(ui_->openAnotherWindowButton, &MainWindow::onOpenAnotherWindowClicked);
    panelClicked(ui_->connectPanel, &MainWindow::onConnectClicked);
    panelClicked(ui_->disconnectPanel, &MainWindow::onDisconnectClicked);
    triggered(ui_->connectAction, &MainWindow::onConnectClicked);
    triggered(ui_->disconnectAction, &MainWindow::onDisconnectClicked);
    triggered(ui_->brokerAction, &MainWindow::onBrokerChosen);
    connect(linkWatchdog_, &QTimer::timeout, this,
            [this] { guarded([this] { session_->tick(); }); });

    // Port selection: the port items choose their port; a click on the visible port panel
    // chooses the next one.
    const std::array<QAction*, 4> portItems = {ui_->port1Action, ui_->port2Action, ui_->port3Action,
                                               ui_->port4Action};
    for (int port = 1; port <= 4; ++port) {
        const auto choose = [this](int n) {
            return [this, n] { guarded([this, n] { onPortChosen(n); }); };
        };
        connect(portItems[port - 1], &QAction::triggered, this, choose(port));
        connect(portPanels()[port - 1], &PanelLabel::clicked, this, choose(port % 4 + 1));
    }

    clicked(ui_->closeButton, &MainWindow::onCloseClicked);
    panelClicked(ui_->quitPanel, &MainWindow::onQuitClicked);
    triggered(ui_->quitAction, &MainWindow::onQuitClicked);

    edited(ui_->upperLimitEdit, &MainWindow::onUpperLimitEdited);
    edited(ui_->lowerLimitEdit, &MainWindow::onLowerLimitEdited);
    clicked(ui_->upperLimitCheckBox, &MainWindow::onUpperLimitEdited);
    clicked(ui_->lowerLimitCheckBox, &MainWindow::onLowerLimitEdited);

    records_->connectControls([this](const std::function<void()>& handler) { guarded(handler); });
    connect(samplingTimer_, &QTimer::timeout, this,
            [this] { guarded([this] { records_->onSamplingTick(); }); });

    // The link indicator's tooltip (see eventFilter).
    for (QObject* watched :
         std::initializer_list<QObject*>{ui_->linkLitPicture, ui_->linkDarkPicture}) {
        watched->installEventFilter(this);
    }

    // A data file dropped anywhere on the window opens as with "Open old data files".
    new DataFileDrop(this, [this](const QString& path) {
        guarded([&] { records_->openDataFile(path); });
    });

    // The chart's "Save" and its points-per-page edit's complaints.
    connect(ui_->trendChart, &TrendChart::savePictureRequested, this, [this] {
        guarded([this] {
            if (dialogs_) saveChartPictureWithDialog(*ui_->trendChart, *dialogs_);
        });
    });
    connect(ui_->trendChart, &TrendChart::pointsPerPageRejected, this,
            [this](const QString& reason) {
                if (dialogs_) dialogs_->error(reason);
            });

    // The scale enlarged by its zoom covers the chart's place; the chart steps aside.
    connect(ui_->analogScale, &AnalogScale::enlargedChanged, ui_->trendChart,
            [this](bool on) { ui_->trendChart->setVisible(!on); });
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ToolTip &&
        (watched == ui_->linkLitPicture || watched == ui_->linkDarkPicture)) {
        QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(),
                           printableText(session_->linkDescription(), true),
                           static_cast<QWidget*>(watched));
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

std::array<PanelLabel*, 4> MainWindow::portPanels() const {
    return {ui_->port1Panel, ui_->port2Panel, ui_->port3Panel, ui_->port4Panel};
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
    MeterCore& meter = core();
    meter.state = ReadingState::atStartUp(
        QString(QLocale::system().decimalPoint()).toStdString(),
        static_cast<std::int32_t>(QTime::currentTime().msecsSinceStartOfDay()));
    records_->createRecordTable();
    display_->resetChart();

    if (options_.family) {
        // The command line chooses the family the way the layout's model boxes would; a Brio
        // meter keeps the standard caption and gets its own receive routine below.
        ui_->pavoModelCheckBox->setChecked(*options_.family != Family::Sorn);
        ui_->sornModelCheckBox->setChecked(*options_.family == Family::Sorn);
    }
    std::optional<Family> serialFamily;
    if (ui_->pavoModelCheckBox->isChecked()) {
        serialFamily = Family::Kelt;
        setWindowTitle(QStringLiteral("61-50883 V2.00"));
    }
    if (ui_->sornModelCheckBox->isChecked()) {
        serialFamily = Family::Sorn;
        setWindowTitle(QStringLiteral("Sorn Interface Program _Ver: 1.00"));
    }
    if (options_.family == Family::Brio) serialFamily = Family::Brio;
    session_->setSerialFamily(serialFamily);
    meter.settings.ivraModel = ui_->ivraModelCheckBox->isChecked();
    meter.settings.brioModel = ui_->brioModelCheckBox->isChecked();
    meter.settings.fermoModel = ui_->fermoModelCheckBox->isChecked();

    if (options_.countClass && options_.countClass->name != standardCountClass().name) {
        applyCountClass();
    }

    display_->showStart();

    linkWatchdog_->start();
    samplingTimer_->start();

    // dmmview DATAFILE: opened once the event loop runs, so that a message about it has a window.
    if (!options_.dataFile.isEmpty()) {
        QTimer::singleShot(0, this, [this] {
            guarded([this] { records_->openDataFile(options_.dataFile); });
        });
    }
}

void MainWindow::applyCountClass() {
    const CountClass& cc = *options_.countClass;
    ReadingState& st = core().state;
    st.applyCountClass(cc);
    const QString fs = QString::number(cc.fullScale);
    // Writing the limit edits runs their change handling, which sets the limits to
    // +-FullScale and redraws the scale.
    ui_->upperLimitEdit->setText(fs);
    ui_->lowerLimitEdit->setText(QStringLiteral("-") + fs);
    ui_->minimumReadingLabel->setText(QString::number(cc.fullScale + 1));
    ui_->maximumReadingLabel->setText(QString::number(-(cc.fullScale + 1)));
    ui_->barGraph->setMaximum(cc.barMaximum);
}

void MainWindow::liftOtherLinkButtons(QToolButton* pressed) {
    // One group: pressing one lifts the others without running their handlers. The session
    // keeps one link at a time: the link of the button lifted ends when the pressed one starts.
    if (!pressed->isChecked()) return;
    for (QToolButton* b : {ui_->serialConnectButton, ui_->usbConnectButton, ui_->cableReadButton}) {
        if (b != pressed) b->setChecked(false);
    }
}

// ---- Leaving, resizing, limits ----

void MainWindow::onCloseClicked() { close(); }

void MainWindow::onQuitClicked() {
    records_->closeRecordTable();
    close();
    QApplication::quit();
}

void MainWindow::alignBottomPanels() {
    const int outer = frameGeometry().width();
    ui_->quitPanel->move(outer - 80, ui_->quitPanel->y());
    ui_->connectPanel->move(outer - 190, ui_->connectPanel->y());
    ui_->disconnectPanel->move(outer - 190, ui_->disconnectPanel->y());
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
    const QString text = (upper ? ui_->upperLimitEdit : ui_->lowerLimitEdit)->text();
    float limit = 0.0f;
    if (text != QLatin1String("-") && text != QLatin1String("+") && !text.isEmpty()) {
        limit = static_cast<float>(integerFromText(text));
    }
    (upper ? core().state.upperLimit : core().state.lowerLimit) = limit;
    display_->redrawScale();
}

void MainWindow::onUpperLimitEdited() { applyLimit(true); }
void MainWindow::onLowerLimitEdited() { applyLimit(false); }

}  // namespace dmm
