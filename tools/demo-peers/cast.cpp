#include "tools/demo-peers/cast.h"

#include "client/conversation/soundcommands.h"

using namespace jaserelle::client;

using namespace Qt::StringLiterals;

namespace {

// clang-format off
const CastMember cast[] = {
    {u"marie75"_s, Role::Talks, true, u"Coucou"_s, u"Quelle bonne surprise de te voir connecté !"_s, u"Comic Sans MS"_s, QColor(0xC0, 0x00, 0x60), 0},
    {u"lucie"_s, Role::Talks, true, u"Salut"_s, u"Tu tombes bien, je m'ennuyais un peu."_s, u"Georgia"_s, QColor(0x80, 0x00, 0x80), 7},
    {u"nicolas"_s, Role::Talks, false, u"Bonjour"_s, u"Il fait un soleil magnifique à Marseille."_s, u"Verdana"_s, QColor(0x00, 0x60, 0xC0), 10},
    {u"camille"_s, Role::HangsUp, false, u"Hello"_s, u"Je n'ai qu'une minute, je file en répétition."_s, u"Courier New"_s, QColor(0xD0, 0x40, 0x00), 9},
    {u"antoine"_s, Role::Refuses, false, {}, {}, {}, {}, 0},
    {u"sebastien"_s, Role::Talks, false, u"Allô"_s, u"Ici à Montréal il neige à plein ciel."_s, u"Times New Roman"_s, QColor(0x00, 0x80, 0x40), 1},
};
// clang-format on

} // namespace

CastMember castMember(const QString &pseudo)
{
    for (const CastMember &m : cast)
        if (m.pseudo == pseudo)
            return m;
    return {pseudo,
            Role::Talks,
            false,
            u"Bonjour"_s,
            u"Ravi de faire ta connaissance."_s,
            u"Arial"_s,
            QColor(0x00, 0x00, 0x80),
            0};
}

const QStringList &replies()
{
    static const QStringList texts{
        u"Ah oui ? Raconte-moi tout !"_s,
        u"Haha, tu me fais bien rire."_s,
        u"Je suis tout à fait d'accord avec toi."_s,
        u"Et toi, quoi de neuf cette semaine ?"_s,
        u"C'est noté, on en reparle ce soir."_s,
        u"Vraiment ? Je n'en reviens pas !"_s,
    };
    return texts;
}

int answeringSound(int received)
{
    return (received ^ 1) % static_cast<int>(soundCommandCount);
}

int spontaneousSound(int turn)
{
    // The kiss, the cat and the horn: the sounds that read well in a first conversation.
    static constexpr int chosen[] = {5, 8, 2};
    return chosen[turn % 3];
}
