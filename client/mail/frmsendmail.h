#pragma once

#include <QDialog>
#include <memory>

namespace Ui {
class frmSendMail;
}

namespace jaserelle::client {

// Writing one mail to one member: a subject of at most 50 characters and a text. The recipient is
// fixed when the window is opened for him, whatever row the user right-clicks afterwards.
class SpellChecker;

class FrmSendMail : public QDialog
{
    Q_OBJECT

public:
    explicit FrmSendMail(QWidget *parent = nullptr);
    ~FrmSendMail() override;

    // Names the recipient in the caption and empties both boxes.
    void startMailTo(const QString &recipient);
    // An answer: the subject is set, the message left for the user to write.
    void setSubjectText(const QString &subject);
    QString recipient() const { return recipient_; }
    QString subjectText() const;
    QString messageText() const;
    // Selects the first place `character` stands, subject first, so the user sees what to change.
    void selectFirstOf(const QString &character);
    // Words the checker does not know are underlined in the text as they are typed.
    void checkSpelling(SpellChecker &checker);

signals:
    // "&Envoyer": the mail is to be checked and sent.
    void sendRequested();

protected:
    void showEvent(QShowEvent *event) override;

private:
    std::unique_ptr<Ui::frmSendMail> ui_;
    QString recipient_;
};

} // namespace jaserelle::client
