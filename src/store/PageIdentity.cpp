#include "store/PageIdentity.h"

#include "store/PageEncoding.h"
#include "store/PageRecord.h"

#include <QCryptographicHash>
#include <QRandomGenerator>

#include <algorithm>

namespace orvelan {

namespace {

int reservedOffset() {
    return specOf(Field::Reserved).offset;
}

// Maps any byte onto 1..255 except 0x20, so identity bytes are never zero bytes or spaces.
quint8 identityByte(quint8 byte) {
    const quint8 b = static_cast<quint8>(1 + byte % 254); // 1..254
    return b >= 0x20 ? static_cast<quint8>(b + 1) : b;    // skips 0x20
}

quint64 fromBytes(const quint8* bytes) {
    quint64 value = 0;
    for (int i = 0; i < PageId::Size; ++i)
        value = (value << 8) | identityByte(bytes[i]);
    return value;
}

} // namespace

PageId PageId::fromString(QStringView text) {
    if (text.size() != Size * 2)
        return {};
    bool ok = false;
    const quint64 value = text.toULongLong(&ok, 16);
    return ok && PageId(value).fitsAPage() ? PageId(value) : PageId();
}

bool PageId::fitsAPage() const {
    for (int i = 0; i < Size; ++i) {
        const auto byte = static_cast<quint8>(m_value >> (8 * i));
        if (byte == 0 || byte == 0x20)
            return false;
    }
    return true;
}

PageId PageId::random() {
    quint8 bytes[Size];
    for (quint8& b : bytes)
        b = static_cast<quint8>(QRandomGenerator::system()->bounded(256));
    return PageId(fromBytes(bytes));
}

PageId PageId::derivedFrom(QByteArrayView text) {
    const QByteArray digest = QCryptographicHash::hash(text, QCryptographicHash::Sha256);
    return PageId(fromBytes(reinterpret_cast<const quint8*>(digest.constData())));
}

QString PageId::toString() const {
    return QStringLiteral("%1").arg(m_value, Size * 2, 16, QLatin1Char('0'));
}

PageId pageIdOfReserved(QByteArrayView reserved) {
    if (reserved.size() != ReservedWidth || reserved[0] != PageId::Tag ||
        (reserved[1] != PageId::Utf8Flag && reserved[1] != PageId::ScsuFlag &&
         reserved[1] != PageId::Windows1252Flag))
        return {};
    quint64 value = 0;
    for (int i = 0; i < PageId::Size; ++i)
        value = (value << 8) | static_cast<quint8>(reserved[2 + i]);
    const PageId id = PageId::fromValue(value);
    return id.fitsAPage() ? id : PageId();
}

PageId pageIdOf(QByteArrayView storedRecord) {
    if (storedRecord.size() < RecordSize)
        return {};
    return pageIdOfReserved(storedRecord.sliced(reservedOffset(), ReservedWidth));
}

void setPageId(QByteArray& storedRecord, PageId id) {
    if (storedRecord.size() < RecordSize)
        return;
    const TextEncoding encoding = encodingOfStored(storedRecord);
    char* reserved = storedRecord.data() + reservedOffset();
    if (id.isNull()) {
        if (pageIdOf(storedRecord).isNull())
            return;
        const QByteArray plain = reservedFor(encoding);
        std::fill(reserved, reserved + ReservedWidth, '\0');
        std::copy(plain.cbegin(), plain.cend(), reserved);
        return;
    }
    if (!id.fitsAPage())
        return;
    reserved[0] = PageId::Tag;
    reserved[1] = encoding == TextEncoding::Utf8   ? PageId::Utf8Flag
                  : encoding == TextEncoding::Scsu ? PageId::ScsuFlag
                                                   : PageId::Windows1252Flag;
    quint64 value = id.value();
    for (int i = PageId::Size - 1; i >= 0; --i) {
        reserved[2 + i] = static_cast<char>(value & 0xff);
        value >>= 8;
    }
}

} // namespace orvelan
