#include "client/conversation/emojiruns.h"
#include "client/spelling/spellchecker.h"
#include "client/spelling/spellhighlighter.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextEdit>
#include <QTextLayout>
#include <QTimer>
#include <algorithm>

using namespace jaserelle::client;
using namespace Qt::StringLiterals;

namespace {

// The stretches of the box's first paragraph drawn with the spelling underline, or in the colour
// emoji font.
QStringList drawn(const QTextDocument *document, bool colour = false)
{
    QStringList found;
    const QTextBlock block = document->firstBlock();
    for (const QTextLayout::FormatRange &range : block.layout()->formats()) {
        if (colour ? range.format.fontFamilies().toStringList().contains(emojiruns::colourFamily)
                   : range.format.underlineStyle() == QTextCharFormat::SpellCheckUnderline)
            found.append(block.text().mid(range.start, range.length));
    }
    return found;
}

// Right click on `word`, then the entry of the menu that comes up with that text.
void rightClick(QTextEdit &box, const QString &word, const QString &entry)
{
    const QTextCursor at = box.document()->find(word);
    QTextCursor inside(at);
    inside.setPosition(at.selectionStart() + 1);
    const QPoint point = box.cursorRect(inside).center();
    QTimer::singleShot(0, [entry] {
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        QVERIFY(menu);
        const QList<QAction *> actions = menu->actions();
        const auto found = std::ranges::find(actions, entry, &QAction::text);
        QVERIFY(found != actions.end());
        (*found)->trigger();
        menu->close();
    });
    QContextMenuEvent event(QContextMenuEvent::Mouse, point, box.viewport()->mapToGlobal(point));
    QApplication::sendEvent(box.viewport(), &event);
}

} // namespace

class TestSpelling : public QObject
{
    Q_OBJECT

    QTemporaryDir data;

private slots:
    // Emoji typed show in colour, with a dictionary or without, next to an underlined word too;
    // the document itself keeps its formats, so what is sent does not change. Without a dictionary
    // nothing is underlined, and a word added is kept for a later run that has one.
    // French words as typed: unknown ones underlined, known ones (elisions, accents, hyphens) not.
    // A suggestion of the right-click menu replaces the word; "Ajouter au dictionnaire" keeps it as
    // right, this run and the next, in the personal dictionary.
    void emojiInColourAndUnknownWordsUnderlined()
    {
        SpellChecker french(SpellChecker::systemDictionary(), data.filePath(u"perso.txt"_s));
        SpellChecker none(data.filePath(u"absent"_s), data.filePath(u"perso-absent.txt"_s));
        QVERIFY(french.isReady() && !none.isReady());
        for (SpellChecker *checker : {&french, &none}) {
            QTextEdit box;
            attachSpelling(box, *checker);
            box.insertPlainText(u"Une fote \U0001F60A et \u2764\uFE0F \u00A9"_s);
            QCOMPARE(drawn(box.document(), true), (QStringList{u"\U0001F60A"_s, u"\u2764\uFE0F"_s}));
            QCOMPARE(drawn(box.document()), checker->isReady() ? QStringList{u"fote"_s} : QStringList{});
            const QTextCursor emoji = box.document()->find(u"\U0001F60A"_s);
            QVERIFY(!emoji.charFormat().fontFamilies().toStringList().contains(emojiruns::colourFamily));
        }
        QVERIFY(none.isCorrect(u"Bonjuor"_s) && none.suggestions(u"Bonjuor"_s).isEmpty());
        none.addToPersonal(u"Jaserelle"_s);
        QVERIFY(SpellChecker(SpellChecker::systemDictionary(), data.filePath(u"perso-absent.txt"_s))
                    .isCorrect(u"Jaserelle"_s));

        QTextEdit box;
        box.resize(400, 200);
        box.show();
        attachSpelling(box, french);
        box.setPlainText(u"Bonjuor, l'été est-il là ? Jaserelle arive 2026 mesage"_s);
        QCOMPARE(drawn(box.document()), (QStringList{u"Bonjuor"_s, u"Jaserelle"_s, u"arive"_s, u"mesage"_s}));
        rightClick(box, u"mesage"_s, u"message"_s);
        QVERIFY(box.toPlainText().endsWith(u"arive 2026 message"_s));
        rightClick(box, u"Jaserelle"_s, u"Ajouter au dictionnaire"_s);
        QCOMPARE(drawn(box.document()), (QStringList{u"Bonjuor"_s, u"arive"_s}));
        QVERIFY(SpellChecker(SpellChecker::systemDictionary(), data.filePath(u"perso.txt"_s))
                    .isCorrect(u"Jaserelle"_s));
    }
};

QTEST_MAIN(TestSpelling)
#include "test_spelling.moc"
