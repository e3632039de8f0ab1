#pragma once
// The account list ListView1 and the editor below it, shown from the core's AccountList and
// AccountEditor. Every edit of the user goes to the editor; what the window shows is refreshed from it.

#include <QObject>

#include "app/data/AccountEditor.h"
#include "app/data/AccountList.h"

class QLineEdit;

namespace Ui {
class Form1;
}

namespace ui {

class AccountPanel final : public QObject {
public:
    AccountPanel(Ui::Form1& form, app::AccountList& accounts, app::AccountEditor& editor);

    void ShowAccounts();
    void ShowEditor();
    void Focus(app::EditorField field);

private:
    void SetUpList();
    void SetUpEditor();
    QLineEdit& Field(app::EditorField field) const;
    void RowSelectionChanged();

    Ui::Form1& form_;
    app::AccountList& accounts_;
    app::AccountEditor& editor_;
};

}  // namespace ui
