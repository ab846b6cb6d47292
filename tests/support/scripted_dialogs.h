#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include "dialogs.h"

namespace dmm::test {

// Dialogs that answer from a script and remember what was shown, for every test that builds a
// widget needing a Dialogs.
class ScriptedDialogs : public Dialogs {
public:
    struct Shown {
        QString kind;  // "information" or "error"
        QString text;
    };

    QStringList saveNames;  // answers of getSaveFileName, in order; none left: cancel
    QStringList openNames;  // answers of getOpenFileName, in order; none left: cancel
    QStringList saveFilters;
    QStringList saveSuffixes;
    QStringList openFilters;
    QList<Shown> shown;
    // The answers of chooseBroker, in order; none left: cancel.
    QList<BrokerChoice> brokerChoices;

    QString getSaveFileName(const QString&, const QString& filter, const QString& suffix) override {
        saveFilters << filter;
        saveSuffixes << suffix;
        return saveNames.isEmpty() ? QString() : saveNames.takeFirst();
    }
    QString getOpenFileName(const QString&, const QString& filter) override {
        openFilters << filter;
        return openNames.isEmpty() ? QString() : openNames.takeFirst();
    }
    void information(const QString& text) override { shown.push_back({QStringLiteral("information"), text}); }
    void error(const QString& text) override { shown.push_back({QStringLiteral("error"), text}); }
    std::optional<BrokerChoice> chooseBroker() override {
        if (brokerChoices.isEmpty()) return std::nullopt;
        return brokerChoices.takeFirst();
    }

    // The last box as "kind: text", or an empty text when none was shown.
    QString last() const { return shown.isEmpty() ? QString() : shown.back().kind + ": " + shown.back().text; }
    // The texts of the boxes of one kind, in the order shown.
    QStringList texts(const QString& kind) const {
        QStringList out;
        for (const Shown& s : shown) {
            if (s.kind == kind) out << s.text;
        }
        return out;
    }
    QStringList informations() const { return texts(QStringLiteral("information")); }
    QStringList errors() const { return texts(QStringLiteral("error")); }
};

}  // namespace dmm::test
