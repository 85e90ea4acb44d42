#include "client/shell/frmmain.h"

#include "client/assets/artwork.h"
#include "client/shell/contactrow.h"
#include "client/shell/imagelists.h"
#include "client/shell/memberlistrules.h"
#include "client/shell/rowselection.h"
#include "client/shell/tabrow.h"
#include "client/shell/windowplacement.h"
#include "ui_frmmain.h"

#include <QAbstractItemView>
#include <QCloseEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QStyle>

namespace jaserelle::client {

namespace {

// Sizes of the window's design are in twips: 15 to a pixel.
constexpr int px(int twips)
{
    return (twips + 7) / 15;
}

constexpr int clientWidth = px(3360);
constexpr int clientHeight = px(7605);
constexpr int tabMargin = 2; // between the client area and the tab control
constexpr int tabWidth = clientWidth - 2 * tabMargin;

// Columns: pseudo, age, department, sex, and the address, hidden at width 0.
constexpr MemberListRules::ColumnWidths contactColumns = {px(1625), px(460), px(565), px(535), 0};
constexpr MemberListRules::ColumnWidths searchColumns = {px(1530), px(460), px(565), px(535), 0};

constexpr int listeNoireHeight = px(2400);
constexpr int frameRechercheHeight = px(3050);
constexpr int lvRechercheHeight = px(2770);
constexpr int gap = 2; // between the last control of a tab and its bottom edge

} // namespace

FrmMain::FrmMain(QWidget *parent)
    : QMainWindow(parent), ui_(std::make_unique<Ui::frmMain>()), selection_(std::make_unique<RowSelection>())
{
    ui_->setupUi(this);
    statusLabel_ = new QLabel(ui_->statusBar);
    statusLabel_->setObjectName(QStringLiteral("lblStatus"));
    ui_->statusBar->addPermanentWidget(statusLabel_, 1);
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);

    favorisRules_ =
        std::make_unique<MemberListRules>(ui_->lvFavoris, ui_->MNU_Favoris, contactColumns, *selection_);
    listeNoireRules_ = std::make_unique<MemberListRules>(ui_->lvListeNoire, ui_->MNU_ListeNoire,
                                                         contactColumns, *selection_);
    rechercheRules_ =
        std::make_unique<MemberListRules>(ui_->lvRecherche, ui_->MNU_Recherche, searchColumns, *selection_);

    connectMenus();
    connect(ui_->cmdSearchPseudo, &QPushButton::clicked, this, &FrmMain::searchPseudoRequested);
    connect(ui_->txtSearchPseudo, &QLineEdit::returnPressed, this, &FrmMain::searchPseudoRequested);
    // Enter or a double click on a connected favourite calls him.
    connect(ui_->lvFavoris, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem *row) {
        if (!contactrow::isOnline(row))
            return;
        selection_->setSelectedItem(row);
        emit callRequested(row);
    });
    connect(ui_->cmdSearchCriteres, &QPushButton::clicked, this, &FrmMain::searchCriteresRequested);
    ui_->pctbMail->installEventFilter(this);
    ui_->lblAvecPhoto->installEventFilter(this);
    for (QWidget *page : {ui_->tabListes, ui_->tabRecherche, ui_->tabProfil})
        page->installEventFilter(this);

    applyLoadLayout();
}

FrmMain::~FrmMain() = default;

QTreeWidget *FrmMain::lvFavoris() const
{
    return ui_->lvFavoris;
}

QTreeWidget *FrmMain::lvListeNoire() const
{
    return ui_->lvListeNoire;
}

QTreeWidget *FrmMain::lvRecherche() const
{
    return ui_->lvRecherche;
}

ProfilePane FrmMain::profilePane() const
{
    const Ui::frmMain &u = *ui_;
    return {u.ssTab,     u.tabProfil, u.frameProfil, u.pctBoxProfil, u.lblSexe,    u.lblAge,        u.lblDept,
            u.lblPrenom, u.lblVille,  u.lblRegion,   u.lblTaille,    u.lblPoids,   u.lblCheveux,    u.lblYeux,
            u.lblEthnie, u.lblStyle,  u.lblFumeur,   u.lblStatut,    u.lblEnfants, u.lblLastConnect};
}

SearchPane FrmMain::searchPane() const
{
    const Ui::frmMain &u = *ui_;
    return {u.txtSearchPseudo, u.cmbSexe, u.cmbAge, u.cmbRegion, u.cmbTaille, u.cmbPoids, u.chkbAvecPhoto};
}

QTreeWidgetItem *FrmMain::selectedItem() const
{
    return selection_->selectedItem();
}

QLabel *FrmMain::lblMailsNumber() const
{
    return ui_->lblMailsNumber;
}

QLabel *FrmMain::pctbMail() const
{
    return ui_->pctbMail;
}

QMenu *FrmMain::optionsMenu() const
{
    return ui_->MNU_Options;
}

QMenu *FrmMain::fileMenu() const
{
    return ui_->MNU_Fichier;
}

