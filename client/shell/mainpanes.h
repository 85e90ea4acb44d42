#pragma once

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QTabWidget;
class QWidget;

namespace jaserelle::client {

// The controls of the main window's tabs that the member directory fills or reads, taken from the
// form itself: a control renamed in the form breaks the build instead of going quietly missing.
struct ProfilePane
{
    QTabWidget *tabs; // turned to `page` when a profile comes in
    QWidget *page;
    QGroupBox *frame; // captioned with the member's pseudo
    QLabel *photo;
    QLabel *sexe, *age, *dept, *prenom, *ville, *region, *taille, *poids, *cheveux, *yeux, *ethnie, *style,
        *fumeur, *statut, *enfants, *lastConnect;
};

struct SearchPane
{
    QLineEdit *pseudo;
    QComboBox *sexe, *age, *region, *taille, *poids;
    QCheckBox *withPhoto;
};

} // namespace jaserelle::client
