// "Broker...": a URL that does not read is refused with the reason and the dialog stays; the URL
// and the user are remembered for the next time, the password never.
#include <gtest/gtest.h>

#include <memory>

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>

#include "broker_dialog.h"
#include "find_control.h"

namespace {

TEST(BrokerDialog, RefusesAUrlThatDoesNotReadAndRemembersAllButThePassword) {
    // The settings of the test, not of the user who runs it.
    QStandardPaths::setTestModeEnabled(true);
    const std::shared_ptr<void> back(nullptr, [](void*) {
        QStandardPaths::setTestModeEnabled(false);
    });
    QSettings(QStringLiteral("dmmview"), QStringLiteral("dmmview")).clear();
    struct Row {
        const char* url;
        const char* said;  // nullptr: taken
    } rows[] = {
        {"broker.lab/lab/b3", "mqtt://"},
        {"mqtt://broker.lab", "topic prefix"},
        {"mqtt://bench:pw@broker.lab/lab/b3", "password never goes"},
        {"mqtts://broker.lab:8883/lab/b3", nullptr},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.url);
        dmm::BrokerDialog dialog;
        control<QLineEdit>(dialog, "brokerUrlEdit")->setText(QString::fromLatin1(r.url));
        control<QLineEdit>(dialog, "brokerUserEdit")->setText(QStringLiteral("bench3"));
        control<QLineEdit>(dialog, "brokerPasswordEdit")->setText(QStringLiteral("secret"));
        dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
        EXPECT_EQ(dialog.result() == QDialog::Accepted, r.said == nullptr);
        const QString said = control<QLabel>(dialog, "brokerMessageLabel")->text();
        if (r.said) EXPECT_TRUE(said.contains(QLatin1String(r.said))) << said.toStdString();
    }
    dmm::BrokerDialog again;
    EXPECT_EQ(control<QLineEdit>(again, "brokerUrlEdit")->text(), "mqtts://broker.lab:8883/lab/b3");
    EXPECT_EQ(control<QLineEdit>(again, "brokerUserEdit")->text(), "bench3");
    EXPECT_TRUE(control<QLineEdit>(again, "brokerPasswordEdit")->text().isEmpty());
    const QSettings stored(QStringLiteral("dmmview"), QStringLiteral("dmmview"));
    for (const QString& key : stored.allKeys()) {
        EXPECT_NE(stored.value(key).toString(), "secret") << key.toStdString();
    }
    EXPECT_EQ(again.choice().user, "bench3");
}

}  // namespace
