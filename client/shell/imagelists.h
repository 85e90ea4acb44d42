#pragma once

#include "client/assets/artwork.h"

namespace jaserelle::client {

// The main window's image lists, by the positions the rest of the client knows their pictures by
// (counted from 1). A position outside a list gives its first picture.
namespace imagelists {

// Faces of the member rows: 1 man, 2 woman (coloured), 3 man, 4 woman (grey).
inline artwork::Picture imglListes(int index)
{
    switch (index) {
    case 2:
        return artwork::faceWomanColour;
    case 3:
        return artwork::faceManGrey;
    case 4:
        return artwork::faceWomanGrey;
    default:
        return artwork::faceManColour;
    }
}

// The mail indicator: 1 yellow envelope (mails wait), 2 grey envelope.
inline artwork::Picture imglMails(int index)
{
    return index == 2 ? artwork::envelopeGrey : artwork::envelopeYellow;
}

// 1 a cloud (the black list), 2 a sun (the favourites), 3 a telephone.
inline artwork::Picture imglGeneral(int index)
{
    switch (index) {
    case 2:
        return artwork::sun;
    case 3:
        return artwork::telephone;
    default:
        return artwork::cloud;
    }
}

// The profile picture until a photo is there: 1 no photo for this member, 2 photo on its way.
inline artwork::Picture imglProfil(int index)
{
    return index == 2 ? artwork::profileLoading : artwork::profileNoPhoto;
}

} // namespace imagelists

} // namespace jaserelle::client
