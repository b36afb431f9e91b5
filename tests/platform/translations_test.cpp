// Qt's own dialogs and buttons speak Korean.
#include "platform/translations.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QPushButton>
#include <gtest/gtest.h>

TEST(QtTranslations, StandardDialogsAndButtonsAreKorean)
{
    ASSERT_TRUE(kav::installQtKoreanTranslations()) << "qt6-translations-l10n is missing";
    EXPECT_NE(QCoreApplication::translate("QFileDialog", "Look in:"), QStringLiteral("Look in:"));
    EXPECT_NE(QCoreApplication::translate("QFileDialog", "Save As"), QStringLiteral("Save As"));
    QDialogButtonBox box(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    EXPECT_NE(box.button(QDialogButtonBox::Cancel)->text().remove(QLatin1Char('&')),
              QStringLiteral("Cancel"));
    // Loading twice is harmless.
    EXPECT_TRUE(kav::installQtKoreanTranslations());
}
