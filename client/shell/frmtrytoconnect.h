#pragma once

#include "client/shell/centredonfirstshow.h"

#include <QWidget>
#include <memory>

namespace Ui {
class frmTryToConnect;
}

namespace jaserelle::client {

// Stands in for the login window while the login request is on its way. It takes the login
// window's place, so it appears where that one was: in the middle. "Annuler" gives up waiting.
class FrmTryToConnect : public CentredOnFirstShow<QWidget>
{
    Q_OBJECT

public:
    explicit FrmTryToConnect(const QString &serverHost, QWidget *parent = nullptr);
    ~FrmTryToConnect() override;

signals:
    void cancelChosen();

private:
    std::unique_ptr<Ui::frmTryToConnect> ui_;
};

} // namespace jaserelle::client
