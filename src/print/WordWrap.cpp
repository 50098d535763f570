#include "print/WordWrap.h"

#include <cmath>

namespace orvelan {

namespace {

constexpr double TabOrigin = 1440;
constexpr int TabColumns = 10;

bool isWordChar(QChar c) {
    return c.unicode() > 32;
}

} // namespace

void CWordWrap::newPageSetup(bool startNewPage) {
    if (startNewPage)
        m_surface.newPage();
    m_surface.setX(MarginLeft);
    m_surface.setY(MarginTop);
}

void CWordWrap::lineBreak() {
    m_surface.endLine();
    if (m_surface.y() > m_surface.height() - MarginBottom)
        newPageSetup(true);
    else
        m_surface.setX(MarginLeft);
}

// Tab stops lie every ten "0" widths from 1440 twips, whatever the left margin.
void CWordWrap::tabTo() {
    const double w = m_surface.textWidth(u"0");
    if (w <= 0)
        return;
    // Rounded to the nearest whole number, halves to even.
    auto c = static_cast<long long>(std::nearbyint((m_surface.x() - TabOrigin) / w));
    c = c + (TabColumns - c % TabColumns); // the remainder takes the sign of c
    m_surface.setX(TabOrigin + w * static_cast<double>(c));
}

void CWordWrap::PrintText(QStringView sText) {
    if (m_busy)
        m_busy(true);
    newPageSetup(false);
    qsizetype pos = 0;
    const qsizetype length = sText.size();
    while (pos < length) {
        const qsizetype start = pos;
        while (pos < length && isWordChar(sText[pos]))
            ++pos;
        const QStringView word = sText.sliced(start, pos - start);
        if (m_surface.x() + m_surface.textWidth(word) > m_surface.width() - MarginRight)
            lineBreak();
        if (!word.isEmpty())
            m_surface.print(word);
        while (pos < length && !isWordChar(sText[pos])) {
            switch (sText[pos].unicode()) {
            case u' ':
                m_surface.print(u" ");
                break;
            case u'\n':
                lineBreak();
                break;
            case u'\t':
                tabTo();
                break;
            default:
                break; // carriage return and other control characters
            }
            ++pos;
        }
    }
    m_documentResult = m_surface.endDocument();
    if (m_busy)
        m_busy(false);
}

} // namespace orvelan
