#include "client/server/payloadfields.h"

#include <QVarLengthArray>
#include <algorithm>

namespace jaserelle::client {

bool splitCommaFields(QStringView text, std::span<QStringView *const> leading, QStringView &last)
{
    qsizetype pos = 0;
    for (QStringView *field : leading) {
        const qsizetype comma = std::find(text.begin() + pos, text.end(), u',') - text.begin();
        if (comma == text.size())
            return false;
        *field = text.sliced(pos, comma - pos);
        pos = comma + 1;
    }
    last = text.sliced(pos);
    return true;
}

bool splitCommaFields(QStringView text, std::span<QString *const> leading, QString &last)
{
    // Nothing is written unless the whole record is there.
    QVarLengthArray<QStringView, 8> views(leading.size());
    QVarLengthArray<QStringView *, 8> targets;
    for (QStringView &view : views)
        targets.append(&view);
    QStringView rest;
    if (!splitCommaFields(text, std::span<QStringView *const>(targets.data(), targets.size()), rest))
        return false;
    for (std::size_t i = 0; i < leading.size(); ++i)
        *leading[i] = views[i].toString();
    last = rest.toString();
    return true;
}

} // namespace jaserelle::client
