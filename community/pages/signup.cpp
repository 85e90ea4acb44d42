#include "community/pages/signup.h"

#include "common/alphanumeric.h"
#include "common/cp1252.h"
#include "community/core/clock.h"
#include "community/core/criteria.h"
#include "community/core/text.h"

#include <charconv>

namespace jaserelle::community {
namespace {

std::string field(const FormFields &f, const std::string &name)
{
    auto it = f.find(name);
    std::string v = it == f.end() ? std::string() : it->second;
    while (!v.empty() && v.back() == ' ')
        v.pop_back();
    while (!v.empty() && v.front() == ' ')
        v.erase(0, 1);
    return v;
}

// A number in [low, high]; `absent` when the field is empty; nothing when it is not a number.
std::optional<int> number(const std::string &text, int low, int high, int absent)
{
    if (text.empty())
        return absent;
    int v = 0;
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || ptr != text.data() + text.size() || v < low || v > high)
        return std::nullopt;
    return v;
}

// Free profile text: at most 30 characters, Windows-1252, none of the reply separators.
bool freeText(const std::string &text, const char *label, std::vector<std::string> &errors)
{
    std::size_t chars = 0;
    for (unsigned char c : text)
        if ((c & 0xC0) != 0x80)
            ++chars;
    bool ok = chars <= 30 && cp1252::fits(text);
    for (unsigned char c : text)
        if (c < 0x20 || c == ',' || c == '|' || c == '~')
            ok = false;
    if (!ok)
        errors.push_back(std::string("« ") + label +
                         " » : 30 caractères au plus, sans virgule, ni « | », ni « ~ ».");
    return ok;
}

} // namespace

SignUpCheck checkSignUp(const FormFields &f, bool hasPhoto, const LocalDateTime &today)
{
    SignUpCheck r;
    Member &m = r.member;
    auto &errors = r.errors;

    const std::string pseudo = field(f, "pseudo");
    m.pseudo = normalisePseudo(pseudo);
    if (m.pseudo.empty())
        errors.push_back("Le pseudo doit compter de 1 à 16 lettres ou chiffres, sans accent ni espace.");

    const std::string password = field(f, "password");
    if (password.empty() || password.size() > 16 || !isAlphanumeric(password))
        errors.push_back(
            "Le mot de passe doit compter de 1 à 16 lettres ou chiffres, sans accent ni espace.");
    else if (password != field(f, "password2"))
        errors.push_back("Les deux mots de passe ne sont pas identiques.");
    r.password = lowerAscii(password);

    m.sex = field(f, "sexe");
    if (m.sex != "H" && m.sex != "F")
        errors.push_back("Indiquez si vous êtes un homme ou une femme.");

    m.birthDate = field(f, "naissance");
    const int age = ageOn(m.birthDate, today);
    if (age < 0)
        errors.push_back("La date de naissance doit s'écrire AAAA-MM-JJ.");
    else if (age < 18)
        errors.push_back("Jaserelle est réservée aux personnes majeures.");
    else if (age > 120)
        errors.push_back("Cette date de naissance n'est pas plausible.");

    m.postalCode = field(f, "codepostal");
    bool postalOk = m.postalCode.size() >= 2 && m.postalCode.size() <= 10;
    for (char c : m.postalCode)
        if (!isAlphanumeric(std::string_view(&c, 1)) && c != ' ' && c != '-')
            postalOk = false;
    if (!postalOk)
        errors.push_back("Le code postal compte de 2 à 10 lettres ou chiffres.");

    Profile &p = m.profile;
    p.region = field(f, "region");
    if (!isRegion(p.region))
        errors.push_back("Choisissez votre région dans la liste.");

    // The free-text fields: the form's name, where it goes, its label in the error messages.
    const struct
    {
        const char *name;
        std::string Profile::*to;
        const char *label;
    } freeTexts[] = {
        {"prenom", &Profile::firstName, "Prénom"}, {"ville", &Profile::town, "Ville"},
        {"cheveux", &Profile::hair, "Cheveux"},    {"yeux", &Profile::eyes, "Yeux"},
        {"ethnie", &Profile::ethnicity, "Ethnie"}, {"style", &Profile::style, "Style"},
    };
    for (const auto &t : freeTexts) {
        p.*t.to = field(f, t.name);
        freeText(p.*t.to, t.label, errors);
    }

    p.smoker = field(f, "fumeur");
    if (!p.smoker.empty() && p.smoker != "non" && p.smoker != "oui" && p.smoker != "occasionnellement")
        errors.push_back("Choisissez « Fumeur » dans la liste.");

    p.maritalStatus = field(f, "statut");
    bool statusOk = p.maritalStatus.empty();
    for (auto s : maritalStatuses)
        statusOk = statusOk || p.maritalStatus == s;
    if (!statusOk)
        errors.push_back("Choisissez votre statut dans la liste.");

    if (auto h = number(field(f, "taille"), 100, 250, 0))
        p.heightCm = *h;
    else
        errors.push_back("La taille s'écrit en centimètres, de 100 à 250.");
    if (auto w = number(field(f, "poids"), 30, 250, 0))
        p.weightKg = *w;
    else
        errors.push_back("Le poids s'écrit en kilogrammes, de 30 à 250.");
    if (auto c = number(field(f, "enfants"), 0, 30, -1))
        p.children = *c;
    else
        errors.push_back("Le nombre d'enfants s'écrit en chiffres, de 0 à 30.");

    m.hasPhoto = hasPhoto;
    m.lastConnection = today.date();
    return r;
}

} // namespace jaserelle::community
