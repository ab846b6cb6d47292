#pragma once

#include <QString>

#include <optional>

namespace dmm {

// The message boxes and file dialogs the window and its widgets show. The main window owns the
// real one (QMessageBox / QFileDialog); tests use a scripted one that records what was shown.
class Dialogs {
public:
    virtual ~Dialogs() = default;

    // A file name to save to, or an empty text when the user cancels. The filter is in the
    // QFileDialog form ("Bitmaps (*.bmp)"); defaultSuffix ("bmp") is appended to a name typed
    // without an extension.
    virtual QString getSaveFileName(const QString& title, const QString& filter,
                                    const QString& defaultSuffix) = 0;
    // A file name to open, or an empty text when the user cancels.
    virtual QString getOpenFileName(const QString& title, const QString& filter) = 0;
    // A box with the caption "Information", the information icon and one OK button.
    virtual void information(const QString& text) = 0;
    // A box with the caption "Error", the error icon and one OK button.
    virtual void error(const QString& text) = 0;

    // Where to read a meter another machine publishes: a broker URL that reads
    // (mqtt[s]://[USER@]HOST[:PORT]/PREFIX), a user and a password; none when the user cancels.
    struct BrokerChoice {
        QString url;
        QString user;      // empty: the URL's, if any
        QString password;  // never kept
    };
    virtual std::optional<BrokerChoice> chooseBroker() { return std::nullopt; }
};

}  // namespace dmm
