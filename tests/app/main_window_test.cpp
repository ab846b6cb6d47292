// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include <QAction>
#include <QFileDialog>
#include <QHeaderView>
#include <QDeadlineTimer>
#include <QTimer>
#include <QTreeView>
#include <QImage>
#include <QActionGroup>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <QValueAxis>

#include <QMenu>

#include "analog_scale.h"
#include "real_dialogs.h"
#include "simulated_cable.h"
#include "segmented_bar.h"
#include "panel_label.h"
#include "serial_port_driver.h"
#include "trend_chart.h"
#include "record_grid.h"
#include "window_fixture.h"

using dmm::MainWindow;

namespace {

QStringList visibleMenuTitles(QMenuBar* bar) {
    QStringList titles;
    for (QAction* a : bar->actions()) {
        if (a->isVisible()) titles << a->text();
    }
    return titles;
}

TEST_F(WindowTest, StartsInTheStandardConfiguration) {
    auto w = makeWindow();
    const dmm::ReadingState& st = w->core().state;
    EXPECT_EQ(w->windowTitle(), "61-50883 V2.00");
    EXPECT_EQ(w->session().serialFamily(), dmm::Family::Kelt);
    EXPECT_EQ(st.upperLimit, 40002.0f);
    EXPECT_EQ(st.lowerLimit, -40002.0f);
    EXPECT_EQ(st.runningMax, -40001.0f);
    EXPECT_EQ(st.runningMin, 40001.0f);
    EXPECT_EQ(st.lastUnitText, "113");
    EXPECT_EQ(w->recorder().recordNo(), 1);
    EXPECT_EQ(w->recorder().recordLimit(), 10000);
    EXPECT_TRUE(control<QAction>(*w, "recordLimit10000Action")->isChecked());
    EXPECT_TRUE(w->recordTable().empty());
    EXPECT_EQ(control<dmm::RecordGrid>(*w, "recordGrid")->model()->rowCount(), 0);
    EXPECT_EQ(control<dmm::TrendChart>(*w, "trendChart")->valueAxis()->min(), -40000);
    EXPECT_EQ(control<dmm::TrendChart>(*w, "trendChart")->valueAxis()->max(), 40000);
    const auto* scale = control<dmm::AnalogScale>(*w, "analogScale");
    EXPECT_EQ(scale->lastNeedle(), scale->scaleGeometry().needle(400, 800)) << "needle at the centre";
    EXPECT_EQ(control<dmm::SegmentedBar>(*w, "barGraph")->value(), 20);
    EXPECT_EQ(control<dmm::SegmentedBar>(*w, "barGraph")->maximum(), 40);
    EXPECT_EQ(visibleMenuTitles(control<QMenuBar>(*w, "mainMenuBar")), QStringList{"Record"});
    EXPECT_FALSE(control<QLabel>(*w, "linkDarkPicture")->isHidden());
    EXPECT_TRUE(control<QLabel>(*w, "linkLitPicture")->isHidden());
    EXPECT_FALSE(control<QToolButton>(*w, "serialConnectButton")->isChecked());
    EXPECT_FALSE(control<QToolButton>(*w, "usbConnectButton")->isChecked());
    EXPECT_EQ(w->session().serialPort().port(), dmm::SerialPortDriver::PortNumber::Com1);
    EXPECT_EQ(w->session().serialPort().baudRate(), dmm::SerialPortDriver::BaudRate::Baud2400);
    EXPECT_FALSE(w->session().serialPort().isOpen());
    EXPECT_TRUE(dialogs.shown.isEmpty()) << "start-up shows no message";
}

// Every control of the layout exists under its name, at its place, with its start state.
TEST_F(WindowTest, LayoutHoldsEveryControl) {
    auto w = makeWindow();
    struct Row {
        const char* name;
        int x, y, width, height;
        bool visible;
        const char* caption;  // nullptr: not compared
    } rows[] = {
        {"port1Panel", 3, 2, 61, 24, true, "COM 1"},
        {"port2Panel", 3, 2, 61, 24, false, "COM 2"},
        {"port3Panel", 3, 2, 61, 24, false, "COM 3"},
        {"port4Panel", 3, 2, 61, 24, false, "COM 4"},
        {"serialConnectButton", 65, 2, 94, 25, true, "COM Connect"},
        {"usbConnectButton", 168, 2, 94, 25, true, "USB Connect"},
        {"closeButton", 651, 2, 57, 25, true, "EXIT"},
        {"lcdView", 0, 28, 334, 129, true, nullptr},
        {"barGraph", 0, 157, 334, 17, true, nullptr},
        {"recordRepeatsCheckBox", 1, 178, 54, 20, true, "Repeat"},
        {"samplingIntervalCheckBox", 55, 178, 143, 20, true, "Sampling Interval           'S"},
        {"samplingIntervalEdit", 157, 178, 27, 21, true, "10"},
        {"clearRecordsButton", 246, 178, 23, 21, true, nullptr},
        {"openRecordsButton", 268, 178, 23, 21, true, nullptr},
        {"saveRecordsButton", 290, 178, 23, 21, true, nullptr},
        {"printRecordsButton", 312, 178, 22, 21, true, nullptr},
        {"recordGrid", 1, 200, 334, 281, true, nullptr},
        {"analogScale", 337, 28, 371, 143, true, nullptr},
        {"trendChart", 336, 172, 371, 309, true, nullptr},
        {"recallClockPanel", 2, 199, 334, 25, false, nullptr},
        {"minMaxPanel", 29, 481, 334, 47, false, nullptr},
        {"recallDataButton", 510, 5, -1, -1, false, "RecallData"},
        {"printButton", 110, 420, -1, -1, false, "Print"},
        {"sendSetupReportButton", 441, 505, -1, -1, true, "SetFeature"},
        {"cableReadButton", 622, 316, -1, -1, true, "Read"},
        {"clearHistoryButton", 533, 245, -1, -1, true, "Clear"},
        {"openAnotherWindowButton", 766, 241, -1, -1, true, "Info"},
        {"cableDeviceList", 766, 327, 5, -1, true, nullptr},
        {"cableHistoryList", 766, 29, 5, -1, true, nullptr},
        {"frameDiagnosticLabel", 334, 496, -1, -1, false, nullptr},
        {"frameEndDiagnosticLabel", 334, 512, -1, -1, false, nullptr},
        {"brioFramesText", 366, 500, -1, -1, false, nullptr},
        {"reportPlaceholder", 30, 581, 825, 209, false, nullptr},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        QWidget* c = control(*w, r.name);
        EXPECT_EQ(c->x(), r.x);
        EXPECT_EQ(c->y(), r.y);
        if (r.width >= 0) {
            EXPECT_EQ(c->width(), r.width);
        }
        if (r.height >= 0) {
            EXPECT_EQ(c->height(), r.height);
        }
        EXPECT_EQ(!c->isHidden(), r.visible);
        if (r.caption) {
            QString text;
            if (auto* b = qobject_cast<QAbstractButton*>(c)) text = b->text();
            if (auto* l = qobject_cast<QLabel*>(c)) text = l->text();
            if (auto* e = qobject_cast<QLineEdit*>(c)) text = e->text();
            EXPECT_EQ(text, r.caption);
        }
    }
    // Controls the user cannot reach lie beyond the client area or under the chart.
    const QSize client = control(*w, "client")->size();
    EXPECT_GE(control(*w, "sendSetupReportButton")->y(), client.height());
    EXPECT_GE(control(*w, "openAnotherWindowButton")->x(), client.width());
    EXPECT_EQ(client, QSize(711, 485));

    const char* models[] = {"pavoModelCheckBox",  "sornModelCheckBox", "brioModelCheckBox",
                            "fermoModelCheckBox", "ivraModelCheckBox", "tarnModelCheckBox",
                            "veskModelCheckBox",  "nylaModelCheckBox", "otherModelCheckBox"};
    for (const char* m : models) {
        auto* box = w->findChild<QCheckBox*>(m);
        ASSERT_NE(box, nullptr) << m;
        EXPECT_TRUE(box->isHidden()) << m;
        EXPECT_EQ(box->isChecked(), std::string(m) == "pavoModelCheckBox") << m;
    }
    EXPECT_EQ(w->findChild<QLabel*>("minimumReadingLabel")->text(), "40001");
    EXPECT_EQ(w->findChild<QLabel*>("maximumReadingLabel")->text(), "-40001");
    EXPECT_EQ(control<QLineEdit>(*w, "upperLimitEdit")->text(), "40000");
    EXPECT_EQ(control<QLineEdit>(*w, "lowerLimitEdit")->text(), "-40000");
    EXPECT_FALSE(control<QCheckBox>(*w, "upperLimitCheckBox")->isChecked());
    EXPECT_FALSE(control<QCheckBox>(*w, "lowerLimitCheckBox")->isChecked());
    EXPECT_TRUE(control<QCheckBox>(*w, "recordRepeatsCheckBox")->isChecked());
    EXPECT_EQ(control<QCheckBox>(*w, "recordRepeatsCheckBox")->toolTip(), "Repeage Record");
    EXPECT_EQ(control<QToolButton>(*w, "clearRecordsButton")->toolTip(), "Close Data");
    EXPECT_EQ(control<QToolButton>(*w, "openRecordsButton")->toolTip(), "Open old data files");
    EXPECT_EQ(control<QToolButton>(*w, "saveRecordsButton")->toolTip(), "Save data files");
    const auto* alarm = control<QLabel>(*w, "alarmLabel");
    EXPECT_TRUE(alarm->isHidden());
    EXPECT_EQ(alarm->text(), "OL !!");
    EXPECT_EQ(alarm->parentWidget(), control(*w, "analogScale"));
    EXPECT_EQ(control(*w, "linkLitPicture")->parentWidget(), control(*w, "analogScale"));
    EXPECT_EQ(control<QLabel>(*w, "linkLitPicture")->geometry(), QRect(5, 5, 25, 24));
}

TEST_F(WindowTest, MenuHoldsHiddenAndShownItems) {
    auto w = makeWindow();
    struct Row {
        const char* name;
        const char* caption;
        bool visible, checked, enabled;
    } rows[] = {
        {"port1Action", "COM1", true, true, true},
        {"port2Action", "COM2", true, false, true},
        {"port3Action", "COM3", true, false, true},
        {"port4Action", "COM4", true, false, true},
        {"connectAction", "START", true, false, true},
        {"disconnectAction", "STOP", true, false, false},
        {"clearRecordsAction", "New", false, false, true},
        {"saveRecordsAction", "Save", false, false, true},
        {"recordLimit1000Action", "1000", true, false, true},
        {"recordLimit5000Action", "5000", true, false, true},
        {"recordLimit10000Action", "10000", true, true, true},
        {"recordLimit50000Action", "50000", true, false, true},
        {"recordLimit100000Action", "100000", true, false, true},
        {"recordLimitlessAction", "limitless", true, false, true},
        {"quitAction", "Exit", false, false, true},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        auto* a = w->findChild<QAction*>(r.name);
        ASSERT_NE(a, nullptr);
        EXPECT_EQ(a->text(), r.caption);
        EXPECT_EQ(a->isVisible(), r.visible);
        EXPECT_EQ(a->isChecked(), r.checked);
        if (r.visible) {
            EXPECT_EQ(a->isEnabled(), r.enabled);
        }
    }
    for (const char* hidden : {"portMenu", "connectMenu", "graphicMenu"}) {
        auto* m = w->findChild<QMenu*>(hidden);
        ASSERT_NE(m, nullptr) << hidden;
        EXPECT_FALSE(m->menuAction()->isVisible()) << hidden;
    }
}

TEST_F(WindowTest, CommandLineChoosesFamilyAndCountClass) {
    struct Row {
        const char* family;
        const char* countClass;
        dmm::Family serialFamily;
        const char* caption;
        float upper;
        const char* setmax;
        const char* minText;
        int barMax;
    } rows[] = {
        {"kelt", "4", dmm::Family::Kelt, "61-50883 V2.00", 40002, "40000", "40001", 40},
        {"sorn", "4", dmm::Family::Sorn, "Sorn Interface Program _Ver: 1.00", 40002, "40000", "40001", 40},
        {"brio", "4", dmm::Family::Brio, "61-50883 V2.00", 40002, "40000", "40001", 40},
        // The limit edits' change handling runs: the limits become +-FullScale.
        {"kelt", "2", dmm::Family::Kelt, "61-50883 V2.00", 20000, "20000", "20001", 20},
        {"kelt", "6", dmm::Family::Kelt, "61-50883 V2.00", 6000, "6000", "6001", 40},
        {"kelt", "34", dmm::Family::Kelt, "61-50883 V2.00", 3400, "3400", "3401", 40},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(std::string(r.family) + " " + r.countClass);
        const auto parsed = dmm::parseAppOptions(
            {"--family", r.family, QStringLiteral("--count-class=%1").arg(r.countClass)});
        ASSERT_TRUE(parsed.error.isEmpty()) << parsed.error.toStdString();
        auto w = makeWindow(parsed.options);
        EXPECT_EQ(w->session().serialFamily(), r.serialFamily);
        EXPECT_EQ(w->windowTitle(), r.caption);
        EXPECT_EQ(w->core().state.upperLimit, r.upper);
        EXPECT_EQ(w->core().state.lowerLimit, -r.upper);
        EXPECT_EQ(control<QLineEdit>(*w, "upperLimitEdit")->text(), r.setmax);
        EXPECT_EQ(control<QLineEdit>(*w, "lowerLimitEdit")->text(), QString("-") + r.setmax);
        EXPECT_EQ(control<QLabel>(*w, "minimumReadingLabel")->text(), r.minText);
        EXPECT_EQ(control<dmm::SegmentedBar>(*w, "barGraph")->maximum(), r.barMax);
        const int fs = w->core().state.countClass.fullScale;
        EXPECT_EQ(control<dmm::TrendChart>(*w, "trendChart")->valueAxis()->max(), fs);
        EXPECT_TRUE(dialogs.shown.isEmpty());
    }
}

TEST_F(WindowTest, PortPanelCyclesThroughTheFourPorts) {
    auto w = makeWindow();
    QAction* ticks[] = {control<QAction>(*w, "port1Action"), control<QAction>(*w, "port2Action"),
                        control<QAction>(*w, "port3Action"), control<QAction>(*w, "port4Action")};
    int expected[] = {2, 3, 4, 1, 2};
    for (int n : expected) {
        // Click whichever panel is visible.
        dmm::PanelLabel* shown = nullptr;
        for (auto* p : portPanels(*w)) {
            if (!p->isHidden()) shown = p;
        }
        ASSERT_NE(shown, nullptr);
        QTest::mouseClick(shown, Qt::LeftButton);
        EXPECT_EQ(w->session().port(), n);
        EXPECT_EQ(static_cast<int>(w->session().serialPort().port()), n - 1);
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(!portPanels(*w)[i]->isHidden(), i == n - 1) << "panel " << i + 1 << " after COM" << n;
            EXPECT_EQ(ticks[i]->isChecked(), i == n - 1) << "tick " << i + 1 << " after COM" << n;
        }
    }
    control<QAction>(*w, "port3Action")->trigger();  // the hidden menu runs the same selection
    EXPECT_EQ(w->session().port(), 3);
    EXPECT_FALSE(portPanels(*w)[2]->isHidden());
}

