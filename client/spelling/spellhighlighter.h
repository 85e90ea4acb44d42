#pragma once

#include <QSyntaxHighlighter>

class QPlainTextEdit;
class QTextEdit;

namespace jaserelle::client {

class SpellChecker;

// Underlines, as the user types, the words the checker does not know (a red wavy line), and shows
// emoji in the colour font.
class SpellHighlighter : public QSyntaxHighlighter
{
    Q_OBJECT

public:
    SpellHighlighter(QTextDocument *document, const SpellChecker &checker);

protected:
    void highlightBlock(const QString &text) override;

private:
    const SpellChecker &checker_;
};

// The word at a position of a text (letters, with inner apostrophes and hyphens), and where it
// starts; empty when the position is not in a word.
QString wordAt(const QString &text, int position, int *start = nullptr);

// Spelling in a box: the underline, and on right click, for an unknown word, the suggestions (a
// click replaces the word) and "Ajouter au dictionnaire" above the box's usual menu.
void attachSpelling(QTextEdit &box, SpellChecker &checker);
void attachSpelling(QPlainTextEdit &box, SpellChecker &checker);

} // namespace jaserelle::client
