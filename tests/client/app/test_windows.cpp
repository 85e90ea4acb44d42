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

// Every control under `node` that a user acts on and a screen reader would read out as nothing,
// by its object names up to the window.
void collectUnnamed(QAccessibleInterface *node, QStringList &unnamed, int depth = 0)
{
    using A = QAccessible;
    static const A::Role interactive[] = {A::PushButton,   A::CheckBox,       A::RadioButton, A::ComboBox,
                                          A::EditableText, A::SpinBox,        A::Slider,      A::List,
                                          A::Tree,         A::Table,          A::PageTab,     A::PageTabList,
                                          A::ButtonMenu,   A::ButtonDropDown, A::MenuItem,    A::Link};
    QObject *object = node ? node->object() : nullptr;
    // Qt's own parts (the menu bar's overflow button) name themselves when they appear.
    if (!node || depth > 40 ||
        (object && object->objectName().startsWith(u"qt_"_s) && node->state().invisible))
        return;
    const A::Role role = node->role();
    // A combo box reads out its current choice as its name; what it is comes from a label that
    // names it (its buddy) or a name of its own.
    const auto *widget = qobject_cast<const QWidget *>(object);
    const bool named = role == A::ComboBox ? (widget && !widget->accessibleName().isEmpty()) ||
                                                 !node->relations(A::Label).isEmpty()
                                           : !node->text(A::Name).trimmed().isEmpty();
    QString path;
    for (QObject *o = object; o; o = o->parent())
        path.prepend(u'/' + o->objectName() + u':' + QString::fromLatin1(o->metaObject()->className()));
    if (std::ranges::find(interactive, role) != std::end(interactive) && !named)
        unnamed.append(path);
    // The rows of a list are its data, named by their text, and a combo box's popup list speaks
    // through the box: the list, the box are what need a name.
    if (role == A::Tree || role == A::List || role == A::Table || role == A::ComboBox)
        return;
    for (int i = 0; i < node->childCount(); ++i)
        collectUnnamed(node->child(i), unnamed, depth + 1);
}

// Controls whose picture (or a lone letter) is their only label: each has a name of its own, set
// for screen readers, and a description of what it does.
QStringList pictureLabelProblems(QWidget &window, const QStringList &names)
{
    QStringList problems, seen;
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
        FrmAjoutMembre favori(FrmAjoutMembre::Variant::Favori), noire(FrmAjoutMembre::Variant::ListeNoire);
        FrmReadMails readMails;
        FrmSendMail sendMail;
        FrmInfo info;
        FrmAPropos about(u"https://jaserelle.example"_s);
        FrmIncome &income = conversation.incomingForm();
        income.setCaller(u"alice"_s);
        FrmQuitter &quitter = f.client->shellCommands().quitFlow().frmQuitter();
        const QList<QWidget *> windows = QList<QWidget *>()
                                         << &f.client->frmLogin() << &f.main() << &f.client->frmTryToConnect()
                                         << &conversation << &income << &favori << &noire << &readMails
                                         << &sendMail << &info << &about << &quitter;
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
        QVERIFY2(unnamed.isEmpty(), qPrintable(u"unnamed: "_s + unnamed.join(u"\n"_s)));
    }
};

QTEST_MAIN(TestWindows)
#include "test_windows.moc"
