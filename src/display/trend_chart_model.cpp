// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "trend_chart_model.h"

#include <algorithm>
#include <charconv>
#include <limits>

namespace dmm {

void TrendChartModel::newChart() {
    points_.clear();
    points_.shrink_to_fit();
    points_.push_back(0.0f);
    placeholder_ = true;
}

void TrendChartModel::append(double value) {
    points_.push_back(static_cast<float>(value));
    if (followLastPage_) {
        setCurrentPage(pageCount());
        setCaptionToPage();
    }
}

void TrendChartModel::setPointsPerPage(int points) {
    pointsPerPage_ = std::max(points, 0);
    if (currentPage_ > pageCount()) currentPage_ = pageCount();
}

std::optional<std::string> TrendChartModel::setPointsPerPageText(const std::string& text) {
    int parsed = 0;
    const char* begin = text.data();
    const char* end = begin + text.size();
    // A leading "+" is accepted like a leading "-"; surrounding blanks are ignored.
    while (begin < end && (*begin == ' ' || *begin == '\t')) ++begin;
    while (end > begin && (end[-1] == ' ' || end[-1] == '\t')) --end;
    if (begin < end && *begin == '+') ++begin;
    const auto [ptr, ec] = std::from_chars(begin, end, parsed);
    if (begin == end || ec != std::errc() || ptr != end) {
        return "'" + text + "' is not a valid integer value";
    }
    setPointsPerPage(parsed);
    return std::nullopt;
}

int TrendChartModel::pageCount() const {
    if (pointsPerPage_ <= 0 || points_.empty()) return 1;
    const std::size_t n = static_cast<std::size_t>(pointsPerPage_);
    const std::size_t pages = (points_.size() + n - 1) / n;
    return static_cast<int>(std::min<std::size_t>(pages, std::numeric_limits<int>::max()));
}

void TrendChartModel::setCurrentPage(int page) {
    currentPage_ = std::clamp(page, 1, pageCount());
}

TrendChartModel::PageRange TrendChartModel::shownRange() const {
    const std::size_t total = points_.size();
    if (pointsPerPage_ <= 0) return {0, total};
    const std::size_t n = static_cast<std::size_t>(pointsPerPage_);
    std::size_t start = 0;
    if (currentPage_ > pageCount()) {
        // After a new chart the page may lie beyond the points; show the page before the last
        // whole page until a command or enough new points bring the two together again.
        const std::size_t whole = total / n;
        start = whole >= 1 ? (whole - 1) * n : 0;
    } else {
        start = static_cast<std::size_t>(currentPage_ - 1) * n;
    }
    start = std::min(start, total);
    return {start, std::min(n, total - start)};
}

std::pair<double, double> TrendChartModel::axisRange() const {
    const PageRange range = shownRange();
    const double start = static_cast<double>(range.start);
    if (pointsPerPage_ > 0) return {start, start + static_cast<double>(pointsPerPage_)};
    const std::size_t last = range.count > 1 ? range.count - 1 : 1;
    return {start, start + static_cast<double>(last)};
}

void TrendChartModel::setCaptionToPage() { caption_ = std::to_string(currentPage_); }

void TrendChartModel::first() {
    setCurrentPage(1);
    nav_.first = false;
    nav_.previous = false;
    nav_.next = true;
    nav_.last = true;
    setCaptionToPage();
    followLastPage_ = false;
}

void TrendChartModel::previous() {
    if (currentPage_ == 1) {
        nav_.first = false;
        nav_.previous = false;
    } else {
        setCurrentPage(currentPage_ - 1);
    }
    nav_.next = true;
    nav_.last = true;
    setCaptionToPage();
    followLastPage_ = false;
}

void TrendChartModel::next() {
    if (currentPage_ >= pageCount()) {
        nav_.next = false;
        nav_.last = false;
    } else {
        setCurrentPage(currentPage_ + 1);
    }
    nav_.first = true;
    nav_.previous = true;
    setCaptionToPage();
    followLastPage_ = false;
}

void TrendChartModel::last() {
    setCurrentPage(pageCount());
    nav_.next = false;
    nav_.last = false;
    nav_.first = true;
    nav_.previous = true;
    setCaptionToPage();
    followLastPage_ = true;
}

}  // namespace dmm
