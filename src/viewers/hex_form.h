#pragma once
// THexForm: one file, read-only, as sectors of 256 bytes: the offsets, the bytes
// in hexadecimal and as characters, and a panel describing the selected byte.
// Only the sector on screen is read, so a file of any size opens at once.
//
//     THexForm hex(parent);
//     hex.setFileName(path);
//     hex.exec();

#include <QDialog>
#include <QFile>
#include <memory>

class QTableWidget;
namespace Ui { class THexForm; }

namespace kav {

class THexForm : public QDialog {
    Q_OBJECT
public:
    enum ActiveGrid { Offsets = 0, HexCodes = 1, Characters = 2 };

    explicit THexForm(QWidget *parent = nullptr);
    ~THexForm() override;

    void setFileName(const QString &name) { fileName = name; }
    Ui::THexForm *form() const { return ui.get(); }
    bool fileIsOpen() const { return fileOpen; }
    qint64 fileSize() const { return size; }
    qint64 lastSector() const { return maxSector; }
    qint64 currentSector() const;
    ActiveGrid activeGrid() const { return active; }

    // ---- Handlers ----
    void FormActivate();
    void SE_CurSectorChange();
    void SG_DisplacementEnter() { active = Offsets; }
    void SG_HexcodesEnter() { active = HexCodes; }
    void SG_ValuesEnter() { active = Characters; }
    void SG_DisplacementSelectCell(int column, int row);
    void SG_HexcodesSelectCell(int column, int row);
    void SG_ValuesSelectCell(int column, int row);
    // Page Up / Page Down, with Ctrl the first / last sector. True when handled.
    bool SG_KeyDown(int key, Qt::KeyboardModifiers modifiers);
    // The mouse wheel: the selected row of the active grid moves by `lines`, into the
    // neighbouring sector past the page's edge.
    void SG_MouseWheel(int lines);
    void B_CloseClick() { close(); }
    void B_PrintClick();

    // The selected cells of a grid as text: rows on lines, hexadecimal cells
    // separated by blanks, characters run together, offsets without their blanks.
    QString selectedText(const QTableWidget *grid) const;

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void showSector(qint64 sector);
    void clearGrids();
    void failOpen();

    std::unique_ptr<Ui::THexForm> ui;
    QString fileName;
    QFile file;
    qint64 size = 0;
    qint64 maxSector = 0;
    bool fileOpen = false;
    bool activated = false;
    ActiveGrid active = HexCodes;
    int wheelTurn = 0;   // the part of a wheel notch not yet turned into a line
};

// Opens the hex viewer modally on a file and frees it after it closes.
void showHexViewer(const QString &path, QWidget *parent);

} // namespace kav
