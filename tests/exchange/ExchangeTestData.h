#pragma once
// What the exchange tests share: the moment they stage pages at, the files they read, and a
// page full of texts.

#include "exchange/vcard/VCardReader.h"
#include "store/PageTexts.h"

#include <QDateTime>
#include <QFile>

inline const QDateTime Now(QDate(2026, 3, 4), QTime(9, 7));

// The bytes of a file; none when it cannot be read.
inline QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// `text` in UTF-16 of either byte order, with or without the byte-order mark.
inline QByteArray utf16(const QString& text, bool bigEndian, bool mark = true) {
    QByteArray bytes = !mark ? QByteArray() : bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (const QChar ch : text) {
        const char high = char(ch.unicode() >> 8);
        const char low = char(ch.unicode() & 0xFF);
        bytes += bigEndian ? QByteArray(1, high) + low : QByteArray(1, low) + high;
    }
    return bytes;
}

// A comma-separated file in the layout another program writes.
inline QByteArray dataFile(const char* name) {
    return fileBytes(QStringLiteral(ORVELAN_EXCHANGE_DATA "/") + QString::fromLatin1(name));
}

// A file of cards as another program writes them.
inline QByteArray vcardSample(const QString& name) {
    return fileBytes(QStringLiteral(VCARD_SAMPLES "/") + name);
}

// Every card of `bytes`, with the damage of each when asked.
inline QList<orvelan::VCard> readCards(QByteArrayView bytes,
                                       QList<orvelan::VCardDamage>* damages = nullptr) {
    orvelan::VCardReader reader(bytes);
    QList<orvelan::VCard> cards;
    orvelan::VCard card;
    orvelan::VCardDamage damage;
    while (reader.next(card, &damage)) {
        cards.append(card);
        if (damages)
            damages->append(damage);
    }
    return cards;
}

// The page text of a record field.
inline constexpr int at(orvelan::Field field) {
    return static_cast<int>(field) - 1;
}

// A page with a text in nearly every field, each with characters an exchange file escapes.
inline orvelan::PageTexts fullPage() {
    orvelan::PageTexts t;
    t[at(orvelan::Field::Name)] = QStringLiteral("Smith, Anna-Maria");
    t[at(orvelan::Field::Addr1)] = QStringLiteral("Flat 2; The Old Mill");
    t[at(orvelan::Field::Addr3)] =
        QStringLiteral("12 High Street, Lower End"); // Addr2 left empty on purpose
    t[at(orvelan::Field::Addr4)] = QStringLiteral("Ambridge");
    t[at(orvelan::Field::Addr6)] = QStringLiteral("AB1 2CD");
    t[at(orvelan::Field::Phone1)] = QStringLiteral("01632 960 001");
    t[at(orvelan::Field::Phone2)] = QStringLiteral("020 7946 0002");
    t[at(orvelan::Field::Mobile)] = QStringLiteral("07700 900003");
    t[at(orvelan::Field::Fax)] = QStringLiteral("01632 960 004");
    t[at(orvelan::Field::Pager)] = QStringLiteral("07623 000005");
    t[at(orvelan::Field::Email)] = QStringLiteral("anna@example.org");
    t[at(orvelan::Field::Group)] = QStringLiteral("Family, Friends");
    t[at(orvelan::Field::Organisation)] = QStringLiteral("Smith & Co; Ltd");
    t[at(orvelan::Field::JobTitle)] = QStringLiteral("Head of \\ Things");
    t[at(orvelan::Field::Department)] = QStringLiteral("Accounts");
    t[at(orvelan::Field::OrgAddr1)] = QStringLiteral("Unit 4");
    t[at(orvelan::Field::OrgAddr2)] = QStringLiteral("Trading Estate");
    t[at(orvelan::Field::OrgEmail)] = QStringLiteral("a.smith@smithco.example");
    t[at(orvelan::Field::OrgWeb)] = QStringLiteral("https://smithco.example/?a=1;b=2");
    t[at(orvelan::Field::Notes)] =
        QStringLiteral("Line one: with colon\nline two, with comma; and semicolon\n\n"
                       "after an empty line \\n not a break");
    return t;
}
