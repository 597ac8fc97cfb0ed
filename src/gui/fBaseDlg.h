#pragma once

#include "fBase.h"

class QFrame;
class QHBoxLayout;
class QPushButton;

namespace prolamo {

// A dialog with OK, Cancel and Help driven by actions; derived windows decide through the hooks
// when OK and Cancel are enabled and what they do. Their controls go into a layout of Body(), which
// takes the room above the row of buttons.
class TfrmBaseDlg : public TfrmBase {
    Q_OBJECT

public:
    explicit TfrmBaseDlg(QWidget* parent = nullptr);

    void UpdateActions() override;
    // Escape and the window's close box run Cancel, and only while it is enabled.
    void reject() override;

    QPushButton* btnOK;
    QPushButton* btnCancel;
    QPushButton* btnHelp;
    QAction* actOK;
    QAction* actCancel;
    QAction* actHelp;

protected:
    QFrame* Body() const { return body_; }
    // OK, Cancel and Help on the right after a stretch; a window adds its own buttons to it.
    QHBoxLayout* ButtonRow() const { return buttonRow_; }
    virtual void UpdateOK(QAction* action);
    virtual void UpdateCancel(QAction* action);
    // What OK does apart from closing with the OK result.
    virtual void DoOK(QAction* action);
    // Ends the dialog with the Cancel result.
    virtual void DoCancel(QAction* action);

private:
    QFrame* body_;
    QHBoxLayout* buttonRow_;

    void actOKUpdate() { UpdateOK(actOK); }
    void actCancelUpdate() { UpdateCancel(actCancel); }
    void actHelpUpdate() { actHelp->setEnabled(true); }
    void actOKExecute(QAction* action);
    void actCancelExecute(QAction* action) { DoCancel(action); }
    void actHelpExecute(QAction*) { ShowFormHelp(); }
};

} // namespace prolamo
