#pragma once

class QTreeWidgetItem;

// The face shown at the start of a member row: a man's or a woman's, in colour or in grey. It
// says nothing of presence, which is the row's text colour.
namespace contactface {

// The picture's number in the face set: 1 man in colour, 2 woman in colour, 3 man in grey,
// 4 woman in grey. Kept on the row so the face can be read back without comparing pictures.
inline constexpr int FaceRole = 0x0100 + 20; // Qt::UserRole + 20, clear of the row's other roles

constexpr int faceNumber(bool man, bool colour)
{
    return colour ? (man ? 1 : 2) : (man ? 3 : 4);
}

void setFace(QTreeWidgetItem *row, bool man, bool colour);
int face(const QTreeWidgetItem *row); // 0 before any face was set

} // namespace contactface
