#pragma once
// The icon extractor: walks a directory tree, collects the icons of the files
// that match a mask into a grid, shows the selected one enlarged and saves it
// as BMP, ICO, JPEG or GIF, or copies it to the clipboard.

#include "platform/local_path_field.h"

#include <QDialog>
#include <QImage>
#include <QList>
#include <memory>

class QLabel;
class QMenu;

namespace Ui { class TIconForm; }

namespace kav {

class TIconForm : public QDialog {
    Q_OBJECT
public:
    // Most icons one search collects.
    static constexpr int MaxIcons = 500;
    // Icons in one row of the grid.
    static constexpr int IconsPerRow = 15;

    // `startDirectory` is the local pane's directory (the default start of the
    // walk); `saveDirectory` the directory the last save went to (may be empty).
    TIconForm(const QString &startDirectory, const QString &saveDirectory, QWidget *parent = nullptr);
    ~TIconForm() override;

    Ui::TIconForm *form() const { return ui.get(); }
    // Where the next save proposes to go; the owner keeps it for the next use.
    QString saveDirectory() const { return saveDir; }
    int iconCount() const { return icons.size(); }
    int directoryCount() const { return directories; }
    // 1-based, as the grid's tags; 0 = none.
    int selectedIndex() const;
    QLabel *iconImage(int index) const;
    QImage iconPicture(int index) const;
    QString iconPath(int index) const;
    QLabel *selectionMarker() const { return I_selection; }
    QImage detailPicture() const { return detail; }
    bool detailTransparent() const { return transparentDetail; }
    bool searching() const { return walking; }
    QMenu *imageMenu() const { return PM_image; }
    // The proposed save name for the selected icon with an extension such as ".gif".
    QString proposedSavePath(const QString &extension);

    // ---- Handlers ----
    void FormActivate();
    void BB_StartFindClick();
    void BB_StopClick();
    void BB_ExitClick();
    void SB_FindDirClick();
    void SB_ConnectDRVClick();
    void SB_DisconnectDRVClick();
    void BB_SaveBMPClick();
    void BB_SaveICOClick();
    void BB_SaveJPEGClick();
    void BB_SaveGIF89AClick();
    void BB_CopyToClipClick();
    void I_detailClick();
    void I_detailMouseDown(Qt::MouseButton button);
    void FormCloseQuery();
    // The click handler of every icon image.
    void selectIcon(int index);

protected:
    void showEvent(QShowEvent *event) override;
    void done(int result) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct Icon {
        QLabel *image;
        QImage picture;
        QString path;
    };
    enum class SaveKind { Bitmap, IconFile, Jpeg, Gif };

    void scanDirectory(const QString &directory);
    // False when the file loop of the directory ends (the limit or Stop).
    bool addIcon(const QImage &picture, const QString &path);
    void destroyIcons();
    void showDetail();
    void save(SaveKind kind);
    void applyDefaults();
    void pump();

    std::unique_ptr<Ui::TIconForm> ui;
    QLabel *I_selection = nullptr;
    QMenu *PM_image = nullptr;
    QList<Icon> icons;
    QString startDir;
    LocalPathField findDir;
    QString saveDir;
    int directories = 0;
    QPoint next;
    bool stopFlag = false;
    bool walking = false;
    bool activated = false;
    bool transparentDetail = false;
    QImage detail;
};

} // namespace kav

namespace kav {

// Shows the icon extractor modally over `parent` and returns the save directory
// it ends with, for the next use.
QString runIconExtractor(const QString &startDirectory, const QString &saveDirectory, QWidget *parent);

} // namespace kav
