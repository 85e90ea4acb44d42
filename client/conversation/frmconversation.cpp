#include "client/conversation/frmconversation.h"

#include "client/assets/artwork.h"
#include "client/conversation/boxpictures.h"
#include "client/conversation/conversationpads.h"
#include "client/conversation/emojiruns.h"
#include "client/conversation/emojis.h"
#include "client/conversation/frmincome.h"
#include "client/conversation/peersecurity.h"
#include "client/conversation/rtffragments.h"
#include "client/conversation/rtfreader.h"
#include "client/conversation/rtfwriter.h"
#include "client/conversation/smileys.h"
#include "client/conversation/soundcommands.h"
#include "client/conversation/soundsubjects.h"
#include "client/history/entryview.h"
#include "client/history/historykeeper.h"
#include "client/platform/platform.h"
#include "client/shell/clientstate.h"
#include "client/shell/windowplacement.h"
#include "client/spelling/spellhighlighter.h"
#include "ui_frmconversation.h"

#include <QApplication>
#include <QCloseEvent>
#include <QColorDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontInfo>
#include <QImageReader>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <QTabBar>
#include <QTextCursor>
#include <QThreadPool>
#include <QToolButton>

namespace jaserelle::client {

using namespace Qt::StringLiterals;

namespace {

enum Attribute
{
    Bold,
    Italic,
    Underline
};

struct AttributeTexts
{
    QString on;  // the tooltip while a click gives the attribute
    QString off; // the tooltip while a click takes it away
};

const AttributeTexts attributeTexts[] = {
    {u"Texte gras"_s, u"Texte non gras"_s},
    {u"Texte italique"_s, u"Texte non italique"_s},
    {u"Texte souligné"_s, u"Texte non souligné"_s},
};

bool hasAttribute(const QFont &font, int which)
{
    return which == Bold ? font.bold() : which == Italic ? font.italic() : font.underline();
}

void giveAttribute(QFont &font, int which, bool on)
{
    if (which == Bold)
        font.setBold(on);
    else if (which == Italic)
        font.setItalic(on);
    else
        font.setUnderline(on);
}

void giveAttribute(QTextCharFormat &format, int which, bool on)
{
    if (which == Bold)
        format.setFontWeight(on ? QFont::Bold : QFont::Normal);
    else if (which == Italic)
        format.setFontItalic(on);
    else
        format.setFontUnderline(on);
}

// What the caption shows while it blinks off. An empty title would not do: the window manager
// would be handed the program's name instead.
const QString blankCaption = u" "_s;

// The face that stands for "MS Sans Serif", the font messages start in, on this machine.
QString messageFamily()
{
    const QString wanted = u"MS Sans Serif"_s;
    if (QFontDatabase::hasFamily(wanted))
        return wanted;
    for (const QString &substitute : QFont::substitutes(wanted)) {
        if (QFontDatabase::hasFamily(substitute))
            return substitute;
    }
    QFont font(wanted);
    font.setStyleHint(QFont::SansSerif);
    const QString matched = QFontInfo(font).family();
    if (QFontDatabase::hasFamily(matched))
        return matched;
    return QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
}

constexpr int largestPictureSide = 1280;

// Keeps the window's top, where the user takes it, inside the screen.
void keepTopOnScreen(QWidget &window)
{
    const QScreen *screen = window.screen();
    if (!screen)
        return;
    const QRect room = screen->availableGeometry();
    const QRect frame = window.frameGeometry();
    const QPoint shift(std::max(0, room.left() - frame.left()), std::max(0, room.top() - frame.top()));
    window.move(window.pos() + shift);
}

} // namespace

QString durationCaption(int hours, int minutes, int seconds)
{
    return u"Durée : %1 h %2 min %3 sec."_s.arg(hours).arg(minutes).arg(seconds);
}

FrmConversation::FrmConversation(Conversation &conversation, ClientState &state, Platform &platform,
                                 QWidget *parent)
    : QWidget(parent), ui_(std::make_unique<Ui::frmConversation>()), conversation_(conversation),
      state_(state), platform_(platform), lastColour_(Qt::black)
{
    ui_->setupUi(this);
    setWindowTitle({});
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::WindowMinimizeButtonHint);
    setFixedSize(size());
    QFont boxFont(u"Arial"_s);
    boxFont.setPointSizeF(9.75);
    ui_->txtBoxConversation->document()->setDefaultFont(boxFont);
    ui_->txtBoxSend->setAcceptRichText(true);
    // Return sends, Shift+Return starts a new line, Tab goes on to the next control.
    ui_->txtBoxSend->installEventFilter(this);
    ui_->txtBoxSend->setTabChangesFocus(true);
    ui_->txtBoxConversation->setTabChangesFocus(true);
    ui_->txtBoxSend->setToolTip(u"Entrée : envoyer le message. Maj+Entrée : aller à la ligne."_s);
    QWidget *order[] = {
        ui_->txtBoxSend,         ui_->cmdSend,     ui_->cmdGras, ui_->cmdItalique,    ui_->cmdSouligne,
        ui_->cmdCouleur,         ui_->cmbFontSize, ui_->cmbFont, ui_->cmdSendPicture, ui_->SSTab1,
        ui_->txtBoxConversation, ui_->cmdQuit};
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
    setupFormatting();

