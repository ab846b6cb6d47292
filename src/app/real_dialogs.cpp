#include "real_dialogs.h"

#include <QFileDialog>
#include <QMessageBox>

namespace dmm {

QString RealDialogs::getSaveFileName(const QString& title, const QString& filter,
                                     const QString& defaultSuffix) {
    QFileDialog dialog(parent_, title, QString(), filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(defaultSuffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().first();
}

QString RealDialogs::getOpenFileName(const QString& title, const QString& filter) {
    return QFileDialog::getOpenFileName(parent_, title, QString(), filter);
}

void RealDialogs::information(const QString& text) {
    QMessageBox::information(parent_, QStringLiteral("Information"), text, QMessageBox::Ok);
}

void RealDialogs::error(const QString& text) {
    QMessageBox::critical(parent_, QStringLiteral("Error"), text, QMessageBox::Ok);
}

}  // namespace dmm
