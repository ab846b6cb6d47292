#pragma once

#include <QLabel>

namespace dmm {

// A captioned panel that reports clicks: the port panels and the hidden connect panels.
class PanelLabel : public QLabel {
    Q_OBJECT
public:
    explicit PanelLabel(QWidget* parent = nullptr);

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};

}  // namespace dmm