    dureeTimer_.setInterval(1000);
    stateTimer_.setInterval(350);
    connect(&dureeTimer_, &QTimer::timeout, this, &FrmConversation::tickDuration);
    connect(&stateTimer_, &QTimer::timeout, this, &FrmConversation::tickBlink);

    connect(ui_->cmdSend, &QPushButton::clicked, this, &FrmConversation::sendMessage);
    connect(ui_->cmdQuit, &QPushButton::clicked, this, &FrmConversation::closeConversation);
    connect(ui_->cmdSendPicture, &QPushButton::clicked, this, &FrmConversation::choosePicture);
}

FrmConversation::~FrmConversation() = default;

FrmIncome &FrmConversation::incomingForm()
{
    if (!incomingForm_) {
        incomingForm_ = std::make_unique<FrmIncome>(platform_.clock);
        connect(incomingForm_.get(), &FrmIncome::acceptChosen, this, &FrmConversation::sendAcceptCall);
        connect(incomingForm_.get(), &FrmIncome::refuseChosen, this, &FrmConversation::setConnectNo);
    }
    return *incomingForm_;
}

void FrmConversation::fitScreenHeight()
{
    // A small screen at a large scale factor is shorter than the window: the conversation box and
    // the pads give up the difference, so the buttons below them stay on the screen.
    const QScreen *screen = this->screen();
    if (!screen)
        return;
    const int titleBar = std::max(0, frameGeometry().height() - height());
    const int room = screen->availableGeometry().height() - titleBar;
    QTextEdit *box = ui_->txtBoxConversation;
    const int give = std::min(height() - room, box->height() - 4 * fontMetrics().height());
    if (give <= 0)
        return;
    const int below = box->geometry().bottom();
    for (QWidget *child : findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
        if (child->y() > below)
            child->move(child->x(), child->y() - give);
    }
    box->resize(box->width(), box->height() - give);
    ui_->SSTab1->resize(ui_->SSTab1->width(), ui_->SSTab1->height() - give);
    setFixedSize(width(), height() - give);
}

void FrmConversation::decorate()
{
    if (decorated_)
        return;
    decorated_ = true;
    setWindowIcon(artwork::icon(artwork::windowIcon));
    ui_->cmdCouleur->setIcon(artwork::icon(artwork::colourButton));
    fillFontLists();
    setupPads();
    if (spelling_)
        attachSpelling(*ui_->txtBoxSend, *spelling_);
}

void FrmConversation::showEvent(QShowEvent *event)
{
    decorate();
    QWidget::showEvent(event);
}

QString FrmConversation::peerPseudo() const
{
    return conversation_.peerPseudo();
}

QTextEdit *FrmConversation::conversationBox() const
{
    return ui_->txtBoxConversation;
}

QTextEdit *FrmConversation::sendBox() const
{
    return ui_->txtBoxSend;
}

QString FrmConversation::durationText() const
{
    return ui_->lblDuree->text();
}

