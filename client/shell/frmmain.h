#pragma once

#include "client/shell/mainpanes.h"

#include <QMainWindow>
#include <functional>
#include <limits>
#include <memory>

class QLabel;
class QMenu;
class QTreeWidget;
class QTreeWidgetItem;

namespace Ui {
class frmMain;
}

namespace jaserelle::client {

class MemberListRules;
class RowSelection;

// The window the member lives in once logged in: the "Listes", "Recherche" and "Profil" tabs, the
// menu bar and the three context menus of the member lists. It is a view: each menu entry is a
// signal, and the subsystems that do the work connect to them.
class FrmMain : public QMainWindow
{
    Q_OBJECT

public:
    explicit FrmMain(QWidget *parent = nullptr);
    ~FrmMain() override;

    QTreeWidget *lvFavoris() const;
    QTreeWidget *lvListeNoire() const;
    QTreeWidget *lvRecherche() const;
    // The row last right-clicked in any of the three lists; null when there is none or when that
    // row has been removed since.
    QTreeWidgetItem *selectedItem() const;
    RowSelection &rowSelection() { return *selection_; }
    // The mail indicator of the "Listes" tab: the number of waiting mails and the envelope.
    QLabel *lblMailsNumber() const;
    QLabel *pctbMail() const;
    // The "Options" menu, where subsystems add their own settings.
    QMenu *optionsMenu() const;
    ProfilePane profilePane() const;
    SearchPane searchPane() const;

    // Check marks of the sound menu; both entries disabled when the machine cannot play sounds.
    void setSoundMenu(bool hasDevice, bool soundEnabled);
    void setSoundChecks(bool soundEnabled);
    void setStatusText(const QString &text);
    QString statusText() const;

    // Once the application is ending, the window may really close; until then every close
    // request turns into the quit command.
    void setCloseAllowed(bool allowed) { closeAllowed_ = allowed; }
    // Asked at each close request: true hides the window (it lives on in the tray) instead of
    // asking to quit.
    void setCloseHides(std::function<bool()> hides) { closeHides_ = std::move(hides); }
    QMenu *fileMenu() const;

signals:
    // Menu bar.
    void quitRequested();
    void addFavorisRequested();
    void addListeNoireRequested();
    void soundOnRequested();
    void soundOffRequested();
    void onlineHelpRequested();
    void aboutRequested();
    // Context menus: each acts on the selected row, never null when emitted.
    void favorisToListeNoireRequested(QTreeWidgetItem *row);
    void removeFromFavorisRequested(QTreeWidgetItem *row);
    void listeNoireToFavorisRequested(QTreeWidgetItem *row);
    void removeFromListeNoireRequested(QTreeWidgetItem *row);
    void rechercheToFavorisRequested(QTreeWidgetItem *row);
    void rechercheToListeNoireRequested(QTreeWidgetItem *row);
    void profilRequested(QTreeWidgetItem *row);
    void callRequested(QTreeWidgetItem *row);
    void mailRequested(QTreeWidgetItem *row);
    // Controls of the tabs.
    void searchPseudoRequested();
    void searchCriteresRequested();
    void mailIconClicked();

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void connectMenus();
    void connectRowCommand(QAction *action, void (FrmMain::*signal)(QTreeWidgetItem *));
    void applyLoadLayout();
    static constexpr int unplaced = std::numeric_limits<int>::min();
    static int widthToRightMargin(const QWidget *page, const QWidget *control, int margin);
    void placeListesTab();
    void placeRechercheTab();
    void placeProfilTab();

    std::unique_ptr<Ui::frmMain> ui_;
    std::unique_ptr<RowSelection> selection_;
    QLabel *statusLabel_ = nullptr; // permanent: menu tips passing over must not wipe the engine state
    std::unique_ptr<MemberListRules> favorisRules_;
    std::unique_ptr<MemberListRules> listeNoireRules_;
    std::unique_ptr<MemberListRules> rechercheRules_;
    bool closeAllowed_ = false;
    std::function<bool()> closeHides_;
    bool centred_ = false;
    int listesMargin_ = unplaced;      // right margin of the lists, taken at the design's size
    int rechercheMargin_ = unplaced;   // right margin of the results' frame
    int designedRecherche_ = unplaced; // height of the pages at the design's size
};

} // namespace jaserelle::client
