#pragma once
// frmDelete, the deletion dialog: one account's mailbox listed for the user to pick messages to delete
// from the server. It stays on top and does not block the main window; closing it only hides it and
// keeps its rows until the next listing. The deletion by hand drives it; its button hands the user's
// wish to delete back to it.

#include <QWidget>
#include <memory>

#include "app/deletion/DeletionView.h"
#include "app/deletion/IndividualDeletion.h"

namespace Ui {
class frmDelete;
}

namespace ui {

class DeleteDialog final : public QWidget, public app::DeletionView {
public:
    // Boxes the dialog asks while it is hidden come up over `boxOwner`.
    explicit DeleteDialog(QWidget& boxOwner);
    ~DeleteDialog() override;

    // The deletion is made with this dialog as its view, so the two meet after both exist.
    void Attach(app::IndividualDeletion& deletion);

    void SetServerLine(std::string_view text) override;
    void ClearRows() override;
    void AppendRow(const app::ListedMail& row) override;
    void ClearSelection() override;
    std::vector<std::size_t> SelectedRows() const override;
    void SetProgressText(std::string_view text) override;
    void ShowDialog() override;
    void ShowInformation(std::string_view text) override;
    void ShowError(std::string_view text) override;
    bool ConfirmYesNo(std::string_view text) override;

private:
    QWidget* BoxOwner();

    std::unique_ptr<Ui::frmDelete> ui_;
    QWidget& boxOwner_;
};

}  // namespace ui
