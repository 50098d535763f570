#include "store/PageRecord.h"

#include "store/FieldCipher.h"
#include "store/TabTable.h"

#include <cstring>

namespace orvelan {

const std::array<FieldSpec, FieldCount> RecordLayout = {{
    {"PageNo", 0, 6, ""},
    {"Name", 6, 32, "SNameTB"},
    {"Addr1", 38, 32, "SAdd1TB"},
    {"Addr2", 70, 32, "SAdd2TB"},
    {"Addr3", 102, 32, "SAdd3TB"},
    {"Addr4", 134, 32, "SAdd4TB"},
    {"Addr5", 166, 32, "SAdd5TB"},
    {"Addr6", 198, 32, "SAdd6TB"},
    {"Phone1", 230, 24, "SPho1TB"},
    {"Phone2", 254, 24, "SPho2TB"},
    {"Mobile", 278, 24, "SMobiTB"},
    {"Fax", 302, 24, "SFaxiTB"},
    {"Pager", 326, 24, "SPageTB"},
    {"Email", 350, 60, "SEmaiTB"},
    {"Group", 410, 24, "SGrouTB"},
    {"Organisation", 434, 32, "SOrgaTB"},
    {"JobTitle", 466, 32, "STitlTB"},
    {"Department", 498, 32, "SDeptTB"},
    {"OrgAddr1", 530, 32, "SAdO1TB"},
    {"OrgAddr2", 562, 32, "SAdO2TB"},
    {"OrgAddr3", 594, 32, "SAdO3TB"},
    {"OrgAddr4", 626, 32, "SAdO4TB"},
    {"OrgAddr5", 658, 32, "SAdO5TB"},
    {"OrgAddr6", 690, 32, "SAdO6TB"},
    {"OrgEmail", 722, 60, "SEmaOTB"},
    {"OrgWeb", 782, 60, "SWebOTB"},
    {"Notes", 842, 824, "SNoteTB"},
    {"DateModified", 1666, 8, ""},
    {"TimeModified", 1674, 8, ""},
    {"Reserved", 1682, 8, ""},
}};

namespace {

constexpr int ReservedOffset = 1682;

// The keystream laid out over a whole record: each field restarts the stream at its first byte.
struct RecordMask {
    std::array<char, ReservedOffset> bytes{};
    RecordMask() {
        const FieldCipher& cipher = FieldCipher::standard();
        for (int f = 0; f < EncipheredFieldCount; ++f) {
            const FieldSpec& spec = RecordLayout[f];
            for (int i = 0; i < spec.width; ++i)
                bytes[spec.offset + i] = static_cast<char>(cipher.keyAt(i + 1));
        }
    }
};

const RecordMask& recordMask() {
    static const RecordMask mask;
    return mask;
}

QByteArray buildBlankRecord() {
    QByteArray record(RecordSize, ' ');
    cipherRecordInPlace(record.data());
    return record;
}

} // namespace

void cipherRecordInPlace(char* record) {
    const char* mask = recordMask().bytes.data();
    for (int i = 0; i < ReservedOffset; ++i)
        record[i] = static_cast<char>(record[i] ^ mask[i]);
}

int fieldByName(QStringView name) {
    for (int f = 0; f < FieldCount; ++f) {
        if (name.compare(QLatin1StringView(RecordLayout[f].name), Qt::CaseInsensitive) == 0)
            return f;
    }
    return -1;
}

PlainRecord::PlainRecord(QByteArrayView stored) : m_encoding(encodingOfStored(stored)) {
    std::memcpy(m_bytes.data(), stored.data(), RecordSize);
    cipherRecordInPlace(m_bytes.data());
}

QByteArrayView PlainRecord::field(Field f) const {
    const FieldSpec& spec = specOf(f);
    return trimSpaces(QByteArrayView(m_bytes.data() + spec.offset, spec.width));
}

StoredRecordView::StoredRecordView(QByteArrayView stored)
    : m_stored(stored.data()), m_blank(blankRecord().constData()),
      m_mask(recordMask().bytes.data()), m_encoding(encodingOfStored(stored)) {}

qsizetype storedTextLength(const char* stored, const char* blankRecord, Field f) {
    const FieldSpec& spec = specOf(f);
    const char* text = stored + spec.offset;
    const char* blank = blankRecord + spec.offset;
    qsizetype end = spec.width;
    if (std::memcmp(text, blank, static_cast<std::size_t>(end)) == 0)
        return 0;
    // From the end, eight bytes at a time, to the last one that is not enciphered padding.
    while (end >= 8) {
        quint64 word;
        quint64 padding;
        std::memcpy(&word, text + end - 8, sizeof word);
        std::memcpy(&padding, blank + end - 8, sizeof padding);
        if (word != padding)
            break;
        end -= 8;
    }
    while (end > 0 && text[end - 1] == blank[end - 1])
        --end;
    return end;
}

namespace {

// The runs of StoredRecordView: the first and last field of each, and the run of each field.
constexpr std::array<std::pair<Field, Field>, 4> FieldRuns = {{{Field::Addr1, Field::Addr6},
                                                               {Field::Phone1, Field::Pager},
                                                               {Field::Group, Field::Department},
                                                               {Field::OrgAddr1, Field::OrgWeb}}};

constexpr int runOf(Field f) {
    for (std::size_t run = 0; run < FieldRuns.size(); ++run) {
        if (f >= FieldRuns[run].first && f <= FieldRuns[run].second)
            return static_cast<int>(run);
    }
    return -1;
}

} // namespace

QByteArrayView StoredRecordView::field(Field f) const {
    const FieldSpec& spec = specOf(f);
    if (f == Field::Reserved) // stored as it is
        return trimSpaces(QByteArrayView(m_stored + spec.offset, spec.width));
    if (const int run = runOf(f); run >= 0) {
        if (m_runs[run] == Unknown) {
            const int from = specOf(FieldRuns[run].first).offset;
            const FieldSpec& last = specOf(FieldRuns[run].second);
            m_runs[run] =
                std::memcmp(m_stored + from, m_blank + from,
                            static_cast<std::size_t>(last.offset + last.width - from)) == 0
                    ? Blank
                    : Written;
        }
        if (m_runs[run] == Blank)
            return {};
    }
    const qsizetype length = storedTextLength(m_stored, m_blank, f);
    const char* from = m_stored + spec.offset;
    const char* mask = m_mask + spec.offset;
    char* plain = m_plain.data() + spec.offset;
    qsizetype begin = 0;
    // Leading spaces are passed over as they are deciphered.
    while (begin < length && (from[begin] ^ mask[begin]) == ' ')
        ++begin;
    for (qsizetype i = begin; i < length; ++i)
        plain[i] = static_cast<char>(from[i] ^ mask[i]);
    return QByteArrayView(plain + begin, length - begin);
}

bool StoredRecordView::isBlank() const {
    return field(Field::Name).isEmpty();
}

PageRecord PageRecord::fromPlain(const PlainRecord& plain) {
    PageRecord page;
    for (int f = 0; f < FieldCount; ++f)
        page.m_fields[f] = plain.field(static_cast<Field>(f)).toByteArray();
    return page;
}

PageRecord PageRecord::fromStored(QByteArrayView stored) {
    return fromPlain(PlainRecord(stored));
}

QByteArray PageRecord::toStored() const {
    QByteArray record(RecordSize, ' ');
    // Reserved is never read; a page saved from the view carries zero bytes there.
    std::memset(record.data() + ReservedOffset, 0, RecordSize - ReservedOffset);
    const TextEncoding pageEncoding = encoding();
    for (int f = 0; f < FieldCount; ++f) {
        const FieldSpec& spec = RecordLayout[f];
        const QByteArrayView text =
            f < EncipheredFieldCount ? trimSpaces(m_fields[f]) : QByteArrayView(m_fields[f]);
        if (text.isEmpty())
            continue;
        if (pageEncoding == TextEncoding::Scsu && text.size() > spec.width &&
            f < EncipheredFieldCount) {
            const QByteArray fitted = fittedBytes(text, spec.width, pageEncoding);
            std::memcpy(record.data() + spec.offset, fitted.data(),
                        static_cast<std::size_t>(fitted.size()));
        } else {
            std::memcpy(record.data() + spec.offset, text.data(),
                        static_cast<std::size_t>(fittingLength(text, spec.width, pageEncoding)));
        }
    }
    cipherRecordInPlace(record.data());
    return record;
}

bool PageRecord::isBlank() const {
    return trimSpaces(m_fields[static_cast<int>(Field::Name)]).isEmpty();
}

const QByteArray& blankRecord() {
    static const QByteArray record = buildBlankRecord();
    return record;
}

bool isBlankStored(QByteArrayView storedRecord) {
    const FieldSpec& name = specOf(Field::Name);
    return std::memcmp(storedRecord.data() + name.offset, blankRecord().constData() + name.offset,
                       static_cast<std::size_t>(name.width)) == 0;
}

} // namespace orvelan
