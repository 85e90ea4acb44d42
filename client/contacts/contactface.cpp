#include "client/contacts/contactface.h"

#include "client/assets/artwork.h"

#include <QTreeWidgetItem>

static_assert(contactface::FaceRole == Qt::UserRole + 20);

namespace contactface {

void setFace(QTreeWidgetItem *row, bool man, bool colour)
{
    row->setData(0, FaceRole, faceNumber(man, colour));
    row->setIcon(0, jaserelle::artwork::icon(jaserelle::artwork::face(man, colour)));
}

int face(const QTreeWidgetItem *row)
{
    return row->data(0, FaceRole).toInt();
}

} // namespace contactface
