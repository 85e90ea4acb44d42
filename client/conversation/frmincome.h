#pragma once

#include <QDialog>
#include <memory>

namespace Ui {
class frmIncome;
}

namespace jaserelle::client {

class Clock;

// "Un appel !": rings for one conversation window. Each window has its own, so several calls can
// ring at once; the buttons only report which answer was chosen and hide the notification.
class FrmIncome : public QDialog
{
    Q_OBJECT

public:
    explicit FrmIncome(Clock &clock, QWidget *parent = nullptr);
    ~FrmIncome() override;

    void setCurInstance(int curInstance) { curInstance_ = curInstance; }
    void setCaller(const QString &pseudo);
    QString caller() const;
    // Caption with the time of the call, then shown and brought to the front.
    void showMe();
    // The call is gone (the caller hung up or the link failed): hidden without answering.
    void withdraw();

signals:
    void acceptChosen(int curInstance);
    void refuseChosen(int curInstance);

protected:
    // The close box answers like "Refuser": a call left ringing with nobody to answer would keep
    // the caller waiting forever.
    void reject() override;

private:
    void answer(bool accept);

    std::unique_ptr<Ui::frmIncome> ui_;
    Clock &clock_;
    int curInstance_ = 0;
};

// "Un appel !     à 09 heure 05 minute(s)."
QString incomingCaption(const QTime &time);

} // namespace jaserelle::client
