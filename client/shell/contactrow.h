#pragma once

#include <QColor>
#include <QTreeWidgetItem>

// One row of lvFavoris, lvListeNoire or lvRecherche: text = pseudo, then age, department, sex and
// the IP address (a hidden column, filled only while the member is connected). Presence is kept
// as a flag beside the text colour, so nothing reads a colour to learn a state.
namespace contactrow {

enum Column
{
    Pseudo = 0,
    Age = 1,
    Departement = 2,
    Sexe = 3,
    Adresse = 4,
    ColumnCount = 5
};

inline constexpr int OnlineRole = Qt::UserRole + 1;

inline QColor onlineColour()
{
    return QColor(0, 0, 0);
}

// Offline rows: a grey that stays readable on a white list background.
inline QColor offlineColour()
{
    return QColor(0x80, 0x80, 0x80);
}

inline bool isOnline(const QTreeWidgetItem *row)
{
    return row && row->data(Pseudo, OnlineRole).toBool();
}

// Colours every cell of the row and records the state.
inline void setOnline(QTreeWidgetItem *row, bool online)
{
    row->setData(Pseudo, OnlineRole, online);
    const QColor colour = online ? onlineColour() : offlineColour();
    for (int c = 0; c < ColumnCount; ++c)
        row->setForeground(c, colour);
}

} // namespace contactrow
