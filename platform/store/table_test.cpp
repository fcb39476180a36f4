// Tests of the table files, the Table cursor, locking and the Query handle.
#include "platform/store/table.h"

#include "platform/core/error.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <ostream>
#include <utility>

// Readable QString values in failure messages.
inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }

namespace {

using kv::Query;
using kv::Table;
using Fields = QList<std::pair<const char*, QVariant>>;

// Runs f and returns the kv::Error message it throws; fails the test when it does not.
QString errorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const kv::Error& e) {
        return e.message();
    }
    ADD_FAILURE() << "no kv::Error thrown";
    return {};
}

// Whether another process sees an fcntl lock of this process on the file (SQLite's
// own locks are fcntl locks).
bool fcntlLockSeenFromOutside(const QString& path) {
    const QByteArray name = QFile::encodeName(path);
    const pid_t child = ::fork();
    if (child == 0) {
        const int fd = ::open(name.constData(), O_RDWR);
        struct flock probe {};
        probe.l_type = F_WRLCK;
        probe.l_whence = SEEK_SET;
        if (fd < 0 || ::fcntl(fd, F_GETLK, &probe) != 0) ::_exit(2);
        ::_exit(probe.l_type == F_UNLCK ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) < 2) << "probe failed";
    return WIFEXITED(status) && WEXITSTATUS(status) == 1;
}

class StoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        kv::createTables(dir_.path());
    }

    QString folder() const { return dir_.path(); }
    QString tablePath(const QString& file) const { return QDir(folder()).filePath(file); }

    std::unique_ptr<Table> handle(const QString& table, const QString& filter = {},
                                  const QString& index = {}) {
        auto t = std::make_unique<Table>(table);
        t->setDatabaseName(folder());
        t->setFilter(filter);
        t->setIndexName(index);
        return t;
    }

    void empty(const QString& table) {
        Table t(table);
        t.setDatabaseName(folder());
        t.emptyTable();
    }

    void add(const QString& table, const Fields& fields) {
        Table t(table);
        t.setDatabaseName(folder());
        t.open();
        t.insert();
        for (const auto& [name, value] : fields) t.setField(name, value);
        t.post();
    }

    // The values of one field over the rest of the walk, from the current record on.
    static QStringList rest(Table& t, const char* field) {
        QStringList seen;
        for (; !t.eof(); t.next()) seen.append(t.field(field).toString());
        return seen;
    }

    static QStringList walk(Table& t, const char* field) {
        t.first();
        return rest(t, field);
    }

    QTemporaryDir dir_;
};

TEST_F(StoreTest, CreateTablesMakesMissingTablesAndLeavesExistingFilesAlone) {
    EXPECT_EQ(kv::tableFileNames(),
              QStringList({"Directory.DAT", "Files.DAT", "ix.DAT", "Qb.DAT", "oID.DAT"}));

    QTemporaryDir other;
    QFile foreign(QDir(other.path()).filePath("Qb.DAT"));
    ASSERT_TRUE(foreign.open(QIODevice::WriteOnly));
    foreign.write("not a table");
    foreign.close();
    kv::createTables(other.path());
    for (const QString& name : kv::tableFileNames())
        EXPECT_TRUE(QFile::exists(QDir(other.path()).filePath(name))) << name.toStdString();
    ASSERT_TRUE(foreign.open(QIODevice::ReadOnly));
    EXPECT_EQ(foreign.readAll(), QByteArray("not a table"));
    EXPECT_EQ(QDir(other.path()).entryList(QDir::Files).size(), 5) << "no stray files";

    add("Files", {{"FileName", "c:\\kept.doc"}});
    kv::createTables(folder());
    auto t = handle("Files");
    t->open();
    EXPECT_EQ(walk(*t, "FileName"), QStringList({"c:\\kept.doc"}));

    EXPECT_TRUE(errorOf([&] { kv::createTables(folder() + "/missing"); }).contains("missing"));
}

