#include "client/directory/profileview.h"

#include "client/directory/profilereply.h"
#include "client/shell/imagelists.h"
#include "client/shell/mainpanes.h"

#include <QBuffer>
#include <QGroupBox>
#include <QImageReader>
#include <QLabel>
#include <QTabWidget>
#include <array>

namespace jaserelle::client {

namespace profileview {

namespace {

// The label of each line, in the order of ProfileLine.
constexpr std::array<QLabel * ProfilePane::*, profileLineCount> lineLabels = {
    &ProfilePane::sexe,    &ProfilePane::age,    &ProfilePane::dept,    &ProfilePane::prenom,
    &ProfilePane::ville,   &ProfilePane::region, &ProfilePane::taille,  &ProfilePane::poids,
    &ProfilePane::cheveux, &ProfilePane::yeux,   &ProfilePane::ethnie,  &ProfilePane::style,
    &ProfilePane::fumeur,  &ProfilePane::statut, &ProfilePane::enfants, &ProfilePane::lastConnect,
};

constexpr char pictureProperty[] = "profilePicture";

void remember(QLabel &box, Picture picture)
{
    box.setProperty(pictureProperty, int(picture));
}

} // namespace

void showTexts(const ProfilePane &pane, const ProfileTexts &texts)
{
    pane.tabs->setCurrentWidget(pane.page);
    pane.frame->setTitle(texts.caption);
    for (std::size_t i = 0; i < lineLabels.size(); ++i)
        (pane.*lineLabels[i])->setText(texts.lines[i]);
}

void showPlaceholder(QLabel &box, Picture placeholder)
{
    box.setPixmap(artwork::pixmap(imagelists::imglProfil(placeholder), box.devicePixelRatioF()));
    remember(box, placeholder);
}

bool showPhoto(QLabel &box, const QByteArray &jpeg)
{
    QBuffer buffer;
    buffer.setData(jpeg);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "jpeg");
    const QSize size = reader.size();
    if (!size.isValid() || size.isEmpty())
        return false;
    // Decoding straight to the box's size also keeps a picture of absurd dimensions from taking
    // the memory its full size would.
    const QSize room = box.contentsRect().size();
    if (!room.isEmpty() && (size.width() > room.width() || size.height() > room.height()))
        reader.setScaledSize(size.scaled(room, Qt::KeepAspectRatio));
    const QImage image = reader.read();
    if (image.isNull())
        return false;
    box.setPixmap(QPixmap::fromImage(image));
    remember(box, Photo);
    return true;
}

Picture shown(const QLabel &box)
{
    const QVariant picture = box.property(pictureProperty);
    return picture.isValid() ? Picture(picture.toInt()) : NoPhoto;
}

} // namespace profileview

} // namespace jaserelle::client
