#pragma once

#include <QString>

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
};

}  // namespace dmm
