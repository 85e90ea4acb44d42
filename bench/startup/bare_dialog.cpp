// The yardstick of the start-up benchmark: the least a Qt Widgets program does to put a dialog on
// the screen, measured through the same hook as the client.
#include "client/shell/exposeprobe.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QVBoxLayout>

using namespace jaserelle::client;

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    installExposeProbe();
    QDialog dialog;
    dialog.setWindowTitle(QStringLiteral("bare"));
    auto *layout = new QVBoxLayout(&dialog);
    layout->addWidget(new QLabel(QStringLiteral("Bonjour"), &dialog));
    dialog.show();
    return QApplication::exec();
}
