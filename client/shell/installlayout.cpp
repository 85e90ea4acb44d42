#include "client/shell/installlayout.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace jaserelle::client {

using namespace Qt::StringLiterals;

#ifndef JASERELLE_DATA_FROM_BIN
#define JASERELLE_DATA_FROM_BIN "../share/jaserelle"
#endif

namespace {

QString installedDataDir(const QString &exeDir)
{
    return QDir::cleanPath(QDir(exeDir).filePath(QStringLiteral(JASERELLE_DATA_FROM_BIN)));
}

} // namespace

ClientFiles locateClientFiles(const QString &exeDir, const QString &userConfigDir,
                              const QStringList &systemInis)
{
    if (QFileInfo::exists(QDir(exeDir).filePath(u"jaserelle.ini"_s)))
        return {exeDir, {}, exeDir};
    ClientFiles files;
    files.configDir = userConfigDir;
    for (const QString &candidate : systemInis) {
        if (QFileInfo::exists(candidate)) {
            files.seedIni = candidate;
            break;
        }
    }
    const QString shared = installedDataDir(exeDir);
    files.dataDir = QFileInfo::exists(QDir(shared).filePath(u"sons"_s)) ? shared : exeDir;
    return files;
}

ClientFiles locateClientFiles(const QString &exeDir)
{
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return locateClientFiles(
        exeDir, QDir(config).filePath(u"jaserelle"_s),
        {u"/etc/jaserelle/jaserelle.ini"_s, QDir(installedDataDir(exeDir)).filePath(u"jaserelle.ini"_s)});
}

} // namespace jaserelle::client
