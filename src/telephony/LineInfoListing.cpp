#include "telephony/LineInfoListing.h"

#include "store/Settings.h"
#include "telephony/CvbTAPILine.h"

#include <utility>

namespace orvelan::LineInfoListing {

namespace {

struct Bit {
    std::uint32_t mask;
    QStringView text;
};

void addBits(QStringList& lines, std::uint32_t value, std::initializer_list<Bit> bits) {
    for (const Bit& bit : bits) {
        if ((value & bit.mask) != 0)
            lines.append(u'\t' + bit.text.toString());
    }
}

QString stringFormatLine(std::uint32_t format) {
    switch (format) {
    case 1:
        return QStringLiteral("String Format: _ASCII");
    case 2:
        return QStringLiteral("String Format: _DBCS");
    case 3:
        return QStringLiteral("String Format: _UNICODE");
    case 4:
        return QStringLiteral("String Format: _BINARY");
    default:
        return {};
    }
}

} // namespace

QStringList capabilityLines(const CvbTAPILine& line) {
    QStringList lines;
    lines << QStringLiteral("TAPI LINE: #") + QString::number(line.CurrentLineID())
          << QStringLiteral("TAPI LINE NAME: ") + line.LineName()
          << QStringLiteral("TAPI PROVIDER INFO: ") + line.ProviderInfo()
          << QStringLiteral("TAPI SWITCH INFO: ") + line.SwitchInfo()
          << QStringLiteral("Permanent Line ID: ") + QString::number(line.PermanentLineID());
    if (const QString format = stringFormatLine(line.StringFormat()); !format.isEmpty())
        lines << format;
    lines << QStringLiteral("Number of addresses associated with this line: ") +
                 QString::number(line.numAddresses())
          << QStringLiteral("Max data rate: ") + QString::number(line.maxDataRate());
    lines << QStringLiteral("Bearer Modes supported:");
    addBits(lines, line.BearerModes(),
            {{0x1, u"_VOICE"},
             {0x2, u"_SPEECH"},
             {0x8, u"_DATA"},
             {0x10, u"_ALT SPEECH DATA"},
             {0x4, u"_MULTIUSE"},
             {0x20, u"_NON CALL SIGNALING"}});
    lines << QStringLiteral("Address Modes supported:");
    addBits(lines, line.AddressModes(), {{0x1, u"_ADDRESS ID"}, {0x2, u"_DIALABLE ADDR"}});
    lines << QStringLiteral("Media Modes supported:");
    addBits(lines, line.mediamodes(),
            {{0x2000, u"LINEMEDIAMODE_ADSI"},
             {0x8, u"_AUTOMATED VOICE"},
             {0x10, u"_DATA MODEM"},
             {0x100, u"_DIGITAL DATA"},
             {0x20, u"_Group 3 FAX"},
             {0x80, u"_Group 4 FAX"},
             {0x4, u"_INTERACTIVE VOICE"},
             {0x1000, u"LINEMEDIAMODE_MIXED"},
             {0x40, u"LINEMEDIAMODE_TDD"},
             {0x200, u"_TELETEX"},
             {0x800, u"_TELEX"},
             {0x2, u"LINEMEDIAMODE_UNKNOWN"},
             {0x400, u"_VIDEOTEX"}});
    const bool tones = line.GenerateToneMaxNumFreq() != 0;
    lines << QStringLiteral("Line Tone Generation supported: ") +
                 (tones ? QStringLiteral("True") : QStringLiteral("False"));
    if (tones)
        addBits(lines, line.GenerateToneModes(),
                {{0x8, u"_BEEP"},
                 {0x10, u"_BILLING"},
                 {0x4, u"_BUSY"},
                 {0x1, u"_CUSTOM"},
                 {0x2, u"_RINGBACK"}});
    lines << QStringLiteral("Number of terminals for this line: ") +
                 QString::number(line.numTerminals());
    return lines;
}

QStringList forChoice(bool tapiEnabled, const QString& entryText, CvbTAPILine* line,
                      Settings& settings) {
    if (!tapiEnabled)
        return {DisabledText.toString()};
    QStringList lines;
    if (entryText.isEmpty() || !line) {
        lines << QStringLiteral("<No Valid TAPI Line Selected>");
    } else {
        line->setCurrentLineID(entryText.toInt());
        lines << capabilityLines(*line);
    }
    lines << QStringLiteral("Ostrowvale Solutions Secure Address Book") << QString();
    settings.setRaw(Settings::TapiLineChoice, entryText.toLatin1());
    return lines;
}

} // namespace orvelan::LineInfoListing
