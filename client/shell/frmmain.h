#pragma once

#include <QMainWindow>

#include <memory>

namespace Ui {
class frmMain;
}

// The window the member lives in once logged in.
class FrmMain : public QMainWindow
{
    Q_OBJECT

public:
    explicit FrmMain(QWidget *parent = nullptr);
    ~FrmMain() override;

    Ui::frmMain &ui() { return *ui_; }

    // Check marks of the sound menu; both entries disabled when the machine cannot play sounds.
    void setSoundMenu(bool hasDevice, bool soundEnabled);
    void setStatusText(const QString &text);
    QString statusText() const;

signals:
    void quitRequested();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    std::unique_ptr<Ui::frmMain> ui_;
};
