// Finding duplicates on books of 25,000 and 250,000 named pages: a mix of Latin, Cyrillic, Greek
// and Chinese names drawn from short lists (so names repeat, as in a real book), one page in
// twenty a second copy of another person written another way (another number format, the
// e-mail in capitals, the name in Latin letters). Reports time in process, and wall time and
// peak memory of `orvelan-book duplicates` as a separate process.
#include "BenchBook.h"

#include "search/DuplicateFinder.h"
#include "store/BookMaintenance.h"
#include "store/PageTexts.h"
#include "store/PageViewIndex.h"
#include "store/TabTable.h"

#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <map>
#include <memory>

using namespace orvelan;

namespace {

const QStringList Given = {
    QStringLiteral("Anna"),  QStringLiteral("Ben"),     QStringLiteral("Carla"),
    QStringLiteral("David"), QStringLiteral("Élodie"),  QStringLiteral("Иван"),
    QStringLiteral("Ольга"), QStringLiteral("Γιώργος"), QStringLiteral("Marta"),
    QStringLiteral("Piotr"), QStringLiteral("Sven"),    QStringLiteral("Yuki")};
const QStringList Family = {
    QStringLiteral("Berg"),   QStringLiteral("Dahl"),      QStringLiteral("Müller"),
    QStringLiteral("Иванов"), QStringLiteral("Петрова"),   QStringLiteral("Παπαδόπουλος"),
    QStringLiteral("Nowak"),  QStringLiteral("Andersson"), QStringLiteral("Rossi"),
    QStringLiteral("Smith"),  QStringLiteral("Tanaka"),    QStringLiteral("Kowalski")};

PageTexts person(int n) {
    PageTexts texts;
    // Names repeat every 144 people; the number after them keeps most people apart.
    texts[VName] = Given[n % 12] + u' ' + Family[(n / 12) % 12] + u' ' + QString::number(n / 144);
    if (n % 50 == 7)
        texts[VName] = QStringLiteral("王") + QString(QChar(0x4e00 + n % 5000)) + u'明';
    texts[VPhone1] = QStringLiteral("+44 20 7%1").arg(n, 7, 10, QLatin1Char('0'));
    texts[VMobile] = QStringLiteral("07700 %1").arg(n, 6, 10, QLatin1Char('0'));
    texts[VEmail] = QStringLiteral("person%1@example.com").arg(n);
    texts[VAddr1] = QStringLiteral("%1 High Street").arg(n % 300);
    texts[VOrganisation] = QStringLiteral("Acme Ltd");
    return texts;
}

// The same person as `n` written by another program.
PageTexts copyOf(int n) {
    PageTexts texts = person(n);
    texts[VName] = texts[VName].toUpper();
    texts[VPhone1] = QStringLiteral("020 7%1").arg(n, 7, 10, QLatin1Char('0'));
    texts[VEmail] = texts[VEmail].toUpper();
    return texts;
}

class DuplicatesBook {
public:
    explicit DuplicatesBook(int pages) : m_folder(m_dir.path()) {
        MaintenanceReport report;
        createBookIfMissing(m_folder, report);
        std::map<int, QByteArray> tabs;
        for (int n = 0; n < pages; ++n) {
            const PageTexts texts = n % 20 == 19 ? copyOf(n - 10) : person(n);
            PageRecord record;
            fillRecord(record, texts);
            tabs[1 + n % LastTab] += record.toStored();
        }
        for (const auto& [tab, contents] : tabs) {
            QFile file(m_folder.tabFilePath(tab));
            if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
                file.write(contents);
        }
    }
    const BookFolder& folder() const { return m_folder; }

private:
    QTemporaryDir m_dir;
    BookFolder m_folder;
};

DuplicatesBook& book(int pages) {
    static std::map<int, std::unique_ptr<DuplicatesBook>> books;
    auto& slot = books[pages];
    if (!slot)
        slot = std::make_unique<DuplicatesBook>(pages);
    return *slot;
}

void findDuplicates(benchmark::State& state) {
    const DuplicatesBook& generated = book(int(state.range(0)));
    qsizetype groups = 0;
    for (auto _ : state) {
        const PhoneNumbers phones(QStringLiteral("GB"));
        const DuplicateOutcome outcome = DuplicateFinder(generated.folder(), phones).run();
        groups = outcome.groups.size();
        benchmark::DoNotOptimize(outcome);
    }
    state.counters["groups"] = double(groups);
}
BENCHMARK(findDuplicates)->Arg(25000)->Arg(250000)->Unit(benchmark::kMillisecond);

// `orvelan-book duplicates` as a separate process: wall time and peak memory (kilobytes).
void toolDuplicates(benchmark::State& state) {
    const QString home = book(int(state.range(0))).folder().root();
    long peakKb = 0;
    for (auto _ : state) {
        const long peak = bench::runMeasured(
            ORVELAN_BOOK_TOOL, {QStringLiteral("--home"), home, QStringLiteral("duplicates")});
        if (peak < 0) {
            state.SkipWithError("cannot start orvelan-book");
            break;
        }
        peakKb = std::max(peakKb, peak);
    }
    state.counters["peak_kB"] = double(peakKb);
}
BENCHMARK(toolDuplicates)->Arg(25000)->Arg(250000)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
