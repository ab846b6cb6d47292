// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QDialog>

#include <memory>

#include "dialogs.h"

class QLabel;
class QLineEdit;
class QListWidget;

namespace dmm {

class PublishedMeters;

// "Broker...": where to read a meter another machine publishes. The URL and the user are
// remembered for the next time (QSettings); the password never is. "List meters" shows the
// meters the broker holds a status of; picking one puts its URL in the field. OK takes only a URL
// that reads, and says why otherwise.
class BrokerDialog : public QDialog {
    Q_OBJECT
public:
    explicit BrokerDialog(QWidget* parent = nullptr);
    ~BrokerDialog() override;

    Dialogs::BrokerChoice choice() const;
    void accept() override;

private:
    void listMeters();
    void say(const QString& text);

    QLineEdit* url_;
    QLineEdit* user_;
    QLineEdit* password_;
    QListWidget* meters_;
    QLabel* message_;
    std::unique_ptr<PublishedMeters> listing_;
};

}  // namespace dmm
