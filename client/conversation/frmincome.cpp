#include "client/conversation/frmincome.h"

#include "client/assets/artwork.h"
#include "client/conversation/callannouncer.h"
#include "client/platform/assistiveannounce.h"
#include "client/platform/platform.h"
#include "client/shell/fixeddialog.h"
#include "client/shell/windowplacement.h"
#include "ui_frmincome.h"

#include <QApplication>
#include <QTime>

namespace jaserelle::client {

using namespace Qt::StringLiterals;

QString incomingCaption(const QTime &time)
{
    return u"Un appel !     à "_s + time.toString(u"HH"_s) + u" heure "_s + time.toString(u"mm"_s) +
           u" minute(s)."_s;
}

FrmIncome::FrmIncome(Clock &clock, QWidget *parent)
    : QDialog(parent), ui_(std::make_unique<Ui::frmIncome>()), clock_(clock)
{
    ui_->setupUi(this);
    makeFixedDialog(*this);
    // A call rings while the user types elsewhere: taking the keyboard would let the next Return
    // they type answer it. The window asks for attention instead; once the user comes to it,
    // Return is "Accépter".
    setAttribute(Qt::WA_ShowWithoutActivating);
    setWindowRole(u"appel"_s);
    ui_->pctBoxPhone->setPixmap(artwork::pixmap(artwork::incomingCall, devicePixelRatioF()));
    connect(ui_->cmdAcceptCall, &QPushButton::clicked, this, [this] { answer(true); });
    connect(ui_->cmdRefuseCall, &QPushButton::clicked, this, [this] { answer(false); });
}

FrmIncome::~FrmIncome() = default;

void FrmIncome::setCaller(const QString &pseudo)
{
    ui_->lblUnAppel->setText(pseudo);
}

QString FrmIncome::caller() const
{
    return ui_->lblUnAppel->text();
}

void FrmIncome::showMe()
{
    setWindowTitle(incomingCaption(clock_.currentTime()));
    if (!isVisible())
        centreOnScreen(*this);
    show();
    QApplication::alert(this);
    announceCall(caller());
    announceToAssistiveTechnology(*this, u"Un appel en provenance de "_s + caller());
}

void FrmIncome::withdraw()
{
    hide();
}

void FrmIncome::reject()
{
    if (isVisible())
        answer(false);
}

void FrmIncome::answer(bool accept)
{
    hide();
    if (accept)
        emit acceptChosen(curInstance_);
    else
        emit refuseChosen(curInstance_);
}

} // namespace jaserelle::client
