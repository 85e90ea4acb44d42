#include "client/shell/fixeddialog.h"

#include "client/assets/artwork.h"

#include <QWidget>

namespace jaserelle::client {

void makeDialogFrame(QWidget &dialog)
{
    dialog.setWindowIcon(artwork::icon(artwork::windowIcon));
    dialog.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint);
}

void makeFixedDialog(QWidget &dialog)
{
    makeDialogFrame(dialog);
    dialog.setFixedSize(dialog.size());
}

} // namespace jaserelle::client
