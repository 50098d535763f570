// The sync rules, without a server: what each combination of changes leads to.
#include "sync/SyncPlan.h"
#include "store/PageTexts.h"
#include "sync/Synchroniser.h"

#include <gtest/gtest.h>

using namespace orvelan;
using namespace Qt::StringLiterals;

namespace {

const QString Book = u"/ann/book/"_s;

PageId id(quint64 n) {
    return PageId::fromValue(0x414141410000ULL + n);
}

struct Fixture {
    QList<LocalPage> local;
    RemoteCards remote;
    SyncState state;

    // A page and its card as the last sync left them.
    void synced(quint64 n, int tab, qint64 page) {
        const QString href = Book + u"c%1.vcf"_s.arg(n);
        state.put({id(n), href, "\"e1\"", "h1", tab, page});
        local.append({id(n), tab, page, "h1"});
        remote.insert(href, "\"e1\"");
    }
    QList<SyncStep> plan() const { return planSync(local, remote, state, Book); }
};

SyncAction onlyAction(const QList<SyncStep>& steps) {
    EXPECT_EQ(steps.size(), 1);
    return steps.isEmpty() ? SyncAction::Forget : steps.first().action;
}

TEST(SyncPlan, EachCombinationOfChangesFollowsTheRules) {
    struct Row {
        const char* what;
        bool pageThere;
        bool pageChanged;
        bool cardThere;
        bool cardChanged;
        SyncAction expected;
    };
    const Row rows[] = {
        {"changed here only", true, true, true, false, SyncAction::Update},
        {"changed on the server only", true, false, true, true, SyncAction::Refresh},
        {"changed on both sides", true, true, true, true, SyncAction::Conflict},
        {"deleted on the server, unchanged here", true, false, false, false,
         SyncAction::DeleteHere},
        {"deleted on the server, changed here", true, true, false, false, SyncAction::Recreate},
        {"deleted here, unchanged there", false, false, true, false, SyncAction::DeleteThere},
        {"deleted here, changed there", false, false, true, true, SyncAction::Restore},
        {"deleted on both sides", false, false, false, false, SyncAction::Forget},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Fixture f;
        f.synced(1, 3, 7);
        if (!row.pageThere)
            f.local.clear();
        else if (row.pageChanged)
            f.local[0].hash = "h2";
        if (!row.cardThere)
            f.remote.clear();
        else if (row.cardChanged)
            f.remote[Book + u"c1.vcf"_s] = "\"e2\"";
        const QList<SyncStep> steps = f.plan();
        EXPECT_EQ(onlyAction(steps), row.expected);
        if (!steps.isEmpty()) {
            EXPECT_EQ(steps.first().id, id(1));
            EXPECT_EQ(steps.first().local, row.pageThere ? 0 : -1);
        }
    }
}

TEST(SyncPlan, NothingChangedMeansNothingToDo) {
    Fixture f;
    for (quint64 n = 1; n <= 50; ++n)
        f.synced(n, 1, qint64(n));
    EXPECT_TRUE(f.plan().isEmpty());
}

TEST(SyncPlan, NewPagesAreSentAndNewCardsReceived) {
    Fixture f;
    f.synced(1, 1, 1);
    f.local.append({PageId(), 2, 1, "h"});
    f.remote.insert(Book + u"phone.vcf"_s, "\"p\"");
    const QList<SyncStep> steps = f.plan();
    ASSERT_EQ(steps.size(), 2);
    int sends = 0;
    int receives = 0;
    for (const SyncStep& step : steps) {
        if (step.action == SyncAction::Send) {
            ++sends;
            EXPECT_EQ(step.local, 1);
            EXPECT_TRUE(step.id.isNull()) << "a page gets its identity when it is first sent";
        } else if (step.action == SyncAction::Receive) {
            ++receives;
            EXPECT_EQ(step.href, Book + u"phone.vcf"_s);
            EXPECT_EQ(step.etag, "\"p\"");
        }
    }
    EXPECT_EQ(sends, 1);
    EXPECT_EQ(receives, 1);
}

TEST(SyncPlan, ACopiedRecordKeepsTheIdentityOnlyWhereTheStateRemembersIt) {
    Fixture f;
    f.local.append({id(1), 5, 2, "h1"}); // a copy made of the page, filed first
    f.synced(1, 3, 7);
    const QList<SyncStep> steps = f.plan();
    ASSERT_EQ(steps.size(), 1);
    EXPECT_EQ(steps.first().action, SyncAction::Send);
    EXPECT_EQ(steps.first().local, 0);
    EXPECT_TRUE(steps.first().id.isNull()) << "the copy becomes a new card";
}

TEST(SyncPlan, OfTwoPagesSharingAnIdentityTheOneStillAsSyncedKeepsIt) {
    // A copy of the record (one of them perhaps renamed); blank-page removal may have moved
    // either from where the last sync left the page (tab 3, page 7).
    struct Row {
        const char* what;
        qint64 firstPage;
        QByteArray firstHash;
        qint64 secondPage;
        QByteArray secondHash;
        int keeper;
    };
    const Row rows[] = {
        {"both moved: the one still as synced", 2, "renamed", 5, "h1", 1},
        {"the renamed copy stands at the remembered place: the unchanged one", 7, "renamed", 2,
         "h1", 1},
        {"both as synced: the one at the remembered place", 2, "h1", 7, "h1", 1},
        {"both changed: the one at the remembered place", 7, "x", 2, "y", 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Fixture f;
        f.synced(1, 3, 7);
        f.local.clear();
        f.local.append({id(1), 3, row.firstPage, row.firstHash});
        f.local.append({id(1), 3, row.secondPage, row.secondHash});
        const int other = 1 - row.keeper;
        bool otherSent = false;
        for (const SyncStep& step : f.plan()) {
            if (step.local == other) {
                EXPECT_EQ(step.action, SyncAction::Send);
                EXPECT_TRUE(step.id.isNull()) << "the other page becomes a new card";
                otherSent = true;
            } else {
                EXPECT_EQ(step.local, row.keeper);
                EXPECT_EQ(step.id, id(1));
                EXPECT_EQ(step.action, SyncAction::Update) << "only a changed keeper is sent";
            }
        }
        EXPECT_TRUE(otherSent);
    }
}

TEST(SyncPlan, APageAndACardLeftUnrecordedByAnInterruptedSyncAreMatched) {
    Fixture f;
    // Sent, but the sync stopped before it recorded the card.
    f.local.append({id(1), 1, 1, "h"});
    f.remote.insert(cardHrefFor(Book, id(1)), "\"s\"");
    // Received, but not recorded: the page's identity follows from the card's path.
    const QString phoneCard = Book + u"from-phone.vcf"_s;
    const PageId derived = PageId::derivedFrom(phoneCard.toUtf8());
    f.local.append({derived, 2, 1, "h"});
    f.remote.insert(phoneCard, "\"t\"");
    const QList<SyncStep> steps = f.plan();
    ASSERT_EQ(steps.size(), 2);
    for (const SyncStep& step : steps) {
        EXPECT_EQ(step.action, SyncAction::Match);
        EXPECT_EQ(step.href, step.local == 0 ? cardHrefFor(Book, id(1)) : phoneCard);
    }
}

// Deleted on the phone and changed here: the page went back as a new card, but the sync stopped
// before it recorded it. The next sync finds that card by the page's identity; it is not a new
// card from the phone, and no second page is filed for it.
TEST(SyncPlan, ACardRecreatedByAnInterruptedSyncIsMatchedNotReceivedAgain) {
    Fixture f;
    f.synced(1, 1, 1);
    f.remote.clear(); // deleted on the phone
    f.local[0].hash = "changed here";
    f.remote.insert(cardHrefFor(Book, id(1)), "\"r\"");
    const QList<SyncStep> steps = f.plan();
    ASSERT_EQ(steps.size(), 1);
    EXPECT_EQ(steps[0].action, SyncAction::Match);
    EXPECT_EQ(steps[0].href, cardHrefFor(Book, id(1)));
    EXPECT_EQ(steps[0].id, id(1));
}

TEST(SyncPlan, IdentitiesAvoidZeroBytesAndSpacesAndSurviveTheirTextForm) {
    for (int i = 0; i < 200; ++i) {
        const PageId fresh = PageId::random();
        ASSERT_FALSE(fresh.isNull());
        QByteArray record(1690, ' ');
        setPageId(record, fresh);
        EXPECT_EQ(pageIdOf(record), fresh);
        EXPECT_EQ(PageId::fromString(fresh.toString()), fresh);
        for (int b = 1684; b < 1690; ++b)
            ASSERT_TRUE(record[b] != 0 && record[b] != ' ');
    }
    EXPECT_TRUE(pageIdOf(QByteArray(1690, ' ')).isNull()) << "a blank page has none";

    // The identity sits beside the page's text encoding: a page in UTF-8 still reads as UTF-8.
    PageTexts texts;
    texts[0] = u"Łukasz Иванов"_s;
    PageRecord page;
    fillRecord(page, texts);
    QByteArray stored = page.toStored();
    const PageId id = PageId::random();
    setPageId(stored, id);
    EXPECT_EQ(pageIdOf(stored), id);
    EXPECT_EQ(textsOf(PageRecord::fromStored(stored))[0], texts[0]);
    EXPECT_EQ(textsOf(PageRecord::fromStored(PageRecord::fromStored(stored).toStored()))[0],
              texts[0])
        << "read and written again, the record keeps both";
    EXPECT_EQ(pageIdOf(PageRecord::fromStored(stored).toStored()), id);
    // An identity with a zero byte (a damaged state or trash file) would make the texts read
    // as Windows-1252: it is neither read from its text form nor written.
    const PageId unfit = PageId::fromValue(0x414141410041);
    EXPECT_TRUE(PageId::fromString(unfit.toString()).isNull());
    const QByteArray before = stored;
    setPageId(stored, unfit);
    EXPECT_EQ(stored, before);
    setPageId(stored, {});
    EXPECT_EQ(stored.mid(1682), page.toStored().mid(1682)) << "without it, the plain marker";
    QByteArray saved(1690, 'x');
    saved.replace(1682, 8, QByteArray(8, '\0'));
    EXPECT_TRUE(pageIdOf(saved).isNull()) << "a page saved before any sync has none";
}

TEST(SyncPlan, AConflictCopyNameAlwaysKeepsItsMarkWithinTheNameField) {
    EXPECT_EQ(conflictCopyName(u"Ann Arbor"_s), u"Ann Arbor (conflict)"_s);
    const QString longName = u"Alexandra Montgomery-Smithson"_s;
    const QString marked = conflictCopyName(longName);
    EXPECT_TRUE(marked.endsWith(u" (conflict)"_s));
    EXPECT_LE(marked.toUtf8().size(), 32);
    const QString greek = conflictCopyName(u"Παπαδόπουλος Αλέξανδρος 😀"_s);
    EXPECT_TRUE(greek.endsWith(u" (conflict)"_s));
    EXPECT_LE(greek.toUtf8().size(), 32);
    EXPECT_FALSE(greek.toUtf8().contains("\xef\xbf\xbd")) << "no character cut in two";
}

} // namespace

// The hash is kept in the state file of every synchronised book: a different one would make
// every page look changed after an update.
TEST(SyncPlan, ThePageHashStaysWhatStateFilesHold) {
    PageTexts texts;
    texts[0] = u"Ann \u0141"_s;
    texts[25] = u"note"_s;
    EXPECT_EQ(pageHash(texts), QByteArray("48761db0bcb4c45b6b84d975207f83e2"));
}

TEST(DeleteLimit, StopsOnlyPastTenAndAQuarterOfTheSide) {
    struct Case {
        int deletions;
        int total;
        bool over;
    };
    const Case cases[] = {
        {0, 0, false},    {10, 10, false}, {11, 44, false},  {11, 43, true}, {12, 20, true},
        {11, 100, false}, {26, 100, true}, {25, 100, false}, {7, 20, false}, {1000, 1000, true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(overDeleteLimit(c.deletions, c.total), c.over)
            << c.deletions << " of " << c.total;
}
