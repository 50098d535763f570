#pragma once

#include <QByteArray>
#include <QString>

#include <array>
#include <optional>

namespace orvelan {

// The user's settings as they stand in the enciphered block of ossabusr.dat. Each value is kept
// as its raw characters, so a value this program does not know survives until a writer replaces
// it; the typed accessors apply each setting's default to unknown values.
class Settings {
public:
    enum Id {
        DialFieldFollowsPageTurn, // 88
        SerialPort,               // 89
        DialMethod,               // 90
        TapiLineChoice,           // 91, 2 characters
        MasterPassword,           // 100, 64 characters
        UsePasswordOnStartUp,     // 165
        AllowExtCharsInPasswords, // 166
        CuvaLeft,                 // 200, 6 characters
        CuvaTop,                  // 210, 6 characters
        EnableMinimise,           // 288
        FinishWithoutPrompting,   // 289
        SearchName,               // 300 .. 309: the ten search-field flags
        SearchAddress,
        SearchPhone,
        SearchInternet,
        SearchGroup,
        SearchOrganisation,
        SearchOrgAddress,
        SearchDepartment,
        SearchJobTitle,
        SearchNotes,
        Count
    };
    static constexpr int SearchFlagCount = 10;

    struct Slot {
        const char* name; // the name the command-line tool uses
        int position;     // 1-based in the deciphered block
        int width;
    };
    static const std::array<Slot, Count> Layout;
    static int idByName(QStringView name); // -1 when unknown

    // Values of a first run: every option off, COM 1, Serial dialing, no password.
    Settings();

    QByteArray raw(Id id) const { return m_raw[id]; }
    void setRaw(Id id, QByteArrayView value); // padded with spaces, cut at the width

    bool flag(Id id) const { return m_raw[id] == "1"; } // "1" on, anything else off
    void setFlag(Id id, bool on) { setRaw(id, on ? "1" : "0"); }

    int serialPort() const; // 1..4, unknown gives 1
    void setSerialPort(int port);
    int dialMethod() const; // 1 TAPI, 2 Serial, 3 off; unknown gives 2
    void setDialMethod(int method);
    QByteArray tapiLineChoice() const; // spaces removed
    QByteArray masterPassword() const; // the 64-character field, padding included
    std::optional<int> cuvaLeft() const;
    std::optional<int> cuvaTop() const;
    void setCuvaPosition(int left, int top);
    char searchFlag(int index) const; // the raw flag of selector 0..9
    void setSearchFlag(int index, char flag);

    bool operator==(const Settings&) const = default;

private:
    std::array<QByteArray, Count> m_raw;
};

inline constexpr int SettingsOffset = 256;
inline constexpr int SettingsBlockSize = 3839;

// Reading and writing the settings block of ossabusr.dat.
class SettingsFile {
public:
    explicit SettingsFile(QString path) : m_path(std::move(path)) {}
    const QString& path() const { return m_path; }

    // A missing, unreadable or short file gives the defaults; reading never fails.
    Settings read() const;

    // Writes the block with random filler (or `filler`, when given: SettingsBlockSize bytes),
    // keeping the bytes before the block of an existing file (anything behind the block, which
    // no reader uses, is dropped). The file is replaced as a whole, so a failed
    // write leaves the old file. Returns a runtime error number, 0 when it went well.
    int write(const Settings& settings, QByteArrayView filler = {}) const;

    static QByteArray encodeBlock(const Settings& settings, QByteArrayView filler);
    static Settings decodeBlock(QByteArrayView enciphered);

private:
    QString m_path;
};

} // namespace orvelan
