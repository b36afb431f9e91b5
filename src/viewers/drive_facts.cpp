#include "drive_facts.h"

#include "platform/dialogs.h"

#include <QComboBox>
#include <QLabel>

namespace kav {

QString driveTypeName(int type)
{
    switch (type % 128) {
    case 2: return QStringLiteral("Floppy");
    case 3: return QStringLiteral("Fixed");
    case 4: return QStringLiteral("Network");
    case 5: return QStringLiteral("CDROM");
    case 6: return QStringLiteral("RAM");
    case 7: return QStringLiteral("Floppy3");
    case 8: return QStringLiteral("Floppy5");
    default: return QStringLiteral("Unknown");
    }
}

QString megabytesText(qint64 bytes)
{
    return QString::number(bytes / 1024 / 1024) + QStringLiteral(" MB");
}

DriveFacts::DriveFacts(const DriveFactsWidgets &widgets, QObject *parent)
    : QObject(parent), w(widgets)
{
    for (QLabel *label : {w.L_Drivetype, w.L_Shellname, w.L_Volumelabel, w.L_Serialnumber, w.L_FileSystem,
                          w.L_Freespace, w.L_Discspace})
        label->setTextFormat(Qt::PlainText);
    connect(w.CB_Logicaldrives, &QComboBox::currentIndexChanged, this, [this] {
        if (!filling)
            CB_LogicaldrivesChange();
    });
}

void DriveFacts::fill(const QString &path)
{
    filling = true;
    tabs = driveTabs();
    w.CB_Logicaldrives->clear();
    for (const DriveTab &tab : tabs)
        w.CB_Logicaldrives->addItem(tab.mountPoint);
    int index = driveTabIndexOf(tabs, path.isEmpty() ? QStringLiteral("/") : path);
    if (index < 0 && !tabs.isEmpty())
        index = 0;
    w.CB_Logicaldrives->setCurrentIndex(index);
    filling = false;
    CB_LogicaldrivesChange();
}

void DriveFacts::CB_LogicaldrivesChange()
{
    const int index = w.CB_Logicaldrives->currentIndex();
    if (index < 0 || index >= tabs.size())
        return;
    const DriveTab tab = tabs[index];
    w.L_Drivetype->setText(driveTypeName(tab.type));
    w.L_Shellname->setText(tab.text);
    for (;;) {
        const std::optional<VolumeFacts> facts = volumeFactsWithin(tab.mountPoint, timeLimitMs, readFacts);
        // The list may have changed under the wait (a nested refill): show nothing stale.
        if (w.CB_Logicaldrives->currentIndex() != index)
            return;
        if (facts) {
            w.L_Shellname->setText(facts->displayName);
            w.L_Volumelabel->setText(facts->label);
            w.L_Serialnumber->setText(facts->serial ? serialText(*facts->serial) : QString());
            w.L_FileSystem->setText(facts->fileSystem);
            w.L_Freespace->setText(megabytesText(facts->freeBytes));
            w.L_Discspace->setText(megabytesText(facts->totalBytes));
            return;
        }
        for (QLabel *label : {w.L_Volumelabel, w.L_Serialnumber, w.L_FileSystem, w.L_Freespace, w.L_Discspace})
            label->clear();
        const QString text = tab.mountPoint + QStringLiteral(" 에 접근할 수 없습니다. 확인하세요\r\n\r\n");
        if (dialogs().messageBox(w.window, applicationTitle(), text, MsgIcon::Error, BtnRetry | BtnCancel)
            != BtnRetry)
            return;
    }
}

} // namespace kav