TEST_F(WindowTest, PortThatCannotBeOpenedIsReportedAndLeavesWindowDisconnected) {
    dmm::AppOptions options;
    options.ports[1] = QStringLiteral("/nonexistent/ttyMeter");
    auto w = makeWindow(options);
    control<QToolButton>(*w, "serialConnectButton")->click();
    ASSERT_EQ(dialogs.shown.size(), 1);
    EXPECT_EQ(dialogs.shown[0].kind, "error");
    EXPECT_TRUE(dialogs.shown[0].text.startsWith("Could not open COM1 (/nonexistent/ttyMeter): "))
        << dialogs.shown[0].text.toStdString();
    EXPECT_FALSE(control<QToolButton>(*w, "serialConnectButton")->isChecked());
    EXPECT_FALSE(w->session().serialPort().isOpen());
    EXPECT_TRUE(control<QMenu>(*w, "portMenu")->isEnabled());
    EXPECT_FALSE(control<QAction>(*w, "connectAction")->isChecked());
    EXPECT_FALSE(control<QAction>(*w, "disconnectAction")->isEnabled());
    EXPECT_TRUE(control<dmm::PanelLabel>(*w, "disconnectPanel")->isHidden());
    for (auto* p : portPanels(*w)) EXPECT_TRUE(p->isEnabled());
}

