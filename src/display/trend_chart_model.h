// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <cstddef>
#include <deque>
#include <optional>
#include <string>

namespace dmm {

// The points of the trend chart and its paging, without any drawing.
//
// One store holds the points for both series (the area and the line get the same values, only
// one of them is shown), one float per point: readings are display counts, exact in single
// precision. The store grows in blocks, so appending never copies the points already there.
//
// The first point after a new chart is a placeholder: it keeps the numbering (the first reading
// is point number 1) and counts for paging, but it stands for no reading and is not drawn.
class TrendChartModel {
public:
    // Which navigation commands are enabled.
    struct Navigation {
        bool first = true;
        bool previous = true;
        bool next = true;
        bool last = true;
        friend bool operator==(const Navigation&, const Navigation&) = default;
    };

    // The points a page shows: positions start .. start + count - 1.
    struct PageRange {
        std::size_t start = 0;
        std::size_t count = 0;
        friend bool operator==(const PageRange&, const PageRange&) = default;
    };

    // Empties the store and puts the placeholder point in. Page, caption, FollowLastPage and the
    // navigation state stay as they are.
    void newChart();
    // Appends a reading; while FollowLastPage is set, turns to the last page and writes its
    // number into the caption.
    void append(double value);

    std::size_t pointCount() const { return points_.size(); }
    float value(std::size_t position) const { return points_[position]; }
    bool isPlaceholder(std::size_t position) const { return position == 0 && placeholder_; }

    int pointsPerPage() const { return pointsPerPage_; }
    // 0 puts all points on one page; a negative count is taken as 0. If the current page then
    // lies beyond the page count, it becomes the last page.
    void setPointsPerPage(int points);
    // Parses the text of the points-per-page edit; on failure returns the message to show and
    // leaves the points per page unchanged.
    std::optional<std::string> setPointsPerPageText(const std::string& text);

    int pageCount() const;
    int currentPage() const { return currentPage_; }
    // Clamps into 1 .. pageCount.
    void setCurrentPage(int page);
    PageRange shownRange() const;
    // The span of the horizontal axis: a whole page of N points wide (start .. start + N), also
    // on a short last page, so the points keep their spacing; without paging, all the points.
    std::pair<double, double> axisRange() const;

    bool followLastPage() const { return followLastPage_; }
    const Navigation& navigation() const { return nav_; }
    const std::string& pageCaption() const { return caption_; }

    // The paging commands.
    void first();
    void previous();
    void next();
    void last();

private:
    void setCaptionToPage();

    std::deque<float> points_;
    bool placeholder_ = false;
    int pointsPerPage_ = 100;
    int currentPage_ = 1;
    bool followLastPage_ = true;
    Navigation nav_;
    std::string caption_ = "1";
};

}  // namespace dmm
