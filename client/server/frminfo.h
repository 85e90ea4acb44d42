#pragma once

#include <QDialog>
#include <memory>

namespace Ui {
class frmInfo;
}

namespace jaserelle::client {

// The server's message to the user, shown between an accepted login and the main window.
class FrmInfo : public QDialog
{
    Q_OBJECT

public:
    explicit FrmInfo(QWidget *parent = nullptr);
    ~FrmInfo() override;

    void setMessage(const QString &userLogin, const QString &message);
    QString message() const;

signals:
    // "C'est noté !", or the window closed any other way: either way the message has been read.
    void acknowledged();

protected:
    void showEvent(QShowEvent *event) override;
    void reject() override;

private:
    std::unique_ptr<Ui::frmInfo> ui_;
    bool answered_ = false;
};

} // namespace jaserelle::client
