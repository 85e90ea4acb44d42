#pragma once

#include <QString>
#include <QStringList>
#include <memory>

class Hunspell;

namespace jaserelle::client {

// French spelling with Hunspell: the system's dictionary plus the user's own words, kept one a
// line in `personalFile` (in the user's data folder). Without a dictionary every word is taken as
// right and nothing fails.
class SpellChecker
{
public:
    // `dictionary` is the dictionary's path without ".aff" / ".dic".
    SpellChecker(const QString &dictionary, const QString &personalFile);
    ~SpellChecker();

    // Debian's French dictionary.
    static QString systemDictionary();

    // The dictionary is read at the first question, not when the client starts.
    bool isReady() const;
    bool isCorrect(const QString &word) const;
    QStringList suggestions(const QString &word, int most = 6) const;
    // Right from now on, and in every later run.
    void addToPersonal(const QString &word);

private:
    void load() const;

    QString dictionary_;
    QString personalFile_;
    mutable bool loaded_ = false;
    mutable std::unique_ptr<Hunspell> hunspell_;
};

} // namespace jaserelle::client
