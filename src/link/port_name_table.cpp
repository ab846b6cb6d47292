// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "port_name_table.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <utility>

namespace dmm {

PortNameTable::PortNameTable()
    : PortNameTable(QStringLiteral("/dev"), QStringLiteral("/sys/class/tty")) {}

PortNameTable::PortNameTable(QString devDir, QString sysTtyDir)
    : devDir_(std::move(devDir)), sysTtyDir_(std::move(sysTtyDir)) {}

void PortNameTable::map(int n, const QString& path) {
    if (n < kFirstPort || n > kLastPort) return;
    if (path.isEmpty()) {
        mappings_.remove(n);
    } else {
        mappings_.insert(n, path);
    }
}

std::optional<PortNameTable::Mapping> PortNameTable::parseMapping(const QString& text) {
    const qsizetype eq = text.indexOf(QLatin1Char('='));
    const std::optional<int> n = eq > 0 ? parsePortName(text.left(eq)) : std::nullopt;
    const QString path = eq > 0 ? text.mid(eq + 1) : QString();
    if (!n || path.isEmpty()) return std::nullopt;
    return Mapping{*n, path};
}

bool PortNameTable::looksLikeMapping(const QString& text) {
    static const QRegularExpression re(QStringLiteral("^COM[0-9]+="),
                                       QRegularExpression::CaseInsensitiveOption);
    return re.match(text).hasMatch();
}

bool PortNameTable::addMapping(const QString& text, QString* error) {
    const std::optional<Mapping> mapping = parseMapping(text);
    if (!mapping) {
        if (error) {
            *error =
                QStringLiteral("'%1' is not of the form COMn=PATH with n from 1 to 4").arg(text);
        }
        return false;
    }
    map(mapping->port, mapping->path);
    return true;
}

std::optional<int> PortNameTable::parsePortName(const QString& name) {
    static const QRegularExpression re(QStringLiteral("^COM([1-4])$"),
                                       QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = re.match(name);
    if (!m.hasMatch()) return std::nullopt;
    return m.captured(1).toInt();
}

QString PortNameTable::notAPortName(const QString& text) {
    static const QRegularExpression re(QStringLiteral("^COM[0-9]+$"),
                                       QRegularExpression::CaseInsensitiveOption);
    if (!re.match(text).hasMatch() || parsePortName(text)) return {};
    return QStringLiteral("%1 is not a port name (COM1 to COM4, or COMn=PATH)").arg(text);
}

bool PortNameTable::onBoardPortPresent(const QString& name) const {
    // The kernel keeps a node for every on-board port it could drive; one without a UART
    // behind it reports type 0. With no such information at hand, the node is taken as is.
    QFile type(sysTtyDir_ + QLatin1Char('/') + name + QStringLiteral("/type"));
    if (!type.open(QIODevice::ReadOnly)) {
        return !QFileInfo::exists(sysTtyDir_ + QLatin1Char('/') + name);
    }
    const QByteArray value = type.readAll().trimmed();
    return !value.isEmpty() && value != "0";
}

QStringList PortNameTable::presentDevices() const {
    const QDir dev(devDir_);
    QStringList out;
    for (const char* prefix : {"ttyUSB", "ttyACM", "ttyS"}) {
        const QString p = QString::fromLatin1(prefix);
        const QRegularExpression re(QStringLiteral("^%1([0-9]+)$").arg(p));
        std::vector<std::pair<long, QString>> found;
        const QStringList names = dev.entryList({p + QLatin1Char('*')},
                                                QDir::System | QDir::Files | QDir::NoDotAndDotDot);
        for (const QString& name : names) {
            const QRegularExpressionMatch m = re.match(name);
            if (!m.hasMatch()) continue;
            if (p == QLatin1String("ttyS") && !onBoardPortPresent(name)) continue;
            found.emplace_back(m.captured(1).toLong(), name);
        }
        std::sort(found.begin(), found.end());
        for (const auto& f : found) out << dev.filePath(f.second);
    }
    return out;
}

QString PortNameTable::resolve(int n) const {
    if (n < kFirstPort || n > kLastPort) return {};
    const auto mapped = mappings_.constFind(n);
    if (mapped != mappings_.constEnd()) return *mapped;
    const QStringList present = presentDevices();
    return n <= present.size() ? present.at(n - 1) : QString();
}

QString PortNameTable::describe(int n) const {
    if (n < kFirstPort || n > kLastPort) return QStringLiteral("no such port");
    const QString name = portName(n);
    if (mappings_.contains(n)) return QStringLiteral("%1: %2").arg(name, mappings_.value(n));
    const QStringList present = presentDevices();
    if (n > present.size()) {
        return QStringLiteral("%1: no serial device present (%2 found)")
            .arg(name)
            .arg(present.size());
    }
    static const char* const kOrdinals[] = {"1st", "2nd", "3rd", "4th"};
    return QStringLiteral("%1: %2 (%3 serial device)")
        .arg(name, present.at(n - 1), QLatin1String(kOrdinals[n - 1]));
}

}  // namespace dmm
