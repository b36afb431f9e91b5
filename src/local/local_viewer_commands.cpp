#include "local_viewer_commands.h"
#include "local_names.h"
#include "local_pane.h"

#include "platform/dialogs.h"
#include "platform/printer.h"
#include "viewers/hex_form.h"
#include "viewers/line_print.h"
#include "viewers/print_form.h"

#include "platform/local_path.h"

#include <QFile>
#include <QListWidget>

namespace kav {

namespace {

const QString CrLf = QStringLiteral("\r\n");

} // namespace

LocalViewerCommands::LocalViewerCommands(LocalPane &localPane, QListWidget *fileList, QWidget *mainWindow,
                                         TPrintForm &print, QObject *parent)
    : QObject(parent), pane(localPane), files(fileList), window(mainWindow), printWindow(print)
{
}

void LocalViewerCommands::N_LHexviewClick()
{
    const int row = pane.singleSelection();
    if (row < 0)
        return;
    showHexViewer(pane.fullPathOf(localNameOf(files->item(row))), window);
    files->setFocus();
}

void LocalViewerCommands::LBprintsetClick()
{
    printer().setupDialog(window);
}

void LocalViewerCommands::N_LPrintClick()
{
    const int row = pane.singleSelection();
    if (row < 0)
        return;
    const QString name = localNameOf(files->item(row));
    const QString shown = files->item(row)->text();
    const QString extension = local::upperExtension(name);
    if (extension == QLatin1String("EXE") || extension == QLatin1String("COM")) {
        informationBox(QStringLiteral("파일 '") + shown + QStringLiteral("'는 실행파일이라 인쇄할 수 없습니다."), window);
        return;
    }
    if (!(isTextExtension && isTextExtension(extension))) {
        const QString question = QStringLiteral("[주의]") + CrLf + QStringLiteral("파일 '") + shown
            + QStringLiteral("'는 텍스트 파일이 아닐 수 있습니다.") + CrLf
            + QStringLiteral("그래도 선택한 파일을 인쇄하시겠습니까 ?");
        if (!confirmBox(question, window))
            return;
    }
    const QString path = pane.fullPathOf(name);
    const qint64 size = localpath::status(path).size;
    if (size == 0) {
        informationBox(QStringLiteral("파일 '") + shown + QStringLiteral("'의 파일크기가 0 Byte 입니다."), window);
        return;
    }
    QFile file;
    if (!localpath::open(file, path, QIODevice::ReadOnly)) {
        informationBox(QStringLiteral("파일 '") + shown + QStringLiteral("'를 읽지 못합니다."), window);
        return;
    }
    // The printer, or the PDF file where there is none, is chosen before anything prints.
    if (!printer().printDialog(window))
        return;
    bool disconnectAfter = false;
    {
        LinePrint run(printWindow, shown, size);
        const bool opened = run.isOpen();
        const PrintOutcome outcome = opened ? printTextLines(file, run) : PrintOutcome::Printed;
        run.finish();
        disconnectAfter = run.disconnectRequested();
        if (!opened)
            informationBox(QStringLiteral("프린터를 열 수 없습니다."), window);
        else if (outcome == PrintOutcome::ReadFailed)
            informationBox(QStringLiteral("파일 '") + shown + QStringLiteral("'를 읽지 못합니다."), window);
    }
    file.close();
    if (disconnectAfter && disconnect)
        disconnect();
    files->setFocus();
}

} // namespace kav
