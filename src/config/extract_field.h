#pragma once
#include <QString>

namespace kav {

// Field n (counting from 1) of text cut at every separator. Consecutive
// separators give empty fields, a trailing separator an empty last field, and a
// field number beyond the last field (or below 1) empty text. Text without the
// separator is one field.
QString ExtractField(const QString &text, QChar separator, int n);

} // namespace kav
