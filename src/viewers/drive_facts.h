#pragma once
// The drive group that the file information window and the About window share:
// the list of drives and the facts of the selected one. The facts are read on
// a worker thread with a time limit, so a dead network mount cannot freeze the
// window; an unreadable drive asks whether to retry.

#include "platform/drives.h"
#include "platform/system_facts.h"

#include <QObject>
#include <functional>

class QComboBox;
class QLabel;
class QWidget;

namespace kav {

// The type names by drive type (taken modulo 128): 2 "Floppy", 3 "Fixed",
// 4 "Network", 5 "CDROM", 6 "RAM", 7 "Floppy3", 8 "Floppy5", else "Unknown".
QString driveTypeName(int type);
// trunc(bytes / 1024 / 1024) + " MB".
QString megabytesText(qint64 bytes);

struct DriveFactsWidgets {
    QComboBox *CB_Logicaldrives = nullptr;
    QLabel *L_Drivetype = nullptr;
    QLabel *L_Shellname = nullptr;
    QLabel *L_Volumelabel = nullptr;
    QLabel *L_Serialnumber = nullptr;
    QLabel *L_FileSystem = nullptr;
    QLabel *L_Freespace = nullptr;
    QLabel *L_Discspace = nullptr;
    QWidget *window = nullptr;  // parent of the retry question
};

class DriveFacts : public QObject {
    Q_OBJECT
public:
    DriveFacts(const DriveFactsWidgets &widgets, QObject *parent = nullptr);

    // Fills the list with the drives and selects the one holding `path` (the
    // root when `path` is empty), then shows its facts.
    void fill(const QString &path);
    // Shows the facts of the selected drive.
    void CB_LogicaldrivesChange();

    // Seams for tests: where the drives and their facts come from.
    std::function<QList<DriveTab>()> driveTabs = currentDriveTabs;
    VolumeReader readFacts = readVolumeFacts;
    int timeLimitMs = 3000;

private:
    DriveFactsWidgets w;
    QList<DriveTab> tabs;
    bool filling = false;
};

} // namespace kav
