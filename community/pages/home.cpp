#include "community/core/criteria.h"
#include "community/core/text.h"
#include "community/handlers/handlers.h"
#include "community/handlers/reply.h"
#include "community/http/multipart.h"
#include "community/pages/html.h"
#include "community/pages/signup.h"

#include <filesystem>
#include <fstream>
#include <system_error>

namespace jaserelle::community {
namespace {

constexpr std::size_t maxPhotoBytes = 300 * 1024;

Response htmlPage(std::string_view title, std::string_view body, int status = 200)
{
    Response r;
    r.status = status;
    r.contentType = "text/html; charset=utf-8";
    r.body = pageFrame(title, body);
    return r;
}

std::string get(const FormFields &f, const std::string &name)
{
    auto it = f.find(name);
    return it == f.end() ? std::string() : htmlEscape(it->second);
}

std::string option(std::string_view value, std::string_view label, const std::string &chosen)
{
    std::string o = "<option value=\"" + htmlEscape(value) + "\"";
    if (chosen == htmlEscape(value))
        o += " selected";
    o += '>';
    o += htmlEscape(label);
    o += "</option>";
    return o;
}

std::string textInput(const FormFields &f, const char *name, const char *label, const char *extra = "")
{
    return std::string("<label for=\"") + name + "\">" + label + "</label> <input id=\"" + name +
           "\" name=\"" + name + "\" value=\"" + get(f, name) + "\" " + extra + "><br>\n";
}

std::string signUpForm(const FormFields &f, const std::vector<std::string> &errors)
{
    std::string b;
    if (!errors.empty()) {
        b += "<div class=\"errors\"><p>Votre inscription n'a pas pu être enregistrée :</p><ul>";
        for (const auto &e : errors)
            b += "<li>" + htmlEscape(e) + "</li>";
        b += "</ul></div>\n";
    }
    b += R"(<form method="post" action="/inscription" enctype="multipart/form-data" accept-charset="UTF-8">
<fieldset><legend>Votre compte</legend>
<p class="hint">Le pseudo et le mot de passe ne contiennent que des lettres et des chiffres (16 au plus).
Jaserelle ne distingue pas les majuscules des minuscules.</p>
)";
    b += textInput(f, "pseudo", "Pseudo :", R"(maxlength="16" required pattern="[A-Za-z0-9]{1,16}")");
    b +=
        R"(<label for="password">Mot de passe :</label> <input id="password" name="password" type="password" maxlength="16" required pattern="[A-Za-z0-9]{1,16}"><br>
<label for="password2">Mot de passe (à nouveau) :</label> <input id="password2" name="password2" type="password" maxlength="16" required><br>
</fieldset>
<fieldset><legend>Vous</legend>
<label>Sexe :</label> )";
    const std::string sexe = get(f, "sexe");
    b += std::string("<input type=\"radio\" id=\"sexeH\" name=\"sexe\" value=\"H\"") +
         (sexe == "H" ? " checked" : "") +
         " required> <label for=\"sexeH\" style=\"min-width:0\">Homme</label> ";
    b += std::string("<input type=\"radio\" id=\"sexeF\" name=\"sexe\" value=\"F\"") +
         (sexe == "F" ? " checked" : "") + "> <label for=\"sexeF\" style=\"min-width:0\">Femme</label><br>\n";
    b += textInput(f, "naissance", "Date de naissance :", R"(type="date" required)");
    b += textInput(f, "codepostal", "Code postal :", R"(maxlength="10" required)");
    b += "<label for=\"region\">Région :</label> <select id=\"region\" name=\"region\" required>";
    b += option("", "(choisissez)", get(f, "region"));
    for (auto r : regions)
        b += option(r, r, get(f, "region"));
    b += "</select><br>\n</fieldset>\n<fieldset><legend>Votre profil (facultatif)</legend>\n";
    b += textInput(f, "prenom", "Prénom :", R"(maxlength="30")");
    b += textInput(f, "ville", "Ville :", R"(maxlength="30")");
    b += textInput(f, "taille", "Taille (cm) :", R"(type="number" min="100" max="250")");
    b += textInput(f, "poids", "Poids (kg) :", R"(type="number" min="30" max="250")");
    b += textInput(f, "cheveux", "Cheveux :", R"(maxlength="30")");
    b += textInput(f, "yeux", "Yeux :", R"(maxlength="30")");
    b += textInput(f, "ethnie", "Ethnie :", R"(maxlength="30")");
    b += textInput(f, "style", "Style :", R"(maxlength="30")");
    b += "<label for=\"fumeur\">Fumeur :</label> <select id=\"fumeur\" name=\"fumeur\">";
    b += option("", "(non précisé)", get(f, "fumeur")) + option("non", "non", get(f, "fumeur")) +
         option("oui", "oui", get(f, "fumeur")) +
         option("occasionnellement", "occasionnellement", get(f, "fumeur"));
    b += "</select><br>\n<label for=\"statut\">Statut :</label> <select id=\"statut\" name=\"statut\">";
    b += option("", "(non précisé)", get(f, "statut")) +
         option("jamais marie", "jamais marié(e)", get(f, "statut")) +
         option("marie", "marié(e)", get(f, "statut")) + option("separe", "séparé(e)", get(f, "statut")) +
         option("divorce", "divorcé(e)", get(f, "statut")) + option("veuf", "veuf, veuve", get(f, "statut"));
    b += "</select><br>\n";
    b += textInput(f, "enfants", "Enfants :", R"(type="number" min="0" max="30")");
    b +=
        R"(<label for="photo">Photo (JPEG, 300 Ko au plus) :</label> <input id="photo" name="photo" type="file" accept="image/jpeg"><br>
</fieldset>
<p><button type="submit">Je m'inscris</button></p>
</form>
)";
    return b;
}

