#include "community/handlers/handlers.h"
#include "community/pages/html.h"

namespace jaserelle::community {

// /onlinehelp.html, opened by the client's "Ai&de en ligne" menu entry.
Response onlineHelpPage()
{
    static const std::string body = R"(<h2>Aide en ligne de Jaserelle</h2>
<p>Jaserelle est le logiciel qui vous relie aux membres de la communauté : vos listes de contacts,
leur présence en direct, leurs profils, la recherche de membres, les mails internes et les conversations
en tête-à-tête avec smileys, images et effets sonores.</p>

<h2>Premiers pas</h2>
<dl>
<dt>S'inscrire</dt>
<dd>L'inscription se fait sur la <a href="/">page d'accueil</a> de ce site. Le bouton
« Nouveau Membre » de la fenêtre de connexion y mène aussi.</dd>
<dt>Se connecter</dt>
<dd>Dans la fenêtre « Jaserelle Connection », tapez votre pseudo et votre mot de passe puis cliquez sur
« Connection ». Tous deux ne contiennent que des lettres et des chiffres ; les majuscules et les minuscules
sont confondues. Si le serveur ne reconnaît pas votre compte, le message « Erreur d'authentification. »
s'affiche et vous pouvez réessayer.</dd>
<dt>Le fichier jaserelle.ini</dt>
<dd>Il se trouve à côté du programme. Sous la ligne <code>[server]</code> figure l'adresse du serveur
de la communauté ; sous la ligne <code>[sound]</code>, <code>enable</code> ou <code>disable</code> selon
que les sons sont actifs ou non. Sans ce fichier, Jaserelle ne démarre pas.</dd>
<dt>Un message du serveur</dt>
<dd>À la connexion, l'équipe de la communauté peut vous adresser un message ; il s'affiche dans la
fenêtre « Jaserelle Info ». Cliquez sur « C'est noté ! » pour continuer.</dd>
</dl>

<h2>Vos listes : favoris et liste noire</h2>
<dl>
<dt>L'onglet « Listes »</dt>
<dd>Il montre vos favoris et votre liste noire avec, pour chaque membre, son âge, son département et son
sexe. Un membre connecté est écrit en noir, un membre absent en gris. Les listes sont mises à jour toutes
les 30 secondes ; un son vous prévient quand un favori arrive ou s'en va.</dd>
<dt>Ajouter un membre</dt>
<dd>Menu « Mes listes », « Ajouter un membre », puis « Dans mes Favoris » ou « En Liste noire », et tapez
son pseudo. Depuis un résultat de recherche, le clic droit propose « Mettre en favoris » et « Mettre en
liste noire ».</dd>
<dt>Déplacer ou retirer un membre</dt>
<dd>Cliquez avec le bouton droit sur son nom : « Mettre en liste noire », « Mettre en favoris »,
« Enlever des favoris », « Enlever de la liste noire ». Un membre n'est jamais dans vos deux listes à la
fois : le mettre dans l'une le retire de l'autre.</dd>
<dt>La liste noire</dt>
<dd>Les membres que vous y placez ne peuvent plus vous écrire : leurs mails ne vous parviennent pas. Si un
membre vous a mis dans sa liste noire, il apparaît en gris chez vous, même connecté.</dd>
</dl>

<h2>Profils et recherche</h2>
<dl>
<dt>Voir un profil</dt>
<dd>Clic droit sur un membre, « Voir son profil » : l'onglet « Profil » affiche ses informations et sa
photo s'il en a une. Dans les listes, un visage en couleur signale un membre qui a une photo.</dd>
<dt>Chercher un membre</dt>
<dd>Dans l'onglet « Recherche », tapez tout ou partie d'un pseudo et cliquez sur « Go ! », ou
choisissez des critères (sexe, âge, région, taille, poids, avec photo seulement). Une recherche
renvoie au plus 100 membres : si d'autres correspondent, un message vous invite à affiner vos
critères.</dd>
</dl>

<h2>Les mails</h2>
<dl>
<dt>Écrire</dt>
<dd>Clic droit sur un membre, « lui envoyer un mail ». Le sujet est facultatif, le message obligatoire ;
le caractère ~ n'est pas autorisé.</dd>
<dt>Lire et supprimer</dt>
<dd>L'enveloppe jaune de la fenêtre principale indique que des mails vous attendent, et combien.
Cliquez dessus pour ouvrir « Vos mails », choisissez un mail pour le lire, et « Supprimer ce mail »
pour l'effacer. Les mails restent sur le serveur tant que vous ne les supprimez pas.</dd>
</dl>

<h2>Les conversations</h2>
<dl>
<dt>Appeler un membre</dt>
<dd>Clic droit sur un membre connecté (écrit en noir), « L'appeler ». Votre correspondant accepte ou
refuse l'appel. Les conversations passent directement d'un ordinateur à l'autre, sur le port TCP 13196 :
si un pare-feu le bloque, ouvrez-le pour Jaserelle.</dd>
<dt>Pendant la conversation</dt>
<dd>Mettez votre texte en forme, ajoutez des smileys et des images, et envoyez des effets sonores. Vous
pouvez mener plusieurs conversations en même temps, chacune dans sa fenêtre.</dd>
</dl>

<h2>Options et sortie</h2>
<dl>
<dt>Les sons</dt>
<dd>Menu « Options » : « Activer les sons » ou « Désactiver les sons ». Le choix est gardé dans
jaserelle.ini.</dd>
<dt>Quitter</dt>
<dd>Menu « Fichier », « Quitter », puis confirmez : vos conversations sont fermées et vous êtes
déconnecté du serveur.</dd>
</dl>

<h2>En cas de problème</h2>
<dl>
<dt>« Le serveur … est temporairement défaillant »</dt>
<dd>Le serveur ne répond pas. Gardez Jaserelle ouvert : il vous préviendra dès que le serveur sera de
nouveau accessible.</dd>
<dt>« Réseau saturé. »</dt>
<dd>Le serveur n'a pas répondu dans la minute. Patientez puis recommencez.</dd>
<dt>Vos contacts restent gris</dt>
<dd>Personne n'est connecté, ou le serveur ne vous reconnaît plus : quittez Jaserelle et reconnectez-vous.</dd>
</dl>
)";
    Response r;
    r.contentType = "text/html; charset=utf-8";
    r.body = pageFrame("Jaserelle — aide en ligne", body);
    return r;
}

} // namespace jaserelle::community
