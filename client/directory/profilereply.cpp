#include "client/directory/profilereply.h"

#include "client/server/protocolwords.h"
namespace jaserelle::client {

using namespace Qt::StringLiterals;

namespace {

const QStringView profileKeyword = utf16<protocol::profileStart>();

// What a field the server left out reads as: the marker it would have sent for "nothing".
QString emptyMarker(ProfileField field)
{
    switch (field) {
    case ProfileField::Taille:
    case ProfileField::Poids:
    case ProfileField::PhotoFlag:
        return u"0"_s;
    case ProfileField::Enfants:
        return u"-1"_s;
    case ProfileField::LastConnect:
        return {};
    default:
        return latin1(protocol::noText);
    }
}

QString textOrEmpty(const QString &value)
{
    return value == latin1(protocol::noText) ? QString() : value;
}

// Height and weight: "0" means the member did not say, and then no unit is shown either.
QString measure(const QString &prefix, const QString &value, const QString &unit)
{
    return value == u"0" ? prefix : prefix + u' ' + value + u' ' + unit;
}

} // namespace

ProfileReply parseProfileReply(QStringView text)
{
    ProfileReply reply;
    for (int i = 0; i < profileFieldCount; ++i)
        reply.fields[std::size_t(i)] = emptyMarker(ProfileField(i));
    const qsizetype at = text.indexOf(profileKeyword);
    if (at < 0) {
        reply.rest = text.toString();
        return reply;
    }
    qsizetype pos = at + profileKeyword.size();
    int read = 0;
    for (; read < profileFieldCount; ++read) {
        const qsizetype comma = text.indexOf(u',', pos);
        if (comma < 0)
            break;
        reply.fields[std::size_t(read)] = text.sliced(pos, comma - pos).toString();
        pos = comma + 1;
    }
    reply.complete = read == profileFieldCount;
    reply.rest = text.sliced(pos).toString();
    return reply;
}

QString maritalStatusWord(const QString &value, const QString &sexe)
{
    // An empty value says no more than "NULL": a woman's profile must not read "Statut : e".
    if (value == latin1(protocol::noText) || value.isEmpty())
        return {};
    const bool woman = sexe == u"F";
    if (value == u"veuf")
        return woman ? u"veuve"_s : u"veuf"_s;
    static const std::array<std::pair<QStringView, QStringView>, 4> accented = {{
        {u"jamais marie", u"jamais marié"},
        {u"marie", u"marié"},
        {u"separe", u"séparé"},
        {u"divorce", u"divorcé"},
    }};
    QString word = value;
    for (const auto &[plain, shown] : accented) {
        if (value == plain)
            word = shown.toString();
    }
    return woman ? word + u'e' : word;
}

QString profileDate(const QString &serverDate)
{
    const qsizetype first = serverDate.indexOf(u'-');
    const qsizetype second = first < 0 ? -1 : serverDate.indexOf(u'-', first + 1);
    if (second < 0)
        return {};
    return serverDate.sliced(second + 1) + u'/' + serverDate.sliced(first + 1, second - first - 1) + u'/' +
           serverDate.first(first);
}

ProfileTexts profileTexts(const ProfileReply &reply, const ProfileRow &row)
{
    auto text = [&reply](ProfileField f) { return textOrEmpty(reply.field(f)); };
    const QString enfants = reply.field(ProfileField::Enfants);
    return {row.pseudo,
            {
                row.sexe == u"F" ? u"Sexe : Femme"_s : u"Sexe : Homme"_s,
                u"Age : "_s + row.age,
                u"Département : "_s + row.departement,
                u"Prénom : "_s + text(ProfileField::Prenom),
                u"Ville : "_s + text(ProfileField::Ville),
                u"Région : "_s + text(ProfileField::Region),
                measure(u"Taille :"_s, reply.field(ProfileField::Taille), u"cm"_s),
                measure(u"Poids :"_s, reply.field(ProfileField::Poids), u"kg"_s),
                u"Cheveux : "_s + text(ProfileField::Cheveux),
                u"Yeux : "_s + text(ProfileField::Yeux),
                u"Ethnie : "_s + text(ProfileField::Ethnie),
                u"Style : "_s + text(ProfileField::Style),
                u"Fumeur : "_s + text(ProfileField::Fumeur),
                u"Statut : "_s + maritalStatusWord(reply.field(ProfileField::Statut), row.sexe),
                u"Enfants : "_s + (enfants == u"-1" ? QString() : enfants),
                u"Dernière connection : "_s + profileDate(reply.field(ProfileField::LastConnect)),
            }};
}

} // namespace jaserelle::client
