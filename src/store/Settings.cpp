#include "store/Settings.h"

#include "store/AtomicFile.h"
#include "store/FieldCipher.h"
#include "store/RuntimeError.h"

#include <QFile>
#include <QRandomGenerator>

#include <cerrno>

namespace orvelan {

const std::array<Settings::Slot, Settings::Count> Settings::Layout = {{
    {"DialFieldFollowsPageTurn", 88, 1},
    {"SerialPort", 89, 1},
    {"DialMethod", 90, 1},
    {"TapiLineChoice", 91, 2},
    {"MasterPassword", 100, 64},
    {"UsePasswordOnStartUp", 165, 1},
    {"AllowExtCharsInPasswords", 166, 1},
    {"CuvaLeft", 200, 6},
    {"CuvaTop", 210, 6},
    {"EnableMinimise", 288, 1},
    {"FinishWithoutPrompting", 289, 1},
    {"SearchName", 300, 1},
    {"SearchAddress", 301, 1},
    {"SearchPhone", 302, 1},
    {"SearchInternet", 303, 1},
    {"SearchGroup", 304, 1},
    {"SearchOrganisation", 305, 1},
    {"SearchOrgAddress", 306, 1},
    {"SearchDepartment", 307, 1},
    {"SearchJobTitle", 308, 1},
    {"SearchNotes", 309, 1},
}};

int Settings::idByName(QStringView name) {
    for (int i = 0; i < Count; ++i) {
        if (name.compare(QLatin1StringView(Layout[i].name), Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

Settings::Settings() {
    for (int i = 0; i < Count; ++i)
        m_raw[i] = QByteArray(Layout[i].width, ' ');
    setFlag(DialFieldFollowsPageTurn, false);
    setSerialPort(1);
    setDialMethod(2);
    setFlag(UsePasswordOnStartUp, false);
    setFlag(AllowExtCharsInPasswords, false);
    setFlag(EnableMinimise, false);
    setFlag(FinishWithoutPrompting, false);
}

void Settings::setRaw(Id id, QByteArrayView value) {
    const int width = Layout[id].width;
    QByteArray padded = value.first(std::min<qsizetype>(value.size(), width)).toByteArray();
    padded.append(width - padded.size(), ' ');
    m_raw[id] = padded;
}

int Settings::serialPort() const {
    const char c = m_raw[SerialPort][0];
    return c >= '1' && c <= '4' ? c - '0' : 1;
}

void Settings::setSerialPort(int port) {
    setRaw(SerialPort, QByteArray::number(port));
}

int Settings::dialMethod() const {
    const char c = m_raw[DialMethod][0];
    return c >= '1' && c <= '3' ? c - '0' : 2;
}

void Settings::setDialMethod(int method) {
    setRaw(DialMethod, QByteArray::number(method));
}

QByteArray Settings::tapiLineChoice() const {
    QByteArray choice = m_raw[TapiLineChoice];
    choice.replace(' ', QByteArray());
    return choice;
}

QByteArray Settings::masterPassword() const {
    return m_raw[MasterPassword];
}

namespace {
std::optional<int> positionFrom(const QByteArray& raw) {
    bool ok = false;
    const int value = raw.trimmed().toInt(&ok);
    return ok ? std::optional<int>(value) : std::nullopt;
}
} // namespace

std::optional<int> Settings::cuvaLeft() const {
    return positionFrom(m_raw[CuvaLeft]);
}

std::optional<int> Settings::cuvaTop() const {
    return positionFrom(m_raw[CuvaTop]);
}

void Settings::setCuvaPosition(int left, int top) {
    setRaw(CuvaLeft, QByteArray::number(left));
    setRaw(CuvaTop, QByteArray::number(top));
}

char Settings::searchFlag(int index) const {
    return m_raw[SearchName + index][0];
}

void Settings::setSearchFlag(int index, char flag) {
    setRaw(static_cast<Id>(SearchName + index), QByteArrayView(&flag, 1));
}

QByteArray SettingsFile::encodeBlock(const Settings& settings, QByteArrayView filler) {
    QByteArray block(SettingsBlockSize, ' ');
    if (filler.size() == SettingsBlockSize) {
        block = filler.toByteArray();
    } else {
        auto* words = reinterpret_cast<quint32*>(block.data());
        QRandomGenerator::system()->fillRange(words, SettingsBlockSize / 4);
    }
    for (int i = 0; i < Settings::Count; ++i) {
        const auto& slot = Settings::Layout[i];
        block.replace(slot.position - 1, slot.width, settings.raw(static_cast<Settings::Id>(i)));
    }
    FieldCipher::standard().apply(std::span<char>(block.data(), SettingsBlockSize));
    return block;
}

Settings SettingsFile::decodeBlock(QByteArrayView enciphered) {
    const QByteArray block = FieldCipher::standard().transformed(enciphered);
    Settings settings;
    for (int i = 0; i < Settings::Count; ++i) {
        const auto& slot = Settings::Layout[i];
        settings.setRaw(static_cast<Settings::Id>(i), block.mid(slot.position - 1, slot.width));
    }
    return settings;
}

Settings SettingsFile::read() const {
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly) || file.size() < SettingsOffset + SettingsBlockSize)
        return Settings();
    if (!file.seek(SettingsOffset))
        return Settings();
    const QByteArray block = file.read(SettingsBlockSize);
    if (block.size() != SettingsBlockSize)
        return Settings();
    return decodeBlock(block);
}

int SettingsFile::write(const Settings& settings, QByteArrayView filler) const {
    // Only the first SettingsOffset bytes and the block are ever used: those are kept, and
    // nothing more is read, however large the old file has grown.
    QByteArray contents;
    {
        QFile old(m_path);
        if (old.exists()) {
            errno = 0;
            if (!old.open(QIODevice::ReadOnly))
                return runtimeErrorFromErrno(errno ? errno : EACCES, m_path);
            contents = old.read(SettingsOffset);
        }
    }
    contents.resize(SettingsOffset, '\0');
    contents += encodeBlock(settings, filler);
    return replaceFileAtomically(m_path, contents);
}

} // namespace orvelan
