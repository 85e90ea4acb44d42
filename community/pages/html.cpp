#include "community/pages/html.h"

namespace jaserelle::community {

std::string htmlEscape(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&#39;"; break;
        default: out += c;
        }
    }
    return out;
}

std::string pageFrame(std::string_view title, std::string_view body)
{
    std::string out = R"(<!DOCTYPE html>
<html lang="fr">
<head>
<meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<title>)";
    out += htmlEscape(title);
    out += R"(</title>
<style>
body { font-family: "DejaVu Sans", Verdana, sans-serif; background: #fdf3f7; color: #2b2233; margin: 0; }
header { background: #8c2f63; color: #fff; padding: 1.2em 2em; }
header h1 { margin: 0; font-size: 1.8em; letter-spacing: 0.05em; }
header p { margin: 0.3em 0 0; opacity: 0.9; }
nav a { color: #fff; margin-right: 1.2em; }
main { max-width: 52em; margin: 1.5em auto; background: #fff; padding: 1.5em 2em; border-radius: 8px;
       box-shadow: 0 1px 4px rgba(0,0,0,0.15); }
h2 { color: #8c2f63; }
fieldset { border: 1px solid #e2c6d6; border-radius: 6px; margin: 1em 0; }
legend { color: #8c2f63; font-weight: bold; }
label { display: inline-block; min-width: 13em; margin: 0.3em 0; }
input, select { font: inherit; padding: 0.15em 0.3em; }
.errors { background: #fde2e2; border: 1px solid #d9534f; padding: 0.5em 1.5em; border-radius: 6px; }
.ok { background: #e5f6e5; border: 1px solid #5cb85c; padding: 0.5em 1.5em; border-radius: 6px; }
.hint { color: #6d5f75; font-size: 0.9em; }
button { font: inherit; background: #8c2f63; color: #fff; border: 0; padding: 0.5em 1.5em; border-radius: 4px; }
dt { font-weight: bold; margin-top: 0.8em; }
footer { text-align: center; color: #6d5f75; font-size: 0.85em; margin-bottom: 2em; }
</style>
</head>
<body>
<header><h1>Jaserelle</h1><p>La communauté qui aime bavarder</p>
<nav><a href="/">Accueil et inscription</a><a href="/onlinehelp.html">Aide en ligne</a></nav></header>
<main>
)";
    out += body;
    out += R"(
</main>
<footer>Jaserelle — serveur de la communauté</footer>
</body>
</html>
)";
    return out;
}

} // namespace jaserelle::community
