#pragma once

#include "client/conversation/conversation.h"
#include "client/history/historyentry.h"
#include "client/platform/notice.h"

#include <QString>
#include <QTime>
#include <QTimer>
#include <QWidget>
#include <memory>

class QTextCursor;
class QTextEdit;
class QToolButton;

namespace Ui {
class frmConversation;
}

namespace jaserelle::client {

struct ClientState;
struct Platform;
class FrmIncome;
class HistoryKeeper;
class SpellChecker;

// The window of one conversation. It shows what its Conversation (which owns the link) tells it,
// and hands on what the user does; it holds no state of the call.
class FrmConversation : public QWidget
{
    Q_OBJECT

public:
    FrmConversation(Conversation &conversation, ClientState &state, Platform &platform,
                    QWidget *parent = nullptr);
    ~FrmConversation() override;

    QString peerPseudo() const;
    // Made when a call first rings: most spares never ring.
    FrmIncome &incomingForm();
    // Once the call has begun.
    ConversationLink &link() { return *conversation_.link(); }
    QTextEdit *conversationBox() const;
    QTextEdit *sendBox() const;
    QString durationText() const;

    // "Chiffrée" or "Non chiffrée", once the conversation is open; the button shows both
    // fingerprints to compare.
    QToolButton *encryptionButton() const { return encryptionButton_; }
    // Both fingerprints, as the button shows them.
    Notice fingerprintsNotice() const;
    // The user's answers, as the notification's buttons and the quit button give them.
    void sendAcceptCall() { conversation_.sendAcceptCall(); }
    void setConnectNo() { conversation_.setConnectNo(); }
    void closeConversation() { conversation_.closeConversation(); }

    // What the conversation shows: the call ringing, under the name the checks gave the caller;
    // the conversation open; an entry from the peer; the call gone before it was answered; the
    // link ended while the conversation was open (the transcript stays to be read until the user
    // closes the window); and the words of a notice the link gave, at the end of the transcript.
    void ring(const QString &pseudo);
    void openConversation();
    void showReceived(const QString &rtf, int sound);
    void withdrawCall();
    void endReadOnly();
    void stopTimers();
    void recordNotice(const Notice &notice);
    // The last lines exchanged with `member`, marked as past, at the top of an empty box.
    void showPast(const QString &member);

    // Sends what the send box holds (nothing when it is empty).
    void sendMessage();
    // One second of the duration.
    void tickDuration();
    // One step of the blinking caption.
    void tickBlink();
    // A picture file at the caret of the send box, read away from the user-interface thread so a
    // large one does not freeze the window; an unreadable one is reported and nothing changes.
    void insertPicture(const QString &file);
    // A sound effect to the peer, shown here as "a envoyé un son"; what the user was typing stays.
    void sendSound(int index);
    bool hasEnded() const { return ended_; }
    // Where entries are kept, and the last lines of the member come from; none by default.
    void setHistory(HistoryKeeper *history);
    // Spelling in the send box, from the window's first show.
    void setSpelling(SpellChecker *spelling) { spelling_ = spelling; }
    static constexpr int pastLines = 10;

signals:
    // A picture file has been read: inserted (true) or reported as unreadable (false).
    void pictureInserted(bool inserted);

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    // The sound pad: a right click previews the effect, a left double click sends it.
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // A smiley of the pad at the caret of the send box; nothing is sent yet.
    void insertSmiley(int index);
    void showEncryption();
    HistoryEntry entryNow(bool own, HistoryEntry::Kind kind, const QString &rtf) const;
    // An entry at the end of the conversation box, its name line after the time; kept in the
    // history when there is one.
    void showEntry(HistoryEntry entry);
    void settlePictures(int from, int to);
    void insertEmoji(int index);
    // What only a window on the screen needs (pads, font list, icon): built at its first show, so
    // the spare that listens from start-up costs the start-up next to nothing.
    void decorate();
    void fitScreenHeight();
    void setupFormatting();
    void fillFontLists();
    void toggleAttribute(int which);
    void syncAttributeButtons();
    void chooseColour();
    void setupPads();
    void choosePicture();

    std::unique_ptr<Ui::frmConversation> ui_;
    Conversation &conversation_;
    ClientState &state_;
    Platform &platform_;
    std::unique_ptr<FrmIncome> incomingForm_;
    bool decorated_ = false;
    QString savedCaption_;
    QTimer dureeTimer_;
    QTimer stateTimer_;
    int durationHours_ = 0;
    int durationMinutes_ = 0;
    int durationSeconds_ = 0;
    QColor lastColour_;
    QToolButton *encryptionButton_ = nullptr;
    bool ended_ = false;
    HistoryKeeper *history_ = nullptr;
    SpellChecker *spelling_ = nullptr;
    bool soundPadRightButton_ = false;
};

// "Durée : 0 h 5 min 7 sec."
QString durationCaption(int hours, int minutes, int seconds);

} // namespace jaserelle::client
