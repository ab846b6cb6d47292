// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QScreen>
#include <QTest>

#include <utility>
#include <vector>

#include "lcd_view.h"
#include "paint_counter.h"
#include "wait_for.h"
#include "widget_test_app.h"

namespace {

using dmm::LcdElement;
using dmm::LcdPanel;
using dmm::LcdView;

QImage render(LcdView& view) {
    QImage img(view.size(), QImage::Format_RGB32);
    img.fill(Qt::white);
    view.render(&img);
    return img;
}

// Dark pixels inside a rectangle of the panel.
int inkIn(const QImage& img, QRect r) {
    r = r.intersected(img.rect());
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y) {
        for (int x = r.left(); x <= r.right(); ++x) {
            if (qGray(img.pixel(x, y)) < 128) ++n;
        }
    }
    return n;
}

QRect rectOf(LcdElement e) { return LcdView::elementRect(e); }

LcdPanel blankPanel() {
    LcdPanel p;
    for (const auto& info : LcdPanel::table()) p.hide(info.id);
    for (LcdElement d : {LcdElement::Digit0, LcdElement::Digit1, LcdElement::Digit2, LcdElement::Digit3,
                         LcdElement::Digit4}) {
        p.setDigit(d, '\0');
    }
    return p;
}

class LcdViewTest : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override { view.setUseDigitFont(GetParam()); }
    QApplication& application = dmm::test::widgetApp();  // before any widget
    LcdView view;
};

// Both the seven-segment font and the painted segments must draw what the panel shows and
// nothing else.
TEST_P(LcdViewTest, DrawsOnlyWhatThePanelShows) {
    LcdPanel p = blankPanel();
    view.setPanel(p);
    EXPECT_EQ(inkIn(render(view), view.rect().adjusted(3, 3, -3, -3)), 0) << "an empty panel is blank";

    p.show(LcdElement::Digit2);
    p.setDigit(LcdElement::Digit2, '8');
    p.show(LcdElement::Point2);
    p.show(LcdElement::Volt);
    view.setPanel(p);
    const QImage img = render(view);
    EXPECT_GT(inkIn(img, rectOf(LcdElement::Digit2)), 200) << "the digit 8";
    EXPECT_GT(inkIn(img, rectOf(LcdElement::Point2)), 10) << "the decimal point";
    EXPECT_GT(inkIn(img, rectOf(LcdElement::Volt)), 10) << "the volt sign";
    EXPECT_EQ(inkIn(img, rectOf(LcdElement::Digit1).adjusted(0, 0, -12, 0)), 0) << "a hidden digit";
    EXPECT_EQ(inkIn(img, rectOf(LcdElement::Auto)), 0) << "a hidden annunciator";
}

TEST_P(LcdViewTest, BlankDigitAndLetterL) {
    LcdPanel p = blankPanel();
    p.show(LcdElement::Digit2);
    p.show(LcdElement::Digit3);
    p.setDigit(LcdElement::Digit2, '@');  // the overload glyph, drawn as the letter L
    p.setDigit(LcdElement::Digit3, '\0');
    view.setPanel(p);
    const QImage img = render(view);
    const QRect l = rectOf(LcdElement::Digit2);
    EXPECT_GT(inkIn(img, l), 100);
    // An L has its ink on the left and bottom: the top right of the glyph box stays clear.
    EXPECT_EQ(inkIn(img, QRect(l.left() + 20, 32, 14, 30)), 0);
    EXPECT_EQ(inkIn(img, rectOf(LcdElement::Digit3).adjusted(0, 0, -12, 0)), 0) << "blank digit";
}

// A reading repaints only the elements that change; what the screen then shows is what the
// panel drawn whole shows, through a run of readings in which digits, points and signs come
// and go.
TEST_P(LcdViewTest, RepaintsOnlyWhatChangesAndShowsWhatAWholePaintShows) {
    QWidget window;
    window.resize(view.width() + 20, view.height() + 20);
    auto* shown = new LcdView(&window);
    shown->setUseDigitFont(GetParam());
    shown->move(10, 10);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window, dmm::test::kGenerousDeadlineMs));
    dmm::test::PaintCounter counter(shown);

    const auto reading = [](const char* digits, std::initializer_list<LcdElement> more) {
        LcdPanel p = blankPanel();
        const LcdElement places[] = {LcdElement::Digit1, LcdElement::Digit2, LcdElement::Digit3,
                                     LcdElement::Digit4};
        for (std::size_t i = 0; i < 4 && digits[i]; ++i) {
            if (digits[i] == ' ') continue;
            p.show(places[i]);
            p.setDigit(places[i], digits[i]);
        }
        for (LcdElement e : more) p.show(e);
        return p;
    };
    // With each reading, elements it leaves alone that no changed one overlaps (the labels of
    // neighbouring digits do overlap).
    const std::pair<LcdPanel, std::vector<LcdElement>> readings[] = {
        {reading("3071", {LcdElement::Point1, LcdElement::Volt, LcdElement::Auto}), {}},
        {reading("3072", {LcdElement::Point1, LcdElement::Volt, LcdElement::Auto}),
         {LcdElement::Digit1, LcdElement::Digit2}},
        {reading("0512", {LcdElement::Point3, LcdElement::Minus, LcdElement::Volt}),
         {}},
        {reading("@   ", {LcdElement::Ohm, LcdElement::Auto}), {}},
        {blankPanel(), {}},
    };
    for (const auto& [panel, untouched] : readings) {
        counter.reset();
        shown->setPanel(panel);
        ASSERT_TRUE(dmm::test::processQueuedEvents());
        for (LcdElement e : untouched) {
            EXPECT_FALSE(counter.painted.intersects(rectOf(e))) << LcdPanel::info(e).name;
        }
        const QImage onScreen =
            window.screen()
                ->grabWindow(window.winId(), shown->x(), shown->y(), shown->width(),
                             shown->height())
                .toImage()
                .convertToFormat(QImage::Format_RGB32);
        view.setPanel(panel);
        EXPECT_EQ(onScreen, render(view)) << panel.shownNames();
    }
}

INSTANTIATE_TEST_SUITE_P(FontAndSegments, LcdViewTest, ::testing::Values(true, false));

TEST(LcdViewSymbols, AnnunciatorGlyphsBecomeSymbols) {
    struct Row {
        LcdElement e;
        const char* shown;
    } rows[] = {
        {LcdElement::Ohm, "\u03A9"},  {LcdElement::Micro, "\u00B5"},
        {LcdElement::Celsius, "\u00B0C"},  {LcdElement::Fahrenheit, "\u00B0F"},
        {LcdElement::Volt, "V"},         {LcdElement::AcDcPlusSign, "+"},  // Arial: a plain plus
        {LcdElement::Auto, "AUTO"},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(LcdView::annunciatorSymbol(r.e), QString::fromUtf8(r.shown))
            << LcdPanel::info(r.e).name;
    }
}

}  // namespace
