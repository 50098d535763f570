// Encrypted books: unlocking with the Argon2id parameters new books get; search, list and export
// of an encrypted book beside the same book plain (25,000 and 250,000 pages); a page turn and a
// save on an encrypted 25,000-page tab; encrypting and decrypting 250,000 pages; the tool's peak
// memory listing an encrypted 250,000-page book.
#include "BenchBook.h"

#include "exchange/Export.h"
#include "search/BookSearch.h"
#include "security/BookEncryption.h"
#include "store/PageRecord.h"
#include "store/TabTable.h"

#include <QFile>

#include <benchmark/benchmark.h>

#include <map>
#include <memory>

using namespace orvelan;
using orvelan::bench::BenchBook;

namespace {

const QString Password = QStringLiteral("correct horse battery");
// Benchmarks of reading set the book up with the cheapest Argon2id; unlocking is measured apart.
const KdfLimits Quick{1, 8192};

// Two copies of a generated book per size: [0] plain, [1] encrypted and open.
BenchBook& book(int perTab, bool encrypted) {
    static std::map<std::pair<int, bool>, std::unique_ptr<BenchBook>> books;
    auto& slot = books[{perTab, encrypted}];
    if (!slot) {
        slot = std::make_unique<BenchBook>(perTab);
        if (encrypted && !encryptBook(slot->folder(), Password, false, {}, Quick).ok)
            throw std::runtime_error("cannot encrypt the benchmark book");
    }
    return *slot;
}

QString label(int perTab, bool encrypted) {
    return QStringLiteral("%1, %2 pages")
        .arg(encrypted ? QStringLiteral("encrypted") : QStringLiteral("plain"))
        .arg(perTab * 25);
}

void unlockWithStandardParameters(benchmark::State& state) {
    static BenchBook unlocked(10);
    static const bool ready =
        encryptBook(unlocked.folder(), Password, false, {}, KdfLimits::standard()).ok;
    if (!ready) {
        state.SkipWithError("cannot encrypt");
        return;
    }
    for (auto _ : state) {
        const BookFolder folder(unlocked.folder().root());
        if (!unlockBook(folder, Password).ok)
            state.SkipWithError("unlock failed");
    }
    const KdfLimits limits = KdfLimits::standard();
    state.SetLabel(QStringLiteral("Argon2id opslimit %1, memlimit %2 MiB")
                       .arg(limits.opslimit)
                       .arg(limits.memlimit >> 20)
                       .toStdString());
}
BENCHMARK(unlockWithStandardParameters)->Unit(benchmark::kMillisecond)->Iterations(5);

void searchWholeBook(benchmark::State& state) {
    const int perTab = int(state.range(0));
    const bool encrypted = state.range(1) == 1;
    const BenchBook& b = book(perTab, encrypted);
    SelectorFlags flags{};
    flags[0] = flags[9] = true; // name and notes
    for (auto _ : state) {
        const SearchOutcome outcome = BookSearch(b.folder()).run(flags, u"zz-nowhere");
        benchmark::DoNotOptimize(outcome.found());
    }
    state.SetLabel(label(perTab, encrypted).toStdString());
}
BENCHMARK(searchWholeBook)
    ->ArgsProduct({{1000, 10000}, {0, 1}})
    ->MeasureProcessCPUTime() // both threads that open sealed records
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

void listWholeBook(benchmark::State& state) {
    const int perTab = int(state.range(0));
    const bool encrypted = state.range(1) == 1;
    const BenchBook& b = book(perTab, encrypted);
    for (auto _ : state) {
        qint64 named = 0;
        for (int tab = 0; tab < TabCount; ++tab) {
            b.folder().tabFile(tab).scan([&](qint64, QByteArrayView stored) {
                const PlainRecord record(stored);
                named += record.isBlank() ? 0 : 1;
                benchmark::DoNotOptimize(record.field(Field::Name).size());
                return true;
            });
        }
        benchmark::DoNotOptimize(named);
    }
    state.SetLabel(label(perTab, encrypted).toStdString());
}
BENCHMARK(listWholeBook)
    ->ArgsProduct({{1000, 10000}, {0, 1}})
    ->MeasureProcessCPUTime() // both threads that open sealed records
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

void exportWholeBookCsv(benchmark::State& state) {
    const int perTab = int(state.range(0));
    const bool encrypted = state.range(1) == 1;
    const BenchBook& b = book(perTab, encrypted);
    const QString path = b.folder().root() + QStringLiteral("/out.csv");
    for (auto _ : state) {
        const ExportResult result = exportBookToFile(path, ExportFormat::Csv, b.folder(), {});
        if (!result.ok())
            state.SkipWithError("export failed");
    }
    QFile::remove(path);
    state.SetLabel(label(perTab, encrypted).toStdString());
}
BENCHMARK(exportWholeBookCsv)
    ->ArgsProduct({{1000, 10000}, {0, 1}})
    ->MeasureProcessCPUTime() // both threads that open sealed records
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

// The floor under every whole-book read of an encrypted book: opening (authenticating and
// deciphering) 250,000 sealed records with nothing else done, one record after the other on one
// thread. Search, list and export of an encrypted book cost at least this much CPU.
void openingAlone250000Records(benchmark::State& state) {
    const BenchBook& b = book(1000, true);
    const std::shared_ptr<const RecordSealer> sealer = b.folder().sealing().sealer();
    QByteArray sealed(RecordSealer::SealedRecordSize, '\0');
    const QByteArray plain(RecordSize, ' '); // what it holds does not change the cost
    sealer->sealRecord(1, 1, plain, sealed.data());
    QByteArray opened(RecordSize, '\0');
    for (auto _ : state) {
        int authentic = 0;
        for (int i = 0; i < 250000; ++i)
            authentic += sealer->openRecord(1, 1, sealed, opened.data()) ? 1 : 0;
        if (authentic != 250000)
            state.SkipWithError("a record failed its tag");
    }
    state.SetLabel("libsodium's XChaCha20-Poly1305 alone, 250,000 records of 1,690 bytes");
}
BENCHMARK(openingAlone250000Records)->Unit(benchmark::kMillisecond)->Iterations(3);

// A page turn (one read) and a save (one write) on an encrypted tab of 25,000 pages.
void pageTurnAndSaveOnEncryptedTab(benchmark::State& state) {
    static BenchBook b(10);
    static const bool ready = [] {
        b.writeLongTab(2, 25000);
        return encryptBook(b.folder(), Password, false, {}, Quick).ok;
    }();
    if (!ready) {
        state.SkipWithError("cannot encrypt");
        return;
    }
    const TabFile file = b.folder().tabFile(2);
    const bool save = state.range(0) == 1;
    qint64 page = 1;
    for (auto _ : state) {
        page = page % 25000 + 7919 % 25000;
        const TabFile::Read read = file.readPage(page);
        if (save)
            file.writePage(page, read.record);
        benchmark::DoNotOptimize(read.record.size());
    }
    state.SetLabel(save ? "read and save one page" : "read one page (page turn)");
}
BENCHMARK(pageTurnAndSaveOnEncryptedTab)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void encryptAndDecrypt250000Pages(benchmark::State& state) {
    const bool decrypt = state.range(0) == 1;
    std::unique_ptr<BenchBook> b; // made and removed outside the timing
    for (auto _ : state) {
        state.PauseTiming();
        b.reset();
        b = std::make_unique<BenchBook>(10000);
        if (decrypt && !encryptBook(b->folder(), Password, false, {}, Quick).ok)
            state.SkipWithError("cannot encrypt");
        state.ResumeTiming();
        const ConversionOutcome outcome =
            decrypt ? decryptBook(b->folder(), Password)
                    : encryptBook(b->folder(), Password, false, {}, KdfLimits::standard());
        if (!outcome.ok)
            state.SkipWithError(outcome.error.toStdString().c_str());
    }
    b.reset(); // after the timed loop
    state.SetLabel(decrypt ? "decrypt 250,000 pages" : "encrypt 250,000 pages (Argon2id included)");
}
BENCHMARK(encryptAndDecrypt250000Pages)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

void toolPeakMemoryOnEncrypted250000Pages(benchmark::State& state) {
    const BenchBook& b = book(10000, true);
    const QString pw = b.folder().root() + QStringLiteral("/../bench.pw");
    QFile file(pw);
    if (file.open(QIODevice::WriteOnly))
        file.write(Password.toUtf8() + '\n');
    file.close();
    const QStringList command = state.range(0) == 0
                                    ? QStringList{QStringLiteral("list")}
                                    : QStringList{QStringLiteral("export"), QStringLiteral("csv"),
                                                  b.folder().root() + QStringLiteral("/o.csv")};
    long peakKb = 0;
    for (auto _ : state) {
        const long peak = bench::runMeasured(
            ORVELAN_BOOK_TOOL, QStringList{QStringLiteral("--home"), b.folder().root(),
                                           QStringLiteral("--password-file"), pw} +
                                   command);
        if (peak < 0)
            state.SkipWithError("cannot start orvelan-book");
        peakKb = std::max(peakKb, peak);
    }
    state.counters["peak_kB"] = double(peakKb);
    state.SetLabel(command.first().toStdString() + ", Argon2id of the quick setup only");
}
BENCHMARK(toolPeakMemoryOnEncrypted250000Pages)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

} // namespace

BENCHMARK_MAIN();
