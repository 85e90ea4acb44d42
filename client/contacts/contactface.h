#pragma once

#include <QIcon>
#include <array>

class QTreeWidgetItem;

namespace jaserelle::client {

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

// The four faces, drawn once: a refresh touches every row, and drawing the pictures anew for
// each would cost far more than the rest of the refresh.
class Faces
{
public:
    Faces();
    const QIcon &icon(bool man, bool colour) const { return icons_[faceNumber(man, colour) - 1]; }

private:
    std::array<QIcon, 4> icons_;
};

void setFace(QTreeWidgetItem *row, bool man, bool colour, const Faces &faces);
int face(const QTreeWidgetItem *row); // 0 before any face was set

} // namespace contactface

} // namespace jaserelle::client
