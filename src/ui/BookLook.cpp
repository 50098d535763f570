#include "ui/BookLook.h"

namespace orvelan::booklook {

QColor ink() {
    return QColor(16, 24, 72);
}

QPalette paperPalette() {
    const QColor paper(253, 249, 236);
    const QColor grey(128, 128, 128);
    QPalette palette(ink(), paper);
    // Every role, in every colour group, so nothing falls back to the desktop's palette.
    for (const QPalette::ColorGroup group :
         {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        const bool disabled = group == QPalette::Disabled;
        palette.setColor(group, QPalette::Window, paper);
        palette.setColor(group, QPalette::WindowText, disabled ? grey : ink());
        palette.setColor(group, QPalette::Base, QColor(255, 255, 255));
        palette.setColor(group, QPalette::AlternateBase, QColor(246, 240, 222));
        palette.setColor(group, QPalette::Text, disabled ? grey : ink());
        palette.setColor(group, QPalette::Button, QColor(240, 232, 210));
        palette.setColor(group, QPalette::ButtonText, disabled ? grey : ink());
        palette.setColor(group, QPalette::BrightText, QColor(255, 255, 255));
        palette.setColor(group, QPalette::Light, QColor(255, 255, 255));
        palette.setColor(group, QPalette::Midlight, QColor(246, 240, 222));
        palette.setColor(group, QPalette::Mid, QColor(190, 176, 140));
        palette.setColor(group, QPalette::Dark, QColor(150, 130, 96));
        palette.setColor(group, QPalette::Shadow, QColor(70, 50, 30));
        palette.setColor(group, QPalette::Highlight, QColor(170, 190, 230));
        palette.setColor(group, QPalette::HighlightedText, ink());
        palette.setColor(group, QPalette::Link, QColor(0, 0, 255));
        palette.setColor(group, QPalette::LinkVisited, QColor(90, 0, 140));
        palette.setColor(group, QPalette::ToolTipBase, QColor(255, 252, 220));
        palette.setColor(group, QPalette::ToolTipText, ink());
        palette.setColor(group, QPalette::PlaceholderText, grey);
    }
    return palette;
}

QFont font(int pixels, bool bold) {
    QFont font(QStringLiteral("Liberation Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

QFont monospaceFont(int pixels) {
    QFont font(QStringLiteral("Liberation Mono"));
    font.setStyleHint(QFont::Monospace);
    font.setFixedPitch(true);
    font.setPixelSize(pixels);
    return font;
}

} // namespace orvelan::booklook
