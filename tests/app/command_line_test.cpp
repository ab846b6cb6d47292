#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>

#include "app_options.h"
#include "file_filter.h"
#include "int_text.h"
#include "key_filter.h"
#include "window_placement.h"

namespace {

TEST(CommandLine, ArgumentsAreParsedOrRefusedWithAReason) {
    struct Row {
        QStringList args;
        const char* error;  // part of the message; nullptr: accepted
    } rows[] = {
        {{}, nullptr},
        {{"--port", "COM2=/dev/ttyS5", "--port=com4=/tmp/p"}, nullptr},
        {{"--family", "sorn", "--count-class", "34"}, nullptr},
        {{"--demo", "--screenshot", "a.png", "--quit-after", "500"}, nullptr},
        {{"--port", "COM5=/dev/x"}, "COMn=PATH"},
        {{"--port", "/dev/ttyUSB0"}, "COMn=PATH"},
        {{"--family", "acme"}, "unknown family"},
        {{"--count-class", "5"}, "unknown count class"},
        {{"--quit-after", "-3"}, "milliseconds"},
        {{"--quit-after"}, "needs a value"},
        {{"--colour"}, "unknown argument"},
    };
    for (const Row& r : rows) {
        const auto p = dmm::parseAppOptions(r.args);
        if (r.error) {
            EXPECT_TRUE(p.error.contains(QString::fromLatin1(r.error))) << r.args.join(' ').toStdString()
                                                                       << " -> " << p.error.toStdString();
        } else {
            EXPECT_TRUE(p.error.isEmpty()) << r.args.join(' ').toStdString() << " -> " << p.error.toStdString();
        }
    }
    const auto p = dmm::parseAppOptions({"--port", "COM2=/dev/ttyS5", "--port=com4=/tmp/p", "--family=brio",
                                         "--count-class=2", "--demo", "--quit-after=7"});
    EXPECT_EQ(p.options.ports.value(2), "/dev/ttyS5");
    EXPECT_EQ(p.options.ports.value(4), "/tmp/p");
    EXPECT_EQ(p.options.family, dmm::Family::Brio);
    EXPECT_EQ(p.options.countClass->fullScale, 20000);
    EXPECT_TRUE(p.options.demo);
    EXPECT_EQ(p.options.quitAfterMs, 7);
    EXPECT_FALSE(dmm::parseAppOptions({}).options.family.has_value()) << "no family: the layout decides";
}

// The program itself: --help and --version answer on standard output with status 0, even where
// no window can open (the xcb platform without a display); refused arguments give status 2 with
// the reason and the usage on standard error.
TEST(CommandLine, HelpAndVersionNeedNoDisplayAndRefusedArgumentsShowTheUsage) {
    struct Row {
        QStringList args;
        const char* platform;
        int status;
        const char* out;  // what standard output begins with
        const char* err;  // part of standard error
    } rows[] = {
        {{"--version"}, "xcb", 0, "dmmview " DMM_VERSION "\n", ""},
        {{"--help"}, "xcb", 0, "Usage: dmmview [options]", ""},
        {{"--demo", "-h"}, "xcb", 0, "Usage: dmmview [options]", ""},
        // Qt's own options are taken out by the application object before the arguments are read.
        {{"-platform", "offscreen", "--help"}, "xcb", 0, "Usage: dmmview [options]", ""},
        {{"--family", "acme"}, "offscreen", 2, "", "dmmview: unknown family 'acme'\nUsage: dmmview"},
        {{"--help", "--quit-after"}, "offscreen", 2, "", "needs a value\nUsage: dmmview"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.args.join(' ').toStdString());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QString::fromLatin1(r.platform));
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(DMMVIEW_PATH), r.args);
        ASSERT_TRUE(p.waitForFinished(30000));
        const std::string out = p.readAllStandardOutput().toStdString();
        const std::string err = p.readAllStandardError().toStdString();
        EXPECT_EQ(p.exitStatus(), QProcess::NormalExit) << err;
        EXPECT_EQ(p.exitCode(), r.status) << err;
        EXPECT_EQ(out.rfind(r.out, 0), 0u) << out;
        EXPECT_NE(err.find(r.err), std::string::npos) << err;
        if (r.status == 0) {
            EXPECT_EQ(err.find("Usage"), std::string::npos) << err;
        }
        if (r.status != 0) {
            EXPECT_EQ(out, "");
        }
    }
}

