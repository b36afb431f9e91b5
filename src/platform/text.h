#pragma once
// Small text rules that many parts share, each written once.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace kav::text {

// Without the blanks and control characters (code 0x20 and below) at both ends.
QString trimmed(QStringView text);
QByteArray trimmedBytes(QByteArrayView bytes);

} // namespace kav::text
