#pragma once

#include <QColor>
#include <QCursor>
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QSize>
#include <QString>
#include <string_view>
#include <vector>

namespace jaserelle::client {

// Every picture the client shows, drawn as SVG and compiled into the executable. Code names a
// picture through this header only, never by a literal resource path, so a renamed file is a
// compile error instead of a blank widget.
namespace artwork {

struct Picture
{
    std::string_view path; // Qt resource path
    QSize size;            // size in logical pixels where the window shows it
};

// Login window, about box, notice window and every window's title bar.
inline constexpr Picture windowIcon{":/artwork/window-icon.svg", {32, 32}};
inline constexpr Picture logo{":/artwork/logo.svg", {64, 64}};
inline constexpr Picture secure{":/artwork/secure.svg", {64, 64}};

// Contact rows: a face chosen by sex and by the record's colour flag.
inline constexpr Picture faceManColour{":/artwork/face-man-colour.svg", {25, 25}};
inline constexpr Picture faceWomanColour{":/artwork/face-woman-colour.svg", {25, 25}};
inline constexpr Picture faceManGrey{":/artwork/face-man-grey.svg", {25, 25}};
inline constexpr Picture faceWomanGrey{":/artwork/face-woman-grey.svg", {25, 25}};

// Mail indicator of the main window.
inline constexpr Picture envelopeYellow{":/artwork/envelope-yellow.svg", {32, 32}};
inline constexpr Picture envelopeGrey{":/artwork/envelope-grey.svg", {32, 32}};
inline constexpr Picture handCursorPicture{":/artwork/cursor-hand.svg", {32, 32}};

// The sign of the favourites (sun), of the black list (cloud), and the call picture.
inline constexpr Picture cloud{":/artwork/cloud.svg", {32, 32}};
inline constexpr Picture sun{":/artwork/sun.svg", {32, 32}};
inline constexpr Picture telephone{":/artwork/telephone.svg", {32, 32}};

// Profile tab, until a member's photo is there.
inline constexpr Picture profileNoPhoto{":/artwork/profile-no-photo.svg", {197, 187}};
inline constexpr Picture profileLoading{":/artwork/profile-loading.svg", {197, 187}};

// Conversation window and incoming-call notification.
inline constexpr Picture colourButton{":/artwork/colour-button.svg", {16, 16}};
inline constexpr Picture incomingCall{":/artwork/incoming-call.svg", {48, 48}};

inline constexpr QSize padPictureSize{32, 32};
// A smiley goes on the clipboard as a bitmap of this size (a 375-twip box), and from there into
// the message's RTF.
inline constexpr QSize smileyBitmapSize{25, 25};

Picture face(bool man, bool colour);
Picture envelope(bool mailsWaiting);
Picture smiley(std::size_t index);   // smiley pad, 0 to 17
Picture soundPad(std::size_t index); // sound pad, 0 to 17, same index as the sound command
std::vector<Picture> all();          // every picture above, the pads included

QString resourcePath(const Picture &picture);

// The picture at `logicalSize` (its own size when empty), sharp on a screen of ratio `dpr`.
QPixmap pixmap(const Picture &picture, qreal dpr = 1.0, QSize logicalSize = {});
// An icon that stays sharp at any size a style asks for.
QIcon icon(const Picture &picture);
// An opaque bitmap of exactly `pixelSize`, for pictures that leave the client inside a message.
QImage bitmap(const Picture &picture, QSize pixelSize, QColor background = Qt::white);
QImage smileyBitmap(std::size_t index);
// The hand shown over the envelope while mails wait; its hot spot is the fingertip.
QCursor handCursor(qreal dpr = 1.0);

} // namespace artwork

// The resources live in a static library: the executable (or a test) calls this once before any
// picture is used, or the linker drops them.
void initArtwork();

} // namespace jaserelle::client
