#include "hex_form.h"
#include "platform/local_path.h"
#include "hex_page.h"
#include "ui_hex_form.h"

#include "platform/dialogs.h"
#include "platform/printer.h"
#include "platform/shell.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QPrinter>
#include <QTimer>
#include <QWheelEvent>

namespace kav {

using namespace viewers;

namespace {

void setUpGrid(QTableWidget *grid, int columns, int cellWidth)
{
    grid->setRowCount(RowsPerSector);
    grid->setColumnCount(columns);
    grid->horizontalHeader()->hide();
    grid->verticalHeader()->hide();
    grid->horizontalHeader()->setMinimumSectionSize(1);
    grid->verticalHeader()->setMinimumSectionSize(1);
    grid->horizontalHeader()->setDefaultSectionSize(cellWidth);
    grid->verticalHeader()->setDefaultSectionSize(21);
    grid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setSelectionMode(QAbstractItemView::ContiguousSelection);
    grid->setTabKeyNavigation(false);
    // The cells are as narrow as two hex digits: the view's own text margins
    // would cut "ff" to an ellipsis, so the text may use the whole cell.
    grid->setTextElideMode(Qt::ElideNone);
    QFont font(QStringLiteral("Monospace"));
    font.setStyleHint(QFont::TypeWriter);
    font.setPixelSize(12);
    grid->setFont(font);
    for (int r = 0; r < RowsPerSector; ++r)
        for (int c = 0; c < columns; ++c) {
            auto *item = new QTableWidgetItem;
            item->setTextAlignment(Qt::AlignCenter);
            grid->setItem(r, c, item);
        }
}

QString cellText(const QTableWidget *grid, int row, int column)
{
    const QTableWidgetItem *item = grid->item(row, column);
    return item ? item->text() : QString();
}

} // namespace

THexForm::THexForm(QWidget *parent) : QDialog(parent), ui(std::make_unique<Ui::THexForm>())
{
    ui->setupUi(this);
    setUpGrid(ui->SG_Displacement, 1, 88);
    setUpGrid(ui->SG_Hexcodes, BytesPerRow, 21);
    setUpGrid(ui->SG_Values, BytesPerRow, 12);
    ui->SG_Displacement->setFocusPolicy(Qt::ClickFocus);  // not a tab stop
    ui->SG_Displacement->setStyleSheet(QStringLiteral("QTableWidget { background-color: palette(button); }"));
    ui->SG_Values->setShowGrid(false);
    for (int r = 0; r < RowsPerSector; ++r)
        ui->SG_Displacement->item(r, 0)->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    ui->SE_CurSector->setMinimum(1);
    ui->SE_CurSector->setValue(1);

    connect(ui->SE_CurSector, &SectorSpinBox::valueChanged, this, [this] { SE_CurSectorChange(); });
    connect(ui->SG_Displacement, &QTableWidget::currentCellChanged, this,
            [this](int row, int column) { SG_DisplacementSelectCell(column, row); });
    connect(ui->SG_Hexcodes, &QTableWidget::currentCellChanged, this,
            [this](int row, int column) { SG_HexcodesSelectCell(column, row); });
    connect(ui->SG_Values, &QTableWidget::currentCellChanged, this,
            [this](int row, int column) { SG_ValuesSelectCell(column, row); });
    connect(ui->B_Close, &QPushButton::clicked, this, &THexForm::B_CloseClick);
    connect(ui->B_Print, &QPushButton::clicked, this, &THexForm::B_PrintClick);
    for (QTableWidget *grid : {ui->SG_Displacement, ui->SG_Hexcodes, ui->SG_Values}) {
        grid->installEventFilter(this);
        grid->viewport()->installEventFilter(this);
    }
}

THexForm::~THexForm() = default;

qint64 THexForm::currentSector() const
{
    return ui->SE_CurSector->value();
}

void THexForm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!activated)
        QTimer::singleShot(0, this, &THexForm::FormActivate);
}

void THexForm::failOpen()
{
    informationBox(QStringLiteral("작업파일 '") + localpath::displayPath(fileName)
                       + QStringLiteral("' 을 열 수 없습니다."), this);
    ui->SE_CurSector->setMaximum(0);
    fileOpen = false;
    file.close();
}

