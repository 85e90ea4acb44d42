#pragma once

#include "client/conversation/callerverdict.h"
#include "client/platform/notice.h"
#include "client/conversation/transcriptnotifier.h"
#include "client/history/historyentry.h"

#include <QString>
#include <QTime>
#include <QTimer>
#include <QWidget>
#include <memory>

class QSslSocket;
class QTcpSocket;
class QTextCursor;
class QTextEdit;
class QToolButton;

namespace Ui {
class frmConversation;
}

namespace jaserelle::client {

struct ClientState;
struct Platform;
struct PeerSecurity;
class FrmIncome;
class HistoryKeeper;
class SpellChecker;
class PeerLink;

// One conversation, from the spare that listens to the window discarded at the end. It holds the
// link and its own incoming-call notification; it never deletes itself: when it is over it asks
// the main window to discard it (killMeRequested).
class FrmConversation : public QWidget
{
    Q_OBJECT

public:
    FrmConversation(int instanceIndex, ClientState &state, Platform &platform, QWidget *parent = nullptr);
    ~FrmConversation() override;

    QString peerPseudo() const;
    // Made when a call first rings: most spares never ring.
    FrmIncome &incomingForm();
    PeerLink &link() { return *link_; }
    QTextEdit *conversationBox() const;
    QTextEdit *sendBox() const;
    QString durationText() const;

    // The spare places a call: it stays hidden until the peer accepts.
    void callMember(const QString &pseudo, const QString &ipAdress);
    // The spare takes the connection the listener accepted; `mark`: what the checks of the
    // caller's pseudo (and key) found.
    void acceptConnection(QSslSocket *socket, CallerMark mark = CallerMark::Verified);
    bool callerVerified() const { return mark_ == CallerMark::Verified; }
    CallerMark callerMark() const { return mark_; }
    void setSecurity(PeerSecurity *security);
    // "Chiffrée" or "Non chiffrée", once the conversation is open; the button shows both
    // fingerprints to compare.
    QToolButton *encryptionButton() const { return encryptionButton_; }
    // Both fingerprints, as the button shows them.
    Notice fingerprintsNotice() const;
    // The peer as this window names it: the pseudo, marked when the server does not vouch for it.
    QString shownPeer() const;
    void sendAcceptCall();
    void setConnectNo();
    // Ends the conversation from this side, without a packet, and has the window discarded.
    void closeConversation();
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
    // The link has ended while the conversation was open: the transcript stays to be read until
    // the user closes the window.
    bool hasEnded() const { return ended_; }
    // Where entries are kept, and the last lines of the member come from; none by default.
    void setHistory(HistoryKeeper *history);
    // Spelling in the send box, from the window's first show.
    void setSpelling(SpellChecker *spelling) { spelling_ = spelling; }
    static constexpr int pastLines = 10;

signals:
    void killMeRequested(int instanceIndex);
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
    void openConversation();
    void showEncryption();
    HistoryEntry entryNow(bool own, HistoryEntry::Kind kind, const QString &rtf) const;
    // An entry at the end of the conversation box, its name line after the time; kept in the
    // history when there is one.
    void showEntry(HistoryEntry entry);
    void settlePictures(int from, int to);
    // The last lines exchanged with `member`, marked as past, at the top of an empty box.
    void showPast(const QString &member);
    // The words of a notice the link gave, at the end of the transcript.
    void recordNotice(const Notice &notice);
    void endReadOnly();
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
    ClientState &state_;
    Platform &platform_;
    const int instanceIndex_;
    TranscriptNotifier notices_; // before link_, which tells the user through it
    PeerLink *link_;             // a child of this window
    std::unique_ptr<FrmIncome> incomingForm_;
    bool decorated_ = false;
    QString savedCaption_;
    QTimer dureeTimer_;
    QTimer stateTimer_;
    int durationHours_ = 0;
    int durationMinutes_ = 0;
    int durationSeconds_ = 0;
    QColor lastColour_;
    bool killed_ = false;
    CallerMark mark_ = CallerMark::Verified;
    PeerSecurity *security_ = nullptr;
    QToolButton *encryptionButton_ = nullptr;
    bool opened_ = false;
    bool ended_ = false;
    HistoryKeeper *history_ = nullptr;
    SpellChecker *spelling_ = nullptr;
    bool soundPadRightButton_ = false;
};

// "Durée : 0 h 5 min 7 sec."
QString durationCaption(int hours, int minutes, int seconds);

} // namespace jaserelle::client
