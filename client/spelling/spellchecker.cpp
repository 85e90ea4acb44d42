#include "client/spelling/spellchecker.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <hunspell/hunspell.hxx>
#include <utility>

namespace jaserelle::client {

using namespace Qt::StringLiterals;

namespace {
// Longer "words" are a pasted address or a key: not worth Hunspell's time.
constexpr qsizetype longestWord = 60;
} // namespace

QString SpellChecker::systemDictionary()
{
    return u"/usr/share/hunspell/fr_FR"_s;
}

SpellChecker::SpellChecker(const QString &dictionary, const QString &personalFile)
    : dictionary_(dictionary), personalFile_(personalFile)
{
}

bool SpellChecker::isReady() const
{
    load();
    return bool(hunspell_);
}

void SpellChecker::load() const
{
    if (std::exchange(loaded_, true))
        return;
    const QString aff = dictionary_ + u".aff"_s, dic = dictionary_ + u".dic"_s;
    if (!QFileInfo::exists(aff) || !QFileInfo::exists(dic))
        return;
    hunspell_ =
        std::make_unique<Hunspell>(QFile::encodeName(aff).constData(), QFile::encodeName(dic).constData());
    QFile personal(personalFile_);
    if (personal.open(QIODevice::ReadOnly | QIODevice::Text)) {
        while (!personal.atEnd()) {
            const QString word = QString::fromUtf8(personal.readLine()).trimmed();
            if (!word.isEmpty() && word.size() <= longestWord)
                hunspell_->add(word.toStdString());
        }
    }
}

SpellChecker::~SpellChecker() = default;

bool SpellChecker::isCorrect(const QString &word) const
{
    load();
    if (!hunspell_ || word.size() > longestWord)
        return true;
    return hunspell_->spell(word.toStdString());
}

QStringList SpellChecker::suggestions(const QString &word, int most) const
{
    load();
    QStringList out;
    if (!hunspell_ || word.size() > longestWord)
        return out;
    for (const std::string &s : hunspell_->suggest(word.toStdString())) {
        if (out.size() == most)
            break;
        out.append(QString::fromStdString(s));
    }
    return out;
}

void SpellChecker::addToPersonal(const QString &word)
{
    const QString clean = word.trimmed();
    if (clean.isEmpty() || clean.size() > longestWord || clean.contains(u'\n'))
        return;
    load();
    if (hunspell_)
        hunspell_->add(clean.toStdString());
    QDir().mkpath(QFileInfo(personalFile_).absolutePath());
    QFile personal(personalFile_);
    if (personal.open(QIODevice::Append | QIODevice::Text))
        personal.write(clean.toUtf8() + '\n');
}

} // namespace jaserelle::client
