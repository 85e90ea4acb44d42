#include "client/conversation/frmconversation.h"

#include "client/assets/artwork.h"
#include "client/conversation/frmincome.h"
#include "client/conversation/peerlink.h"
#include "client/conversation/rtffragments.h"
#include "client/conversation/rtfreader.h"
#include "client/conversation/rtfwriter.h"
#include "client/conversation/smileys.h"
#include "client/conversation/soundcommands.h"
#include "client/platform/platform.h"
#include "client/shell/clientstate.h"
#include "client/shell/windowplacement.h"
#include "ui_frmconversation.h"

#include <QApplication>
#include <QCloseEvent>
#include <QColorDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGridLayout>
#include <QImageReader>
#include <QMouseEvent>
#include <QTextCursor>
#include <QToolButton>

namespace artwork = jaserelle::artwork;
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

} // namespace

QString durationCaption(int hours, int minutes, int seconds)
{
    return u"Durée : %1 h %2 min %3 sec."_s.arg(hours).arg(minutes).arg(seconds);
}

FrmConversation::FrmConversation(int instanceIndex, ClientState &state, Platform &platform, QWidget *parent)
    : QWidget(parent), ui_(std::make_unique<Ui::frmConversation>()), state_(state), platform_(platform),
      instanceIndex_(instanceIndex), link_(new PeerLink(state, platform.notifier, platform.sound, this)),
      incomingForm_(std::make_unique<FrmIncome>(platform.clock)), lastColour_(Qt::black)
{
    ui_->setupUi(this);
    setWindowTitle({});
    setWindowIcon(artwork::icon(artwork::windowIcon));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::WindowMinimizeButtonHint);
    setFixedSize(size());
    QFont boxFont(u"Arial"_s);
    boxFont.setPointSizeF(9.75);
    ui_->txtBoxConversation->document()->setDefaultFont(boxFont);
    ui_->txtBoxSend->document()->setDefaultFont(boxFont);
    ui_->txtBoxSend->setAcceptRichText(true);
    setupFormatting();
    setupPads();

    dureeTimer_.setInterval(1000);
    stateTimer_.setInterval(350);
    connect(&dureeTimer_, &QTimer::timeout, this, &FrmConversation::tickDuration);
    connect(&stateTimer_, &QTimer::timeout, this, &FrmConversation::tickBlink);

    connect(ui_->cmdSend, &QPushButton::clicked, this, &FrmConversation::sendMessage);
    connect(ui_->cmdQuit, &QPushButton::clicked, this, &FrmConversation::closeConversation);
    connect(ui_->cmdSendPicture, &QPushButton::clicked, this, &FrmConversation::choosePicture);

    connect(link_, &PeerLink::callAccepted, this, &FrmConversation::openConversation);
    connect(link_, &PeerLink::callRequested, this, [this](const QString &pseudo) {
        // A contact's address that leads back to this machine makes the client call itself: it
        // refuses that call rather than ring for its own user.
        if (pseudo == state_.userLogin) {
            link_->setConnectNo();
            return;
        }
        incomingForm_->setCurInstance(instanceIndex_);
        incomingForm_->setCaller(pseudo);
        incomingForm_->showMe();
    });
    connect(link_, &PeerLink::entryReceived, this, [this](const QString &rtf, int) {
        showEntry(rtffragments::nameLine(false, link_->peerPseudo()), rtf);
        QTextCursor cursor = ui_->txtBoxSend->textCursor();
        cursor.setPosition(cursor.selectionStart());
        ui_->txtBoxSend->setTextCursor(cursor);
        stateTimer_.start();
    });
    connect(link_, &PeerLink::finished, this, [this] {
        // A call that ends before it is answered takes its notification with it: its buttons
        // would act on a window that is gone.
        incomingForm_->withdraw();
        emit killMeRequested(instanceIndex_);
    });
    connect(incomingForm_.get(), &FrmIncome::acceptChosen, this, &FrmConversation::sendAcceptCall);
    connect(incomingForm_.get(), &FrmIncome::refuseChosen, this, &FrmConversation::setConnectNo);
}

FrmConversation::~FrmConversation() = default;