void FrmMain::setSoundMenu(bool hasDevice, bool soundEnabled)
{
    ui_->MNU_ActiveSound->setEnabled(hasDevice);
    ui_->MNU_DeActiveSound->setEnabled(hasDevice);
    if (hasDevice)
        setSoundChecks(soundEnabled);
}

void FrmMain::setSoundChecks(bool soundEnabled)
{
    ui_->MNU_ActiveSound->setChecked(soundEnabled);
    ui_->MNU_DeActiveSound->setChecked(!soundEnabled);
}

void FrmMain::setStatusText(const QString &text)
{
    statusLabel_->setText(text);
}

QString FrmMain::statusText() const
{
    return statusLabel_->text();
}

void FrmMain::connectMenus()
{
    connect(ui_->MNU_Quitter, &QAction::triggered, this, &FrmMain::quitRequested);
    connect(ui_->MNU_AjoutFavoris, &QAction::triggered, this, &FrmMain::addFavorisRequested);
    connect(ui_->MNU_AjoutListeNoire, &QAction::triggered, this, &FrmMain::addListeNoireRequested);
    connect(ui_->MNU_ActiveSound, &QAction::triggered, this, &FrmMain::soundOnRequested);
    connect(ui_->MNU_DeActiveSound, &QAction::triggered, this, &FrmMain::soundOffRequested);
    connect(ui_->MNU_OnLineHelp, &QAction::triggered, this, &FrmMain::onlineHelpRequested);
    connect(ui_->MNU_APropos, &QAction::triggered, this, &FrmMain::aboutRequested);

    connectRowCommand(ui_->MNU_FavorisToListeNoire, &FrmMain::favorisToListeNoireRequested);
    connectRowCommand(ui_->MNU_RemoveFromFavoris, &FrmMain::removeFromFavorisRequested);
    connectRowCommand(ui_->MNU_ListeNoireToFavoris, &FrmMain::listeNoireToFavorisRequested);
    connectRowCommand(ui_->MNU_RemoveFromListeNoire, &FrmMain::removeFromListeNoireRequested);
    connectRowCommand(ui_->MNU_RechercheToFavoris, &FrmMain::rechercheToFavorisRequested);
    connectRowCommand(ui_->MNU_RechercheToListeNoire, &FrmMain::rechercheToListeNoireRequested);
    for (QAction *profil :
         {ui_->MNU_ProfilFromFavoris, ui_->MNU_ProfilFromListeNoire, ui_->MNU_ProfilFromRecherche})
        connectRowCommand(profil, &FrmMain::profilRequested);
    for (QAction *call : {ui_->MNU_CallFromFavoris, ui_->MNU_CallFromListeNoire, ui_->MNU_CallFromRecherche})
        connectRowCommand(call, &FrmMain::callRequested);
    for (QAction *mail : {ui_->MNU_MailFromFavoris, ui_->MNU_MailFromListeNoire, ui_->MNU_MailFromRecherche})
        connectRowCommand(mail, &FrmMain::mailRequested);
}

void FrmMain::connectRowCommand(QAction *action, void (FrmMain::*signal)(QTreeWidgetItem *))
{
    connect(action, &QAction::triggered, this, [this, signal] {
        // The row may have left its list while the menu was open (a search replaced the results,
        // a removal went through): then there is nothing left to act on.
        if (QTreeWidgetItem *row = selection_->selectedItem())
            emit(this->*signal)(row);
    });
}

// The window's load: sizes and places the controls from the design, in twips, then the start
// state of the tabs.
void FrmMain::applyLoadLayout()
{
    ui_->statusBar->setFixedHeight(qMax(px(220), ui_->statusBar->fontMetrics().height() + 6));
    // The design's size is where the window opens and the least it shrinks to; made larger, the
    // lists take the room.
    const QSize designed(clientWidth, ui_->menuBar->sizeHint().height() + clientHeight);
    setMinimumSize(designed);
    resize(designed);
    // The three tabs share the row.
    ui_->ssTab->setRowWidth(tabWidth - px(30));

    ui_->pctBoxListeNoire->move(ui_->pctBoxFavoris->x(), ui_->pctBoxListeNoire->y());
    setWindowIcon(artwork::icon(artwork::windowIcon));
    const qreal dpr = devicePixelRatioF();
    ui_->pctBoxFavoris->setPixmap(artwork::pixmap(imagelists::imglGeneral(2), dpr));
    ui_->pctBoxListeNoire->setPixmap(artwork::pixmap(imagelists::imglGeneral(1), dpr));
    ui_->pctbMail->setPixmap(artwork::pixmap(imagelists::imglMails(2), dpr));

    for (QTreeWidget *list : {ui_->lvFavoris, ui_->lvListeNoire, ui_->lvRecherche})
        list->setIconSize(imagelists::imglListes(1).size);
    for (QTreeWidget *list : {ui_->lvFavoris, ui_->lvListeNoire})
        list->setGeometry(px(30), list->y(), tabWidth - px(100), list->height());
    ui_->lvRecherche->setGeometry(px(30), ui_->lvRecherche->y(), tabWidth - px(180), lvRechercheHeight);
    ui_->frameRecherche->resize(ui_->frameRecherche->width(), frameRechercheHeight);

    ui_->frameProfil->resize(tabWidth - px(220), ui_->frameProfil->height());
    const int photoWidth = ui_->frameProfil->width() - px(150);
    ui_->pctBoxProfil->setGeometry((ui_->frameProfil->width() - photoWidth) / 2, ui_->pctBoxProfil->y(),
                                   photoWidth, photoWidth - px(150));

    for (QComboBox *criterion : {ui_->cmbSexe, ui_->cmbAge, ui_->cmbRegion, ui_->cmbTaille, ui_->cmbPoids}) {
        criterion->setCurrentIndex(0);
        // The open list shows every choice whole, even one longer than the closed box.
        QAbstractItemView *choices = criterion->view();
        choices->setMinimumWidth(choices->sizeHintForColumn(0) + 2 * choices->frameWidth() +
                                 style()->pixelMetric(QStyle::PM_ScrollBarExtent));
    }
    ui_->pctbMail->unsetCursor();
    ui_->ssTab->setCurrentIndex(0);
}