TEST_F(StoreTest, NewFileRecordNeedsIndexAndFieldNamesIgnoreCase) {
    auto t = handle("files");
    t->open();
    t->insert();
    EXPECT_EQ(t->field("needsindex"), QVariant(true)) << "default shown before post";
    t->setField("filename", "c:\\docs\\a.doc");
    t->post();
    EXPECT_EQ(t->field("FILENAME").toString(), "c:\\docs\\a.doc");
    EXPECT_EQ(t->field("NeedsIndex"), QVariant(true));
    EXPECT_TRUE(t->field("Selected").isNull());
    EXPECT_TRUE(t->field("Modified").isNull());
    EXPECT_TRUE(errorOf([&] { t->field("Nope"); }).contains("Nope"));
}

TEST_F(StoreTest, ValuesKeepTheirTypeAndPrecision) {
    const QDateTime modified(QDate(2023, 5, 6), QTime(7, 8, 9, 123));
    const QString longText(200000, QChar('x'));
    add("Files", {{"FileName", "c:\\a.doc"}, {"Modified", modified}, {"Size", 2147483647},
                  {"NeedsIndex", QVariant()}, {"Selected", false}});
    add("oID", {{"oID", "id-1"}, {"Date", QDateTime(QDate(2020, 2, 29), QTime(23, 59))}});
    add("ix", {{"Word", "word"}, {"Count", -3}, {"References", longText}});

    auto files = handle("Files");
    files->open();
    EXPECT_EQ(files->field("Modified").toDateTime(), modified);
    EXPECT_EQ(files->field("Modified").toDateTime().time().msec(), 123);
    EXPECT_EQ(files->field("Size"), QVariant(2147483647));
    EXPECT_TRUE(files->field("NeedsIndex").isNull()) << "null stays empty, not the default";
    EXPECT_EQ(files->field("Selected"), QVariant(false));
    auto oid = handle("oID");
    oid->open();
    EXPECT_EQ(oid->field("Date"), QVariant(QDate(2020, 2, 29)));
    auto ix = handle("ix");
    ix->open();
    EXPECT_EQ(ix->field("References").toString(), longText);
    EXPECT_EQ(ix->field("Count"), QVariant(-3));
}

TEST_F(StoreTest, SetFieldRefusesValuesThatDoNotFit) {
    struct Case {
        const char* table;
        const char* field;
        QVariant value;
    };
    const Case cases[] = {
        {"Files", "FileName", QString(151, 'p')},      // paths are never cut
        {"Directory", "Directory", QString(256, 'd')},
        {"ix", "Word", QString(31, 'w')},
        {"oID", "oID", QString(49, 'i')},
        {"oID", "From", QString(101, 'f')},
        {"oID", "Subject", QString(101, 's')},
        {"Files", "Size", qlonglong(2147483648LL)},    // 32-bit integer
        {"Files", "Size", "12kB"},
        {"Files", "ID", 5},                            // assigned by the table
        {"Files", "NeedsIndex", "maybe"},
        {"Files", "Modified", "yesterday"},
        {"oID", "Date", 20200101},
    };
    for (const Case& c : cases) {
        auto t = handle(c.table);
        t->open();
        t->insert();
        const QString message = errorOf([&] { t->setField(c.field, c.value); });
        EXPECT_TRUE(message.contains(c.field)) << c.table << "." << c.field << ": "
                                               << message.toStdString();
    }

    auto files = handle("Files");
    files->open();
    files->insert();
    files->setField("FileName", QString(150, 'p'));
    files->post();
    EXPECT_EQ(files->field("FileName").toString().size(), 150);

    auto qb = handle("Qb");
    qb->open();
    qb->insert();
    qb->setField("Count", 1);
    qb->setField("ItemKey", "abcdefghijklmnopqrstuvwxy");
    qb->post();
    EXPECT_EQ(qb->field("ItemKey").toString(), "abcdefghijklmnopqrst") << "scratch copy is cut";
}

