#include "client/contacts/frmajoutmembre.h"
#include "client/conversation/conversationwindows.h"
#include "client/conversation/frmconversation.h"
#include "client/conversation/frmincome.h"
#include "client/mail/frmreadmails.h"
#include "client/mail/frmsendmail.h"
#include "client/server/frminfo.h"
#include "client/shell/frmapropos.h"
#include "client/shell/frmtrytoconnect.h"
#include "client/shell/shellcommands.h"
#include "tests/support/clientfixture.h"

#include <QAccessible>
#include <QLabel>
#include <QScreen>
#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// What a user acts on, and so what a screen reader has to name.
bool interactive(QAccessible::Role role)
{
    static const QAccessible::Role roles[] = {
        QAccessible::PushButton, QAccessible::CheckBox,       QAccessible::RadioButton,
        QAccessible::ComboBox,   QAccessible::EditableText,   QAccessible::SpinBox,
        QAccessible::Slider,     QAccessible::List,           QAccessible::Tree,
        QAccessible::Table,      QAccessible::PageTab,        QAccessible::PageTabList,
        QAccessible::ButtonMenu, QAccessible::ButtonDropDown, QAccessible::MenuItem,
        QAccessible::Link};
    return std::ranges::find(roles, role) != std::end(roles);
}

// A combo box reads out its current choice as its name; what it is comes from a label that names
// it (its buddy) or a name of its own.
bool named(QAccessibleInterface *node)
{
    if (node->role() != QAccessible::ComboBox)
        return !node->text(QAccessible::Name).trimmed().isEmpty();
    const auto *widget = qobject_cast<const QWidget *>(node->object());
    return (widget && !widget->accessibleName().isEmpty()) || !node->relations(QAccessible::Label).isEmpty();
}

// A control's place in its window, for the failure message: the object names up to the window.
QString where(QAccessibleInterface *node)
{
    QStringList path;
    for (QObject *object = node->object(); object; object = object->parent())
        path.prepend(object->objectName() + u':' + QString::fromLatin1(object->metaObject()->className()));
    return path.join(u'/');
}

// Every interactive control under `node` that a screen reader would read out as nothing.
void collectUnnamed(QAccessibleInterface *node, QStringList &unnamed, int depth = 0)
{
    if (!node || depth > 40)
        return;
    // Qt's own parts (the menu bar's overflow button) name themselves when they appear.
    const QObject *object = node->object();
    if (object && object->objectName().startsWith(u"qt_"_s) && node->state().invisible)
        return;
    if (interactive(node->role()) && !named(node))
        unnamed.append(where(node));
    // The rows of a list are its data, named by their text, and a combo box's popup list speaks
    // through the box: the list, the box are what need a name.
    const QAccessible::Role role = node->role();
    if (role == QAccessible::Tree || role == QAccessible::List || role == QAccessible::Table ||
        role == QAccessible::ComboBox)
        return;
    for (int i = 0; i < node->childCount(); ++i)
        collectUnnamed(node->child(i), unnamed, depth + 1);
}

// Controls whose picture (or a lone letter) is their only label: each has a name of its own, set
// for screen readers, and a description of what it does.
QStringList pictureLabelProblems(QWidget &window, const QStringList &names)
{
    QStringList problems;
    QStringList seen;
    for (const QString &name : names) {
        auto *control = window.findChild<QWidget *>(name);
        if (!control)
            return problems << name + u": missing"_s;
        QAccessibleInterface *node = QAccessible::queryAccessibleInterface(control);
        const QString spoken = node->text(QAccessible::Name);
        if (control->accessibleName().isEmpty() || seen.contains(spoken))
            problems.append(name + u": no name of its own ("_s + spoken + u')');
        if (node->text(QAccessible::Description).isEmpty())
            problems.append(name + u": no description"_s);
        seen.append(spoken);
    }
    return problems;
}

} // namespace

// Every window of the client, each tab of it included, as it is shown on the screen this program
// runs on (1280×1024 at a scale factor of 2): whole on that screen, and every control it offers
// named for a screen reader.
class TestWindows : public QObject
{
    Q_OBJECT

private slots:
    void fitTheScreenAndNameTheirControls()
    {
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        QCOMPARE(screen.size(), QSize(640, 512));
        ClientFixture f;
        f.client->state().userLogin = u"demo"_s;
        FrmConversation &conversation = *f.client->conversations().spare();
        FrmAjoutMembre favori(FrmAjoutMembre::Variant::Favori);
        FrmAjoutMembre noire(FrmAjoutMembre::Variant::ListeNoire);
        FrmReadMails readMails;
        FrmSendMail sendMail;
        FrmInfo info;
        FrmAPropos about(u"https://jaserelle.example"_s);
        FrmIncome &income = conversation.incomingForm();
        income.setCaller(u"alice"_s);
        QWidget *windows[] = {&f.client->frmLogin(),
                              &f.main(),
                              &f.client->frmTryToConnect(),
                              &conversation,
                              &income,
                              &favori,
                              &noire,
                              &readMails,
                              &sendMail,
                              &info,
                              &about,
                              &f.client->shellCommands().quitFlow().frmQuitter()};
        QStringList unnamed;
        for (QWidget *window : windows) {
            window->show();
            QVERIFY(QTest::qWaitForWindowExposed(window));
            const char *name = window->metaObject()->className();
            QVERIFY2(screen.contains(window->frameGeometry()), name);
            QVERIFY2(window->size().expandedTo(window->minimumSizeHint()) == window->size(), name);
            collectUnnamed(QAccessible::queryAccessibleInterface(window), unnamed);
        }
        QStringList smileys, sounds;
        for (int i = 0; i < 18; ++i)
            smileys << u"pctbSmiley"_s + QString::number(i), sounds << u"pctbSon"_s + QString::number(i);
        unnamed += pictureLabelProblems(conversation, smileys) + pictureLabelProblems(conversation, sounds);
        unnamed += pictureLabelProblems(conversation,
                                        {u"cmdGras"_s, u"cmdItalique"_s, u"cmdSouligne"_s, u"cmdCouleur"_s});
        unnamed += pictureLabelProblems(f.main(), {u"pctbMail"_s});
        for (const QString &control : std::as_const(unnamed))
            qWarning("unnamed: %s", qPrintable(control));
        QCOMPARE(unnamed.size(), 0);
    }
};

QTEST_MAIN(TestWindows)
#include "test_windows.moc"
