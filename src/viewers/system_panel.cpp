#include "system_panel.h"

#include "drive_facts.h"

#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QTimer>

namespace kav {

QString kilobytesText(quint64 bytes)
{
    return QString::number(bytes / 1024) + QStringLiteral(" KB");
}

SystemPanel::SystemPanel(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("SystemPanel"));
    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    auto row = [this](QGridLayout *into, int r, int column, const char *caption, const char *name) {
        auto *c = new QLabel(QLatin1String(caption), this);
        c->setObjectName(QLatin1String(name) + QStringLiteral("Caption"));
        auto *v = new QLabel(this);
        v->setObjectName(QLatin1String(name));
        v->setTextFormat(Qt::PlainText);
        v->setTextInteractionFlags(Qt::TextSelectableByMouse);
        // The window takes its size before the facts arrive.
        v->setMinimumWidth(260);
        into->addWidget(c, r, column);
        into->addWidget(v, r, column + 1);
        return v;
    };
    const char *const system[][2] = {{"Organization", "L_Organization"},   {"Owner", "L_Owner"},
                                     {"CPU", "L_CPU"},                     {"Operating System", "L_OperatingSystem"},
                                     {"Windows Version", "L_WinVersion"},  {"Build", "L_Build"},
                                     {"Total Memory", "L_TotalMemory"},    {"Available Memory", "L_AvailMemory"},
                                     {"Total Virtual", "L_TotalVirtual"},  {"Available Virtual", "L_AvailVirtual"},
                                     {"Memory Load", "L_MemoryLoad"}};
    int r = 0;
    for (const auto &item : system)
        row(grid, r++, 0, item[0], item[1]);

    auto *group = new QGroupBox(this);
    group->setObjectName(QStringLiteral("GB_Drives"));
    auto *drivesGrid = new QGridLayout(group);
    auto *listCaption = new QLabel(QStringLiteral("Logical drives"), group);
    auto *list = new QComboBox(group);
    list->setObjectName(QStringLiteral("CB_Logicaldrives"));
    drivesGrid->addWidget(listCaption, 0, 0);
    drivesGrid->addWidget(list, 0, 1);
    const char *const driveRows[][2] = {{"Drive type", "L_Drivetype"},       {"Shell name", "L_Shellname"},
                                        {"Volume label", "L_Volumelabel"},   {"Serial number", "L_Serialnumber"},
                                        {"File System", "L_FileSystem"},     {"Free space", "L_Freespace"},
                                        {"Disc space", "L_Discspace"}};
    int d = 1;
    QList<QLabel *> values;
    for (const auto &item : driveRows)
        values << row(drivesGrid, d++, 0, item[0], item[1]);
    grid->addWidget(group, r, 0, 1, 2);

    DriveFactsWidgets w;
    w.CB_Logicaldrives = list;
    w.L_Drivetype = values[0];
    w.L_Shellname = values[1];
    w.L_Volumelabel = values[2];
    w.L_Serialnumber = values[3];
    w.L_FileSystem = values[4];
    w.L_Freespace = values[5];
    w.L_Discspace = values[6];
    w.window = this;
    drives = new DriveFacts(w, this);

    BlinkTimer = new QTimer(this);
    BlinkTimer->setObjectName(QStringLiteral("BlinkTimer"));
    BlinkTimer->setInterval(500);
    connect(BlinkTimer, &QTimer::timeout, this, &SystemPanel::BlinkTimerTimer);
}

QLabel *SystemPanel::value(const char *name) const
{
    return findChild<QLabel *>(QLatin1String(name));
}

void SystemPanel::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!activated) {
        activated = true;
        // After the window has appeared: the drive facts may take a moment.
        QTimer::singleShot(0, this, &SystemPanel::FormActivate);
    }
}

void SystemPanel::FormActivate()
{
    QCoreApplication::processEvents();
    const SystemFacts f = readFacts();
    value("L_Organization")->setText(f.organization);
    value("L_Owner")->setText(f.owner);
    value("L_CPU")->setText(f.cpu);
    value("L_OperatingSystem")->setText(f.operatingSystem);
    value("L_WinVersion")->setText(f.version);
    value("L_Build")->setText(f.build);
    value("L_TotalMemory")->setText(kilobytesText(f.totalMemory));
    value("L_AvailMemory")->setText(kilobytesText(f.availMemory));
    value("L_TotalVirtual")->setText(kilobytesText(f.totalVirtual));
    value("L_AvailVirtual")->setText(kilobytesText(f.availVirtual));
    value("L_MemoryLoad")->setText(QString::number(f.memoryLoad));
    drives->fill(QStringLiteral("/"));
    BlinkTimer->start();
}

void SystemPanel::BlinkTimerTimer()
{
    QApplication::alert(window(), 500);
}

} // namespace kav
