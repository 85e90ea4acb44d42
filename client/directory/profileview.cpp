#include "client/directory/profileview.h"

#include "client/shell/frmmain.h"
#include "client/shell/imagelists.h"

#include <QBuffer>
#include <QGroupBox>
#include <QImageReader>
#include <QLabel>
#include <QTabWidget>

namespace jaserelle::client {

namespace profileview {

namespace {

constexpr int profilTabIndex = 2;
constexpr char pictureProperty[] = "profilePicture";

void remember(QLabel &box, Picture picture)
{
    box.setProperty(pictureProperty, int(picture));
}

} // namespace

void showTexts(FrmMain &main, const QList<std::pair<QString, QString>> &texts)
{
    if (auto *tabs = main.control<QTabWidget>(QStringLiteral("ssTab")))
        tabs->setCurrentIndex(profilTabIndex);
    for (const auto &[name, text] : texts) {
        if (auto *frame = main.control<QGroupBox>(name))
            frame->setTitle(text);
        else if (auto *label = main.control<QLabel>(name))
            label->setText(text);
    }
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