TEST(InputRules, KeyFiltersKeepDigitsAndEditingKeys) {
    const dmm::KeyFilter digits(dmm::KeyFilter::digits(), nullptr);
    const dmm::KeyFilter signedDigits(dmm::KeyFilter::signedDigits(), nullptr);
    struct Row {
        int key;
        const char* text;
        bool digitsKeep, signedKeep;
    } rows[] = {
        {Qt::Key_7, "7", true, true},          {Qt::Key_A, "a", false, false},
        {Qt::Key_Period, ".", false, false},   {Qt::Key_Minus, "-", false, true},
        {Qt::Key_Plus, "+", false, true},      {Qt::Key_Space, " ", false, false},
        {Qt::Key_Backspace, "\b", true, true}, {Qt::Key_Left, "", true, true},
        {Qt::Key_V, "\x16", false, false},     {Qt::Key_C, "\x03", false, false},
        {Qt::Key_X, "\x18", false, false},     {Qt::Key_Return, "\r", false, false},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(digits.accepts(r.key, QString::fromLatin1(r.text)), r.digitsKeep) << r.key;
        EXPECT_EQ(signedDigits.accepts(r.key, QString::fromLatin1(r.text)), r.signedKeep) << r.key;
    }
}

// The window reads its integers as the recorder does (parseIntegerText, tested with the
// recorder); a text that is no integer fails the handler with the conversion message.
TEST(InputRules, IntegerTextsConvertOrFailWithTheirMessage) {
    struct Row {
        const char* text;
        bool ok;
        int value;
    } rows[] = {{"-12", true, -12}, {"+5", true, 5}, {" 7", false, 0}, {"\xC2\xB5", false, 0}};
    for (const Row& r : rows) {
        if (r.ok) {
            EXPECT_EQ(dmm::integerFromText(QString::fromUtf8(r.text)), r.value) << r.text;
        } else {
            try {
                dmm::integerFromText(QString::fromUtf8(r.text));
                ADD_FAILURE() << r.text << " converted";
            } catch (const dmm::HandlerError& e) {
                EXPECT_EQ(std::string(e.what()), "'" + std::string(r.text) + "' is not a valid integer value");
            }
        }
    }
}

TEST(InputRules, DialogFiltersBecomeQtFilters) {
    EXPECT_EQ(dmm::qtFileFilter("Excel File(*.xls)|*.xls|XML(*.xml)|*.xml"), "Excel File(*.xls);;XML(*.xml)");
    EXPECT_EQ(dmm::qtFileFilter("Bitmaps|*.bmp"), "Bitmaps (*.bmp)");
    EXPECT_EQ(dmm::qtFileFilter(""), "");
}

// Centred where the window fits; where it does not (a dense screen doubles its size), its top
// left stays on the screen instead of going off to the left or top.
TEST(InputRules, WindowIsPlacedOnTheScreen) {
    struct Row {
        QRect available;
        QSize frame;
        QPoint expected;
    } rows[] = {
        {{0, 0, 1280, 1024}, {713, 530}, {283, 247}},
        {{0, 0, 1280, 1024}, {1424, 1060}, {0, 0}},      // twice the size: both sides too long
        {{0, 0, 1920, 1000}, {1424, 1060}, {248, 0}},    // fits across, not down
        {{1280, 30, 1024, 738}, {713, 530}, {1435, 134}},  // a second screen, a panel on top
        {{0, 0, 713, 530}, {713, 530}, {0, 0}},          // exactly the screen
    };
    for (const Row& r : rows) {
        EXPECT_EQ(dmm::placeOnScreen(r.available, r.frame), r.expected) << r.frame.width();
    }
}

}  // namespace