void FrmConversation::ring(const QString &pseudo)
{
    showPast(pseudo);
    FrmIncome &income = incomingForm();
    income.setCurInstance(conversation_.instanceIndex());
    income.setCaller(conversation_.shownPeer());
    income.showMe();
}

void FrmConversation::showReceived(const QString &rtf, int sound)
{
    showEntry(entryNow(false, sound >= 0 ? HistoryEntry::Kind::Sound : HistoryEntry::Kind::Message, rtf));
    QTextCursor cursor = ui_->txtBoxSend->textCursor();
    cursor.setPosition(cursor.selectionStart());
    ui_->txtBoxSend->setTextCursor(cursor);
    stateTimer_.start();
}

void FrmConversation::withdrawCall()
{
    if (incomingForm_)
        incomingForm_->withdraw();
}

void FrmConversation::stopTimers()
{
    dureeTimer_.stop();
    stateTimer_.stop();
}

namespace {
// "ab12 cd34 ...": easier to read out to each other.
QString grouped(const QByteArray &fingerprint)
{
    QString out;
    for (qsizetype i = 0; i < fingerprint.size(); i += 4) {
        if (i > 0)
            out += (i % 32 == 0) ? u"\r\n"_s : u" "_s;
        out += QString::fromLatin1(fingerprint.mid(i, 4));
    }
    return out;
}
} // namespace

Notice FrmConversation::fingerprintsNotice() const
{
    const ConversationLink *link = conversation_.link();
    if (!link || !link->isEncrypted())
        return {
            u"Conversation non chiffrée"_s,
            u"Cette conversation n'est pas chiffrée : ce que vous écrivez passe en clair sur le réseau."_s};
    const PeerSecurity *security = conversation_.security();
    const QByteArray own = security && security->identity ? security->identity->fingerprint() : QByteArray();
    return {u"Conversation chiffrée"_s,
            u"Comparez ces empreintes avec "_s + link->peerPseudo() +
                u" (par téléphone, de vive voix) : si elles sont les mêmes des deux côtés, personne ne "
                u"s'est glissé entre vous.\r\n\r\nVotre empreinte :\r\n"_s +
                grouped(own) + u"\r\n\r\nEmpreinte de "_s + link->peerPseudo() + u" :\r\n"_s +
                grouped(link->peerFingerprint())};
}

void FrmConversation::showEncryption()
{
    if (!encryptionButton_) {
        // Beside "Votre message :", whether what is typed travels in clear; the only free room
        // (the pads' tabs take the top right corner).
        encryptionButton_ = new QToolButton(this);
        encryptionButton_->setObjectName(u"cmdChiffrement"_s);
        encryptionButton_->setGeometry(100, 219, 99, 20);
        encryptionButton_->setAutoRaise(true);
        connect(encryptionButton_, &QToolButton::clicked, this,
                [this] { platform_.notifier.notify(fingerprintsNotice()); });
    }
    const bool encrypted = conversation_.link() && conversation_.link()->isEncrypted();
    encryptionButton_->setText(encrypted ? u"🔒 Chiffrée"_s : u"Non chiffrée"_s);
    encryptionButton_->setToolTip(encrypted ? u"Comparer les empreintes de vos clés"_s
                                            : u"Cette conversation passe en clair sur le réseau"_s);
    encryptionButton_->show();
}

void FrmConversation::openConversation()
{
    savedCaption_ = conversation_.shownPeer() + u"-Conversation"_s;
    setWindowTitle(savedCaption_);
    showEncryption();
    decorate();
    fitScreenHeight();
    centreOnScreen(*this);
    keepTopOnScreen(*this);
    show();
    dureeTimer_.start();
    ui_->txtBoxSend->setFocus();
}

void FrmConversation::sendMessage()
{
    if (!ui_->txtBoxSend->toPlainText().isEmpty() || ui_->txtBoxSend->toHtml().contains(u"<img"_s)) {
        const QString rtf = rtfwriter::fromDocument(*ui_->txtBoxSend->document());
        if (conversation_.sendMessage(rtf)) {
            showEntry(entryNow(true, HistoryEntry::Kind::Message, rtf));
            ui_->txtBoxSend->clear();
        }
    }
    ui_->txtBoxSend->setFocus();
}

