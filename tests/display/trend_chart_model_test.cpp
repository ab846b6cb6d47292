// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "trend_chart_model.h"

#include <gtest/gtest.h>

#include <string>

namespace dmm {
namespace {

using Nav = TrendChartModel::Navigation;
using Range = TrendChartModel::PageRange;

// A chart as start-up leaves it (placeholder point, following its last page) that has since
// received readings until it holds `points` points in all.
TrendChartModel chartWith(std::size_t points, int perPage = 100) {
    TrendChartModel m;
    m.setPointsPerPage(perPage);
    m.newChart();
    for (std::size_t i = 1; i < points; ++i) m.append(static_cast<double>(i));
    return m;
}

void run(TrendChartModel& m, const std::string& commands) {
    for (char c : commands) {
        switch (c) {
            case 'f': m.first(); break;
            case 'p': m.previous(); break;
            case 'n': m.next(); break;
            case 'l': m.last(); break;
            default: FAIL() << "unknown command " << c;
        }
    }
}

struct PagingCase {
    const char* name;
    std::size_t points;
    const char* commands;  // f First, p Previous, n Next, l last
    int page;
    Nav nav;  // first, previous, next, last enabled
    const char* caption;
    bool follow;
};

// What ctest shows for a row: the chart and the commands run on it.
void PrintTo(const PagingCase& c, std::ostream* os) {
    *os << c.points << " points, commands \"" << c.commands << '"';
}

class PagingCommands : public testing::TestWithParam<PagingCase> {};

TEST_P(PagingCommands, LeaveThePageButtonsCaptionAndFollowing) {
    const PagingCase& c = GetParam();
    TrendChartModel m = chartWith(c.points);
    run(m, c.commands);
    EXPECT_EQ(m.currentPage(), c.page);
    EXPECT_EQ(m.navigation(), c.nav) << "first " << m.navigation().first << " previous "
                                     << m.navigation().previous << " next "
                                     << m.navigation().next << " last " << m.navigation().last;
    EXPECT_EQ(m.pageCaption(), c.caption);
    EXPECT_EQ(m.followLastPage(), c.follow);
}

INSTANTIATE_TEST_SUITE_P(
    Table, PagingCommands,
    testing::Values(
        PagingCase{"LastOf250Points", 250, "fl", 3, {true, true, false, false}, "3", true},
        PagingCase{"FirstFromLast", 250, "f", 1, {false, false, true, true}, "1", false},
        PagingCase{"PreviousOnFirstPage", 250, "fp", 1, {false, false, true, true}, "1", false},
        PagingCase{"PreviousOnOnlyPage", 40, "p", 1, {false, false, true, true}, "1", false},
        PagingCase{"PreviousKeepsFirstAndPrevious", 250, "lp", 2, {true, true, true, true}, "2",
                   false},
        PagingCase{"PreviousOntoFirstPageKeepsFirstEnabled", 250, "fnnpp", 1,
                   {true, true, true, true}, "1", false},
        PagingCase{"SecondPreviousOnFirstPage", 250, "fnnppp", 1, {false, false, true, true},
                   "1", false},
        PagingCase{"NextOntoLastPageKeepsNextEnabled", 250, "fn", 2, {true, true, true, true},
                   "2", false},
        PagingCase{"NextFromPage2Of3", 250, "fnn", 3, {true, true, true, true}, "3", false},
        PagingCase{"SecondNextOnLastPage", 250, "fnnn", 3, {true, true, false, false}, "3",
                   false},
        PagingCase{"NextOnOnlyPage", 40, "n", 1, {true, true, false, false}, "1", false},
        PagingCase{"LastAfterNextFollowsAgain", 250, "fnl", 3, {true, true, false, false}, "3",
                   true}),
    [](const testing::TestParamInfo<PagingCase>& info) { return std::string(info.param.name); });

TEST(TrendChartModel, PageCountIsCeilingOfPointsOverPageSizeAndAtLeastOne) {
    EXPECT_EQ(chartWith(250).pageCount(), 3);
    EXPECT_EQ(chartWith(200).pageCount(), 2);
    EXPECT_EQ(chartWith(201).pageCount(), 3);
    EXPECT_EQ(chartWith(1).pageCount(), 1);
    EXPECT_EQ(TrendChartModel().pageCount(), 1);
    // No paging: every point on one page.
    TrendChartModel all = chartWith(250, 0);
    EXPECT_EQ(all.pageCount(), 1);
    EXPECT_EQ(all.shownRange(), (Range{0, 250}));
    EXPECT_EQ(all.axisRange(), (std::pair<double, double>{0.0, 249.0}));
}

TEST(TrendChartModel, FollowsTheLastPageUntilAPagingCommandStopsIt) {
    TrendChartModel m = chartWith(100);
    EXPECT_EQ(m.currentPage(), 1);
    m.append(7.0);  // the placeholder and 100 readings
    EXPECT_EQ(m.pointCount(), 101u);
    EXPECT_EQ(m.currentPage(), 2);
    EXPECT_EQ(m.pageCaption(), "2");
    EXPECT_EQ(m.shownRange(), (Range{100, 1}));

    m.first();
    for (int i = 0; i < 200; ++i) m.append(1.0);
    EXPECT_EQ(m.currentPage(), 1);
    EXPECT_EQ(m.pageCaption(), "1");
    EXPECT_EQ(m.shownRange(), (Range{0, 100}));
    EXPECT_EQ(m.pageCount(), 4);
}

TEST(TrendChartModel, ShortLastPageStillSpansAWholePageOfPoints) {
    TrendChartModel m = chartWith(250);
    EXPECT_EQ(m.shownRange(), (Range{200, 50}));
    EXPECT_EQ(m.axisRange(), (std::pair<double, double>{200.0, 300.0}));
    m.first();
    EXPECT_EQ(m.shownRange(), (Range{0, 100}));
    EXPECT_EQ(m.axisRange(), (std::pair<double, double>{0.0, 100.0}));
}

TEST(TrendChartModel, LargerPagesPullTheCurrentPageBackIntoRange) {
    TrendChartModel m = chartWith(250);
    ASSERT_EQ(m.currentPage(), 3);
    m.setPointsPerPage(300);
    EXPECT_EQ(m.currentPage(), 1);
    EXPECT_EQ(m.pageCaption(), "3");  // the caption waits for the next paging command

    TrendChartModel n = chartWith(250);
    n.first();
    n.setPointsPerPage(50);  // smaller pages: the page stays where it was
    EXPECT_EQ(n.currentPage(), 1);
    EXPECT_EQ(n.pageCount(), 5);
}

TEST(TrendChartModel, PointsPerPageTextMustBeAnInteger) {
    TrendChartModel m = chartWith(250);
    struct Row {
        std::string text;
        bool ok;
        int perPage;
    };
    const Row rows[] = {{"50", true, 50},  {"0", true, 0},         {"", false, 0},
                        {"abc", false, 0}, {"12x", false, 0},      {"99999999999", false, 0},
                        {"+75", true, 75}, {"-5", true, 0}};
    int expected = m.pointsPerPage();
    for (const Row& r : rows) {
        const auto failure = m.setPointsPerPageText(r.text);
        if (r.ok) {
            EXPECT_FALSE(failure) << r.text;
            expected = r.perPage;
        } else {
            ASSERT_TRUE(failure) << r.text;
            EXPECT_EQ(*failure, "'" + r.text + "' is not a valid integer value");
        }
        EXPECT_EQ(m.pointsPerPage(), expected) << r.text;
    }
}

TEST(TrendChartModel, NewChartKeepsPagingStateAndNumbersTheFirstReadingOne) {
    TrendChartModel m = chartWith(250);
    m.first();
    m.next();
    m.next();
    ASSERT_EQ(m.currentPage(), 3);
    const Nav nav = m.navigation();

    m.newChart();
    EXPECT_EQ(m.pointCount(), 1u);
    EXPECT_TRUE(m.isPlaceholder(0));
    EXPECT_EQ(m.currentPage(), 3);
    EXPECT_EQ(m.pageCaption(), "3");
    EXPECT_FALSE(m.followLastPage());
    EXPECT_EQ(m.navigation(), nav);

    m.append(123.0);
    EXPECT_EQ(m.pointCount(), 2u);
    EXPECT_FALSE(m.isPlaceholder(1));
    EXPECT_FLOAT_EQ(m.value(1), 123.0f);
}

TEST(TrendChartModel, PageBeyondThePointsShowsTheLastWholePageUntilTheyMeet) {
    TrendChartModel m = chartWith(250);
    m.first();
    m.next();
    m.next();
    m.newChart();
    // 1 point: the page before the last whole page would start below 0.
    EXPECT_EQ(m.shownRange(), (Range{0, 1}));
    struct Row {
        std::size_t points;
        Range shown;
    };
    const Row rows[] = {{150, {0, 100}}, {200, {100, 100}}, {201, {200, 1}}, {250, {200, 50}}};
    for (const Row& r : rows) {
        while (m.pointCount() < r.points) m.append(5.0);
        EXPECT_EQ(m.shownRange(), r.shown) << r.points << " points";
        EXPECT_EQ(m.currentPage(), 3);
    }
}

TEST(TrendChartModel, SetCurrentPageClampsIntoThePages) {
    TrendChartModel m = chartWith(250);
    m.setCurrentPage(0);
    EXPECT_EQ(m.currentPage(), 1);
    m.setCurrentPage(-7);
    EXPECT_EQ(m.currentPage(), 1);
    m.setCurrentPage(99);
    EXPECT_EQ(m.currentPage(), 3);
}

}  // namespace
}  // namespace dmm