TEST_F(StoreTest, PostRefusesEmptyRequiredFieldsAndDuplicateKeys) {
    add("Files", {{"FileName", "c:\\a.doc"}});
    add("Directory", {{"Directory", "c:\\docs"}});
    add("ix", {{"Word", "word"}});
    struct Case {
        const char* table;
        Fields fields;
        const char* expected;
    };
    const Case cases[] = {
        {"Files", {{"Size", 1}}, "FileName"},
        {"Files", {{"FileName", ""}}, "FileName"},  // empty text is empty
        {"Qb", {{"ItemKey", "w"}}, "Count"},
        {"Qb", {{"Count", 1}}, "ItemKey"},
        {"Files", {{"FileName", "c:\\a.doc"}}, "Duplicate"},
        {"Directory", {{"Directory", "c:\\docs"}}, "Duplicate"},
        {"ix", {{"Word", "word"}}, "Duplicate"},
    };
    for (const Case& c : cases) {
        auto t = handle(c.table);
        t->open();
        const int before = t->recordCount();
        t->insert();
        for (const auto& [name, value] : c.fields) t->setField(name, value);
        const QString message = errorOf([&] { t->post(); });
        EXPECT_TRUE(message.contains(c.expected)) << c.table << ": " << message.toStdString();
        t->cancel();
        EXPECT_EQ(t->recordCount(), before) << c.table << ": nothing written";
    }

    add("Files", {{"FileName", "c:\\b.doc"}});
    auto t = handle("Files");
    t->open();
    ASSERT_TRUE(t->findKey("c:\\b.doc"));
    t->edit();
    t->setField("FileName", "c:\\a.doc");
    EXPECT_TRUE(errorOf([&] { t->post(); }).contains("Duplicate"));
    t->cancel();
    EXPECT_TRUE(t->findKey("c:\\b.doc")) << "edit refused";
}

TEST_F(StoreTest, AutoIncrementIsAssignedAtPostAndNeverReused) {
    auto t = handle("Files");
    t->open();
    QList<int> ids;
    for (const char* name : {"c:\\1", "c:\\2", "c:\\3"}) {
        t->insert();
        t->setField("FileName", name);
        EXPECT_TRUE(t->field("ID").isNull()) << "not before post";
        t->post();
        ids.append(t->field("ID").toInt());
    }
    EXPECT_EQ(ids, QList<int>({1, 2, 3}));
    ASSERT_TRUE(t->findKey("c:\\3"));
    t->deleteRecord();
    t->insert();
    t->setField("FileName", "c:\\4");
    t->post();
    EXPECT_EQ(t->field("ID"), QVariant(4));

    t->emptyTable();
    t->insert();
    t->setField("FileName", "c:\\again");
    t->post();
    EXPECT_EQ(t->field("ID"), QVariant(1)) << "emptying restarts the numbers";

    auto oid = handle("oID");
    oid->open();
    oid->insert();
    oid->setField("oID", "entry");
    oid->post();
    EXPECT_EQ(oid->field("KVid"), QVariant(1));
}

TEST_F(StoreTest, WalkFollowsTheIndexWithTiesInInsertionOrder) {
    add("Files", {{"FileName", "c"}, {"NeedsIndex", true}, {"Selected", QVariant()}});
    add("Files", {{"FileName", "a"}, {"NeedsIndex", false}, {"Selected", true}});
    add("Files", {{"FileName", "d"}, {"NeedsIndex", QVariant()}, {"Selected", false}});
    add("Files", {{"FileName", "b"}, {"NeedsIndex", true}, {"Selected", true}});
    add("Files", {{"FileName", "B"}, {"NeedsIndex", true}, {"Selected", false}});
    add("Qb", {{"Count", 1}, {"ItemKey", "zeta"}});
    add("Qb", {{"Count", 1}, {"ItemKey", "alpha"}});
    add("oID", {{"oID", "m"}, {"Subject", "1"}});
    add("oID", {{"oID", "a"}, {"Subject", "2"}});
    add("oID", {{"oID", "m"}, {"Subject", "3"}});
    struct Case {
        const char* table;
        const char* index;
        const char* field;
        QStringList expected;
    };
    const Case cases[] = {
        {"Files", "", "FileName", {"B", "a", "b", "c", "d"}},       // by character code
        {"Files", "xID", "FileName", {"c", "a", "d", "b", "B"}},
        {"Files", "xNeedsIndex", "FileName", {"d", "a", "c", "b", "B"}},  // empty, false, true
        {"Files", "xSelected", "FileName", {"c", "d", "B", "a", "b"}},
        {"Qb", "", "ItemKey", {"zeta", "alpha"}},                   // no index: as written
        {"oID", "", "Subject", {"2", "1", "3"}},                    // oID, then KVid
        {"oID", "xSID", "Subject", {"1", "2", "3"}},
    };
    for (const Case& c : cases) {
        auto t = handle(c.table, {}, c.index);
        t->open();
        EXPECT_EQ(walk(*t, c.field), c.expected) << c.table << " " << c.index;
        EXPECT_EQ(t->recordCount(), c.expected.size());
    }
}

