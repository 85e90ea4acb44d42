#include "community/demo/demo.h"

#include <fstream>
#include <system_error>

namespace jaserelle::community {
namespace {

struct DemoMember
{
    const char *pseudo;
    const char *sex;
    const char *birthDate;
    const char *postalCode;
    const char *region;
    const char *firstName;
    const char *town;
    int heightCm;
    int weightKg;
    const char *hair;
    const char *eyes;
    const char *ethnicity;
    const char *style;
    const char *smoker;
    const char *maritalStatus;
    int children;
};

// Keep in step with demo/make-photos, which draws the photos of the members it lists.
// clang-format off
const DemoMember members[] = {
    {"demo", "H", "1985-04-12", "75011", "Ile-de-France", "Julien", "Paris", 178, 74, "châtains", "marron", "européen", "décontracté", "non", "jamais marie", 0},
    {"marie75", "F", "1990-02-17", "75018", "Ile-de-France", "Marie", "Paris", 165, 56, "bruns", "verts", "européenne", "bohème", "non", "jamais marie", 0},
    {"lucie", "F", "1996-07-03", "69003", "Rhone-Alpes", "Lucie", "Lyon", 168, 58, "blonds", "bleus", "européenne", "sportif", "non", "jamais marie", 0},
    {"thomas", "H", "1988-11-25", "33000", "Aquitaine", "Thomas", "Bordeaux", 182, 80, "bruns", "marron", "", "classique", "occasionnellement", "marie", 2},
    {"nicolas", "H", "1979-05-09", "13006", "Provence-Alpes-Cote-d'Azur", "Nicolas", "Marseille", 175, 77, "noirs", "marron", "méditerranéen", "décontracté", "oui", "divorce", 1},
    {"camille", "F", "1993-09-14", "44000", "Pays-de-la-Loire", "Camille", "Nantes", 170, 60, "roux", "verts", "", "rock", "non", "", -1},
    {"sophie", "F", "1984-01-30", "31000", "Midi-Pyrenees", "Sophie", "Toulouse", 162, 55, "châtains", "noisette", "européenne", "élégant", "non", "separe", 1},
    {"antoine", "H", "1991-03-21", "59000", "Nord-Pas-de-Calais", "Antoine", "Lille", 185, 85, "blonds", "bleus", "", "sportif", "non", "jamais marie", 0},
    {"julie", "F", "1998-12-08", "67000", "Alsace", "Julie", "Strasbourg", 158, 50, "bruns", "marron", "", "romantique", "non", "jamais marie", 0},
    {"pierre", "H", "1965-06-19", "35000", "Bretagne", "Pierre", "Rennes", 176, 82, "gris", "bleus", "breton", "classique", "non", "veuf", 3},
    {"claire", "F", "1975-08-11", "21000", "Bourgogne", "Claire", "Dijon", 167, 61, "blonds", "gris", "", "élégant", "non", "divorce", 2},
    {"maxime", "H", "1994-10-02", "06000", "Provence-Alpes-Cote-d'Azur", "Maxime", "Nice", 180, 75, "bruns", "verts", "", "branché", "occasionnellement", "jamais marie", 0},
    {"emma", "F", "2000-04-27", "34000", "Languedoc-Roussillon", "Emma", "Montpellier", 164, 54, "châtains", "bleus", "", "décontracté", "non", "jamais marie", 0},
    {"hugo", "H", "1987-02-05", "38000", "Rhone-Alpes", "Hugo", "Grenoble", 188, 83, "bruns", "marron", "", "montagnard", "non", "marie", 1},
    {"manon", "F", "1992-06-16", "76000", "Haute-Normandie", "Manon", "Rouen", 171, 63, "noirs", "marron", "antillaise", "branché", "non", "jamais marie", 0},
    {"louis", "H", "1958-09-29", "87000", "Limousin", "Louis", "Limoges", 172, 88, "blancs", "bleus", "", "classique", "oui", "marie", 4},
    {"chloe", "F", "1989-11-04", "57000", "Lorraine", "Chloé", "Metz", 160, 52, "blonds", "verts", "", "bohème", "non", "separe", 1},
    {"mathieu", "H", "1983-07-13", "80000", "Picardie", "Mathieu", "Amiens", 179, 90, "châtains", "marron", "", "décontracté", "oui", "divorce", 2},
    {"laura", "F", "1995-03-08", "86000", "Poitou-Charentes", "Laura", "Poitiers", 169, 59, "bruns", "noisette", "", "sportif", "non", "jamais marie", 0},
    {"alexandre", "H", "1980-12-24", "20000", "Corse", "Alexandre", "Ajaccio", 177, 76, "noirs", "noirs", "corse", "élégant", "non", "marie", 2},
    {"sarah", "F", "1997-05-22", "97200", "DOM", "Sarah", "Fort-de-France", 166, 57, "noirs", "marron", "antillaise", "branché", "non", "jamais marie", 0},
    {"kevin", "H", "1999-08-30", "45000", "Centre", "Kévin", "Orléans", 183, 72, "bruns", "marron", "", "geek", "non", "jamais marie", 0},
    {"isabelle", "F", "1970-10-10", "51100", "Champagne-Ardenne", "Isabelle", "Reims", 163, 62, "châtains", "bleus", "", "classique", "non", "marie", 3},
    {"francois", "H", "1962-04-15", "25000", "Franche-Comte", "François", "Besançon", 174, 79, "gris", "marron", "", "classique", "non", "divorce", 2},
    {"pauline", "F", "1986-01-19", "14000", "Basse-Normandie", "Pauline", "Caen", 172, 65, "roux", "verts", "", "romantique", "occasionnellement", "", -1},
    {"olivier", "H", "1976-03-03", "63000", "Auvergne", "Olivier", "Clermont-Ferrand", 181, 84, "chauve", "bleus", "", "sportif", "non", "marie", 2},
    {"jeanne", "F", "1950-07-07", "29200", "Bretagne", "Jeanne", "Brest", 158, 60, "blancs", "bleus", "bretonne", "classique", "non", "veuf", 3},
    {"gabriel", "H", "2001-09-09", "92100", "Ile-de-France", "Gabriel", "Boulogne", 186, 70, "blonds", "verts", "", "branché", "non", "jamais marie", 0},
    {"amandine", "F", "1982-02-28", "33000", "Aquitaine", "Amandine", "Bordeaux", 175, 66, "blonds", "bleus", "", "élégant", "non", "marie", 1},
    {"sebastien", "H", "1978-11-11", "H2X1Y4", "Quebec", "Sébastien", "Montréal", 180, 81, "bruns", "marron", "", "décontracté", "non", "separe", 1},
    {"genevieve", "F", "1981-06-24", "G1R4P5", "Canada", "Geneviève", "Québec", 168, 64, "châtains", "noisette", "", "nature", "non", "marie", 2},
    {"arnaud", "H", "1985-09-18", "1000", "Belgique", "Arnaud", "Bruxelles", 184, 86, "bruns", "bleus", "", "sportif", "occasionnellement", "jamais marie", 0},
    {"elodie", "F", "1991-12-12", "1204", "Suisse", "Élodie", "Genève", 167, 58, "blonds", "bleus", "", "élégant", "non", "jamais marie", 0},
    {"yannick", "H", "1973-01-08", "1009", "Luxembourg", "Yannick", "Luxembourg", 178, 92, "châtains", "gris", "", "classique", "oui", "divorce", 1},
    {"stephanie", "F", "1987-08-08", "98000", "Monaco", "Stéphanie", "Monaco", 170, 57, "bruns", "verts", "", "glamour", "non", "separe", 0},
    {"karim", "H", "1990-04-04", "16000", "Algerie", "Karim", "Alger", 179, 78, "noirs", "marron", "maghrébin", "branché", "non", "jamais marie", 0},
    {"nadia", "F", "1994-10-20", "20250", "Maroc", "Nadia", "Casablanca", 163, 55, "noirs", "noirs", "maghrébine", "élégant", "non", "jamais marie", 0},
    {"bernard", "H", "1947-03-17", "59100", "Nord-Pas-de-Calais", "Bernard", "Roubaix", 170, 95, "blancs", "marron", "", "classique", "non", "veuf", 5},
    {"aurelie", "F", "1988-05-05", "13100", "Provence-Alpes-Cote-d'Azur", "Aurélie", "Aix-en-Provence", 161, 51, "châtains", "marron", "", "bohème", "non", "", -1},
    {"vincent", "H", "1968-12-01", "69100", "Rhone-Alpes", "Vincent", "Villeurbanne", 203, 105, "gris", "bleus", "", "sportif", "non", "marie", 3},
    {"zoe", "F", "2003-02-14", "75005", "Ile-de-France", "", "", 0, 0, "", "", "", "", "", "", -1},
};
// clang-format on

const char *const favoris[] = {"marie75", "lucie",  "thomas", "nicolas", "camille",   "sophie", "antoine",
                               "julie",   "maxime", "emma",   "hugo",    "sebastien", "elodie", "zoe"};
const char *const listeNoire[] = {"mathieu", "kevin", "yannick"};
// Members who have put demo on their own black list (IAMINLISTENOIREOF).
const char *const blackListingDemo[] = {"julie", "bernard"};
// Some other members' lists, so that everyone's refresh has something in it.
const std::pair<const char *, const char *> otherFavoris[] = {
    {"marie75", "demo"},  {"lucie", "demo"}, {"marie75", "lucie"}, {"thomas", "nicolas"},
    {"sophie", "claire"}, {"hugo", "lucie"}, {"camille", "emma"},  {"antoine", "maxime"}};

struct DemoMail
{
    const char *sender;
    const char *date;
    const char *time;
    const char *subject;
    const char *text;
};
const DemoMail mails[] = {
    {"marie75", "2026-11-28", "18:42:10", "Ciné samedi ?",
     "Coucou Julien !\r\nOn va voir le nouveau film au Grand Rex samedi soir, tu viens avec nous ?\r\nBises, "
     "Marie"},
    {"thomas", "2026-12-02", "09:07:59", "",
     "Salut, merci pour l'adresse du restaurant, c'était parfait. À charge de revanche !"},
    {"sebastien", "2026-12-04", "22:15:00", "Bonjour de Montréal",
     "Allô Julien,\r\nIci il neige déjà : trente centimètres ce matin ! On se parle ce week-end "
     "?\r\nSébastien"},
};

const char *const online[] = {"marie75",   "lucie", "nicolas", "camille", "antoine", "maxime",
                              "sebastien", "kevin", "julie",   "gabriel", "nadia"};

} // namespace

DemoReport seedDemo(Store &store, const PasswordHasher &hasher, const std::filesystem::path &photosDir,
                    const LocalDateTime &today)
{
    DemoReport report;
    std::error_code ec;
    std::filesystem::create_directories(photosDir, ec);

    // One hash for every demo member: they all share the password "demo".
    std::string hash;
    for (const DemoMember &d : members) {
        if (store.member(d.pseudo))
            continue;
        if (hash.empty())
            hash = hasher.hash("demo");
        Member m;
        m.pseudo = d.pseudo;
        m.passwordHash = hash;
        m.sex = d.sex;
        m.birthDate = d.birthDate;
        m.postalCode = d.postalCode;
        Profile &p = m.profile;
        p.region = d.region;
        p.firstName = d.firstName;
        p.town = d.town;
        p.heightCm = d.heightCm;
        p.weightKg = d.weightKg;
        p.hair = d.hair;
        p.eyes = d.eyes;
        p.ethnicity = d.ethnicity;
        p.style = d.style;
        p.smoker = d.smoker;
        p.maritalStatus = d.maritalStatus;
        p.children = d.children;
        m.lastConnection = today.date();
        if (store.createMember(m))
            ++report.membersCreated;
    }

    for (std::size_t i = 0; i < demoPhotoCount; ++i) {
        const EmbeddedPhoto &photo = demoPhotos[i];
        const auto member = store.member(photo.pseudo);
        if (!member || member->hasPhoto)
            continue;
        const auto file = photosDir / (std::string(photo.pseudo) + ".jpg");
        if (!std::filesystem::exists(file)) {
            std::ofstream out(file, std::ios::binary);
            out.write(reinterpret_cast<const char *>(photo.data), static_cast<std::streamsize>(photo.size));
            if (!out)
                continue;
            ++report.photosWritten;
        }
        store.setHasPhoto(photo.pseudo, true);
    }

    if (store.setting("demo_seeded") != "1") {
        for (const char *p : favoris)
            store.addContact("demo", p, ListKind::Favoris);
        for (const char *p : listeNoire)
            store.addContact("demo", p, ListKind::ListeNoire);
        for (const char *p : blackListingDemo)
            store.addContact(p, "demo", ListKind::ListeNoire);
        for (const auto &[owner, target] : otherFavoris)
            store.addContact(owner, target, ListKind::Favoris);
        for (const DemoMail &d : mails) {
            Mail m;
            m.sender = d.sender;
            m.recipient = "demo";
            m.date = d.date;
            m.time = d.time;
            m.subject = d.subject;
            m.text = d.text;
            store.addMail(m);
        }
        store.setSetting("demo_seeded", "1");
        report.listsSeeded = true;
    }
    return report;
}

void pinDemoPresence(SessionStore &sessions)
{
    int host = 20;
    for (const char *p : online)
        sessions.pin(p, "127.0.0." + std::to_string(host++));
}

} // namespace jaserelle::community
