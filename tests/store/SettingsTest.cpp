#include "store/Settings.h"
#include "store/AtomicFile.h"
#include "store/FieldCipher.h"
#include "support/FaultInjection.h"
#include "support/TempBook.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>

#include <gtest/gtest.h>

using namespace orvelan;
using namespace orvelan::test;

TEST(Settings, DefaultsAndUnknownValues) {
    Settings settings;
    EXPECT_FALSE(settings.flag(Settings::DialFieldFollowsPageTurn));
    EXPECT_EQ(settings.serialPort(), 1);
    EXPECT_EQ(settings.dialMethod(), 2);
    EXPECT_EQ(settings.masterPassword(), QByteArray(64, ' '));
    EXPECT_FALSE(settings.cuvaLeft().has_value());

    settings.setRaw(Settings::SerialPort, "7");
    settings.setRaw(Settings::DialMethod, "x");
    settings.setRaw(Settings::UsePasswordOnStartUp, "Y");
    settings.setRaw(Settings::TapiLineChoice, " 3");
    EXPECT_EQ(settings.serialPort(), 1);
    EXPECT_EQ(settings.dialMethod(), 2);
    EXPECT_FALSE(settings.flag(Settings::UsePasswordOnStartUp));
    EXPECT_EQ(settings.tapiLineChoice(), "3");
    EXPECT_EQ(settings.raw(Settings::DialMethod), "x") << "unknown values stay until replaced";

    settings.setRaw(Settings::CuvaLeft, "12345678");
    EXPECT_EQ(settings.raw(Settings::CuvaLeft), "123456") << "cut at the width";
    EXPECT_EQ(settings.cuvaLeft(), 123456);
}

TEST(SettingsFile, NewFileIs4095BytesAndRoundTrips) {
    TempBook book;
    const SettingsFile file(book.folder().settingsPath());
    Settings settings;
    settings.setFlag(Settings::DialFieldFollowsPageTurn, true);
    settings.setSerialPort(4);
    settings.setDialMethod(1);
    settings.setRaw(Settings::TapiLineChoice, "12");
    settings.setRaw(Settings::MasterPassword, "open sesame");
    settings.setFlag(Settings::UsePasswordOnStartUp, true);
    settings.setCuvaPosition(9000, -150);
    settings.setSearchFlag(0, '1');
    settings.setSearchFlag(9, '0');
    settings.setRaw(Settings::EnableMinimise, "?");
    ASSERT_EQ(file.write(settings), 0);
    EXPECT_EQ(readBytes(file.path()).size(), 4095);

    const Settings back = file.read();
    EXPECT_EQ(back, settings);
    EXPECT_EQ(back.cuvaTop(), -150);
    EXPECT_EQ(back.masterPassword(), QByteArray("open sesame").leftJustified(64, ' '));
    EXPECT_EQ(back.searchFlag(1), '0');

    // Random filler makes two writes of the same settings differ on disk.
    const QByteArray first = readBytes(file.path());
    ASSERT_EQ(file.write(settings), 0);
    EXPECT_NE(readBytes(file.path()), first);
    EXPECT_EQ(file.read(), settings);
}

TEST(SettingsFile, KeepsTheBytesBeforeTheBlockAndReadsNoMore) {
    TempBook book;
    const QString path = book.folder().settingsPath();
    QByteArray existing(5000, 'h');
    writeBytes(path, existing);
    ASSERT_EQ(SettingsFile(path).write(Settings(), QByteArray(SettingsBlockSize, '.')), 0);
    const QByteArray after = readBytes(path);
    // Nothing behind the block is read or kept: a huge settings file costs no memory.
    ASSERT_EQ(after.size(), 4095);
    EXPECT_EQ(after.left(256), existing.left(256));

    // The filler given is what stands at every other position of the deciphered block.
    const QByteArray block = FieldCipher::standard().transformed(after.mid(256, SettingsBlockSize));
    EXPECT_EQ(block.left(87), QByteArray(87, '.'));
    EXPECT_EQ(block.mid(87, 3), "012");
}

TEST(SettingsFile, DamagedOrMissingFilesGiveDefaults) {
    TempBook book;
    const QString path = book.folder().settingsPath();
    EXPECT_EQ(SettingsFile(path).read(), Settings()) << "missing";
    writeBytes(path, "0123456789");
    EXPECT_EQ(SettingsFile(path).read(), Settings()) << "10 bytes";

    QByteArray noise(4095, '\0');
    QRandomGenerator random(7);
    for (char& c : noise)
        c = static_cast<char>(random.bounded(256));
    writeBytes(path, noise);
    const Settings settings = SettingsFile(path).read();
    EXPECT_GE(settings.serialPort(), 1);
    EXPECT_LE(settings.serialPort(), 4);
    EXPECT_GE(settings.dialMethod(), 1);
    EXPECT_LE(settings.dialMethod(), 3);

    // A settings file that cannot be replaced is reported, and the old file stays whole.
    ASSERT_EQ(SettingsFile(book.root() + QStringLiteral("/missing/ossabusr.dat")).write(Settings()),
              76);
}

// A disk that fills up while the settings are written leaves the old file whole.
TEST(SettingsFile, AFullDiskKeepsTheOldFile) {
    TempBook book;
    const SettingsFile file(book.folder().settingsPath());
    Settings settings;
    settings.setDialMethod(3);
    ASSERT_EQ(file.write(settings), 0);
    const QByteArray before = readBytes(file.path());
    settings.setDialMethod(1);
    {
        const test::FileSizeLimit full(1000);
        EXPECT_EQ(file.write(settings), 61);
    }
    EXPECT_EQ(readBytes(file.path()), before);
    EXPECT_EQ(file.read().dialMethod(), 3);
}

TEST(AtomicFileWriter, OnlyACommitReplacesTheOldFile) {
    TempBook book;
    const QString path = book.root() + QStringLiteral("/export.csv");
    writeBytes(path, "old contents");
    {
        AtomicFileWriter writer(path);
        ASSERT_EQ(writer.open(), 0);
        EXPECT_TRUE(writer.write(QByteArray(3 << 20, 'x'))); // beyond the buffer
        // No commit: the writer goes away and the old file stays.
    }
    EXPECT_EQ(readBytes(path), "old contents");
    EXPECT_EQ(QDir(book.root()).entryList({QStringLiteral("export.csv*")}, QDir::Files).size(), 1)
        << "no work file is left behind";

    AtomicFileWriter writer(path);
    ASSERT_EQ(writer.open(), 0);
    for (int i = 0; i < 1000; ++i)
        ASSERT_TRUE(writer.write("0123456789"));
    ASSERT_EQ(writer.commit(), 0);
    EXPECT_EQ(readBytes(path).size(), 10000);
}