HistoryEntry FrmConversation::entryNow(bool own, HistoryEntry::Kind kind, const QString &rtf) const
{
    return {0,
            conversation_.peerPseudo(),
            QDateTime(platform_.clock.currentDate(), platform_.clock.currentTime()),
            own,
            kind,
            rtf,
            {}};
}

void FrmConversation::showEntry(HistoryEntry entry)
{
    QTextEdit *box = ui_->txtBoxConversation;
    QTextCursor cursor(box->document());
    cursor.movePosition(QTextCursor::End);
    if (!box->document()->isEmpty())
        cursor.insertBlock();
    const int from = cursor.position();
    // The time shows only here: the peer's box stamps the entry with its own clock.
    const int words = showHistoryEntry(cursor, entry, state_.userLogin, entry.at.time().toString(u"HH:mm"_s));
    settlePictures(from, cursor.position());
    if (history_) {
        if (entry.kind != HistoryEntry::Kind::Notice)
            entry.text = wordsBetween(box->document(), words, cursor.position());
        history_->record(std::move(entry));
    }
    cursor.movePosition(QTextCursor::End);
    box->setTextCursor(cursor);
    box->ensureCursorVisible();
}

void FrmConversation::settlePictures(int from, int to)
{
    QTextEdit *box = ui_->txtBoxConversation;
    boxpictures::settle(*box->document(), from, to, boxpictures::room(*box), devicePixelRatioF(),
                        box->palette().color(QPalette::Base), box->palette().color(QPalette::Text));
}

void FrmConversation::setHistory(HistoryKeeper *history)
{
    history_ = history;
}

void FrmConversation::showPast(const QString &member)
{
    // Shown while the box is still empty, before anything of this conversation.
    QTextEdit *box = ui_->txtBoxConversation;
    if (!history_ || !history_->isEnabled() || !box->document()->isEmpty())
        return;
    const QList<HistoryEntry> past = history_->reader().last(member, pastLines);
    if (past.isEmpty())
        return;
    QTextBlockFormat pastBlock;
    pastBlock.setBackground(box->palette().color(QPalette::AlternateBase));
    QTextCursor cursor(box->document());
    cursor.setBlockFormat(pastBlock);
    QTextCharFormat heading;
    heading.setFontItalic(true);
    heading.setForeground(QColor(0x6e, 0x6e, 0x6e));
    cursor.insertText(u"Vos derniers échanges avec "_s + member + u" :"_s, heading);
    for (const HistoryEntry &entry : past) {
        cursor.insertBlock(pastBlock);
        const int from = cursor.position();
        showHistoryEntry(cursor, entry, state_.userLogin, entry.at.toString(u"dd/MM/yyyy HH:mm"_s));
        settlePictures(from, cursor.position());
    }
    // This conversation starts on the usual background, one line below.
    cursor.insertBlock(QTextBlockFormat());
}

void FrmConversation::recordNotice(const Notice &notice)
{
    HistoryEntry entry = entryNow(false, HistoryEntry::Kind::Notice, {});
    entry.text = QString(notice.text).replace(u"\r\n"_s, u" "_s).simplified();
    showEntry(std::move(entry));
}

void FrmConversation::endReadOnly()
{
    ended_ = true;
    dureeTimer_.stop();
    stateTimer_.stop();
    setWindowTitle(savedCaption_);
    // Nothing can leave any more: only reading, copying and closing remain.
    ui_->txtBoxSend->setReadOnly(true);
    for (QWidget *tool : std::initializer_list<QWidget *>{ui_->cmdSend, ui_->cmdSendPicture, ui_->cmdGras,
                                                          ui_->cmdItalique, ui_->cmdSouligne, ui_->cmdCouleur,
                                                          ui_->cmbFont, ui_->cmbFontSize, ui_->SSTab1})
        tool->setEnabled(false);
    ui_->cmdQuit->setFocus();
}

