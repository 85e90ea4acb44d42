#pragma once

#include <QByteArray>

class QLabel;

namespace jaserelle::client {

struct ProfilePane;
struct ProfileTexts;

// The "Profil" tab of the main window: its lines, and the picture box with either a placeholder of
// imglProfil or the member's photo.
namespace profileview {

enum Picture
{
    Photo = 0,
    NoPhoto = 1, // imglProfil's first picture
    Loading = 2, // imglProfil's second picture
};

// Brings the tab forward and writes the texts into their controls.
void showTexts(const ProfilePane &pane, const ProfileTexts &texts);
void showPlaceholder(QLabel &box, Picture placeholder);
// Decodes the JPEG from memory and shows it, shrunk to the box when it is larger; false, with the
// box untouched, when the bytes are not a picture.
bool showPhoto(QLabel &box, const QByteArray &jpeg);
// What the box shows now; NoPhoto before anything was shown.
Picture shown(const QLabel &box);

} // namespace profileview

} // namespace jaserelle::client
