// The attach check (entry 30001), the mismatch report (entry 30008 with a non-zero flag) and the
// record-size mismatch list behind them.
#include "harness.h"
#include "layout/mismatch.h"

using namespace harness;

namespace {

using undertest::kReportCaption;
using undertest::kReportFlags;

// The version message as the host formats it: the title in both places.
std::string version_message() {
    const std::string title = kTitle;
    return mazovia("Moduł \"") + title +
           mazovia("\" i program występują w różnych wersjach!\n\nZostał zakualizowany tylko "
                   "program albo tylko moduł,\na nie oba jednocześnie! Aby naprawić tę "
                   "sytuację\nzainstaluj aktualizację programu wraz z modułem \"") +
           title + mazovia("\".\n\nMODUŁ NIE ZOSTANIE ZAŁADOWANY!!!\n");
}

// The size table with the given rows ("name\texpected\thost") and the file name in the closing.
std::string size_table(const std::vector<std::string>& rows,
                       const std::string& file = "cenyzak.dll") {
    std::string text =
        mazovia(
            "Rozmiary rekordów niektórych tabel nie zgadzają się\nmiędzy programem a wtyczką \"") +
        std::string(kTitle) +
        "\":\n\n\x01"
        "tl18l33\x01"
        "TABELA\tWE WTYCZCE\tW PROGRAMIE\n";
    for (const std::string& row : rows)
        text += "\x01"
                "tp25p40\x01" +
                row + "\n";
    return text + mazovia("\nModuł wtyczki \x02") + file +
           mazovia("\x01\nNIE zostanie załadowany!");
}

class LayoutCheck : public HostTest {
  protected:
    void SetUp() override {
        HostTest::SetUp();
        ASSERT_TRUE(load());
    }

    // Entry 30008 with a non-zero flag, and the one message it showed.
    vordan::Message report() {
        h().messages.clear();
        h().trace.clear();
        EXPECT_EQ(start(1), 0);
        EXPECT_EQ(h().messages.size(), 1u);
        return h().messages.empty() ? vordan::Message{} : h().messages.back();
    }

    // The report shows the size table with exactly these rows.
    void expect_rows(const std::vector<std::string>& rows) {
        const vordan::Message m = report();
        EXPECT_EQ(h().trace, std::vector<std::string>{"52028(49153)"});
        EXPECT_EQ(m.ordinal, 52028);
        EXPECT_EQ(m.caption, kReportCaption);
        EXPECT_EQ(m.flags, kReportFlags);
        EXPECT_EQ(m.text, size_table(rows));
    }

