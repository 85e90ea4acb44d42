#pragma once

#include "client/shell/centredonfirstshow.h"

#include <QDialog>
#include <memory>

namespace Ui {
class frmAPropos;
}

namespace jaserelle::client {

// The about box: the product, its version and the server this client talks to. Created with the
// main window and shown again each time; "&Quitter" only hides it.
class FrmAPropos : public CentredOnFirstShow<QDialog>
{
    Q_OBJECT

public:
    explicit FrmAPropos(const QString &serverHost, QWidget *parent = nullptr);
    ~FrmAPropos() override;

private:
    std::unique_ptr<Ui::frmAPropos> ui_;
};

} // namespace jaserelle::client