TEST_F(StoreTest, PostThatLeavesTheViewBringsTheFollowingRecordUnderTheCursor) {
    for (const char* name : {"a", "b", "c", "d"}) add("Files", {{"FileName", name}});
    add("Files", {{"FileName", "e"}, {"NeedsIndex", false}});
    auto t = handle("Files", "NeedsIndex=true");
    t->open();
    EXPECT_EQ(t->recordCount(), 4);
    EXPECT_EQ(t->field("FileName").toString(), "a");
    t->edit();
    t->setField("NeedsIndex", false);
    t->post();
    EXPECT_EQ(t->field("FileName").toString(), "b") << "the next record is current at once";
    t->next();
    EXPECT_EQ(t->field("FileName").toString(), "c") << "next() moves one further";
    EXPECT_EQ(t->recordCount(), 3);

    t->edit();
    t->setField("Size", 10);  // stays in view
    t->post();
    EXPECT_EQ(t->field("FileName").toString(), "c");
    t->next();
    t->edit();
    t->setField("NeedsIndex", false);  // the last record in view leaves it
    t->post();
    EXPECT_TRUE(t->eof());
    EXPECT_TRUE(t->field("FileName").isNull());
    EXPECT_TRUE(errorOf([&] { t->edit(); }).contains("no current record"));
}

TEST_F(StoreTest, ClearingEveryRecordOfAFilteredViewVisitsEachOnce) {
    struct Case {
        const char* field;
        const char* index;
    };
    const Case cases[] = {
        {"NeedsIndex", "xNeedsIndex"},  // a view on its own index
        {"NeedsIndex", ""},             // a view walked by the primary index
        {"Selected", "xSelected"},
        {"Selected", "xID"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.field) + " " + c.index);
        empty("Files");
        QStringList marked;
        for (int i = 0; i < 9; ++i) {
            const QString name = QStringLiteral("c:\\f%1").arg(8 - i);
            const bool on = i % 3 != 1;
            add("Files", {{"FileName", name}, {c.field, on}});
            if (on) marked.append(name);
        }
        auto t = handle("Files", QString(c.field) + "=true", c.index);
        t->open();
        const QStringList expected = walk(*t, "FileName");
        EXPECT_EQ(expected.size(), marked.size());
        QStringList visited;
        t->first();
        while (!t->eof()) {
            visited.append(t->field("FileName").toString());
            t->edit();
            t->setField(c.field, false);
            t->post();
        }
        EXPECT_EQ(visited, expected);
        EXPECT_EQ(t->recordCount(), 0);
        t->setFiltered(false);
        EXPECT_EQ(t->recordCount(), 9) << "nothing else was touched";
    }
}

TEST_F(StoreTest, EditThatChangesTheKeyMovesTheCursorWithTheRecord) {
    struct Case {
        const char* newName;
        QStringList rest;
    };
    const Case cases[] = {
        {"g", {"g"}},            // moved to the end
        {"b", {"b", "e"}},       // moved a little
        {"0", {"0", "a", "e"}},  // moved before every other record
    };
    for (const Case& c : cases) {
        empty("Files");
        for (const char* name : {"a", "c", "e"}) add("Files", {{"FileName", name}});
        auto t = handle("Files");
        t->open();
        ASSERT_TRUE(t->findKey("c"));
        t->edit();
        t->setField("FileName", c.newName);
        t->post();
        EXPECT_EQ(rest(*t, "FileName"), c.rest) << c.newName;
    }
}

