#include "client/server/wiretext.h"

#include "common/cp1252.h"

namespace jaserelle::client {

namespace wiretext {

QByteArray toWire(const QString &text)
{
    QByteArray out(text.size(), Qt::Uninitialized);
    const std::u16string_view units(reinterpret_cast<const char16_t *>(text.utf16()),
                                    static_cast<std::size_t>(text.size()));
    out.truncate(jaserelle::cp1252::fromUtf16(units, out.data()) - out.data());
    return out;
}

QString fromWire(QByteArrayView bytes)
{
    // Latin-1 widening is vectorised; the few bytes where Windows-1252 differs are fixed after.
    QString out = QString::fromLatin1(bytes.data(), bytes.size());
    jaserelle::cp1252::fromLatin1Widening(
        std::span(reinterpret_cast<char16_t *>(out.data()), static_cast<std::size_t>(out.size())));
    return out;
}

} // namespace wiretext

} // namespace jaserelle::client
