#pragma once

#include "community/core/clock.h"
#include "community/store/store.h"

#include <array>
#include <string>
#include <string_view>

// The search criteria lists, as the client's combo boxes hold them (UTF-8 here), and their
// meaning for a search.
namespace jaserelle::community {

inline constexpr std::array<std::string_view, 31> regions = {"Quebec",
                                                             "Canada",
                                                             "Belgique",
                                                             "Suisse",
                                                             "Luxembourg",
                                                             "Monaco",
                                                             "Algerie",
                                                             "Maroc",
                                                             "Alsace",
                                                             "Aquitaine",
                                                             "Auvergne",
                                                             "Basse-Normandie",
                                                             "Bourgogne",
                                                             "Bretagne",
                                                             "Centre",
                                                             "Champagne-Ardenne",
                                                             "Corse",
                                                             "DOM",
                                                             "Franche-Comte",
                                                             "Haute-Normandie",
                                                             "Ile-de-France",
                                                             "Languedoc-Roussillon",
                                                             "Limousin",
                                                             "Lorraine",
                                                             "Midi-Pyrenees",
                                                             "Nord-Pas-de-Calais",
                                                             "Pays-de-la-Loire",
                                                             "Picardie",
                                                             "Poitou-Charentes",
                                                             "Provence-Alpes-Cote-d'Azur",
                                                             "Rhone-Alpes"};

inline constexpr std::array<std::string_view, 5> maritalStatuses = {"jamais marie", "marie", "separe",
                                                                    "divorce", "veuf"};

bool isRegion(std::string_view text);

// The raw criteria texts of a searchmembers3.php request.
struct CriteriaTexts
{
    std::string sexe;
    std::string age;
    std::string region;
    std::string taille;
    std::string poids;
    std::string withPhotoOnly;
};

// Fills the criteria of a query. "indifférent", an absent parameter and any text that is not one
// of the list items leave the criterion open. Bands: ages are whole years, both ends included;
// heights and weights include the lower bound and exclude the upper one, so "de 1m40 à 1m50" is
// 140 to 149 cm and 150 cm belongs to the next band; "moins de" excludes members who gave none.
void applyCriteria(const CriteriaTexts &texts, const LocalDateTime &today, SearchQuery &query);

} // namespace jaserelle::community