TEST_F(WindowTest, KeyFiltersRefuseWhatIsNotANumber) {
    auto w = makeWindow();
    struct Row {
        const char* edit;
        const char* typed;
        const char* result;
    } rows[] = {
        {"samplingIntervalEdit", "a7.", "107"},
        {"samplingIntervalEdit", "-+x", "10"},
        {"upperLimitEdit", "-+a.5", "40000-+5"},
        {"lowerLimitEdit", " 3", "-400003"},
        {"recallStepEdit", "2b", "12"},
        {"pointsPerPageEdit", "x5", "1005"},  // the chart's points-per-page edit
    };
    for (const Row& r : rows) {
        auto* edit = control<QLineEdit>(*w, r.edit);
        const QString before = edit->text();
        edit->setFocus();
        edit->end(false);
        QTest::keyClicks(edit, QString::fromLatin1(r.typed));
        EXPECT_EQ(edit->text(), r.result) << r.edit << " typed " << r.typed;
        edit->setText(before);
    }
    // Backspace works; paste by key is refused.
    auto* interval = control<QLineEdit>(*w, "samplingIntervalEdit");
    interval->setText("10");
    interval->end(false);
    QTest::keyClick(interval, Qt::Key_Backspace);
    EXPECT_EQ(interval->text(), "1");
    interval->selectAll();
    interval->copy();
    interval->end(false);
    QTest::keyClick(interval, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(interval->text(), "1");
}

TEST_F(WindowTest, LimitEditsSetTheLimits) {
    auto w = makeWindow();
    auto* upper = control<QLineEdit>(*w, "upperLimitEdit");
    auto* lower = control<QLineEdit>(*w, "lowerLimitEdit");
    struct Row {
        QLineEdit* edit;
        const char* text;
        float upper, lower;
    } rows[] = {
        {upper, "-", 0, -40002},  {upper, "-12", -12, -40002}, {upper, "+5", 5, -40002},
        {upper, "", 0, -40002},   {lower, "-300", 0, -300},     {lower, "+", 0, 0},
    };
    for (const Row& r : rows) {
        r.edit->setText(QString::fromLatin1(r.text));
        EXPECT_EQ(w->core().state.upperLimit, r.upper) << r.text;
        EXPECT_EQ(w->core().state.lowerLimit, r.lower) << r.text;
    }
    EXPECT_TRUE(dialogs.shown.isEmpty());

    // Ticking a limit box redraws the scale with the limit marked and arms the alarm.
    upper->setText("100");
    control<QCheckBox>(*w, "upperLimitCheckBox")->click();
    const auto* scale = control<dmm::AnalogScale>(*w, "analogScale");
    EXPECT_TRUE(scale->settings().upperLimitOn);
    EXPECT_EQ(scale->settings().upperLimit, 100.0f);
    EXPECT_TRUE(w->core().settings.upperLimitOn);

    // A text that is not an integer (pasted) is reported once and changes nothing.
    for (const char* bad : {"12a", "99999999999", "1.5"}) {
        dialogs.shown.clear();
        upper->setText(QString::fromLatin1(bad));
        ASSERT_EQ(dialogs.shown.size(), 1) << bad;
        EXPECT_EQ(dialogs.shown[0].text, QStringLiteral("'%1' is not a valid integer value").arg(bad));
        EXPECT_EQ(w->core().state.upperLimit, 100.0f) << bad;
    }
}

TEST_F(WindowTest, RecordLimitMenuKeepsOneTick) {
    auto w = makeWindow();
    QAction* items[] = {control<QAction>(*w, "recordLimit1000Action"),
                        control<QAction>(*w, "recordLimit5000Action"),
                        control<QAction>(*w, "recordLimit10000Action"),
                        control<QAction>(*w, "recordLimit50000Action"),
                        control<QAction>(*w, "recordLimit100000Action"),
                        control<QAction>(*w, "recordLimitlessAction")};
    const int limits[] = {1000, 5000, 10000, 50000, 100000, 10000000};
    for (int i : {0, 5, 5, 3, 1, 4, 2}) {  // choosing the ticked one again keeps its tick
        items[i]->trigger();
        EXPECT_EQ(w->recorder().recordLimit(), limits[i]);
        for (int j = 0; j < 6; ++j) EXPECT_EQ(items[j]->isChecked(), i == j) << i << " " << j;
        // In an exclusive group the menu would draw a radio bullet instead of a check mark.
        EXPECT_TRUE(!items[i]->actionGroup() || !items[i]->actionGroup()->isExclusive());
    }
}

// The seconds unit after the interval edit is drawn, past the edit, with the fonts at hand.
TEST_F(WindowTest, IntervalUnitIsDrawnRightOfTheEdit) {
    auto w = makeWindow();
    w->show();
    const QImage shot = control(*w, "client")->grab().toImage();
    const QRect edit = control(*w, "samplingIntervalEdit")->geometry();
    auto* sampling = control<QCheckBox>(*w, "samplingIntervalCheckBox");
    const QRect box = sampling->geometry();
    int ink = 0;
    for (int y = box.top(); y <= box.bottom(); ++y) {
        for (int x = edit.right() + 1; x <= box.right(); ++x) ink += qGray(shot.pixel(x, y)) < 128;
    }
    EXPECT_GT(ink, 8) << "no \"'S\" between the edit and the box's right edge";
    EXPECT_EQ(sampling->text(), "Sampling Interval           'S") << "the caption stays whole";
}

// The file dialogs open wide enough to show each file's size, type and date beside its name,
// none of them cut short.
TEST_F(WindowTest, FileDialogsShowSizeTypeAndDate) {
    dmm::RealDialogs real;
    for (bool save : {false, true}) {
        SCOPED_TRACE(save ? "save" : "open");
        int checked = 0;
        // The dialog is looked at once it is shown and has listed the folder with every column
        // fitted, or once the generous deadline has passed; then it is closed.
        const QDeadlineTimer deadline(dmm::test::kGenerousDeadlineMs);
        QTimer look;
        QObject::connect(&look, &QTimer::timeout, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            auto* list = dialog ? dialog->findChild<QTreeView*>() : nullptr;
            if (!list) {
                if (!deadline.hasExpired()) return;
                look.stop();
                FAIL() << "no file dialog shown";
            }
            QHeaderView* header = list->header();
            const QModelIndex root = list->rootIndex();
            auto widest = [&](int column) {
                int most = 0;
                for (int row = 0; row < list->model()->rowCount(root); ++row) {
                    const QString text = list->model()->index(row, column, root).data().toString();
                    most = std::max(most, list->fontMetrics().horizontalAdvance(text));
                }
                return most;
            };
            auto fits = [&](int column) {
                return !header->isSectionHidden(column) &&
                       header->sectionSize(column) >= widest(column) &&
                       header->sectionViewportPosition(column) + header->sectionSize(column) <=
                           list->viewport()->width();
            };
            bool allFit = list->model()->rowCount(root) > 0;
            for (int column = 1; column < header->count(); ++column) allFit = allFit && fits(column);
            if (!allFit && !deadline.hasExpired()) return;
            look.stop();
            EXPECT_GT(list->model()->rowCount(root), 0) << "the folder is listed";
            for (int column = 1; column < header->count(); ++column) {  // size, type, date
                EXPECT_FALSE(header->isSectionHidden(column)) << column;
                EXPECT_GE(header->sectionSize(column), widest(column))
                    << "column " << column << " cut short";
                EXPECT_LE(header->sectionViewportPosition(column) + header->sectionSize(column),
                          list->viewport()->width())
                    << "column " << column << " beyond the list's edge";
            }
            ++checked;
            dialog->reject();
        });
        look.start(20);
        const QString name = save ? real.getSaveFileName("Save", "Text (*.txt)", "txt")
                                  : real.getOpenFileName("Open", "Text (*.txt)");
        EXPECT_TRUE(name.isEmpty());
        EXPECT_EQ(checked, 1);
    }
}

