#pragma once
#include <QString>
#include <QStringList>

namespace kav {

// Field n (counting from 1) of text cut at every separator. Consecutive
// separators give empty fields, a trailing separator an empty last field, and a
// field number beyond the last field (or below 1) empty text. Text without the
// separator is one field.
QString ExtractField(const QString &text, QChar separator, int n);

// Fields joined by an ASCII separator, and field n of such text, for fields
// that may hold the separator themselves (a folder named "a;b"). Inside a field
// the separator is kept as the lone surrogate U+DC00+separator: no decoder
// makes that code unit (an ASCII byte always decodes as itself), so no value
// of a file written before holds it, and every other field is written exactly
// as before. The settings file writes it in its marked form.
QString joinFields(const QStringList &fields, QChar separator);
QString fieldOf(const QString &text, QChar separator, int n);

} // namespace kav