    void expect_version_message() {
        const vordan::Message m = report();
        EXPECT_EQ(h().trace, std::vector<std::string>{"52029(49153)"});
        EXPECT_EQ(m.ordinal, 52029);
        EXPECT_EQ(m.caption, kReportCaption);
        EXPECT_EQ(m.flags, kReportFlags);
        EXPECT_EQ(m.text, version_message());
    }
};

TEST_F(LayoutCheck, AcceptsAHostWithEveryRecordSizeAsExpected) {
    EXPECT_EQ(attach(), 0);
    // The version first, then the seven tables in registration order.
    const std::vector<std::string> expected = {"51594()",   "52256(58)", "52256(67)", "52256(79)",
                                               "52256(80)", "52256(56)", "52256(72)", "52256(49)"};
    EXPECT_EQ(h().trace, expected);
    // Nothing was listed, so a report would explain a version mismatch.
    expect_version_message();
}

TEST_F(LayoutCheck, RefusesAnotherInterfaceVersionWithoutAskingForTables) {
    // Tables that would be listed if they were looked at.
    h().remove_table(records::kK9);
    h().add_table(records::kMm, 530);
    for (int32_t version : {111, 113, 0, -112}) {
        SCOPED_TRACE(version);
        h().version = version;
        h().trace.clear();
        EXPECT_EQ(attach(), -1);
        EXPECT_EQ(h().trace, std::vector<std::string>{"51594()"});
    }
    expect_version_message();
}

TEST_F(LayoutCheck, ListsAMissingTableAsBrak) {
    h().remove_table(records::kK9);
    EXPECT_EQ(attach(), -1);
    expect_rows({"k9\t1024\tbrak"});
}

TEST_F(LayoutCheck, ListsMismatchesInRegistrationOrder) {
    h().add_table(records::kMrDok, 1030);
    h().add_table(records::kMm, 530);
    EXPECT_EQ(attach(), -1);
    expect_rows({"Mm\t526\t530", "Mr_dok\t1034\t1030"});
}

TEST_F(LayoutCheck, ShowsTheHostSizeSignExtended) {
    struct Case {
        int16_t size;
        const char* shown;
    } cases[] = {{-835, "-835"}, {-32768, "-32768"}, {32767, "32767"}, {836, "836"}, {0, "brak"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.shown);
        h().add_table(records::kRw, c.size);
        EXPECT_EQ(attach(), -1);
        expect_rows({std::string("Rw\t835\t") + c.shown});
    }
}

TEST_F(LayoutCheck, AttachingTwiceListsEachTableOnce) {
    h().add_table(records::kMm, 530);
    h().remove_table(records::kK9);
    EXPECT_EQ(attach(), -1);
    EXPECT_EQ(attach(), -1);
    expect_rows({"Mm\t526\t530", "k9\t1024\tbrak"});
}

TEST_F(LayoutCheck, RefillingTheHeadDropsTheRecordsBehindIt) {
    h().add_table(records::kMm, 530);
    h().remove_table(records::kK9);
    EXPECT_EQ(attach(), -1);
    // The host is up to date now. Mm's record is refilled with equal sizes but stays the head of
    // the list, which nothing empties; k9's record stood behind it and is gone.
    h().add_table(records::kMm, records::record_size(records::kMm));
    h().add_table(records::kK9, records::record_size(records::kK9));
    EXPECT_EQ(attach(), -1);
    expect_rows({"Mm\t526\t526"});
}

TEST_F(LayoutCheck, ListsAFailedHookInstallationAfterTheRegisteredTables) {
    h().add_table(records::kRwDok, 2124);
    const cz_handler host_handler = h().tables.at(records::kRwDok).handler();
    EXPECT_EQ(attach(), -1);
    EXPECT_EQ(start(0), 0);
    EXPECT_EQ(h().tables.at(records::kRwDok).handler(), host_handler);
    // The registration record and then the hook installation's own failure record.
    expect_rows({"Rw_dok\t2125\t2124", "Rw_dok\t2125\t2124"});
}

// The exact bytes the host receives, written out in full.
TEST_F(LayoutCheck, ReportTextsAreMazoviaBytesWithTheirMarkup) {
    {
        SCOPED_TRACE("version message");
        const vordan::Message m = report();
        EXPECT_EQ(
            m.text,
            mazovia("Moduł \"Wypelnienie RW, MM wew. i MM wys. cenami zakupu (Ctrl-E)\" i program "
                    "występują w różnych wersjach!\n\nZostał zakualizowany tylko program albo "
                    "tylko moduł,\na nie oba jednocześnie! Aby naprawić tę sytuację\nzainstaluj "
                    "aktualizację programu wraz z modułem \"Wypelnienie RW, MM wew. i MM wys. "
                    "cenami zakupu (Ctrl-E)\".\n\nMODUŁ NIE ZOSTANIE ZAŁADOWANY!!!\n"));
        EXPECT_EQ(m.caption, kReportCaption);
    }
    h().remove_table(records::kK9);
    ASSERT_EQ(attach(), -1);
    {
        SCOPED_TRACE("size table");
        const vordan::Message m = report();
        EXPECT_EQ(m.text, mazovia("Rozmiary rekordów niektórych tabel nie zgadzają się\nmiędzy "
                                  "programem a wtyczką \"Wypelnienie RW, MM wew. i MM wys. cenami "
                                  "zakupu (Ctrl-E)\":\n\n\x01tl18l33\x01TABELA\tWE WTYCZCE\tW "
                                  "PROGRAMIE\n\x01tp25p40\x01k9\t1024\tbrak\n\nModuł wtyczki \x02"
                                  "cenyzak.dll\x01\nNIE zostanie załadowany!"));
        EXPECT_EQ(m.caption, kReportCaption);
    }
}

// Every record the list can hold, each with the longest size, and the longest file name: the
// text reaches the host whole.
using MismatchReport = HostTest;

TEST_F(MismatchReport, ShowsTheVersionMessageWhenNothingWasAttached) {
    ASSERT_TRUE(load());
    h().trace.clear();
    EXPECT_EQ(start(1), 0);
    EXPECT_EQ(h().trace, std::vector<std::string>{"52029(49153)"});
    ASSERT_EQ(h().messages.size(), 1u);
    EXPECT_EQ(h().messages[0].text, version_message());
}

TEST_F(MismatchReport, ShowsTheLongestListWhole) {
    const std::string file(299, 'w'); // no backslash: the closing shows all of it
    ASSERT_TRUE(load(file.c_str()));
    for (const records::TableInfo& t : records::kTables)
        h().add_table(t.number, -32768);
    ASSERT_EQ(attach(), -1);
    // Three starts, each failing at the next line table: the tables before it are right by then.
    ASSERT_EQ(start(0), 0);
    h().add_table(records::kRwDok, records::record_size(records::kRwDok));
    ASSERT_EQ(start(0), 0);
    h().add_table(records::kMrDok, records::record_size(records::kMrDok));
    ASSERT_EQ(start(0), 0);

    h().messages.clear();
    ASSERT_EQ(start(1), 0);
    ASSERT_EQ(h().messages.size(), 1u);
    const std::vector<std::string> rows = {
        "Mm\t526\t-32768",      "Mm_dok\t660\t-32768",  "Mr\t541\t-32768",  "Mr_dok\t1034\t-32768",
        "Rw\t835\t-32768",      "Rw_dok\t2125\t-32768", "k9\t1024\t-32768", "Rw_dok\t2125\t-32768",
        "Mr_dok\t1034\t-32768", "Mm_dok\t660\t-32768"};
    EXPECT_EQ(h().messages[0].text, size_table(rows, file));
}

// The list's own operations, on static records of the test's own (like the plug-in's, they
// outlive every use the list makes of them).
TableSizeRecord a, b, c;

class MismatchList : public ::testing::Test {
  protected:
    void SetUp() override {
        fill_table_size(a, 1, 2, "a");
        fill_table_size(b, 3, 4, "b");
        fill_table_size(c, 5, 6, "c");
    }
    static std::vector<const TableSizeRecord*> walk() {
        std::vector<const TableSizeRecord*> list;
        for (const TableSizeRecord* r = mismatch_head(); r && list.size() < 10; r = r->next)
            list.push_back(r);
        return list;
    }
};

TEST_F(MismatchList, IsEmptyAtLoad) {
    EXPECT_EQ(mismatch_head(), nullptr);
    EXPECT_EQ(mismatch_count(), 0);
}

TEST_F(MismatchList, AppendsAtTheEndInOrder) {
    EXPECT_EQ(mismatch_append(&a), -1);
    EXPECT_EQ(mismatch_count(), 1);
    EXPECT_EQ(mismatch_append(&b), -1);
    EXPECT_EQ(mismatch_append(&c), -1);
    EXPECT_EQ(walk(), (std::vector<const TableSizeRecord*>{&a, &b, &c}));
    EXPECT_EQ(mismatch_count(), 3);
}

TEST_F(MismatchList, NeverHoldsARecordTwice) {
    mismatch_append(&a);
    mismatch_append(&b);
    mismatch_append(&c);
    struct Case {
        const char* label;
        TableSizeRecord* record;
    } cases[] = {{"last", &c}, {"middle", &b}, {"head", &a}};
    for (const Case& k : cases) {
        SCOPED_TRACE(k.label);
        EXPECT_EQ(mismatch_append(k.record), -1);
        EXPECT_EQ(walk(), (std::vector<const TableSizeRecord*>{&a, &b, &c}));
        EXPECT_EQ(mismatch_count(), 3);
        EXPECT_EQ(c.next, nullptr); // the last record never points to itself
    }
}

TEST_F(MismatchList, RefilledHeadStandsAloneUntilOthersAreAppendedAgain) {
    mismatch_append(&a);
    mismatch_append(&b);
    mismatch_append(&c);
    fill_table_size(a, 7, 8, "a");
    EXPECT_EQ(mismatch_append(&a), -1);
    EXPECT_EQ(walk(), std::vector<const TableSizeRecord*>{&a});
    EXPECT_EQ(mismatch_count(), 1);
    mismatch_append(&c);
    EXPECT_EQ(walk(), (std::vector<const TableSizeRecord*>{&a, &c}));
}

} // namespace
