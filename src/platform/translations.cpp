#include "translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace kav {

bool installQtKoreanTranslations()
{
    static QTranslator *translator = nullptr;
    if (translator)
        return true;
    auto *candidate = new QTranslator(QCoreApplication::instance());
    // "qtbase" carries the widgets' texts; "qt" is the meta catalogue of older layouts.
    const QString directory = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    const QLocale korean(QLocale::Korean, QLocale::SouthKorea);
    if (!candidate->load(korean, QStringLiteral("qtbase"), QStringLiteral("_"), directory)
        && !candidate->load(korean, QStringLiteral("qt"), QStringLiteral("_"), directory)) {
        delete candidate;
        return false;
    }
    QCoreApplication::installTranslator(candidate);
    translator = candidate;
    // Dates, numbers and the standard dialogs' columns follow Korean conventions too.
    QLocale::setDefault(korean);
    return true;
}

} // namespace kav