// The enlarged chart covers the grid, the LCD panel and the scale; the top row stays in sight.
TEST_F(WindowTest, EnlargedChartCoversTheGridAndTheLcd) {
    auto w = makeWindow();
    w->show();
    auto* chart = control<dmm::TrendChart>(*w, "trendChart");
    chart->toggleEnlarged();
    const QRect big = chart->geometry();
    for (const char* name :
         {"recordGrid", "lcdView", "barGraph", "analogScale", "samplingIntervalCheckBox"}) {
        // All of it, but for the two-pixel strip of the window's left edge.
        const QRect covered = control(*w, name)->geometry();
        EXPECT_TRUE(big.contains(covered.adjusted(std::max(0, 2 - covered.x()), 0, 0, 0))) << name;
    }
    for (const char* name : {"serialConnectButton", "usbConnectButton", "closeButton"}) {
        EXPECT_LT(control(*w, name)->geometry().bottom(), big.top()) << name;
    }
    EXPECT_LE(big.right(), control(*w, "client")->width() - 1);
    EXPECT_LE(big.bottom(), control(*w, "client")->height() - 1);
}

TEST_F(WindowTest, ToggleGroupLiftsTheOthersWithoutTheirHandlers) {
    hid.plug(dmm::SimulatedCable::cableDevice(), false);  // a cable, so that the buttons stay down
    auto w = makeWindow();
    ASSERT_TRUE(waitFor([&] { return control<QListWidget>(*w, "cableDeviceList")->count() == 1; }));
    auto* usbConnect = control<QToolButton>(*w, "usbConnectButton");
    auto* read = control<QToolButton>(*w, "cableReadButton");
    usbConnect->click();
    EXPECT_TRUE(usbConnect->isChecked());
    read->click();
    EXPECT_TRUE(read->isChecked());
    EXPECT_FALSE(usbConnect->isChecked());
    read->click();
    EXPECT_FALSE(read->isChecked()) << "clicking the pressed one releases it";
}

TEST_F(WindowTest, ResizeKeepsTheBottomPanelsAligned) {
    auto w = makeWindow();
    w->show();
    QCoreApplication::processEvents();
    const int outer = w->frameGeometry().width();
    EXPECT_EQ(control(*w, "quitPanel")->x(), outer - 80);
    EXPECT_EQ(control(*w, "connectPanel")->x(), outer - 190);
    EXPECT_EQ(control(*w, "disconnectPanel")->x(), outer - 190);
}

TEST_F(WindowTest, ExitClosesWithoutAQuestion) {
    auto w = makeWindow();
    w->show();
    QCoreApplication::processEvents();
    ASSERT_TRUE(w->isVisible());
    control<QPushButton>(*w, "closeButton")->click();
    EXPECT_FALSE(w->isVisible());
    EXPECT_TRUE(dialogs.shown.isEmpty());
}

}  // namespace
