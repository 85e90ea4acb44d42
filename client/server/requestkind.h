#pragma once

#include <QtGlobal>

namespace jaserelle::client {

// The server request in flight. The numbers are the ones the rest of the system knows them by.
enum class RequestKind : qint16
{
    Login = 0,
    Logoff = 1,
    Refresh = 2,
    AddFavoris = 3,
    AddListeNoire = 4,
    RemoveFavoris = 5,
    RemoveListeNoire = 6,
    Profil = 7,
    Photo = 8,
    SearchPseudo = 9,
    SearchCriteres = 10,
    SendMail = 11,
    ReadMails = 12,
    DeleteMail = 13,
};

inline constexpr int requestKindCount = 14;

} // namespace jaserelle::client