QString FrmConversation::peerPseudo() const
{
    return link_->peerPseudo();
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

void FrmConversation::callMember(const QString &pseudo, const QString &ipAdress)
{
    link_->callMember(pseudo, ipAdress);
}

void FrmConversation::acceptConnection(QTcpSocket *socket)
{
    link_->acceptConnection(socket);
}

void FrmConversation::sendAcceptCall()
{
    if (link_->state() != PeerLink::State::Ringing)
        return;
    link_->sendAcceptCall();
    openConversation();
}

void FrmConversation::setConnectNo()
{
    if (link_->state() != PeerLink::State::Ringing)
        return;
    link_->setConnectNo(); // finished() follows once the refusal has left
}

void FrmConversation::closeConversation()
{
    if (killed_)
        return;
    killed_ = true;
    incomingForm_->withdraw();
    link_->closeConversation();
    dureeTimer_.stop();
    stateTimer_.stop();
    emit killMeRequested(instanceIndex_);
}

void FrmConversation::openConversation()
{
    savedCaption_ = link_->peerPseudo() + u"-Conversation"_s;
    setWindowTitle(savedCaption_);
    centreOnScreen(*this);
    show();
    dureeTimer_.start();
    ui_->txtBoxSend->setFocus();
}

void FrmConversation::sendMessage()
{
    if (!ui_->txtBoxSend->toPlainText().isEmpty() || ui_->txtBoxSend->toHtml().contains(u"<img"_s)) {
        const QString rtf = rtfwriter::fromDocument(*ui_->txtBoxSend->document());
        if (link_->sendMessage(rtf)) {
            showEntry(rtffragments::nameLine(true, state_.userLogin), rtf);
            ui_->txtBoxSend->clear();
        }
    }
    ui_->txtBoxSend->setFocus();
}

void FrmConversation::showEntry(const QString &nameLineRtf, const QString &rtf)
{
    QTextEdit *box = ui_->txtBoxConversation;
    QTextCursor cursor(box->document());
    cursor.movePosition(QTextCursor::End);
    if (!box->document()->isEmpty())
        cursor.insertBlock();
    rtfreader::insert(cursor, nameLineRtf);
    rtfreader::insert(cursor, rtf);
    box->setTextCursor(cursor);
    box->ensureCursorVisible();
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
    } else if (!windowTitle().isEmpty()) {
        setWindowTitle({});
    } else {
        setWindowTitle(savedCaption_);
    }
}

void FrmConversation::closeEvent(QCloseEvent *event)
{
    // The title bar's close ends the conversation like the quit button; the window itself is
    // discarded by the main window.
    event->ignore();
    closeConversation();
}

void FrmConversation::setupFormatting()
{
    for (int size = 8; size <= 48; size += 2)
        ui_->cmbFontSize->addItem(QString::number(size), size);
    ui_->cmbFont->addItems(QFontDatabase::families());
    ui_->cmbFont->setCurrentText(u"Arial"_s);
    ui_->cmbFontSize->setCurrentIndex(1);
    ui_->cmdCouleur->setIcon(artwork::icon(artwork::colourButton));

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
    auto pad = [](QWidget *tab, const QString &name, int index, const QIcon &icon, const QString &tip) {
        auto *grid = qobject_cast<QGridLayout *>(tab->layout());
        if (!grid) {
            grid = new QGridLayout(tab);
            grid->setContentsMargins(4, 6, 4, 6);
            grid->setSpacing(2);
        }
        auto *button = new QToolButton(tab);
        button->setObjectName(name + QString::number(index));
        button->setIcon(icon);
        button->setIconSize(QSize(25, 25));
        button->setAutoRaise(true);
        button->setToolTip(tip);
        grid->addWidget(button, index / 3, index % 3);
        return button;
    };
    for (int i = 0; i < int(jaserelle::smileyCount); ++i) {
        const auto &smiley = jaserelle::smileys[std::size_t(i)];
        QToolButton *button =
            pad(ui_->tabSmileys, u"pctbSmiley"_s, i, artwork::icon(artwork::smiley(std::size_t(i))),
                QString::fromUtf8(smiley.subject.data(), qsizetype(smiley.subject.size())));
        connect(button, &QToolButton::clicked, this, [this, i] { insertSmiley(i); });
    }
    for (int i = 0; i < int(jaserelle::soundCommandCount); ++i) {
        QToolButton *button =
            pad(ui_->tabSons, u"pctbSon"_s, i, artwork::icon(artwork::soundPad(std::size_t(i))), {});
        button->installEventFilter(this);
    }
}

bool FrmConversation::eventFilter(QObject *watched, QEvent *event)
{
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
            const auto file = jaserelle::soundCommands[std::size_t(index)].file;
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
    ui_->txtBoxSend->textCursor().insertImage(artwork::smileyBitmap(std::size_t(index)));
    ui_->txtBoxSend->setFocus();
}

void FrmConversation::sendSound(int index)
{
    if (link_->sendSound(index)) {
        showEntry(rtffragments::nameLine(true, state_.userLogin), rtffragments::soundNotice);
        ui_->txtBoxSend->clear();
    }
    ui_->txtBoxSend->setFocus();
}

void FrmConversation::choosePicture()
{
    const QString file = QFileDialog::getOpenFileName(
        this, {}, QDir::homePath(), u"images Jpeg(*.jpg);;images Gif (*.gif);;images Bmp (*.bmp)"_s);
    if (!file.isEmpty())
        insertPicture(file);
    ui_->txtBoxSend->setFocus();
}

bool FrmConversation::insertPicture(const QString &file)
{
    QImageReader reader(file);
    const QImage image = reader.read();
    if (image.isNull()) {
        platform_.notifier.notify(u"Erreur"_s,
                                  u"Impossible de lire l'image « "_s + QFileInfo(file).fileName() + u" »."_s,
                                  Notifier::Icon::Warning);
        return false;
    }
    // Straight into the send box, like a smiley: the clipboard keeps what the user put there.
    ui_->txtBoxSend->textCursor().insertImage(image);
    return true;
}
