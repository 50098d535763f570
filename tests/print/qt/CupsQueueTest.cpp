// Printing through a real CUPS queue that refuses jobs: a private cupsd on a socket in a
// temporary folder, started and stopped by this test (it needs root and the CUPS daemon).
#include "print/PagePrintout.h"
#include "print/SearchListPrintout.h"
#include "print/qt/DefaultPrinterTarget.h"
#include "support/QtTestMain.h"

#include <QPrinterInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

using namespace orvelan;
using namespace Qt::StringLiterals;

class CupsQueueTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QProcess m_cupsd;

    bool admin(const QString& program, const QStringList& arguments) {
        QProcess process;
        process.start(program, arguments);
        return process.waitForFinished(10000) && process.exitCode() == 0;
    }

    void writeFile(const QString& name, const QByteArray& text) {
        QFile file(m_dir.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(text);
    }

private Q_SLOTS:
    void initTestCase() {
        if (::geteuid() != 0 ||
            QStandardPaths::findExecutable(u"cupsd"_s, {u"/usr/sbin"_s}).isEmpty() ||
            QStandardPaths::findExecutable(u"lpadmin"_s, {u"/usr/sbin"_s}).isEmpty())
            QSKIP("a private CUPS daemon needs root, cupsd and lpadmin");
        const QByteArray root = QFile::encodeName(m_dir.path());
        for (const char* folder : {"spool", "cache", "state", "log", "ppd"})
            QVERIFY(QDir(m_dir.path()).mkpath(QString::fromLatin1(folder)));
        QFile::setPermissions(m_dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                QFileDevice::ExeOwner | QFileDevice::ReadOther |
                                                QFileDevice::WriteOther | QFileDevice::ExeOther);
        for (const char* folder : {"spool", "cache", "state", "log"})
            QFile::setPermissions(m_dir.filePath(QString::fromLatin1(folder)),
                                  QFileDevice::Permissions(0x7777));
        writeFile(u"cupsd.conf"_s,
                  "Listen " + root +
                      "/cups.sock\nLogLevel warn\n"
                      "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n");
        writeFile(
            u"cups-files.conf"_s,
            QByteArray("ServerRoot @\nRequestRoot @/spool\nCacheDir @/cache\nStateDir @/state\n"
                       "TempDir @/spool\nErrorLog @/log/error_log\nAccessLog @/log/access_log\n"
                       "PageLog @/log/page_log\nFileDevice Yes\nUser lp\nGroup lp\n"
                       "SystemGroup root\n")
                .replace("@", root));
        m_cupsd.start(QStandardPaths::findExecutable(u"cupsd"_s, {u"/usr/sbin"_s}),
                      {u"-f"_s, u"-c"_s, m_dir.filePath(u"cupsd.conf"_s), u"-s"_s,
                       m_dir.filePath(u"cups-files.conf"_s)});
        QVERIFY(m_cupsd.waitForStarted());
        qputenv("CUPS_SERVER", root + "/cups.sock");
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(m_dir.filePath(u"cups.sock"_s)), 10000);
        const QString lpadmin = QStandardPaths::findExecutable(u"lpadmin"_s, {u"/usr/sbin"_s});
        QVERIFY(admin(lpadmin,
                      {u"-p"_s, u"orvelan-office"_s, u"-E"_s, u"-v"_s, u"file:///dev/null"_s}));
        QVERIFY(admin(lpadmin, {u"-d"_s, u"orvelan-office"_s}));
    }

    void aQueueThatRejectsJobsIsNamedAndTheListKeepsItsCount() {
        QVERIFY(admin(QStandardPaths::findExecutable(u"cupsreject"_s, {u"/usr/sbin"_s}),
                      {u"orvelan-office"_s}));
        QCOMPARE(QPrinterInfo::defaultPrinter().printerName(), u"orvelan-office"_s);
        DefaultPrinterTarget target(m_dir.filePath(u"Prints"_s));
        SearchResults results;
        results.lines = {u" Ann"_s};
        results.present = true;
        int found = 1;
        const SearchListPrint::Result result =
            SearchListPrint::run(target, results, found, QDateTime::currentDateTime());
        QCOMPARE(result.outcome, SearchListPrint::Outcome::Failed);
        QCOMPARE(result.detail,
                 u"The printer queue \u201corvelan-office\u201d is not accepting jobs (ready)."_s);
        QVERIFY(printErrorPrompt(result.error, result.detail).text.contains(u"orvelan-office"_s));
        QCOMPARE(found, 1);
        QVERIFY(results.present);

        // Accepting again, the queue takes the printout.
        QVERIFY(admin(QStandardPaths::findExecutable(u"cupsaccept"_s, {u"/usr/sbin"_s}),
                      {u"orvelan-office"_s}));
        const PrintJob job = target.open(u"ORVELAN Page"_s);
        QVERIFY(job.surface);
        QVERIFY(job.refusal.isEmpty());
    }

    void cleanupTestCase() {
        if (m_cupsd.state() != QProcess::NotRunning) {
            m_cupsd.terminate();
            if (!m_cupsd.waitForFinished(5000))
                m_cupsd.kill();
        }
    }
};

ORVELAN_QT_TEST(CupsQueueTest)
#include "CupsQueueTest.moc"
