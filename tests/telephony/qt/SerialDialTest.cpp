#include "TelephonyFakes.h"
#include "support/QtTestMain.h"
#include "support/TempBook.h"
#include "telephony/qt/QtSerialPort.h"

#include <QElapsedTimer>
#include <QFile>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

namespace orvelan {

// Passes everything through to the real port and remembers each piece of input it hands out.
class RecordingPort final : public SerialPort {
public:
    explicit RecordingPort(SerialPort& port) : m_port(port) {}
    QList<QByteArray> reads;

    void setPortNumber(int port) override { m_port.setPortNumber(port); }
    void setSettings(const QString& settings) override { m_port.setSettings(settings); }
    void open() override { m_port.open(); }
    void close() override { m_port.close(); }
    bool isOpen() const override { return m_port.isOpen(); }
    int waitingCount() override { return m_port.waitingCount(); }
    void clearInput() override { m_port.clearInput(); }
    void write(const QByteArray& bytes) override { m_port.write(bytes); }
    QByteArray readInput() override {
        const QByteArray input = m_port.readInput();
        reads << input;
        return input;
    }

private:
    SerialPort& m_port;
};

// Dialing through a real serial device: a pseudo-terminal whose far side plays a Hayes modem.
class SerialDialTest : public QObject, test::DialRig {
    Q_OBJECT

private:
    int m_master = -1;
    QString m_slavePath;
    QTemporaryDir m_folder;
    QByteArray m_received; // what the modem has been sent
    QElapsedTimer m_elapsed;
    bool m_timedOut = false;
    std::unique_ptr<QtSerialPort> m_device;
    std::unique_ptr<RecordingPort> m_port;

    QString configPath() const { return m_folder.filePath(QStringLiteral("orvelan.conf")); }

    void writeConfig(const QByteArray& text) { test::writeBytes(configPath(), text); }

    // Takes in what the program has written to the modem so far.
    void readModem() {
        char buffer[256];
        for (;;) {
            const ssize_t count = ::read(m_master, buffer, sizeof buffer);
            if (count <= 0)
                break;
            m_received.append(buffer, count);
        }
    }
    void modemSays(const QByteArray& text) {
        QCOMPARE(::write(m_master, text.constData(), size_t(text.size())), ssize_t(text.size()));
    }

    // Runs `turn` on every turn of the dial's wait, with the modem's input read first; ends the
    // dial with a hang-up if it runs far too long.
    void duringWait(std::function<void()> turn) {
        m_elapsed.start();
        clock.onPause = [this, turn = std::move(turn)] {
            readModem();
            if (m_elapsed.elapsed() > 20000) {
                m_timedOut = true;
                controller->hangUp();
                return;
            }
            turn();
        };
    }

    void selectAndDial() {
        controller->selectField(1);
        controller->dial();
        readModem();
        QVERIFY(!m_timedOut);
    }

    QString dialError(const char* text) const {
        return QStringLiteral("Dial Error:  There is a Problem in Dialing the Requested Number    "
                              "\r\r[ ERROR: ") +
               QString::fromLatin1(text) + QStringLiteral(" ]");
    }

private Q_SLOTS:
    void init() {
        m_master = ::posix_openpt(O_RDWR | O_NOCTTY);
        QVERIFY(m_master >= 0);
        QCOMPARE(::grantpt(m_master), 0);
        QCOMPARE(::unlockpt(m_master), 0);
        m_slavePath = QString::fromLocal8Bit(::ptsname(m_master));
        QVERIFY(::fcntl(m_master, F_SETFL, O_NONBLOCK) == 0);
        writeConfig("# serial devices\nCOM1 = " + m_slavePath.toLocal8Bit() + "\n");
        m_received.clear();
        m_timedOut = false;
        view = {};
        view.fields[1] = QStringLiteral("0123");
        prompter.clear();
        clock.onPause = nullptr;
        settings.setDialMethod(2);
        settings.setSerialPort(1);
        m_device = std::make_unique<QtSerialPort>(configPath());
        m_port = std::make_unique<RecordingPort>(*m_device);
        makeController(true, m_port.get());
    }