void FrmConversation::tickDuration()
{
    if (++durationSeconds_ == 60) {
        durationSeconds_ = 0;
        ++durationMinutes_;
    }
    if (durationMinutes_ == 60) {
        durationMinutes_ = 0;
        ++durationHours_;
    }
    ui_->lblDuree->setText(durationCaption(durationHours_, durationMinutes_, durationSeconds_));
}

void FrmConversation::tickBlink()
{
    if (isActiveWindow()) {
        stateTimer_.stop();
        setWindowTitle(savedCaption_);
    } else if (windowTitle() != blankCaption) {
        setWindowTitle(blankCaption);
    } else {
        setWindowTitle(savedCaption_);
    }
}

void FrmConversation::closeEvent(QCloseEvent *event)
{
    // The title bar's close ends the conversation like the quit button; the window itself is
    // discarded with its conversation.
    event->ignore();
    conversation_.closeConversation();
}

void FrmConversation::fillFontLists()
{
    for (int size = 8; size <= 48; size += 2)
        ui_->cmbFontSize->addItem(QString::number(size), size);
    // The box starts in the face that stands for "MS Sans Serif" here, at the second size of the
    // list; both lists show what the box really uses, and what the user picks is what the message
    // names.
    const QString family = messageFamily();
    QFont sendFont(family);
    sendFont.setPointSize(10);
    ui_->txtBoxSend->document()->setDefaultFont(sendFont);
    ui_->cmbFont->addItems(QFontDatabase::families());
    if (ui_->cmbFont->findText(family) < 0)
        ui_->cmbFont->insertItem(0, family);
    ui_->cmbFont->setCurrentText(family);
    ui_->cmbFontSize->setCurrentIndex(1);
}

void FrmConversation::setupFormatting()
{
    QPushButton *buttons[] = {ui_->cmdGras, ui_->cmdItalique, ui_->cmdSouligne};
    for (int which = Bold; which <= Underline; ++which)
        connect(buttons[which], &QPushButton::clicked, this, [this, which] { toggleAttribute(which); });
    connect(ui_->txtBoxSend, &QTextEdit::currentCharFormatChanged, this,
            &FrmConversation::syncAttributeButtons);
    connect(ui_->cmbFont, &QComboBox::textActivated, this, [this](const QString &family) {
        QTextCharFormat format;
        format.setFontFamilies({family});
        ui_->txtBoxSend->mergeCurrentCharFormat(format);
        ui_->txtBoxSend->setFocus();
    });
    connect(ui_->cmbFontSize, &QComboBox::activated, this, [this](int index) {
        QTextCharFormat format;
        format.setFontPointSize(ui_->cmbFontSize->itemData(index).toInt());
        ui_->txtBoxSend->mergeCurrentCharFormat(format);
        ui_->txtBoxSend->setFocus();
    });
    connect(ui_->cmdCouleur, &QPushButton::clicked, this, &FrmConversation::chooseColour);
}

void FrmConversation::toggleAttribute(int which)
{
    QPushButton *buttons[] = {ui_->cmdGras, ui_->cmdItalique, ui_->cmdSouligne};
    QPushButton *button = buttons[which];
    QFont face = button->font();
    const bool give = hasAttribute(face, which);
    giveAttribute(face, which, !give);
    button->setFont(face);
    button->setToolTip(give ? attributeTexts[which].off : attributeTexts[which].on);
    QTextCharFormat format;
    giveAttribute(format, which, give);
    ui_->txtBoxSend->mergeCurrentCharFormat(format);
    ui_->txtBoxSend->setFocus();
}

void FrmConversation::syncAttributeButtons()
{
    const QFont font = ui_->txtBoxSend->currentCharFormat().font();
    QPushButton *buttons[] = {ui_->cmdGras, ui_->cmdItalique, ui_->cmdSouligne};
    for (int which = Bold; which <= Underline; ++which) {
        const bool has = hasAttribute(font, which);
        QFont face = buttons[which]->font();
        giveAttribute(face, which, !has);
        buttons[which]->setFont(face);
        buttons[which]->setToolTip(has ? attributeTexts[which].off : attributeTexts[which].on);
    }
}

