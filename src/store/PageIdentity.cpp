#include "store/PageIdentity.h"

#include "store/PageRecord.h"

#include <QCryptographicHash>
#include <QRandomGenerator>

namespace orvelan {

namespace {

int identityOffset() {
    return specOf(Field::Reserved).offset + PageId::ReservedOffset;
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
    return ok ? PageId(value) : PageId();
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

PageId pageIdOf(QByteArrayView storedRecord) {
    if (storedRecord.size() < RecordSize)
        return {};
    const auto* bytes = reinterpret_cast<const quint8*>(storedRecord.data() + identityOffset());
    quint64 value = 0;
    bool zeroOrSpace = false;
    for (int i = 0; i < PageId::Size; ++i) {
        zeroOrSpace = zeroOrSpace || bytes[i] == 0 || bytes[i] == 0x20;
        value = (value << 8) | bytes[i];
    }
    // Identities never hold a zero byte or a space: anything else is not one of ours.
    return zeroOrSpace ? PageId() : PageId::fromValue(value);
}

void setPageId(QByteArray& storedRecord, PageId id) {
    if (storedRecord.size() < RecordSize)
        return;
    char* bytes = storedRecord.data() + identityOffset();
    quint64 value = id.value();
    for (int i = PageId::Size - 1; i >= 0; --i) {
        bytes[i] = static_cast<char>(value & 0xff);
        value >>= 8;
    }
}

} // namespace orvelan
