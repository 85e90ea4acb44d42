// Renders every picture of the client at 1x and 2x into one PNG sheet, with its file name, so the
// whole set can be judged side by side: gallery [output.png]
#include "client/assets/artwork.h"
#include "client/conversation/smileys.h"
#include "client/conversation/soundcommands.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cstdio>

using namespace jaserelle::client;

using namespace jaserelle;

namespace {

constexpr int sheetWidth = 1500;
constexpr int margin = 16;
constexpr int labelHeight = 18;
const QColor buttonFace(0xf0, 0xf0, 0xf0);

struct Cursor
{
    int x = margin;
    int y = margin;
    int rowHeight = 0;
};

void place(QPainter &p, Cursor &at, const QString &label, const QList<QPixmap> &shots, bool dark = false)
{
    int width = 0;
    int height = 0;
    for (const auto &shot : shots) {
        const QSize logical = shot.deviceIndependentSize().toSize();
        width += logical.width() + 8;
        height = std::max(height, logical.height());
    }
    width = std::max(width + 8, p.fontMetrics().horizontalAdvance(label) + 12);
    const int cellHeight = height + 16 + labelHeight;
    if (at.x + width > sheetWidth - margin) {
        at.x = margin;
        at.y += at.rowHeight + 10;
        at.rowHeight = 0;
    }
    p.fillRect(at.x, at.y, width, height + 16, dark ? QColor(0x40, 0x40, 0x48) : buttonFace);
    int x = at.x + 8;
    for (const auto &shot : shots) {
        const QSize logical = shot.deviceIndependentSize().toSize();
        p.drawPixmap(QPoint(x, at.y + 8 + (height - logical.height()) / 2), shot);
        x += logical.width() + 8;
    }
    p.setPen(Qt::black);
    p.drawText(QRect(at.x, at.y + height + 16, width, labelHeight), Qt::AlignCenter, label);
    at.x += width + 10;
    at.rowHeight = std::max(at.rowHeight, cellHeight);
}

void heading(QPainter &p, Cursor &at, const QString &text)
{
    if (at.x != margin) {
        at.y += at.rowHeight + 14;
        at.x = margin;
        at.rowHeight = 0;
    }
    QFont f = p.font();
    f.setBold(true);
    f.setPointSizeF(f.pointSizeF() * 1.3);
    p.save();
    p.setFont(f);
    p.drawText(QRect(margin, at.y, sheetWidth, 24), Qt::AlignLeft | Qt::AlignVCenter, text);
    p.restore();
    at.y += 28;
}

QString nameOf(const artwork::Picture &picture)
{
    return QFileInfo(artwork::resourcePath(picture)).completeBaseName();
}

// The sheet is drawn twice: once to measure its height, once for real.
int draw(QPainter &p)
{
    // The 2x rendering is shown at twice the size, so it is judged as a HiDPI screen shows it.
    const auto shots = [](const artwork::Picture &pic) {
        QPixmap twice = artwork::pixmap(pic, 2.0);
        twice.setDevicePixelRatio(1.0);
        return QList<QPixmap>{artwork::pixmap(pic, 1.0), twice};
    };
    Cursor at;
    const auto all = artwork::all();
    heading(p, at, QStringLiteral("Fenêtres, listes, profil  (1x, puis 2x)"));
    for (std::size_t i = 0; i < all.size() - smileyCount - soundCommandCount; ++i)
        place(p, at, nameOf(all[i]), shots(all[i]));
    place(p, at, QStringLiteral("window-icon (sur fond sombre)"), shots(artwork::windowIcon), true);
    // Title bars and task bars ask for other sizes than the drawing's own.
    QList<QPixmap> iconSizes;
    for (const int side : {16, 24, 48})
        iconSizes.append(artwork::pixmap(artwork::windowIcon, 1.0, QSize(side, side)));
    place(p, at, QStringLiteral("window-icon 16, 24, 48"), iconSizes);
    heading(p, at, QStringLiteral("Smileys"));
    for (std::size_t i = 0; i < smileyCount; ++i)
        place(p, at, QStringLiteral("%1 %2").arg(i).arg(nameOf(artwork::smiley(i))),
              shots(artwork::smiley(i)));
    heading(p, at, QStringLiteral("Smileys tels qu'envoyés dans un message (bitmap 25x25)"));
    for (std::size_t i = 0; i < smileyCount; ++i)
        place(p, at, QString::number(i), {QPixmap::fromImage(artwork::smileyBitmap(i))});
    heading(p, at, QStringLiteral("Boutons du pad de sons"));
    for (std::size_t i = 0; i < soundCommandCount; ++i)
        place(p, at, QStringLiteral("%1 %2").arg(i).arg(nameOf(artwork::soundPad(i))),
              shots(artwork::soundPad(i)));
    // The 1x pixels blown up, to judge how crisp the small pictures are on an ordinary screen.
    heading(p, at, QStringLiteral("Petites images en 1x, pixels agrandis 3 fois"));
    for (const auto &pic : all) {
        if (pic.size.width() > 48)
            continue;
        const QPixmap one = artwork::pixmap(pic, 1.0);
        place(p, at, nameOf(pic),
              {one.scaled(one.size() * 3, Qt::IgnoreAspectRatio, Qt::FastTransformation)});
    }
    return at.y + at.rowHeight + margin;
}

} // namespace

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    initArtwork();
    const QString output = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("gallery.png");

    QImage probe(sheetWidth, 10, QImage::Format_RGB32);
    QPainter measure(&probe);
    const int height = draw(measure);
    measure.end();

    QImage sheet(sheetWidth, height, QImage::Format_RGB32);
    sheet.fill(Qt::white);
    QPainter painter(&sheet);
    painter.setRenderHint(QPainter::Antialiasing);
    draw(painter);
    painter.end();
    if (!sheet.save(output)) {
        std::fprintf(stderr, "gallery: cannot write %s\n", qPrintable(output));
        return 1;
    }
    std::printf("%s\n", qPrintable(output));
    return 0;
}
