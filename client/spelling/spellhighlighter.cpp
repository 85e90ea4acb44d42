#include "client/spelling/spellhighlighter.h"

#include "client/conversation/emojiruns.h"
#include "client/spelling/spellchecker.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QTextEdit>

namespace jaserelle::client {

using namespace Qt::StringLiterals;

namespace {

const QRegularExpression &wordPattern()
{
    // A word starts with a letter: marks alone (an emoji's variation selector, a keycap) are none.
    static const QRegularExpression pattern(uR"(\p{L}[\p{L}\p{M}]*(?:['’-]\p{L}[\p{L}\p{M}]*)*)"_s);
    return pattern;
}

// The menu of one box: the same for a rich and a plain text box.
template <typename Box> class SpellMenu : public QObject
{
public:
    SpellMenu(Box &box, SpellChecker &checker) : QObject(&box), box_(box), checker_(checker)
    {
        box.viewport()->installEventFilter(this);
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::ContextMenu || !checker_.isReady())
            return QObject::eventFilter(watched, event);
        const auto *click = static_cast<QContextMenuEvent *>(event);
        QTextCursor cursor = box_.cursorForPosition(click->pos());
        const QTextBlock block = cursor.block();
        int start = 0;
        const QString word = wordAt(block.text(), cursor.positionInBlock(), &start);
        if (word.isEmpty() || checker_.isCorrect(word))
            return QObject::eventFilter(watched, event);
        std::unique_ptr<QMenu> menu(box_.createStandardContextMenu(click->pos()));
        QAction *first = menu->actions().value(0);
        const auto replace = [this, block, start, word](const QString &by) {
            QTextCursor at(block);
            at.setPosition(block.position() + start);
            at.setPosition(block.position() + start + int(word.size()), QTextCursor::KeepAnchor);
            at.insertText(by);
        };
        const QStringList suggestions = checker_.suggestions(word);
        if (suggestions.isEmpty()) {
            QAction *none = new QAction(u"(aucune suggestion)"_s, menu.get());
            none->setEnabled(false);
            menu->insertAction(first, none);
        }
        for (const QString &suggestion : suggestions) {
            QAction *action = new QAction(suggestion, menu.get());
            QFont bold = action->font();
            bold.setBold(true);
            action->setFont(bold);
            connect(action, &QAction::triggered, this, [replace, suggestion] { replace(suggestion); });
            menu->insertAction(first, action);
        }
        QAction *add = new QAction(u"Ajouter au dictionnaire"_s, menu.get());
        add->setObjectName(u"actionAjouterAuDictionnaire"_s);
        connect(add, &QAction::triggered, this, [this, word] {
            checker_.addToPersonal(word);
            rehighlight();
        });
        menu->insertAction(first, add);
        menu->insertSeparator(first);
        menu->setObjectName(u"menuOrthographe"_s);
        menu->exec(click->globalPos());
        return true;
    }

private:
    void rehighlight()
    {
        if (auto *highlighter = box_.document()->template findChild<SpellHighlighter *>())
            highlighter->rehighlight();
    }

    Box &box_;
    SpellChecker &checker_;
};

} // namespace

SpellHighlighter::SpellHighlighter(QTextDocument *document, const SpellChecker &checker)
    : QSyntaxHighlighter(document), checker_(checker)
{
}

void SpellHighlighter::highlightBlock(const QString &text)
{
    // The box's own font would draw some emoji in black and white: a highlighter is the one way
    // to change only how they look, and a document takes one highlighter.
    QTextCharFormat colour;
    colour.setFontFamilies({emojiruns::colourFamily});
    for (const emojiruns::Run &run : emojiruns::find(text))
        setFormat(run.start, run.length, colour);
    if (!checker_.isReady())
        return;
    QTextCharFormat wrong;
    wrong.setUnderlineStyle(QTextCharFormat::SpellCheckUnderline);
    wrong.setUnderlineColor(Qt::red);
    for (auto it = wordPattern().globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        if (!checker_.isCorrect(match.captured()))
            setFormat(int(match.capturedStart()), int(match.capturedLength()), wrong);
    }
}

QString wordAt(const QString &text, int position, int *start)
{
    for (auto it = wordPattern().globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        if (position >= match.capturedStart() && position <= match.capturedEnd()) {
            if (start)
                *start = int(match.capturedStart());
            return match.captured();
        }
    }
    return {};
}

void attachSpelling(QTextEdit &box, SpellChecker &checker)
{
    new SpellHighlighter(box.document(), checker);
    new SpellMenu<QTextEdit>(box, checker);
}

void attachSpelling(QPlainTextEdit &box, SpellChecker &checker)
{
    new SpellHighlighter(box.document(), checker);
    new SpellMenu<QPlainTextEdit>(box, checker);
}

} // namespace jaserelle::client
