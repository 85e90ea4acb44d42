#pragma once

#include "client/mail/maillist.h"

#include <QDialog>
#include <memory>

class QTreeWidgetItem;

namespace Ui {
class frmReadMails;
}

namespace jaserelle::client {

// The mail box: one row per mail (sender, date, subject, and the text in a column that never
// shows), the text of the selected mail below, and the button that deletes it.
class FrmReadMails : public QDialog
{
    Q_OBJECT

public:
    enum Column
    {
        De = 0,
        Le = 1,
        Sujet = 2,
        Texte = 3
    };

    explicit FrmReadMails(QWidget *parent = nullptr);
    ~FrmReadMails() override;

    void clearMails();
    void addMail(const MailEntry &mail);
    int mailCount() const;
    // Selects the first row and shows its text; nothing when the box is empty.
    void selectFirst();
    // The selected mail; nothing when no row is selected.
    std::optional<MailEntry> selectedMail() const;
    // Takes away the first row holding this mail (of twins, one goes) and selects the row that
    // follows it, or the last one. False when no row holds it.
    bool removeMail(const MailEntry &mail);
    QString messageText() const;
    // The keyboard back on the list, so Delete and the arrows go on from the selected row.
    void focusList();

signals:
    // "&Supprimer ce mail".
    void deleteRequested();
    // "&Répondre": a mail to the sender of the selected mail.
    void replyRequested();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    // The widths the columns always come back to; the text column is kept shut.
    void setColumnWidths();
    void sortBy(int column);
    void showMailOf(QTreeWidgetItem *row);

    std::unique_ptr<Ui::frmReadMails> ui_;
    bool sortAscending_ = false; // flips at every header click, whatever the column
};

} // namespace jaserelle::client