void THexForm::FormActivate()
{
    if (activated)
        return;
    activated = true;
    QCoreApplication::processEvents();
    fileOpen = true;
    // Only regular files: a device or a pipe has no sectors to page through.
    if (fileName.isEmpty() || !localpath::open(file, fileName, QIODevice::ReadOnly) || file.isSequential()
        || file.size() <= 0) {
        failOpen();
        return;
    }
    size = file.size();
    maxSector = sectorCount(size);
    ui->L_MaxSector->setText(QString::number(maxSector));
    ui->SE_CurSector->setMaximum(maxSector);
    setWindowTitle(localpath::displayPath(fileName) + QStringLiteral("  (") + QString::number(size) + QStringLiteral(" Bytes)"));
    ui->SG_Hexcodes->setFocus();
    active = HexCodes;
    SE_CurSectorChange();
}

void THexForm::SE_CurSectorChange()
{
    if (!fileOpen)
        return;
    const qint64 typed = ui->SE_CurSector->value();
    const qint64 sector = clampSector(typed, maxSector);
    if (sector != typed) {
        ui->SE_CurSector->setValue(sector);  // runs this handler again
        return;
    }
    showSector(sector);
}

void THexForm::clearGrids()
{
    for (QTableWidget *grid : {ui->SG_Displacement, ui->SG_Hexcodes, ui->SG_Values})
        for (int r = 0; r < grid->rowCount(); ++r)
            for (int c = 0; c < grid->columnCount(); ++c)
                grid->item(r, c)->setText(QString());
}

void THexForm::showSector(qint64 sector)
{
    clearGrids();
    QByteArray bytes;
    if (file.seek(sectorOffset(sector)))
        bytes = file.read(SectorSize);
    const HexPage page = formatSector(sector, bytes);
    for (int r = 0; r < RowsPerSector; ++r) {
        ui->SG_Displacement->item(r, 0)->setText(page.offsets[r]);
        for (int c = 0; c < BytesPerRow; ++c) {
            ui->SG_Hexcodes->item(r, c)->setText(page.hex[r][c]);
            ui->SG_Values->item(r, c)->setText(page.chars[r][c]);
        }
    }
    // The panel describes the byte under the selection on the new page.
    const int row = ui->SG_Hexcodes->currentRow(), column = ui->SG_Hexcodes->currentColumn();
    if (row >= 0 && column >= 0) {
        const ActiveGrid keep = active;
        active = Offsets;  // describe without moving the other grids
        SG_HexcodesSelectCell(column, row);
        active = keep;
    }
}

void THexForm::SG_HexcodesSelectCell(int column, int row)
{
    if (row < 0 || column < 0)
        return;
    const ByteInfo info = byteInfo(cellText(ui->SG_Hexcodes, row, column), cellText(ui->SG_Values, row, column));
    ui->L_Hex->setText(info.hex);
    ui->L_Dec->setText(info.dec);
    ui->L_Char->setText(info.chr);
    ui->L_Code->setText(info.code);
    ui->L_Bin->setText(info.bin);
    if (active == HexCodes) {
        ui->SG_Displacement->setCurrentCell(row, 0, QItemSelectionModel::ClearAndSelect);
        ui->SG_Values->setCurrentCell(row, column, QItemSelectionModel::ClearAndSelect);
    }
}

void THexForm::SG_ValuesSelectCell(int column, int row)
{
    if (row < 0 || column < 0 || active != Characters)
        return;
    ui->SG_Displacement->setCurrentCell(row, 0, QItemSelectionModel::ClearAndSelect);
    ui->SG_Hexcodes->setCurrentCell(row, column, QItemSelectionModel::ClearAndSelect);
}

void THexForm::SG_DisplacementSelectCell(int, int row)
{
    if (row < 0 || active != Offsets)
        return;
    const int hexColumn = qMax(0, ui->SG_Hexcodes->currentColumn());
    const int charColumn = qMax(0, ui->SG_Values->currentColumn());
    ui->SG_Hexcodes->setCurrentCell(row, hexColumn, QItemSelectionModel::ClearAndSelect);
    ui->SG_Values->setCurrentCell(row, charColumn, QItemSelectionModel::ClearAndSelect);
}

