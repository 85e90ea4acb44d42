#pragma once

#include <QString>
#include <QStringView>
#include <array>

namespace jaserelle::client {

// The profile fields in the order the server writes them after "HERESTARTREQUIREDPROFIL", each
// ended by a comma.
enum class ProfileField
{
    Prenom,
    Ville,
    Region,
    Taille,
    Poids,
    Cheveux,
    Yeux,
    Ethnie,
    Style,
    Fumeur,
    Statut,
    Enfants,
    PhotoFlag,
    LastConnect,
    Count
};

inline constexpr int profileFieldCount = int(ProfileField::Count);

struct ProfileReply
{
    // Fields the reply did not carry read as their empty marker ("NULL", "0", "-1", "").
    std::array<QString, profileFieldCount> fields;
    bool complete = false; // all fourteen fields were there, each with its comma
    QString rest;          // what the handlers after this one see: the text after the last field read

    const QString &field(ProfileField f) const { return fields[std::size_t(f)]; }
    bool hasPhoto() const { return field(ProfileField::PhotoFlag) == u"1"; }
};

// Reads the fields that follow the keyword. A reply cut short keeps what it held; nothing is read
// past the end of the text.
ProfileReply parseProfileReply(QStringView reply);

// The list row the profile was asked from: the lines the profile reply does not carry.
struct ProfileRow
{
    QString pseudo;
    QString age;
    QString departement;
    QString sexe; // "H" or "F" as the row shows it
};

// The marital status as shown to the user, agreed with the member's sex ("F" takes the feminine;
// any other value of the row, the masculine, as the "Sexe" line reads it).
QString maritalStatusWord(const QString &value, const QString &sexe);

// "2002-11-05" -> "05/11/2002"; "" when the text does not have two "-".
QString profileDate(const QString &serverDate);

// The lines of the "Profil" tab under the picture, top to bottom.
enum class ProfileLine
{
    Sexe,
    Age,
    Dept,
    Prenom,
    Ville,
    Region,
    Taille,
    Poids,
    Cheveux,
    Yeux,
    Ethnie,
    Style,
    Fumeur,
    Statut,
    Enfants,
    LastConnect,
    Count
};

inline constexpr int profileLineCount = int(ProfileLine::Count);

struct ProfileTexts
{
    QString caption; // the frame's title
    std::array<QString, profileLineCount> lines;

    const QString &line(ProfileLine l) const { return lines[std::size_t(l)]; }
};

// Every text of the "Profil" tab for a reply and the row it was asked from.
ProfileTexts profileTexts(const ProfileReply &reply, const ProfileRow &row);

} // namespace jaserelle::client
