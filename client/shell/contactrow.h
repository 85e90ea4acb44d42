#pragma once

#include <QBrush>
#include <QColor>
#include <QPalette>
#include <QTreeWidgetItem>

namespace jaserelle::client {

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

// Offline rows: the list's text colour faded two fifths of the way towards its background, so
// they stay readable and dimmer than online rows on light and dark palettes alike.
inline QColor offlineColour(const QPalette &palette)
{
    const QColor text = palette.color(QPalette::Text);
    const QColor base = palette.color(QPalette::Base);
    auto mix = [](int t, int b) { return (t * 3 + b * 2) / 5; };
    return QColor(mix(text.red(), base.red()), mix(text.green(), base.green()),
                  mix(text.blue(), base.blue()));
}

inline bool isOnline(const QTreeWidgetItem *row)
{
    return row && row->data(Pseudo, OnlineRole).toBool();
}

// Colours every cell of the row and records the state. Online rows take the palette's own text
// colour (no brush of their own), so they follow the theme. A row already in that state is left
// untouched: a steady refresh repaints nothing.
inline void setOnline(QTreeWidgetItem *row, bool online, const QPalette &palette = QPalette())
{
    const QVariant was = row->data(Pseudo, OnlineRole);
    if (was.isValid() && was.toBool() == online)
        return;
    row->setData(Pseudo, OnlineRole, online);
    const QVariant colour = online ? QVariant() : QVariant(QBrush(offlineColour(palette)));
    for (int c = 0; c < ColumnCount; ++c) {
        if (c != Adresse)
            row->setData(c, Qt::ForegroundRole, colour);
    }
}

// The address column is painted in the list's own background: never seen, even in a column the
// user has dragged open.
inline void hideAddress(QTreeWidgetItem *row, const QPalette &palette)
{
    row->setForeground(Adresse, palette.color(QPalette::Base));
}

} // namespace contactrow

} // namespace jaserelle::client