bool THexForm::SG_KeyDown(int key, Qt::KeyboardModifiers modifiers)
{
    const bool ctrl = modifiers.testFlag(Qt::ControlModifier);
    const qint64 current = currentSector();
    if (key == Qt::Key_PageUp) {
        if (ctrl)
            ui->SE_CurSector->setValue(1);
        else if (current >= 2)
            ui->SE_CurSector->setValue(current - 1);
        return true;
    }
    if (key == Qt::Key_PageDown) {
        if (ctrl)
            ui->SE_CurSector->setValue(qMax<qint64>(1, maxSector));
        else if (current < maxSector)
            ui->SE_CurSector->setValue(current + 1);
        return true;
    }
    return false;
}

QString THexForm::selectedText(const QTableWidget *grid) const
{
    const QList<QTableWidgetSelectionRange> ranges = grid->selectedRanges();
    if (ranges.isEmpty())
        return {};
    const QTableWidgetSelectionRange range = ranges.first();
    const QString separator = grid == ui->SG_Hexcodes ? QStringLiteral(" ") : QString();
    QStringList lines;
    for (int r = range.topRow(); r <= range.bottomRow(); ++r) {
        QStringList cells;
        for (int c = range.leftColumn(); c <= range.rightColumn(); ++c) {
            const QString text = cellText(grid, r, c);
            if (!text.isEmpty())
                cells << (grid == ui->SG_Displacement ? text.trimmed() : text);
        }
        if (!cells.isEmpty())
            lines << cells.join(separator);
    }
    return lines.join(QLatin1Char('\n'));
}

void THexForm::SG_MouseWheel(int lines)
{
    if (!fileOpen || lines == 0)
        return;
    QTableWidget *grid = active == Offsets ? ui->SG_Displacement : active == Characters ? ui->SG_Values : ui->SG_Hexcodes;
    const qint64 sector = currentSector();
    int row = std::max(0, grid->currentRow()) + lines;
    if (row >= RowsPerSector) {
        if (sector < maxSector) {
            ui->SE_CurSector->setValue(sector + 1);
            row = 0;
        } else {
            row = RowsPerSector - 1;
        }
    } else if (row < 0) {
        if (sector > 1) {
            ui->SE_CurSector->setValue(sector - 1);
            row = RowsPerSector - 1;
        } else {
            row = 0;
        }
    }
    grid->setCurrentCell(row, std::max(0, grid->currentColumn()));
}

bool THexForm::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Wheel) {
        for (QTableWidget *g : {ui->SG_Displacement, ui->SG_Hexcodes, ui->SG_Values}) {
            if (watched != g->viewport())
                continue;
            // A notch is 120; touchpads send it in small parts.
            wheelTurn += static_cast<QWheelEvent *>(event)->angleDelta().y();
            const int notches = wheelTurn / 120;
            wheelTurn -= notches * 120;
            if (g == ui->SG_Displacement)
                SG_DisplacementEnter();
            else if (g == ui->SG_Hexcodes)
                SG_HexcodesEnter();
            else
                SG_ValuesEnter();
            SG_MouseWheel(-notches);
            return true;
        }
    }
    auto *grid = qobject_cast<QTableWidget *>(watched);
    if (grid && event->type() == QEvent::FocusIn) {
        if (grid == ui->SG_Displacement)
            SG_DisplacementEnter();
        else if (grid == ui->SG_Hexcodes)
            SG_HexcodesEnter();
        else
            SG_ValuesEnter();
    }
    if (grid && event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->matches(QKeySequence::Copy)) {
            QApplication::clipboard()->setText(selectedText(grid));
            return true;
        }
        if (SG_KeyDown(key->key(), key->modifiers()))
            return true;
    }
    return QDialog::eventFilter(watched, event);
}

void THexForm::B_PrintClick()
{
    // An image of the whole window, as large as fits the page.
    const QPixmap image = grab();
    QPrinter &device = printer().device();
    device.setDocName(windowTitle());
    QPainter painter;
    if (painter.begin(&device)) {
        const QRect page = painter.viewport();
        QSize target = image.size().scaled(page.size(), Qt::KeepAspectRatio);
        painter.setViewport(page.x(), page.y(), target.width(), target.height());
        painter.setWindow(image.rect());
        painter.drawPixmap(0, 0, image);
        painter.end();
    }
    shell::beep();
}

void THexForm::closeEvent(QCloseEvent *event)
{
    if (file.isOpen())
        file.close();
    fileOpen = false;
    QDialog::closeEvent(event);
}

void showHexViewer(const QString &path, QWidget *parent)
{
    THexForm hex(dialogOwner(parent));
    hex.setFileName(path);
    hex.exec();
}

} // namespace kav
