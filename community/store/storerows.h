#pragma once

#include "community/store/store.h"

#include <optional>
#include <string>
#include <string_view>

// What both stores share once a row is read: the column lists they select, the order the fields
// come in, and the few value rules that are not SQL. Each store keeps its own statements.
//
// A Row is anything with text(col) and integer(col) for the current row.

// Every column of a member, in the order writeMember hands them out and readMember reads them.
#define JASERELLE_MEMBER_COLUMNS                                                                             \
    "pseudo, password_hash, sex, birth_date, postal_code, region, first_name, town, height_cm, "             \
    "weight_kg, hair, eyes, ethnicity, style, smoker, marital_status, children, has_photo, permitted, "      \
    "last_connection"
// The columns of a list row, members aliased m, in the order readSummary reads them.
#define JASERELLE_SUMMARY_COLUMNS "m.pseudo, m.sex, m.birth_date, m.postal_code, m.has_photo, m.permitted"
// The columns of a mail, mails aliased m, in the order readMail reads them.
#define JASERELLE_MAIL_COLUMNS "m.id, m.sender, m.sent_date, m.sent_time, coalesce(m.subject, ''), m.body"

namespace jaserelle::community {

inline const char *listName(ListKind list)
{
    return list == ListKind::Favoris ? "favoris" : "listenoire";
}

// An empty subject is stored as NULL.
inline std::optional<std::string> storedSubject(const Mail &m)
{
    return m.subject.empty() ? std::optional<std::string>() : std::optional<std::string>(m.subject);
}

// Calls put(value) for each column of JASERELLE_MEMBER_COLUMNS, in order.
template <typename Put> void writeMember(const Member &m, Put &&put)
{
    const Profile &p = m.profile;
    put(m.pseudo);
    put(m.passwordHash);
    put(m.sex);
    put(m.birthDate);
    put(m.postalCode);
    put(p.region);
    put(p.firstName);
    put(p.town);
    put(p.heightCm);
    put(p.weightKg);
    put(p.hair);
    put(p.eyes);
    put(p.ethnicity);
    put(p.style);
    put(p.smoker);
    put(p.maritalStatus);
    put(p.children);
    put(m.hasPhoto);
    put(m.permitted);
    put(m.lastConnection);
}

template <typename Row> Member readMember(Row &r)
{
    Member m;
    m.pseudo = r.text(0);
    m.passwordHash = r.text(1);
    m.sex = r.text(2);
    m.birthDate = r.text(3);
    m.postalCode = r.text(4);
    Profile &p = m.profile;
    p.region = r.text(5);
    p.firstName = r.text(6);
    p.town = r.text(7);
    p.heightCm = static_cast<int>(r.integer(8));
    p.weightKg = static_cast<int>(r.integer(9));
    p.hair = r.text(10);
    p.eyes = r.text(11);
    p.ethnicity = r.text(12);
    p.style = r.text(13);
    p.smoker = r.text(14);
    p.maritalStatus = r.text(15);
    p.children = static_cast<int>(r.integer(16));
    m.hasPhoto = r.integer(17) != 0;
    m.permitted = r.integer(18) != 0;
    m.lastConnection = r.text(19);
    return m;
}

template <typename Row> MemberSummary readSummary(Row &r)
{
    MemberSummary m;
    m.pseudo = r.text(0);
    m.sex = r.text(1);
    m.birthDate = r.text(2);
    m.postalCode = r.text(3);
    m.hasPhoto = r.integer(4) != 0;
    m.permitted = r.integer(5) != 0;
    return m;
}

template <typename Row> Mail readMail(Row &r, std::string_view recipient)
{
    Mail m;
    m.id = r.integer(0);
    m.sender = r.text(1);
    m.recipient = std::string(recipient);
    m.date = r.text(2);
    m.time = r.text(3);
    m.subject = r.text(4);
    m.text = r.text(5);
    return m;
}

} // namespace jaserelle::community