TEST_F(StoreTest, DeleteLeavesTheCursorOnTheFollowingRecord) {
    for (const char* name : {"a", "b", "c"}) add("Files", {{"FileName", name}});
    auto t = handle("Files");
    t->open();
    ASSERT_TRUE(t->findKey("b"));
    t->deleteRecord();
    EXPECT_EQ(t->field("FileName").toString(), "c");
    t->deleteRecord();
    EXPECT_TRUE(t->eof());
    t->first();
    while (!t->eof()) t->deleteRecord();
    EXPECT_EQ(t->recordCount(), 0);
}

TEST_F(StoreTest, KeyLookupsAreExactAndIgnoreTheFilter) {
    add("Directory", {{"Directory", "c:\\docs"}, {"Valid", true}});
    add("Directory", {{"Directory", "c:\\old"}, {"Valid", false}});
    add("Directory", {{"Directory", "C:\\Mixed"}, {"Valid", true}});
    auto t = handle("Directory", "Valid=true");
    t->open();
    struct Case {
        const char* key;
        bool found;
    };
    const Case cases[] = {
        {"c:\\docs", true},
        {"c:\\old", true},  // outside the filtered view
        {"C:\\Docs", false},
        {"c:\\mixed", false},  // a mixed-case key is not found in lower case
        {"C:\\Mixed", true},
        {"c:\\doc", false},
        {"", false},
    };
    for (const Case& c : cases) {
        t->first();
        EXPECT_EQ(t->findKey(c.key), c.found) << c.key;
        EXPECT_EQ(t->field("Directory").toString(), c.found ? QString(c.key) : "C:\\Mixed")
            << c.key << ": not found leaves the cursor";
    }
    ASSERT_TRUE(t->findKey("c:\\old"));
    EXPECT_EQ(t->field("Valid"), QVariant(false));
    t->next();
    EXPECT_TRUE(t->eof()) << "the walk goes on in view after the found record";

    for (const char* name : {"c:\\a", "c:\\b"}) add("Files", {{"FileName", name}});
    auto byId = handle("Files", {}, "xID");
    byId->open();
    ASSERT_TRUE(byId->findKey(2));
    EXPECT_EQ(byId->field("FileName").toString(), "c:\\b");
    ASSERT_TRUE(byId->findKey(QStringLiteral("1"))) << "numbers as text from a list";
    EXPECT_EQ(byId->field("FileName").toString(), "c:\\a");
    EXPECT_FALSE(byId->findKey(3));

    add("oID", {{"oID", "entry-b"}});
    add("oID", {{"oID", "entry-a"}});
    auto oid = handle("oID");
    oid->open();
    ASSERT_TRUE(oid->findKey("entry-a")) << "by the first field of the primary index";
    EXPECT_EQ(oid->field("KVid"), QVariant(2));
    EXPECT_TRUE(errorOf([&] { oid->findKey("entry-a", 2, 3); }).contains("oID.DAT"));

    auto qb = handle("Qb");
    qb->open();
    EXPECT_TRUE(errorOf([&] { qb->findKey("x"); }).contains("Qb.DAT"));
}

TEST_F(StoreTest, FilterCanBeSwitchedOffAndOnWhileOpen) {
    add("Directory", {{"Directory", "c:\\a"}, {"Valid", QVariant()}});
    add("Directory", {{"Directory", "c:\\b"}, {"Valid", true}});
    add("Directory", {{"Directory", "c:\\c"}, {"Valid", false}});
    auto t = handle("Directory", "Valid=true");
    t->open();
    EXPECT_EQ(walk(*t, "Directory"), QStringList({"c:\\b"}));
    t->setFiltered(false);
    EXPECT_EQ(t->field("Directory").toString(), "c:\\a") << "at the first record of the new view";
    EXPECT_EQ(t->recordCount(), 3);
    EXPECT_EQ(walk(*t, "Directory"), QStringList({"c:\\a", "c:\\b", "c:\\c"}));
    t->setFiltered(true);
    EXPECT_EQ(t->field("Directory").toString(), "c:\\b");
    EXPECT_EQ(t->recordCount(), 1);
    t->setFilter({});
    EXPECT_EQ(t->recordCount(), 3);
    t->setFilter("valid");
    EXPECT_EQ(t->recordCount(), 1);

    for (const char* bad : {"Valid=false", "Directory", "Nope=true", "Valid=true or 1"})
        EXPECT_TRUE(errorOf([&] { t->setFilter(bad); }).contains(bad)) << bad;
}

