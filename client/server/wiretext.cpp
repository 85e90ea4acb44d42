#include "client/server/wiretext.h"

#include "common/cp1252.h"

#include <QList>

namespace wiretext {

QByteArray toWire(const QString &text)
{
    QByteArray out;
    out.reserve(text.size());
    const auto ucs4 = text.toUcs4();
    for (char32_t cp : ucs4) {
        const auto byte = jaserelle::cp1252::fromUnicode(cp);
        out.append(byte ? static_cast<char>(*byte) : '?');
    }
    return out;
}

QString fromWire(QByteArrayView bytes)
{
    QString out;
    out.reserve(bytes.size());
    for (char c : bytes)
        out.append(QChar(static_cast<char16_t>(jaserelle::cp1252::toUnicode(static_cast<unsigned char>(c)))));
    return out;
}

} // namespace wiretext