// The tab pages come out a little shorter than the design in twips counts on (the tab row and the
// status bar take more room here): the bottom controls keep their height and sit on the page's
// bottom edge, and the list above them gives up the difference.
// The width that keeps `control`'s right edge as far from its page's as at the design's size.
int FrmMain::widthToRightMargin(const QWidget *page, const QWidget *control, int margin)
{
    if (margin == unplaced)
        return control->width(); // before the first show: the design's width
    return std::max(1, page->width() - margin - control->x());
}

void FrmMain::placeListesTab()
{
    const int bottom = ui_->tabListes->height() - gap;
    QTreeWidget *noire = ui_->lvListeNoire;
    const int width = widthToRightMargin(ui_->tabListes, noire, listesMargin_);
    noire->setGeometry(noire->x(), bottom - listeNoireHeight, width, listeNoireHeight);
    const int signTop = noire->y() - ui_->pctBoxListeNoire->height();
    ui_->pctBoxListeNoire->move(ui_->pctBoxListeNoire->x(), signTop);
    ui_->lblListeNoire->move(ui_->lblListeNoire->x(),
                             signTop + (ui_->pctBoxListeNoire->height() - ui_->lblListeNoire->height()) / 2 +
                                 2);
    QTreeWidget *favoris = ui_->lvFavoris;
    favoris->resize(width, signTop - favoris->y());
}

void FrmMain::placeRechercheTab()
{
    // The results sit on the page's bottom edge; on a short page they give up height rather than
    // cover the criteria.
    QWidget *frame = ui_->frameRecherche;
    const int frameWidthBefore = frame->width();
    const int bottom = ui_->tabRecherche->height() - gap;
    const int top =
        std::max(ui_->frameSearchCriteres->geometry().bottom() + 1, bottom - frameRechercheHeight);
    const int frameWidth = widthToRightMargin(ui_->tabRecherche, frame, rechercheMargin_);
    frame->setGeometry(frame->x(), top, frameWidth, bottom - top);
    QTreeWidget *list = ui_->lvRecherche;
    // Below the design's height the results give it up; above it, they take what the page offers.
    const int room = frame->height() - list->y() - 2;
    const bool grown = designedRecherche_ != unplaced && ui_->tabRecherche->height() > designedRecherche_;
    const int listHeight = grown ? room : std::min(lvRechercheHeight, room);
    list->resize(list->width() + frameWidth - frameWidthBefore, listHeight);
}

void FrmMain::placeProfilTab()
{
    QWidget *frame = ui_->frameProfil;
    frame->resize(frame->width(), ui_->tabProfil->height() - gap - frame->y());
}

void FrmMain::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (centred_)
        return;
    centred_ = true;
    // The pages are laid out at the design's size now: the margins that resizing keeps. Every
    // page has the size of the one shown, which is the only one surely laid out yet.
    const QWidget *page = ui_->ssTab->currentWidget();
    auto rightMargin = [page](const QWidget *control) {
        return page->width() - (control->x() + control->width());
    };
    listesMargin_ = rightMargin(ui_->lvListeNoire);
    rechercheMargin_ = rightMargin(ui_->frameRecherche);
    designedRecherche_ = page->height();
    fitOnScreen(*this);
    centreOnScreen(*this);
}

bool FrmMain::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Resize) {
        if (watched == ui_->tabListes)
            placeListesTab();
        else if (watched == ui_->tabRecherche)
            placeRechercheTab();
        else if (watched == ui_->tabProfil)
            placeProfilTab();
    } else if (event->type() == QEvent::MouseButtonRelease &&
               static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        if (watched == ui_->pctbMail)
            emit mailIconClicked();
        else if (watched == ui_->lblAvecPhoto)
            ui_->chkbAvecPhoto->toggle();
    }
    return QMainWindow::eventFilter(watched, event);
}

void FrmMain::closeEvent(QCloseEvent *event)
{
    if (closeAllowed_) {
        event->accept();
        return;
    }
    if (closeHides_ && closeHides_()) {
        event->ignore();
        hide();
        return;
    }
    // The window is never closed by its close box: that asks to quit, with confirmation.
    event->ignore();
    emit quitRequested();
}

} // namespace jaserelle::client
