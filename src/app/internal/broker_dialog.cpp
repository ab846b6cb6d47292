// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "broker_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSettings>
#include <QVBoxLayout>

#include "broker_url.h"
#include "published_meters.h"

namespace dmm {

namespace {

// Where the URL and the user are remembered: ~/.config/dmmview/dmmview.conf.
const QString kSettingsOwner = QStringLiteral("dmmview");
const QString kUrlKey = QStringLiteral("broker/url");
const QString kUserKey = QStringLiteral("broker/user");

// The URL with the user of the user field, if one is given.
std::optional<BrokerUrl> brokerUrl(const QString& text, const QString& user, bool prefixRequired,
                                   QString* error) {
    std::string why;
    std::optional<BrokerUrl> url = parseBrokerUrl(text.trimmed().toStdString(), &why,
                                                  prefixRequired);
    if (!url && error) *error = QString::fromStdString(why);
    if (url && !user.trimmed().isEmpty()) url->user = user.trimmed().toStdString();
    return url;
}

}  // namespace

BrokerDialog::BrokerDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Broker"));
    url_ = new QLineEdit(this);
    url_->setObjectName(QStringLiteral("brokerUrlEdit"));
    url_->setPlaceholderText(QStringLiteral("mqtt://broker.lab/lab/bench3"));
    url_->setMinimumWidth(360);
    user_ = new QLineEdit(this);
    user_->setObjectName(QStringLiteral("brokerUserEdit"));
    password_ = new QLineEdit(this);
    password_->setObjectName(QStringLiteral("brokerPasswordEdit"));
    password_->setEchoMode(QLineEdit::Password);
    auto* list = new QPushButton(QStringLiteral("List meters"), this);
    list->setObjectName(QStringLiteral("listMetersButton"));
    meters_ = new QListWidget(this);
    meters_->setObjectName(QStringLiteral("publishedMetersList"));
    message_ = new QLabel(this);
    message_->setObjectName(QStringLiteral("brokerMessageLabel"));
    message_->setWordWrap(true);
    message_->setTextFormat(Qt::PlainText);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("URL:"), url_);
    form->addRow(QStringLiteral("User:"), user_);
    form->addRow(QStringLiteral("Password:"), password_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(list);
    layout->addWidget(meters_);
    layout->addWidget(message_);
    layout->addWidget(buttons);

    const QSettings settings(kSettingsOwner, kSettingsOwner);
    url_->setText(settings.value(kUrlKey).toString());
    user_->setText(settings.value(kUserKey).toString());

    connect(buttons, &QDialogButtonBox::accepted, this, &BrokerDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(list, &QPushButton::clicked, this, &BrokerDialog::listMeters);
    connect(meters_, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row < 0) return;
        const QString prefix = meters_->item(row)->data(Qt::UserRole).toString();
        if (auto url = brokerUrl(url_->text(), {}, false, nullptr)) {
            url->prefix = prefix.toStdString();
            url_->setText(QString::fromStdString(url->text()));
        }
    });
}

BrokerDialog::~BrokerDialog() = default;

void BrokerDialog::say(const QString& text) { message_->setText(text); }

Dialogs::BrokerChoice BrokerDialog::choice() const {
    return {url_->text().trimmed(), user_->text().trimmed(), password_->text()};
}

void BrokerDialog::accept() {
    QString why;
    if (!brokerUrl(url_->text(), user_->text(), true, &why)) {
        say(QStringLiteral("The URL does not read: %1.").arg(why));
        return;
    }
    QSettings settings(kSettingsOwner, kSettingsOwner);
    settings.setValue(kUrlKey, url_->text().trimmed());
    settings.setValue(kUserKey, user_->text().trimmed());
    QDialog::accept();
}

void BrokerDialog::listMeters() {
    QString why;
    const std::optional<BrokerUrl> url = brokerUrl(url_->text(), user_->text(), false, &why);
    if (!url) {
        say(QStringLiteral("The URL does not read: %1.").arg(why));
        return;
    }
    BrokerSettings settings;
    settings.url = *url;
    settings.url.prefix.clear();
    settings.password = password_->text().toStdString();
    meters_->clear();
    say(QStringLiteral("Looking at %1...").arg(QString::fromStdString(settings.url.text())));
    listing_ = std::make_unique<PublishedMeters>(settings);
    connect(listing_.get(), &PublishedMeters::listed, this, [this] {
        for (const PublishedMeters::Meter& m : listing_->meters()) {
            auto* item = new QListWidgetItem(
                QStringLiteral("%1  %2  %3").arg(m.prefix, m.status, m.lastText), meters_);
            item->setData(Qt::UserRole, m.prefix);
        }
        say(QStringLiteral("%1 meter(s) published.").arg(meters_->count()));
    });
    connect(listing_.get(), &PublishedMeters::failed, this, &BrokerDialog::say);
    listing_->start();
}

}  // namespace dmm
