#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <algorithm>

namespace orvelan {

enum class VCardVersion { V21, V30, V40 };

// "2.1", "3.0", "4.0"; and back (nullopt-like: false when the text names no version).
QString versionText(VCardVersion version);
bool parseVersion(QStringView text, VCardVersion& version);

struct VCardParameter {
    QString name;       // upper case: "TYPE", "CHARSET", "LABEL" ...
    QStringList values; // unquoted; "TYPE=home,voice" gives two values
};

// One property of a card as the file held it, after unfolding and after quoted-printable and
// character-set decoding. The value keeps its text escapes (\n \, \; \\), so a property that is
// written back carries exactly what was read. A 2.1 parameter without a name ("TEL;HOME:") is
// kept as TYPE=HOME.
struct VCardProperty {
    QString group; // "item1" of "item1.TEL"; empty when none
    QString name;  // upper case
    QList<VCardParameter> parameters;
    QString value;

    bool hasParameter(QStringView name) const;
    // Every value of the parameters of this name, in order (repeated parameters are joined).
    QStringList parameterValues(QStringView name) const;
    // The TYPE values, upper case.
    QStringList types() const;
    bool hasType(QStringView type) const; // case-insensitive
    // Replaces the parameters of this name by one holding `values` (none removes it).
    void setParameter(const QString& name, const QStringList& values);

    // The value with its escapes resolved.
    QString text() const;
    // A structured value (N, ADR, ORG) split at the unescaped ';', each part unescaped.
    QStringList components() const;
    // A list value (CATEGORIES, NICKNAME) split at the unescaped ',', each part unescaped.
    QStringList listValues() const;

    // Whether the value is binary data (a base64 photo, logo, sound or key).
    bool isBinary() const;
};

// One contact card: its properties in file order, BEGIN, END and VERSION left out.
class VCard {
public:
    VCardVersion version = VCardVersion::V30; // as read (the writer chooses its own)
    QList<VCardProperty> properties;

    bool isEmpty() const { return properties.isEmpty(); }
    // The first property of this name (upper case), or nullptr.
    const VCardProperty* first(QStringView name) const;
    // The text of the first property of this name, or an empty string.
    QString firstText(QStringView name) const;
    void append(VCardProperty property) { properties.append(std::move(property)); }
    // A property with a text value, escaped as the format wants.
    void appendText(const QString& name, const QString& text, const QStringList& types = {});
    // A structured property from its components, each escaped.
    void appendStructured(const QString& name, const QStringList& components,
                          const QStringList& types = {});
    void removeAll(QStringView name);
};

// Escapes a text for a property value: backslash, line breaks, comma and semicolon.
QString escapeText(QStringView text);
// Resolves \n \N \, \; \: \\ (an unknown escape keeps its character).
QString unescapeText(QStringView value);
// Hands `take` each part of a value split at every `separator` that no backslash escapes, where
// it stands in the value; the parts stay escaped.
template <typename Take> void forEachEscapedPart(QStringView value, QChar separator, Take&& take) {
    qsizetype start = 0;
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] == u'\\') {
            ++i;
        } else if (value[i] == separator) {
            take(value.sliced(start, i - start));
            start = i + 1;
        }
    }
    take(value.sliced(std::min(start, value.size())));
}
// The parts forEachEscapedPart() gives, each as a text of its own.
QStringList splitEscaped(QStringView value, QChar separator);

} // namespace orvelan
