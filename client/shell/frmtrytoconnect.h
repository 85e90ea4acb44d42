#pragma once

#include <QWidget>
#include <memory>

namespace Ui {
class frmTryToConnect;
}

// Stands in for the login window while the login request is on its way.
class FrmTryToConnect : public QWidget
{
    Q_OBJECT

public:
    explicit FrmTryToConnect(const QString &serverHost, QWidget *parent = nullptr);
    ~FrmTryToConnect() override;

protected:
    void showEvent(QShowEvent *event) override;

private:
    std::unique_ptr<Ui::frmTryToConnect> ui_;
    bool centred_ = false;
};
