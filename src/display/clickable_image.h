#pragma once

#include <QLabel>

namespace dmm {

// A small picture that reacts to a left click, like the zoom magnifiers on the scale and chart.
class ClickableImage : public QLabel {
    Q_OBJECT
public:
    explicit ClickableImage(QWidget* parent = nullptr);

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};

}  // namespace dmm
