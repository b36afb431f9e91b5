#pragma once
// The window that edits the list of extensions sent in ASCII type.

#include <QDialog>
#include <memory>

namespace Ui { class TModeForm; }

namespace kav {

class AsciiExtensionList;

class TModeForm : public QDialog {
    Q_OBJECT
public:
    // The list is shared with the type chooser and the configuration: changes
    // take effect at once for the next transfer.
    explicit TModeForm(AsciiExtensionList &extensions, QWidget *parent = nullptr);
    ~TModeForm() override;

    Ui::TModeForm *form() const { return ui.get(); }

    // Shows the list again after it was replaced (loading the configuration).
    void refreshList();

    void FormActivate();
    void B_AddExtClick();
    void B_DeleteExtClick();
    void B_CloseClick();

protected:
    void showEvent(QShowEvent *event) override;

private:
    std::unique_ptr<Ui::TModeForm> ui;
    AsciiExtensionList &extensions;
};

} // namespace kav
