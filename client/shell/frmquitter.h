#pragma once

#include "client/shell/centredonfirstshow.h"

#include <QDialog>
#include <memory>

namespace Ui {
class frmQuitter;
}

namespace jaserelle::client {

// "Quitter Jaserelle ???": asks before the client leaves. Shown without blocking; it only reports
// the answer and hides itself.
class FrmQuitter : public CentredOnFirstShow<QDialog>
{
    Q_OBJECT

public:
    explicit FrmQuitter(QWidget *parent = nullptr);
    ~FrmQuitter() override;

signals:
    void quitChosen(); // "&Quitter", just before the window hides
    void hidden();     // whichever way it went: a button, Escape or the title bar

protected:
    void hideEvent(QHideEvent *event) override;

private:
    std::unique_ptr<Ui::frmQuitter> ui_;
};

} // namespace jaserelle::client