    void cleanup() {
        controller.reset();
        m_port.reset();
        m_device.reset();
        if (m_master >= 0)
            ::close(m_master);
        m_master = -1;
    }

    void devicePaths() {
        writeConfig("# comment\n\ncom2=/dev/ttyUSB0\nCOM3=\nCOM4 /dev/nothing\n");
        QCOMPARE(serialDevicePath(2, configPath()), QStringLiteral("/dev/ttyUSB0"));
        QCOMPARE(serialDevicePath(1, configPath()), QStringLiteral("/dev/ttyS0"));
        QCOMPARE(serialDevicePath(3, configPath()), QStringLiteral("/dev/ttyS2"));
        QCOMPARE(serialDevicePath(4, configPath()), QStringLiteral("/dev/ttyS3"));
        QCOMPARE(serialDevicePath(4, m_folder.filePath(QStringLiteral("missing.conf"))),
                 QStringLiteral("/dev/ttyS3"));
    }

    void okSplitAcrossTwoReads() {
        bool saidO = false;
        bool saidK = false;
        duringWait([&] {
            if (!saidO && m_received == "ATDT0123;\r") {
                modemSays("\r\nO");
                saidO = true;
            } else if (saidO && !saidK && !m_port->reads.isEmpty() &&
                       m_port->reads.last().endsWith('O')) {
                modemSays("K\r\n");
                saidK = true;
            }
        });
        selectAndDial();
        QVERIFY(saidK);
        QVERIFY(m_port->reads.size() >= 2);
        QCOMPARE(m_received, QByteArray("ATDT0123;\rATH\r"));
        QCOMPARE(prompter.shown().size(), 1);
        QVERIFY(view.statusHistory.contains(QStringLiteral("Connected")));
        QCOMPARE(view.status, QString());
        QVERIFY(!m_device->isOpen());
    }

    void smallLettersNeverSatisfyTheWait() {
        int turnsAfter = 0;
        bool said = false;
        duringWait([&] {
            if (!said && m_received.endsWith("ATDT0123;\r")) {
                modemSays("\r\nok\r\n");
                said = true;
            }
            const QByteArray seen = m_port->reads.join();
            if (seen.contains("ok") && ++turnsAfter == 50)
                controller->hangUp();
        });
        selectAndDial();
        QVERIFY(turnsAfter >= 50);
        QVERIFY(!view.statusHistory.contains(QStringLiteral("Connected")));
        QVERIFY(!m_device->isOpen());
    }

    void portThatCannotBeOpened() {
        writeConfig("COM1=" + m_folder.filePath(QStringLiteral("no-such-tty")).toLocal8Bit());
        selectAndDial();
        QCOMPARE(prompter.shown(),
                 QList<PromptRequest>({{QStringLiteral("ORVELAN Secure Address Book"),
                                        dialError("Invalid Port or Wrong Port : It may already be "
                                                  "in Use"),
                                        PromptIcon::Exclamation, PromptButtons::Ok}}));
        QCOMPARE(view.statusHistory.mid(view.statusHistory.size() - 2),
                 QStringList({QStringLiteral("ORVELAN Ready..."), QString()}));
    }

    void portInUseByAnotherUser() {
        QSerialPort other(m_slavePath);
        QVERIFY(other.open(QIODevice::ReadWrite));
        selectAndDial();
        QCOMPARE(prompter.last().text,
                 dialError("Invalid Port or Wrong Port : It may already be in Use"));
        QVERIFY(m_received.isEmpty());
    }

    void closedPortAndUnreadableSettings() {
        QtSerialPort port(configPath());
        try {
            port.waitingCount();
            QFAIL("a closed port has no input");
        } catch (const SerialFailure& failure) {
            QCOMPARE(failure.code, 8018);
        }
        try {
            port.setSettings(QStringLiteral("9600,X,8,1"));
            QFAIL("settings it cannot read");
        } catch (const SerialFailure& failure) {
            QCOMPARE(failure.code, 8009);
        }
    }
};

} // namespace orvelan

ORVELAN_QT_TEST(orvelan::SerialDialTest)
#include "SerialDialTest.moc"
