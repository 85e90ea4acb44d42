#include "community/core/criteria.h"

#include <optional>
#include <utility>

namespace jaserelle::community {
namespace {

struct Band
{
    std::string_view text;
    std::optional<int> low;
    std::optional<int> high;
};

// Ages: [low, high] in years.
constexpr Band ageBands[] = {
    {"de 18 à 25", 18, 25}, {"de 26 à 35", 26, 35}, {"de 36 à 45", 36, 45}, {"de 46 à 55", 46, 55},
    {"de 56 à 65", 56, 65}, {"de 66 à 75", 66, 75}, {"de 76 à 85", 76, 85}, {"de 86 à 95", 86, 95},
};

// Heights in cm: [low, high).
constexpr Band heightBands[] = {
    {"moins de 1m40", 1, 140},     {"de 1m40 à 1m50", 140, 150}, {"de 1m50 à 1m60", 150, 160},
    {"de 1m60 à 1m70", 160, 170},  {"de 1m70 à 1m80", 170, 180}, {"de 1m80 à 1m90", 180, 190},
    {"de 1m90 à 2m", 190, 200},    {"plus de 2m", 200, std::nullopt},
};

// Weights in kg: [low, high).
constexpr Band weightBands[] = {
    {"moins de 40Kg", 1, 40},         {"de 40Kg à 55Kg", 40, 55},  {"de 55Kg à 70Kg", 55, 70},
    {"de 70Kg à 85Kg", 70, 85},       {"de 85Kg à 100Kg", 85, 100}, {"plus de 100Kg", 100, std::nullopt},
};

template <std::size_t N>
const Band *findBand(const Band (&bands)[N], std::string_view text)
{
    for (const Band &b : bands)
        if (b.text == text)
            return &b;
    return nullptr;
}

} // namespace

bool isRegion(std::string_view text)
{
    for (std::string_view r : regions)
        if (r == text)
            return true;
    return false;
}

void applyCriteria(const CriteriaTexts &t, const LocalDateTime &today, SearchQuery &q)
{
    if (t.sexe == "Homme")
        q.sex.emplace(1, 'H');
    else if (t.sexe == "Femme")
        q.sex.emplace(1, 'F');

    if (const Band *b = findBand(ageBands, t.age)) {
        q.bornOnOrBefore = yearsBefore(today, *b->low);
        q.bornAfter = yearsBefore(today, *b->high + 1);
    }

    if (isRegion(t.region))
        q.region = t.region;

    if (const Band *b = findBand(heightBands, t.taille)) {
        q.heightMin = b->low;
        q.heightMax = b->high;
    }
    if (const Band *b = findBand(weightBands, t.poids)) {
        q.weightMin = b->low;
        q.weightMax = b->high;
    }
    q.withPhotoOnly = t.withPhotoOnly == "yes";
}

} // namespace jaserelle::community
