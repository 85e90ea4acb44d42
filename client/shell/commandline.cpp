#include "client/shell/commandline.h"

#include <cstdio>
#include <string_view>

namespace jaserelle::client {

#ifndef JASERELLE_VERSION
#define JASERELLE_VERSION "dev"
#endif

std::optional<int> answerCommandLine(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--version") {
            std::printf("jaserelle %s\n", JASERELLE_VERSION);
            return 0;
        }
        if (arg == "--help" || arg == "-h") {
            std::printf("Usage : jaserelle\n"
                        "La messagerie des membres de la communauté Jaserelle.\n\n"
                        "Le serveur et le réglage des sons se lisent dans jaserelle.ini : à côté du\n"
                        "programme s'il y en a un (copie portable), sinon dans\n"
                        "$XDG_CONFIG_HOME/jaserelle/ (~/.config/jaserelle/), créé au premier démarrage\n"
                        "depuis /etc/jaserelle/jaserelle.ini ou share/jaserelle/jaserelle.ini.\n\n"
                        "  --help     affiche cette aide\n"
                        "  --version  affiche la version\n\n"
                        "Voir aussi jaserelle(1).\n");
            return 0;
        }
    }
    return std::nullopt;
}

} // namespace jaserelle::client
