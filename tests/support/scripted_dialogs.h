#pragma once

#include <QString>
#include <QStringList>

#include "dialogs.h"

// Dialogs that answer from a script and remember what was shown.
class ScriptedDialogs : public dmm::Dialogs {
public:
    struct Shown {
        QString kind;  // "information" or "error"
        QString text;
    };

    QStringList saveNames;  // answers of getSaveFileName, in order; empty: cancel
    QStringList openNames;
    QStringList saveFilters;
    QStringList saveSuffixes;
    QStringList openFilters;
    QList<Shown> shown;

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

    QString last() const { return shown.isEmpty() ? QString() : shown.back().kind + ": " + shown.back().text; }
};