void FrmConversation::chooseColour()
{
    const QColor chosen = QColorDialog::getColor(lastColour_, this, u"Couleur du texte"_s);
    if (chosen.isValid())
        lastColour_ = chosen;
    QTextCharFormat format;
    format.setForeground(lastColour_);
    ui_->txtBoxSend->mergeCurrentCharFormat(format);
    ui_->txtBoxSend->setFocus();
}

void FrmConversation::setupPads()
{
    const auto smileys = buildPad(
        *ui_->tabSmileys, u"pctbSmiley"_s, int(smileyCount),
        [](int i, QSize size, qreal dpr) {
            return artwork::pixmap(artwork::smiley(std::size_t(i)), dpr, size);
        },
        [](int i) {
            const auto subject = jaserelle::client::smileys[std::size_t(i)].subject;
            const QString name = QString::fromUtf8(subject.data(), qsizetype(subject.size()));
            return PadCellLabels{name, u"Smiley : un clic l'ajoute au message"_s, name};
        });
    for (int i = 0; i < smileys.size(); ++i)
        connect(smileys[i], &QToolButton::clicked, this, [this, i] { insertSmiley(i); });
    const auto sounds = buildPad(
        *ui_->tabSons, u"pctbSon"_s, int(soundCommandCount),
        [](int i, QSize size, qreal dpr) {
            return artwork::pixmap(artwork::soundPad(std::size_t(i)), dpr, size);
        },
        [](int i) {
            const std::string_view subject = soundSubjects[std::size_t(i)];
            return PadCellLabels{QString::fromUtf8(subject.data(), qsizetype(subject.size())),
                                 u"Son : clic droit pour écouter, double-clic pour envoyer"_s,
                                 u"clic droit pour écouter, double-clic pour envoyer"_s};
        });
    for (QToolButton *button : sounds)
        button->installEventFilter(this);

    // An emoji in the colour font, as a picture: a tab's or a button's text would take the
    // widget's font, which draws some emoji in black and white.
    const auto drawn = [](const QString &emoji, QSize size, qreal dpr) {
        QPixmap pixmap(size * dpr);
        pixmap.setDevicePixelRatio(dpr);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        QFont font(emojiruns::colourFamily);
        font.setPixelSize(size.height() * 3 / 4);
        painter.setFont(font);
        painter.drawText(QRect(QPoint(), size), Qt::AlignCenter, emoji);
        return pixmap;
    };
    // The emoji pad, its tab named by an emoji: three words would not fit the tab row.
    auto *tab = new QWidget(ui_->SSTab1);
    tab->setObjectName(u"tabEmojis"_s);
    const int at =
        ui_->SSTab1->addTab(tab, QIcon(drawn(u"\U0001F600"_s, QSize(16, 16), devicePixelRatioF())), {});
    ui_->SSTab1->setTabToolTip(at, u"Émojis"_s);
    ui_->SSTab1->tabBar()->setAccessibleTabName(at, u"Émojis"_s);
    const auto emojis = buildPad(
        *tab, u"pctbEmoji"_s, int(commonEmojis.size()),
        [drawn](int i, QSize size, qreal dpr) {
            const auto text = commonEmojis[std::size_t(i)].text;
            return drawn(QString::fromUtf16(text.data(), qsizetype(text.size())), size, dpr);
        },
        [](int i) {
            const auto text = commonEmojis[std::size_t(i)].name;
            const QString name = QString::fromUtf16(text.data(), qsizetype(text.size()));
            return PadCellLabels{name, u"Émoji : un clic l'ajoute au message"_s, name};
        });
    for (int i = 0; i < emojis.size(); ++i)
        connect(emojis[i], &QToolButton::clicked, this, [this, i] { insertEmoji(i); });
}

void FrmConversation::insertEmoji(int index)
{
    const auto text = commonEmojis[std::size_t(index)].text;
    ui_->txtBoxSend->textCursor().insertText(QString::fromUtf16(text.data(), qsizetype(text.size())));
    ui_->txtBoxSend->setFocus();
}

