#include "book/TabStrip.h"

#include "store/TabTable.h"

namespace orvelan {

namespace {
// The letter that names letter tab k in a label's object name; tab 9 is named by J.
QChar nameLetter(int k) {
    if (k <= 8)
        return QChar(u'A' + (k - 1));
    return QChar(u'J' + (k - 9));
}
} // namespace

void TabStrip::reset() {
    for (int k = FirstLetterTab; k <= LastTab; ++k) {
        m_left[k] = true;
        m_right[k] = false;
    }
}

void TabStrip::chooseForward(int t) {
    for (int k = FirstLetterTab; k <= t && k <= LastTab; ++k) {
        m_left[k] = false;
        m_right[k] = true;
    }
    m_leftPanel = LeftPanelBase + PanelStep * t;
    m_rightPanel = RightPanelBase + PanelStep * t;
}

void TabStrip::chooseBack(int t) {
    for (int k = qMax(t, FirstLetterTab); k <= LastTab; ++k) {
        m_left[k] = true;
        m_right[k] = false;
    }
    m_leftPanel = LeftPanelBase + PanelStep * t;
    m_rightPanel = RightPanelBase + PanelStep * t;
}

QString TabStrip::leftName(int k) {
    return u'L' + nameLetter(k) + QStringLiteral("La");
}

QString TabStrip::rightName(int k) {
    return u'R' + nameLetter(k) + QStringLiteral("La");
}

QString TabStrip::caption(int k) {
    return QString::fromLatin1(trimSpaces(QByteArrayView(tabLabel(k))));
}

int TabStrip::tabOfLetter(QChar letter) {
    const char16_t c = letter.toUpper().unicode();
    if (c < u'A' || c > u'Z')
        return -1;
    return tabForName(QStringView(&c, 1));
}

} // namespace orvelan
