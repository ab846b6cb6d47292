// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QWidget>

#include "dialogs.h"

namespace dmm {

// The dialogs the user sees: QMessageBox boxes with one OK button and QFileDialog file
// choosers, all modal to the window (the event loop keeps running while they are open).
class RealDialogs : public Dialogs {
public:
    void setParent(QWidget* parent) { parent_ = parent; }

    QString getSaveFileName(const QString& title, const QString& filter,
                            const QString& defaultSuffix) override;
    QString getOpenFileName(const QString& title, const QString& filter) override;
    void information(const QString& text) override;
    void error(const QString& text) override;
    std::optional<BrokerChoice> chooseBroker() override;

private:
    QWidget* parent_ = nullptr;
};

}  // namespace dmm