bool FrmConversation::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ui_->txtBoxSend && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        // Ctrl+B, Ctrl+I and Ctrl+U do what the three buttons do, faces and tooltips included.
        if (key->modifiers() == Qt::ControlModifier && !ui_->txtBoxSend->isReadOnly()) {
            const int which = key->key() == Qt::Key_B   ? Bold
                              : key->key() == Qt::Key_I ? Italic
                              : key->key() == Qt::Key_U ? Underline
                                                        : -1;
            if (which >= 0) {
                toggleAttribute(which);
                return true;
            }
        }
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
            !(key->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier))) {
            sendMessage();
            return true;
        }
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            ui_->txtBoxSend->textCursor().insertText(QString(QChar::LineSeparator));
            return true;
        }
        return QWidget::eventFilter(watched, event);
    }
    const QString name = watched->objectName();
    if (!name.startsWith(u"pctbSon"_s))
        return QWidget::eventFilter(watched, event);
    const int index = QStringView(name).mid(7).toInt();
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        soundPadRightButton_ = static_cast<QMouseEvent *>(event)->button() == Qt::RightButton;
        break;
    case QEvent::MouseButtonRelease:
        if (soundPadRightButton_ && state_.soundEnabled) {
            const auto file = soundCommands[std::size_t(index)].file;
            platform_.sound.play(u"sons/"_s + QString::fromLatin1(file.data(), qsizetype(file.size())));
        }
        break;
    case QEvent::MouseButtonDblClick:
        if (!soundPadRightButton_)
            sendSound(index);
        ui_->txtBoxSend->setFocus();
        return true;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void FrmConversation::insertSmiley(int index)
{
    // Straight into the send box: the user's clipboard is left as it was.
    QTextCursor cursor = ui_->txtBoxSend->textCursor();
    boxpictures::insert(cursor, artwork::smileyBitmap(std::size_t(index)),
                        boxpictures::room(*ui_->txtBoxSend));
    ui_->txtBoxSend->setFocus();
}

void FrmConversation::sendSound(int index)
{
    // What the user is composing stays in the box: a sound is no reason to lose it.
    if (conversation_.sendSound(index))
        showEntry(entryNow(true, HistoryEntry::Kind::Sound, rtffragments::soundNotice));
    ui_->txtBoxSend->setFocus();
}

void FrmConversation::choosePicture()
{
    const QString file = QFileDialog::getOpenFileName(this, {}, QDir::homePath(),
                                                      u"images Jpeg(*.jpg);;images Gif (*.gif);;"
                                                      u"images Bmp (*.bmp);;images Png (*.png);;"
                                                      u"images Jpeg (*.jpeg *.jpe)"_s);
    if (!file.isEmpty())
        insertPicture(file);
    ui_->txtBoxSend->setFocus();
}

void FrmConversation::insertPicture(const QString &file)
{
    // Decoding a camera's picture takes a good part of a second: it is done on a worker thread and
    // the picture lands at the caret when it is ready, if the window is still there.
    QPointer<FrmConversation> self(this);
    QThreadPool::globalInstance()->start([self, file] {
        QImageReader reader(file);
        reader.setAutoTransform(true);
        QImage image = reader.read();
        // A camera's picture leaves at a size a conversation shows: whole, it would take the
        // writer long seconds and make a message past what a peer accepts.
        if (image.width() > largestPictureSide || image.height() > largestPictureSide)
            image = image.scaled(largestPictureSide, largestPictureSide, Qt::KeepAspectRatio,
                                 Qt::SmoothTransformation);
        QMetaObject::invokeMethod(qApp, [self, file, image = std::move(image)] {
            if (!self)
                return;
            if (image.isNull()) {
                self->platform_.notifier.notify(
                    {u"Erreur"_s, u"Impossible de lire l'image « "_s + QFileInfo(file).fileName() + u" »."_s,
                     Notice::Icon::Warning});
                emit self->pictureInserted(false);
                return;
            }
            // Straight into the send box, like a smiley: the clipboard keeps what the user put there.
            QTextCursor cursor = self->ui_->txtBoxSend->textCursor();
            boxpictures::insert(cursor, image, boxpictures::room(*self->ui_->txtBoxSend));
            emit self->pictureInserted(true);
        });
    });
}

} // namespace jaserelle::client