std::string homeBody(const FormFields &f, const std::vector<std::string> &errors)
{
    std::string b = R"(<h2>Bienvenue sur Jaserelle</h2>
<p>Jaserelle réunit ses membres autour de conversations en direct : gardez vos favoris sous la main,
voyez qui est connecté, consultez les profils, cherchez de nouveaux amis et échangez des mails.</p>
<p>Pour participer, inscrivez-vous ci-dessous, puis lancez le logiciel Jaserelle et connectez-vous avec
votre pseudo et votre mot de passe. L'<a href="/onlinehelp.html">aide en ligne</a> explique tout le reste.</p>
<h2>Inscription</h2>
)";
    b += signUpForm(f, errors);
    return b;
}

FormFields fieldsOf(const std::vector<FormPart> &parts)
{
    FormFields f;
    for (const auto &p : parts)
        if (p.fileName.empty() && !f.count(p.name))
            f[p.name] = p.data;
    return f;
}

bool writePhoto(const std::filesystem::path &dir, const std::string &pseudo, const std::string &jpeg)
{
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    const auto final = dir / (pseudo + ".jpg");
    const auto temp = dir / (pseudo + ".jpg.tmp");
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out.write(jpeg.data(), static_cast<std::streamsize>(jpeg.size()));
        if (!out)
            return false;
    }
    std::filesystem::rename(temp, final, ec);
    return !ec;
}

} // namespace

Response homePage(Context &)
{
    return htmlPage("Jaserelle — accueil et inscription", homeBody({}, {}));
}

// POST /inscription, multipart/form-data (the form, with its photo) or
// application/x-www-form-urlencoded (scripts, no photo).
Response signUp(Context &ctx, const Request &request)
{
    FormFields fields;
    std::string jpeg;
    std::vector<std::string> errors;

    const std::string boundary = multipartBoundary(request.contentType);
    if (!boundary.empty()) {
        const auto parts = parseMultipart(request.body, boundary);
        if (!parts)
            return htmlPage("Jaserelle — inscription", homeBody({}, {"Le formulaire reçu est incomplet."}),
                            400);
        fields = fieldsOf(*parts);
        for (const auto &p : *parts)
            if (p.name == "photo" && !p.data.empty())
                jpeg = p.data;
    } else if (lowerAscii(request.contentType).rfind("application/x-www-form-urlencoded", 0) == 0) {
        for (auto &[name, value] : parseFormUtf8(request.body))
            fields.emplace(name, value);
    } else {
        return htmlPage("Jaserelle — inscription", homeBody({}, {"Le formulaire reçu est illisible."}), 400);
    }

    if (!jpeg.empty()) {
        if (jpeg.size() > maxPhotoBytes)
            errors.push_back("La photo dépasse 300 Ko.");
        else if (jpeg.size() < 4 || jpeg.compare(0, 3, "\xFF\xD8\xFF") != 0)
            errors.push_back("La photo doit être une image JPEG.");
    }

    SignUpCheck check = checkSignUp(fields, !jpeg.empty(), today(ctx));
    errors.insert(errors.end(), check.errors.begin(), check.errors.end());
    if (errors.empty() && ctx.store.member(check.member.pseudo))
        errors.push_back("Le pseudo « " + check.member.pseudo + " » est déjà pris, choisissez-en un autre.");
    if (!errors.empty())
        return htmlPage("Jaserelle — inscription", homeBody(fields, errors), 400);

    // Accounts made by the dozen from one place are a spammer's, not people joining: each costs
    // a slow hash and a row for good.
    const std::string addressKey = FailureThrottle::addressKey(request.peerAddress);
    const std::string networkKey = "n " + networkPrefix(request.peerAddress);
    if ((ctx.signUpsByAddress && ctx.signUpsByAddress->blocked(addressKey)) ||
        (ctx.signUpsByNetwork && ctx.signUpsByNetwork->blocked(networkKey)))
        return htmlPage("Jaserelle — inscription",
                        homeBody(fields, {"Trop d'inscriptions depuis votre réseau : réessayez dans une heure."}),
                        429);
    if (ctx.signUpsByAddress)
        ctx.signUpsByAddress->failed(addressKey);
    if (ctx.signUpsByNetwork)
        ctx.signUpsByNetwork->failed(networkKey);

    check.member.passwordHash = ctx.hasher.hash(check.password);
    if (!ctx.store.createMember(check.member))
        return htmlPage("Jaserelle — inscription",
                        homeBody(fields, {"Le pseudo « " + check.member.pseudo + " » est déjà pris."}), 400);
    if (!jpeg.empty() && !writePhoto(ctx.photosDir, check.member.pseudo, jpeg))
        ctx.store.setHasPhoto(check.member.pseudo, false);

    const std::string pseudo = htmlEscape(check.member.pseudo);
    return htmlPage(
        "Jaserelle — bienvenue",
        "<div class=\"ok\"><h2>Bienvenue, " + pseudo +
            " !</h2><p>Votre compte est créé.</p></div>\n"
            "<p>Lancez Jaserelle et connectez-vous avec le pseudo <strong>" +
            pseudo +
            "</strong> et votre mot de passe (en minuscules ou majuscules, peu importe).</p>\n"
            "<p>Besoin d'un coup de main ? Lisez l'<a href=\"/onlinehelp.html\">aide en ligne</a>.</p>");
}

} // namespace jaserelle::community
