// Feeds arbitrary bytes to the vCard reader, maps every card onto a page and writes it back.
#include "exchange/vcard/VCardMapping.h"
#include "exchange/vcard/VCardReader.h"
#include "exchange/vcard/VCardWriter.h"
#include "store/PageEncoding.h"
#include "store/PageTexts.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

using namespace orvelan;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArrayView file(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    VCardReader::looksLikeVCard(file);
    VCardReader reader(file);
    VCard card;
    VCardDamage damage;
    int cards = 0;
    while (reader.next(card, &damage)) {
        if (++cards > static_cast<int>(size) + 1)
            std::abort(); // every card consumes input
        CardOnPage page = pageFromCard(card);
        fitToFields(page.texts);
        const TextEncoding encoding = encodingFor(page.texts);
        for (int i = 0; i < ViewFieldCount; ++i) {
            if (storedLengthOf(i, page.texts[i], encoding) > specOf(viewField(i)).width)
                std::abort(); // every value fits its field once cut
        }
        // What was read writes back as cards that read again, one for one.
        const QByteArray written = writeVCard(card, VCardVersion::V40);
        VCardReader again(written);
        VCard back;
        if (!again.next(back) || again.next(back))
            std::abort();
        (void)cardFromPage(page.texts, {VCardVersion::V30, derivedUid(u"fuzz"), {}}, &card);
    }
    return 0;
}
