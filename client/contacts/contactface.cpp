#include "client/contacts/contactface.h"

#include <QTreeWidgetItem>

static_assert(contactface::FaceRole == Qt::UserRole + 20);

namespace contactface {

void setFace(QTreeWidgetItem *row, bool man, bool colour)
{
    row->setData(0, FaceRole, faceNumber(man, colour));
}

int face(const QTreeWidgetItem *row)
{
    return row->data(0, FaceRole).toInt();
}

} // namespace contactface
