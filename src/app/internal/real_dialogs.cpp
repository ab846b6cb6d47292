// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "real_dialogs.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QHeaderView>
#include <QScreen>
#include <QTreeView>

#include "broker_dialog.h"

namespace dmm {

namespace {

// Room for the name, size, type and date columns of the file list.
constexpr QSize kFileDialogSize(880, 540);

// Shows files with their size, type and date, at a size that has room for those columns (and
// that fits on the screen), none of them cut short.
void sizeForDetails(QFileDialog& dialog) {
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setViewMode(QFileDialog::Detail);
    QSize size = kFileDialogSize;
    if (const QScreen* screen = dialog.screen()) {
        size = size.boundedTo(screen->availableGeometry().size() * 9 / 10);
    }
    dialog.resize(size);
    // The size, type and date columns take what their texts need; the name column the rest.
    if (auto* list = dialog.findChild<QTreeView*>()) {
        QHeaderView* header = list->header();
        header->setStretchLastSection(false);
        header->setSectionResizeMode(0, QHeaderView::Stretch);
        for (int column = 1; column < header->count(); ++column) {
            header->setSectionResizeMode(column, QHeaderView::ResizeToContents);
        }
    }
}

// A message box whose text is shown as it stands: a file name that looks like markup stays text.
void showPlainMessage(QWidget* parent, QMessageBox::Icon icon, const QString& title,
                      const QString& text) {
    QMessageBox box(icon, title, text, QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

}  // namespace

QString RealDialogs::getSaveFileName(const QString& title, const QString& filter,
                                     const QString& defaultSuffix) {
    QFileDialog dialog(parent_, title, QString(), filter);
    sizeForDetails(dialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(defaultSuffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().first();
}

QString RealDialogs::getOpenFileName(const QString& title, const QString& filter) {
    QFileDialog dialog(parent_, title, QString(), filter);
    sizeForDetails(dialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().first();
}

void RealDialogs::information(const QString& text) {
    showPlainMessage(parent_, QMessageBox::Information, QStringLiteral("Information"), text);
}

void RealDialogs::error(const QString& text) {
    showPlainMessage(parent_, QMessageBox::Critical, QStringLiteral("Error"), text);
}

std::optional<Dialogs::BrokerChoice> RealDialogs::chooseBroker() {
    BrokerDialog dialog(parent_);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.choice();
}

}  // namespace dmm