TEST_F(StoreTest, IndexFolderAndExclusiveUseAreSetOnlyWhileClosed) {
    auto t = handle("Files");
    t->open();
    EXPECT_TRUE(errorOf([&] { t->setIndexName("xID"); }).contains("close"));
    EXPECT_TRUE(errorOf([&] { t->setExclusive(true); }).contains("close"));
    EXPECT_TRUE(errorOf([&] { t->setDatabaseName("/tmp"); }).contains("close"));
    t->close();
    EXPECT_TRUE(errorOf([&] { t->setIndexName("xNope"); }).contains("xNope"));
    t->setIndexName("xid");
    EXPECT_EQ(t->indexName(), "xID");
    t->open();
    t->close();
    t->setIndexName({});
    t->open();
    EXPECT_EQ(t->indexName(), QString());
}

TEST_F(StoreTest, ExclusiveUseIsRefusedWhileAnotherHandleHasTheTableOpen) {
    add("Files", {{"FileName", "c:\\a"}});
    auto shared = handle("Files");
    auto second = handle("Files");
    auto exclusive = handle("Files");
    exclusive->setExclusive(true);
    auto closed = handle("Files");
    auto inUse = [](const std::function<void()>& f) {
        return errorOf(f).contains("Table Files.DAT is in use");
    };

    shared->open();
    EXPECT_TRUE(inUse([&] { exclusive->open(); }));
    EXPECT_TRUE(inUse([&] { closed->emptyTable(); }));
    second->open();
    EXPECT_TRUE(inUse([&] { second->emptyTable(); })) << "another handle is open";
    shared->close();
    EXPECT_TRUE(inUse([&] { exclusive->open(); })) << "a refused emptying keeps its own lock";
    second->close();

    exclusive->open();
    EXPECT_TRUE(inUse([&] { shared->open(); }));
    EXPECT_TRUE(inUse([&] { closed->emptyTable(); }));
    EXPECT_EQ(exclusive->recordCount(), 1);
    exclusive->close();

    closed->emptyTable();
    shared->open();
    EXPECT_EQ(shared->recordCount(), 0);
    add("Files", {{"FileName", "c:\\b"}});
    shared->emptyTable();  // the only handle may empty its open table
    EXPECT_TRUE(shared->eof());
    EXPECT_EQ(shared->recordCount(), 0);
    EXPECT_TRUE(inUse([&] { exclusive->open(); })) << "still open shared afterwards";
}

TEST_F(StoreTest, LocksAreSeenByOtherProcesses) {
    const QString flock = QStandardPaths::findExecutable("flock");
    if (flock.isEmpty()) GTEST_SKIP() << "flock(1) is not installed";
    const QString path = tablePath("Files.DAT");
    auto otherTakes = [&](const char* mode) {
        return QProcess::execute(flock, {"--nonblock", mode, path, "true"}) == 0;
    };

    auto t = handle("Files");
    t->open();
    EXPECT_FALSE(otherTakes("--exclusive"));
    EXPECT_TRUE(otherTakes("--shared"));
    auto u = handle("Files");
    u->open();
    const bool sqliteLocks = fcntlLockSeenFromOutside(path);
    t->close();
    EXPECT_FALSE(otherTakes("--exclusive")) << "closing one handle keeps the other's lock";
    EXPECT_EQ(fcntlLockSeenFromOutside(path), sqliteLocks)
        << "closing one handle keeps SQLite's locks of the other";
    u->close();
    EXPECT_TRUE(otherTakes("--exclusive"));
    EXPECT_FALSE(fcntlLockSeenFromOutside(path));
    t->setExclusive(true);
    t->open();
    EXPECT_FALSE(otherTakes("--shared"));
    t->close();

    QProcess holder;
    holder.start(flock, {"--shared", path, "-c", "echo locked; read line"});
    ASSERT_TRUE(holder.waitForReadyRead(10000));
    ASSERT_EQ(holder.readLine().trimmed(), QByteArray("locked"));
    EXPECT_TRUE(errorOf([&] { t->open(); }).contains("Files.DAT is in use"));
    EXPECT_TRUE(errorOf([&] { handle("Files")->emptyTable(); }).contains("Files.DAT is in use"));
    handle("Files")->open();
    holder.closeWriteChannel();
    ASSERT_TRUE(holder.waitForFinished(10000));
    t->open();
    EXPECT_TRUE(t->isOpen());
}

