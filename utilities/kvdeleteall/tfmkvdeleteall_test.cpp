// The re-initialisation: tables emptied, archive and folders removed, and the main
// program's next start found to be a first start.
#include "utilities/kvdeleteall/tfmkvdeleteall.h"

#include "platform/core/dialogs.h"
#include "platform/core/error.h"
#include "platform/store/table.h"
#include "shell/testenv.h"
#include "shell/tfmgreetings.h"
#include "shell/tfmsettings.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <unistd.h>

#include <gtest/gtest.h>

namespace kv {
namespace {

const QStringList kClearedTables = {"oID", "Files", "ix", "Directory"};

void addRecord(TestEnv& env, const QString& table, const QList<QPair<QString, QVariant>>& fields) {
    Table t(table);
    t.setDatabaseName(env.host(env.baseFolder));
    t.open();
    t.insert();
    for (const auto& [name, value] : fields) t.setField(name, value);
    t.post();
    t.close();
}

// One record in each of the five tables, as normal use leaves them.
void addRecords(TestEnv& env) {
    addRecord(env, "Directory", {{"Directory", "c:\\papers"}, {"Valid", true}});
    addRecord(env, "Files", {{"FileName", "c:\\papers\\notes.txt"}, {"Size", 120}});
    addRecord(env, "ix", {{"Word", "notes"}, {"Count", 1}, {"References", " 1 "}});
    addRecord(env, "oID", {{"oID", "00000000A1B2"}, {"From", "Ann"}, {"Date", QDate(2004, 5, 6)},
                           {"Subject", "Figures"}});
    addRecord(env, "Qb", {{"Count", 1}, {"ItemKey", "notes"}, {"IDList", " 1 "}});
}

// Creates files (and their folders) and folders (names ending in "/") under the home
// folder, which is drive c:.
void create(TestEnv& env, const QStringList& paths) {
    for (const QString& path : paths) {
        const QString host = QDir(env.homeHost).filePath(path);
        if (path.endsWith('/')) {
            ASSERT_TRUE(QDir().mkpath(host));
            continue;
        }
        ASSERT_TRUE(QDir().mkpath(QFileInfo(host).path()));
        QFile f(host);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("converted text\n");
    }
}

bool existsAtHome(TestEnv& env, const QString& path) {
    return QFileInfo::exists(QDir(env.homeHost).filePath(path));
}

// The base folder's archive, mail folder and working folder after normal use.
const QStringList kNormalUseFiles = {
    "Korvane/OLArchives.zip", "Korvane/OLMail/", "qorawork/report.txt",
    "qorawork/.hidden note.txt", "qorawork/sub/deeper/budget[ex].txt", "qorawork/empty/"};

// One run of the program in the current folder.
struct Run {
    RecordingDialogs dialogs;
    bool closed = false;
    int left = 0;
};

std::unique_ptr<Run> clearAll(TestEnv& env) {
    auto run = std::make_unique<Run>();
    TfmKVDeleteAll module(env.fs, run->dialogs);
    QObject::connect(&module, &Module::closeRequested, [&run] { run->closed = true; });
    module.show();
    module.activate();
    // The focus coming back after the message box starts nothing new.
    module.activate();
    run->left = module.geometry.left();
    return run;
}

TEST(KVDeleteAll, AfterNormalUseAllIsClearedAndTheNextStartIsAFirstStart) {
    TestEnv env;
    {
        Modules& m = env.start();
        m.greetings().activate();
        m.greetings().activate();
        ASSERT_FALSE(m.greetings().pnlWizardVisible);
        env.stop();
    }
    addRecords(env);
    create(env, kNormalUseFiles);

    const auto run = clearAll(env);

    EXPECT_EQ(run->dialogs.messages, QStringList{"All directories and tables cleared"});
    EXPECT_TRUE(run->dialogs.errors.isEmpty());
    EXPECT_TRUE(run->closed);
    EXPECT_EQ(run->left, -2000);
    for (const QString& table : kClearedTables) EXPECT_EQ(env.rows(table), 0) << table.toStdString();
    EXPECT_EQ(env.rows("Qb"), 1);
    for (const char* gone : {"Korvane/OLArchives.zip", "Korvane/OLMail", "qorawork"})
        EXPECT_FALSE(existsAtHome(env, gone)) << gone;
    // The numbering of files starts again.
    addRecord(env, "Files", {{"FileName", "c:\\papers\\first.txt"}});
    {
        Table t("Files");
        t.setDatabaseName(env.host(env.baseFolder));
        t.open();
        EXPECT_EQ(t.field("ID").toInt(), 1);
        t.close();
    }

    Modules& m = env.start();
    m.greetings().activate();
    EXPECT_TRUE(m.greetings().pnlWizardVisible);
    EXPECT_FALSE(m.greetings().lblSubmitQueryVisible);
    EXPECT_TRUE(m.settings().visible());
    EXPECT_TRUE(env.fs.isDir("c:\\qorawork"));
    Table dir("Directory");
    dir.setDatabaseName(env.host(env.baseFolder));
    dir.open();
    EXPECT_EQ(dir.recordCount(), 1);
    EXPECT_TRUE(dir.findKey(QString("c:\\qorawork")));
    dir.close();
    EXPECT_TRUE(env.dialogs.errors.isEmpty());
}

TEST(KVDeleteAll, AHeldTableStopsTheRunWithTheEnginesMessage) {
    const struct {
        const char* held;
        QStringList emptied;  // the tables emptied before the run stops
        bool stops;
    } cases[] = {
        {"oID", {}, true},
        {"Files", {"oID"}, true},
        {"ix", {"oID", "Files"}, true},
        {"Directory", {"oID", "Files", "ix"}, true},
        // The query scratch table is not touched.
        {"Qb", {"oID", "Files", "ix", "Directory"}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.held);
        TestEnv env;
        addRecords(env);
        create(env, kNormalUseFiles);
        Table holder(c.held);
        holder.setDatabaseName(env.host(env.baseFolder));
        holder.open();
        QString engineMessage;
        if (c.stops) {
            Table other(c.held);
            other.setDatabaseName(env.host(env.baseFolder));
            try {
                other.emptyTable();
            } catch (const Error& e) {
                engineMessage = e.message();
            }
            ASSERT_FALSE(engineMessage.isEmpty());
        }

        const auto run = clearAll(env);
        holder.close();

        EXPECT_TRUE(run->closed);
        if (c.stops) {
            EXPECT_EQ(run->dialogs.errors, QStringList{engineMessage});
            EXPECT_TRUE(run->dialogs.messages.isEmpty());
        } else {
            EXPECT_TRUE(run->dialogs.errors.isEmpty());
            EXPECT_EQ(run->dialogs.messages, QStringList{"All directories and tables cleared"});
        }
        for (const QString& table : kClearedTables)
            EXPECT_EQ(env.rows(table), c.emptied.contains(table) ? 0 : 1) << table.toStdString();
        for (const char* path : {"Korvane/OLArchives.zip", "Korvane/OLMail", "qorawork"})
            EXPECT_EQ(existsAtHome(env, path), c.stops) << path;
    }
}

TEST(KVDeleteAll, FilesAndFoldersGoAsFarAsTheyCan) {
    const struct {
        const char* what;
        QStringList made;
        QStringList stay;
        QStringList gone;
    } cases[] = {
        {"a working folder spelt in other letters, with sub-folders",
         {"QoraWork/a/b/c.txt", "QoraWork/a/empty/", "QoraWork/top.txt"}, {}, {"QoraWork"}},
        {"a mail folder that still holds a file stays",
         {"Korvane/OLMail/00001[ol].txt", "Korvane/OLArchives.zip", "qorawork/x.txt"},
         {"Korvane/OLMail/00001[ol].txt"}, {"Korvane/OLArchives.zip", "qorawork"}},
        {"an archive spelt in other letters", {"Korvane/olarchives.ZIP"}, {}, {"Korvane/olarchives.ZIP"}},
        {"a file of the same name as the working folder stays", {"qorawork"}, {"qorawork"}, {}},
        {"nothing to remove", {}, {}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TestEnv env;
        create(env, c.made);

        const auto run = clearAll(env);

        EXPECT_EQ(run->dialogs.messages, QStringList{"All directories and tables cleared"});
        EXPECT_TRUE(run->dialogs.errors.isEmpty());
        for (const QString& path : c.stay) EXPECT_TRUE(existsAtHome(env, path)) << path.toStdString();
        for (const QString& path : c.gone) EXPECT_FALSE(existsAtHome(env, path)) << path.toStdString();
    }
}

TEST(KVDeleteAll, StartedInAnotherFolderItEmptiesTheTablesThatFolderHas) {
    const struct {
        const char* what;
        QStringList tables;  // the tables the other folder has
    } cases[] = {
        {"no tables", {}},
        {"a file table only", {"Files"}},
        {"all tables", {"Directory", "Files", "ix", "Qb", "oID"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TestEnv env;
        addRecords(env);
        const QString other = env.host("c:\\elsewhere");
        ASSERT_TRUE(QDir().mkpath(other));
        createTables(other);
        for (const QString& file : tableFileNames())
            if (!c.tables.contains(tableDefinition(file).name)) QFile::remove(QDir(other).filePath(file));
        for (const QString& table : c.tables) {
            Table t(table);
            t.setDatabaseName(other);
            t.open();
            t.insert();
            for (const FieldDef& f : t.definition().fields)
                if (f.required) t.setField(f.name, f.type == FieldType::Integer ? QVariant(1) : QVariant("x"));
            t.post();
            t.close();
        }
        env.fs.setCurrentDir("c:\\elsewhere");

        const auto run = clearAll(env);

        EXPECT_EQ(run->dialogs.messages, QStringList{"All directories and tables cleared"});
        EXPECT_TRUE(run->dialogs.errors.isEmpty());
        for (const QString& table : c.tables) {
            Table t(table);
            t.setDatabaseName(other);
            t.open();
            EXPECT_EQ(t.recordCount(), table == "Qb" ? 1 : 0) << table.toStdString();
            t.close();
        }
        EXPECT_EQ(QDir(other).entryList(QDir::Files).size(), c.tables.size());
        for (const QString& table : kClearedTables) EXPECT_EQ(env.rows(table), 1);
    }
}

TEST(KVDeleteAll, AFileThatCannotBeDeletedKeepsTheWorkingFolderWithoutAMessage) {
    if (::geteuid() == 0) GTEST_SKIP() << "the superuser may delete any file";
    TestEnv env;
    create(env, {"qorawork/loose.txt", "qorawork/locked/kept.txt"});
    const QString locked = QDir(env.homeHost).filePath("qorawork/locked");
    ASSERT_TRUE(QFile::setPermissions(locked, QFile::ReadOwner | QFile::ExeOwner));

    const auto run = clearAll(env);
    QFile::setPermissions(locked, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    EXPECT_EQ(run->dialogs.messages, QStringList{"All directories and tables cleared"});
    EXPECT_TRUE(run->dialogs.errors.isEmpty());
    EXPECT_TRUE(existsAtHome(env, "qorawork/locked/kept.txt"));
    EXPECT_FALSE(existsAtHome(env, "qorawork/loose.txt"));
}

}  // namespace
}  // namespace kv
