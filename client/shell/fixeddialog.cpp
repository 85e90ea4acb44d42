#include "client/shell/fixeddialog.h"

#include "client/assets/artwork.h"

#include <QWidget>

void makeFixedDialog(QWidget &dialog)
{
    namespace artwork = jaserelle::artwork;
    dialog.setWindowIcon(artwork::icon(artwork::windowIcon));
    dialog.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint);
    dialog.setFixedSize(dialog.size());
}