TEST_F(StoreTest, OpeningAMissingOrForeignTableFileFails) {
    QTemporaryDir other;
    struct Case {
        const char* content;  // nullptr: no file
        const char* expected;
    };
    const Case cases[] = {
        {nullptr, "does not exist"},
        {"this is some text, not a table file of any kind at all.........", "not a database"},
        {"", "no table Files"},
    };
    for (const Case& c : cases) {
        const QString path = QDir(other.path()).filePath("Files.DAT");
        QFile::remove(path);
        if (c.content) {
            QFile f(path);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(c.content);
        }
        Table t("Files");
        t.setDatabaseName(other.path());
        const QString message = errorOf([&] { t.open(); });
        EXPECT_TRUE(message.contains("Files.DAT") && message.contains(c.expected))
            << message.toStdString();
        EXPECT_FALSE(t.isOpen());
    }
}

TEST_F(StoreTest, QueryWithAParameterEditsTheRowInTheTable) {
    add("Files", {{"FileName", "c:\\a.xls"}});
    add("Files", {{"FileName", "c:\\b.ppt"}});
    Query q;
    q.setSql("select * from files\nwhere FileName=:fName");
    q.setDatabaseName(folder());
    EXPECT_TRUE(errorOf([&] { q.open(); }).contains("fName"));
    q.setParam("fname", "c:\\a.xls");
    q.open();
    ASSERT_EQ(q.recordCount(), 1);
    EXPECT_EQ(q.field("ID"), QVariant(1));
    q.edit();
    q.setField("FileName", "EX: c:\\a.xls");
    q.setField("NeedsIndex", false);
    q.post();
    EXPECT_EQ(q.field("FileName").toString(), "EX: c:\\a.xls") << "the row stays in the result";
    q.next();
    EXPECT_TRUE(q.eof());
    q.close();

    auto t = handle("Files");
    t->open();
    EXPECT_FALSE(t->findKey("c:\\a.xls"));
    ASSERT_TRUE(t->findKey("EX: c:\\a.xls"));
    EXPECT_EQ(t->field("NeedsIndex"), QVariant(false));

    q.setParam(":fName", "C:\\B.PPT");
    q.open();
    EXPECT_EQ(q.recordCount(), 0) << "exact match";
    EXPECT_TRUE(q.eof());
    q.close();

    add("ix", {{"Word", "zebra"}});
    add("ix", {{"Word", "apple"}});
    Query all;
    all.setSql("Select * from IX");
    all.setDatabaseName(folder());
    all.setReadOnly(true);
    all.open();
    QStringList words;
    for (; !all.eof(); all.next()) words.append(all.field("word").toString());
    EXPECT_EQ(words, QStringList({"apple", "zebra"}));
    all.first();
    EXPECT_TRUE(errorOf([&] { all.edit(); }).contains("read-only"));
}

TEST_F(StoreTest, QueryRefusesStatementsItDoesNotUnderstand) {
    const char* statements[] = {
        "delete from files",
        "select FileName from files",
        "select * from files where FileName like :x",
        "select * from files where FileName='c:\\a'",
        "select * from Files.DAT",
        "select * from nosuch",
        "select * from files where Nope=:p",
    };
    for (const char* sql : statements) {
        Query q;
        EXPECT_FALSE(errorOf([&] { q.setSql(sql); }).isEmpty()) << sql;
    }
    Query q;
    q.setSql("select * from Files where FileName=:fName");
    EXPECT_TRUE(errorOf([&] { q.setParam("other", 1); }).contains("other"));
}

}  // namespace
