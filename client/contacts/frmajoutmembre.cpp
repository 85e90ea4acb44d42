#include "client/contacts/frmajoutmembre.h"

#include "client/assets/artwork.h"
#include "ui_frmajoutmembre.h"

namespace jaserelle::client {

using namespace Qt::StringLiterals;

namespace {

struct VariantTexts
{
    QString objectName;
    QString caption;
    QString info;
    artwork::Picture sign; // the sign the list wears in the main window
    RequestKind kind;
};

VariantTexts textsOf(FrmAjoutMembre::Variant variant)
{
    if (variant == FrmAjoutMembre::Variant::Favori)
        return {
            u"frmAjoutFavori"_s, u"Ajout d'un Favori"_s,
            u"Tapez le Pseudo Jaserelle du membre que vous souhaitez ajouter à votre liste de favoris ."_s,
            artwork::sun, RequestKind::AddFavoris};
    return {u"frmAjoutListeNoire"_s, u"Ajout en liste noire"_s,
            u"Tapez le Pseudo Jaserelle du membre que vous souhaitez ajouter en liste noire."_s,
            artwork::cloud, RequestKind::AddListeNoire};
}

} // namespace

FrmAjoutMembre::FrmAjoutMembre(Variant variant, QWidget *parent)
    : QDialog(parent), ui_(std::make_unique<Ui::frmAjoutMembre>()), variant_(variant)
{
    ui_->setupUi(this);
    const VariantTexts texts = textsOf(variant);
    setObjectName(texts.objectName);
    setWindowTitle(texts.caption);
    ui_->lblInfo->setText(texts.info);
    setWindowIcon(artwork::icon(artwork::windowIcon));
    ui_->pctBoxSun->setPixmap(artwork::pixmap(texts.sign, devicePixelRatioF()));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setFixedSize(sizeHint().expandedTo(size()));
    setModal(false);
    connect(ui_->cmdOk, &QPushButton::clicked, this, &FrmAjoutMembre::addRequested);
    // Quitting only hides the dialog: it is shown again at the next use.
    connect(ui_->cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
}

FrmAjoutMembre::~FrmAjoutMembre() = default;

RequestKind FrmAjoutMembre::kind() const
{
    return textsOf(variant_).kind;
}

QString FrmAjoutMembre::pseudoText() const
{
    return ui_->txtLogin->text();
}

void FrmAjoutMembre::clearPseudo()
{
    ui_->txtLogin->clear();
}

void FrmAjoutMembre::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    ui_->txtLogin->setFocus();
}

bool FrmAjoutMembre::event(QEvent *event)
{
    // Each time the dialog comes to the front the user is about to type a pseudo.
    if (event->type() == QEvent::WindowActivate)
        ui_->txtLogin->setFocus();
    return QDialog::event(event);
}

} // namespace jaserelle::client
