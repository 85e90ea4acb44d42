#include "client/contacts/contactface.h"

#include "client/assets/artwork.h"
#include "client/shell/imagelists.h"

#include <QTreeWidgetItem>

namespace jaserelle::client {

static_assert(contactface::FaceRole == Qt::UserRole + 20);

namespace contactface {

Faces::Faces()
{
    for (int number = 1; number <= int(icons_.size()); ++number) {
        // The list rows show them at their own size, on ordinary and on dense screens.
        for (const qreal dpr : {1.0, 2.0})
            icons_[number - 1].addPixmap(artwork::pixmap(imagelists::imglListes(number), dpr));
    }
}

void setFace(QTreeWidgetItem *row, bool man, bool colour, const Faces &faces)
{
    if (face(row) == faceNumber(man, colour))
        return; // the icon is not compared by value: setting it again would repaint the row
    row->setData(0, FaceRole, faceNumber(man, colour));
    row->setIcon(0, faces.icon(man, colour));
}

int face(const QTreeWidgetItem *row)
{
    return row->data(0, FaceRole).toInt();
}

} // namespace contactface

} // namespace jaserelle::client
