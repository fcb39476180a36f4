// Tests of the DOS namespace: the pure path and mask helpers, and FileSystem
// over drives mapped to temporary folders.
#include "platform/fs/dosfs.h"

#include "platform/core/error.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimeZone>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace kv {
namespace {

// ---- Pure helpers -------------------------------------------------------------

TEST(DosPath, SplitsIntoDriveFolderNameAndExtension) {
    struct Case {
        const char* path;
        const char* drive;
        const char* folder;
        const char* name;
        const char* ext;
    };
    const Case cases[] = {
        {R"(c:\docs\report.doc)", "c:", R"(c:\docs)", "report.doc", ".doc"},
        // A file at a drive root: the folder keeps its one backslash.
        {R"(c:\x.doc)", "c:", R"(c:\)", "x.doc", ".doc"},
        {R"(C:\Docs\archive.tar.gz)", "C:", R"(C:\Docs)", "archive.tar.gz", ".gz"},
        // A dot in a folder name is no extension.
        {R"(c:\dir.v2\readme)", "c:", R"(c:\dir.v2)", "readme", ""},
        {R"(c:\docs\.profile)", "c:", R"(c:\docs)", ".profile", ".profile"},
        {R"(c:\docs\name.)", "c:", R"(c:\docs)", "name.", "."},
        {R"(c:\docs\)", "c:", R"(c:\docs)", "", ""},
        {R"(c:\)", "c:", R"(c:\)", "", ""},
        {"report.doc", "", "", "report.doc", ".doc"},
        {"c:x.doc", "c:", "c:", "x.doc", ".doc"},
        {R"(\x.doc)", "", R"(\)", "x.doc", ".doc"},
        {"c:/docs/a.txt", "c:", "c:/docs", "a.txt", ".txt"},
        // Only a letter and a colon make a drive.
        {R"(1:\x)", "", "1:", "x", ""},
    };
    for (const Case& c : cases) {
        const QString path = QString::fromUtf8(c.path);
        EXPECT_EQ(dosDrive(path), QString::fromUtf8(c.drive)) << c.path;
        EXPECT_EQ(dosFolderPart(path), QString::fromUtf8(c.folder)) << c.path;
        EXPECT_EQ(dosFileName(path), QString::fromUtf8(c.name)) << c.path;
        EXPECT_EQ(dosExtension(path), QString::fromUtf8(c.ext)) << c.path;
    }
}

TEST(DosPath, JoinPutsExactlyOneBackslash) {
    struct Case {
        const char* folder;
        const char* name;
        const char* joined;
    };
    const Case cases[] = {
        {R"(d:\)", "x.doc", R"(d:\x.doc)"},  // drive root
        {R"(c:\docs)", "x.doc", R"(c:\docs\x.doc)"},
        {R"(c:\docs\)", "x.doc", R"(c:\docs\x.doc)"},
        {"c:", "x.doc", R"(c:\x.doc)"},
        {R"(c:\docs)", R"(\x.doc)", R"(c:\docs\x.doc)"},
        {"", "x.doc", "x.doc"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(dosJoin(QString::fromUtf8(c.folder), QString::fromUtf8(c.name)),
                  QString::fromUtf8(c.joined))
            << c.folder << " + " << c.name;
}

TEST(DosMask, MatchesPatternsAsTheScanNeeds) {
    struct Case {
        const char* mask;
        const char* name;
        bool matches;
    };
    const Case cases[] = {
        {";*.doc", "report.doc", true},
        {";*.doc", "REPORT.DOC", true},           // case-insensitive
        {";*.htm", "page.html", true},            // three letters reach longer extensions
        {";*.doc", "letter.docx", true},
        {";*.doc", "report.doc.bak", false},      // ... of the extension only
        {";*.doc", "report.do", false},
        {";*.mp", "song.mp3", false},             // two letters match exactly
        {";*.mp", "song.mp", true},
        {"*.d?c", "x.docx", false},               // a wildcard extension matches exactly
        {"*.d?c", "x.dxc", true},
        {";*.txt;;*.pdf", "a.pdf", true},         // empty patterns are ignored
        {";*.txt;;*.pdf", "a.doc", false},
        {"", "a.doc", false},                     // an empty mask matches nothing
        {";", "a.doc", false},
        {"*.*", "README", true},                  // "*.*" is every name
        {"*.*", "a.b", true},
        {"report.*", "report", true},
        {"report.*", "reports", false},
        {"r?port.doc", "report.doc", true},
        {"r?port.doc", "rport.doc", false},
        {"*", "anything at all", true},
        {"a*b*c.txt", "aXXbYYbZc.txt", true},     // backtracking over several stars
        {"a*b*c.txt", "aXXbYYc.tx", false},
        {"[a].doc", "[a].doc", true},             // brackets are ordinary characters
        {"[a].doc", "a.doc", false},
        {"RÉSUMÉ.*", "résumé.txt", true},
        {"*.txt", "notes", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(maskMatches(QString::fromUtf8(c.mask), QString::fromUtf8(c.name)), c.matches)
            << "mask \"" << c.mask << "\" name \"" << c.name << "\"";
}

// ---- FileSystem -----------------------------------------------------------------

// Drive z: is a temporary folder and c: a "home" folder inside it, so that
// host paths under the home belong to both and the longer root must win.
class DosFs : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tmp_.isValid());
        top_ = QDir(tmp_.path()).canonicalPath();
        home_ = top_ + "/home/ann";
        ASSERT_TRUE(QDir().mkpath(home_));
        savedCwd_ = QDir::currentPath();
    }
    void TearDown() override { QDir::setCurrent(savedCwd_); }

    DriveMap map() const {
        DriveMap m;
        m.roots.insert('c', home_);
        m.roots.insert('z', top_);
        return m;
    }

    static void put(const QString& hostPath, const QByteArray& bytes) {
        QDir().mkpath(QFileInfo(hostPath).absolutePath());
        QFile f(hostPath);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << qPrintable(hostPath);
        ASSERT_EQ(f.write(bytes), bytes.size());
    }

    static QByteArray bytesOf(const QString& hostPath) {
        QFile f(hostPath);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
    }

    QTemporaryDir tmp_;
    QString top_, home_, savedCwd_;
};

TEST_F(DosFs, MapsDrivesBothWaysOnTheLongestRoot) {
    // b: comes first and holds c:, so the first root that matches is not the
    // longest one.
    DriveMap m = map();
    m.roots.insert('b', top_ + "/home");
    FileSystem fs(m);
    EXPECT_EQ(fs.drives(), QStringList({"b:", "c:", "z:"}));
    EXPECT_EQ(fs.toHost(R"(c:\)"), home_);
    EXPECT_EQ(fs.toHost("C:"), home_);
    EXPECT_EQ(fs.toHost(R"(z:\home\bob\x.doc)"), top_ + "/home/bob/x.doc");

    EXPECT_EQ(fs.toDos(home_), R"(c:\)");
    EXPECT_EQ(fs.toDos(home_ + "/Papers/Report.DOC"), R"(c:\Papers\Report.DOC)");
    EXPECT_EQ(fs.toDos(top_ + "/home/bob"), R"(b:\bob)");
    EXPECT_EQ(fs.toDos(home_ + "/../bob/"), R"(b:\bob)");
    EXPECT_EQ(fs.toDos(top_ + "/srv/docs"), R"(z:\srv\docs)");
    // A sibling whose name merely begins like a root is not under it.
    EXPECT_EQ(fs.toDos(top_ + "/home/anna"), R"(b:\anna)");

    EXPECT_THROW(fs.toDos("/definitely/not/mapped"), Error);
    EXPECT_THROW(fs.toDos(home_ + "/odd\\name"), Error);
    EXPECT_THROW(fs.toHost(R"(q:\x)"), Error);
    EXPECT_THROW(fs.toHost(""), Error);
    EXPECT_THROW(fs.toHost(R"(\\server\share\x)"), Error);
    EXPECT_FALSE(fs.exists(R"(q:\x)"));
}

TEST_F(DosFs, RootGivenThroughALinkMatchesItsRealLocation) {
    const QString link = top_ + "/homelink";
    ASSERT_TRUE(QFile::link(home_, link));
    DriveMap m;
    m.roots.insert('C', link + "/");
    m.roots.insert('z', top_);
    FileSystem fs(m);
    EXPECT_EQ(fs.toHost(R"(c:\x)"), link + "/x");
    EXPECT_EQ(fs.toDos(link + "/x"), R"(c:\x)");
    EXPECT_EQ(fs.toDos(home_ + "/x"), R"(c:\x)");
}

TEST(DosDrives, StandardMapIsHomeAndRoot) {
    FileSystem fs(DriveMap::standard());
    EXPECT_EQ(fs.drives(), QStringList({"c:", "z:"}));
    EXPECT_EQ(fs.toHost(R"(z:\)"), "/");
    EXPECT_EQ(fs.toDos("/usr/share"), R"(z:\usr\share)");
    if (QDir::homePath() != "/") {
        EXPECT_EQ(fs.toDos(QDir::homePath() + "/qorawork"), R"(c:\qorawork)");
    }
}

TEST_F(DosFs, RejectsBadDriveMaps) {
    DriveMap notLetter;
    notLetter.roots.insert('1', top_);
    EXPECT_THROW(FileSystem{notLetter}, Error);
    DriveMap relative;
    relative.roots.insert('c', "home/ann");
    EXPECT_THROW(FileSystem{relative}, Error);
    DriveMap twice;
    twice.roots.insert('c', top_);
    twice.roots.insert('C', home_);
    EXPECT_THROW(FileSystem{twice}, Error);
}

TEST_F(DosFs, ResolvesEachComponentWithoutRegardToCase) {
    put(home_ + "/Papers/Report.DOC", "x");
    put(home_ + "/Twins/Both", "upper");
    put(home_ + "/Twins/bOTH", "mixed");
    put(home_ + "/Twins/both", "lower");
    FileSystem fs(map());
    struct Case {
        const char* dos;
        QString host;
    };
    const Case cases[] = {
        {R"(c:\papers\report.doc)", home_ + "/Papers/Report.DOC"},
        {R"(C:\PAPERS\Report.doc)", home_ + "/Papers/Report.DOC"},
        // From the first missing component on, names stay as written.
        {R"(c:\papers\New\Sub.txt)", home_ + "/Papers/New/Sub.txt"},
        {R"(c:\missing\papers)", home_ + "/missing/papers"},
        // An exact match wins; otherwise the first in sorted order.
        {R"(c:\twins\both)", home_ + "/Twins/both"},
        {R"(c:\twins\bOTH)", home_ + "/Twins/bOTH"},
        {R"(c:\twins\BOTH)", home_ + "/Twins/Both"},
        // Dots are resolved by text and stop at the drive root.
        {R"(c:\papers\.\..\..\..\papers\report.doc)", home_ + "/Papers/Report.DOC"},
        {"c:/papers//report.doc", home_ + "/Papers/Report.DOC"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(fs.toHost(QString::fromUtf8(c.dos)), c.host) << c.dos;
    EXPECT_TRUE(fs.isFile(R"(c:\PAPERS\REPORT.DOC)"));
    EXPECT_TRUE(fs.isDir(R"(c:\papers)"));
    EXPECT_FALSE(fs.isFile(R"(c:\papers)"));
    EXPECT_FALSE(fs.exists(R"(c:\papers\gone.doc)"));
}

TEST_F(DosFs, LookupsInAnUnchangedFolderSeeItsLaterChanges) {
    put(home_ + "/Docs/Report.DOC", "x");
    // Folders unchanged for a few seconds have their names kept between
    // lookups; wait until these two qualify.
    std::this_thread::sleep_for(std::chrono::milliseconds(4100));
    FileSystem fs(map());
    EXPECT_EQ(fs.toHost(R"(c:\docs\report.doc)"), home_ + "/Docs/Report.DOC");
    EXPECT_EQ(fs.toHost(R"(c:\docs\report.doc)"), home_ + "/Docs/Report.DOC");

    ASSERT_TRUE(QFile::rename(home_ + "/Docs/Report.DOC", home_ + "/Docs/REPORT.doc"));
    put(home_ + "/Docs/New.txt", "n");
    const FileSystem copy = fs;
    EXPECT_EQ(copy.toHost(R"(c:\docs\report.doc)"), home_ + "/Docs/REPORT.doc");
    EXPECT_EQ(fs.toHost(R"(c:\docs\new.txt)"), home_ + "/Docs/New.txt");
    ASSERT_TRUE(QDir(home_ + "/Docs").removeRecursively());
    EXPECT_EQ(fs.toHost(R"(c:\docs\new.txt)"), home_ + "/docs/new.txt");
}

TEST_F(DosFs, RelativePathsFollowTheCurrentFolder) {
    put(home_ + "/Papers/Report.DOC", "x");
    FileSystem fs(map());
    fs.setCurrentDir(R"(c:\papers)");
    EXPECT_EQ(QDir::currentPath(), home_ + "/Papers");
    EXPECT_EQ(fs.currentDir(), R"(c:\Papers)");
    EXPECT_EQ(fs.toHost("report.doc"), home_ + "/Papers/Report.DOC");
    EXPECT_EQ(fs.toHost(R"(..\x)"), home_ + "/x");
    EXPECT_EQ(fs.toHost("c:report.doc"), home_ + "/Papers/Report.DOC");
    EXPECT_EQ(fs.toHost(R"(\x)"), home_ + "/x");      // rooted on the current drive
    EXPECT_EQ(fs.toHost("z:x"), top_ + "/x");          // another drive: from its root
    EXPECT_THROW(fs.setCurrentDir(R"(c:\papers\report.doc)"), Error);
    EXPECT_THROW(fs.setCurrentDir(R"(c:\nowhere)"), Error);

    ASSERT_TRUE(QDir::setCurrent("/"));
    FileSystem narrow([&] {
        DriveMap m;
        m.roots.insert('c', home_);
        return m;
    }());
    EXPECT_THROW(narrow.currentDir(), Error);
    EXPECT_THROW(narrow.toHost("report.doc"), Error);
    EXPECT_EQ(narrow.toHost(R"(c:\x)"), home_ + "/x");
}

TEST_F(DosFs, ListsOnlyOrdinaryVisibleFilesSortedWithoutCase) {
    const QString dir = home_ + "/Docs";
    put(dir + "/a.doc", "a");
    put(dir + "/B.DOC", "b");
    put(dir + "/c.docx", "c");
    put(dir + "/page.html", "h");
    put(dir + "/notes.txt", "n");
    put(dir + "/.hidden.doc", "h");
    put(dir + "/back\\slash.doc", "s");
    ASSERT_TRUE(QDir().mkpath(dir + "/sub.doc"));
    ASSERT_TRUE(QDir().mkpath(dir + "/.git"));
    ASSERT_TRUE(QDir().mkpath(dir + "/Archive"));
    ASSERT_TRUE(QFile::link(dir + "/sub.doc", dir + "/dirlink.doc"));
    ASSERT_TRUE(QFile::link(dir + "/a.doc", dir + "/filelink.doc"));
    ASSERT_TRUE(QFile::link(dir + "/gone", dir + "/broken.doc"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(dir + "/pipe.doc").constData(), 0600), 0);
    // A name that is not valid UTF-8 cannot be written as a DOS path. Qt
    // cannot remove it either, so the test does.
    struct RawFile {
        QByteArray path;
        ~RawFile() { ::unlink(path.constData()); }
    } badName{QFile::encodeName(dir).append("/bad\xff.doc")};
    const int fd = ::open(badName.path.constData(), O_CREAT | O_WRONLY, 0600);
    ASSERT_GE(fd, 0);
    ::close(fd);

    FileSystem fs(map());
    EXPECT_EQ(fs.listFiles(R"(c:\docs)", ";*.doc"), QStringList({"a.doc", "B.DOC", "c.docx", "filelink.doc"}));
    EXPECT_EQ(fs.listFiles(R"(c:\docs)", ";*.htm;*.txt"), QStringList({"notes.txt", "page.html"}));
    EXPECT_EQ(fs.listFiles(R"(c:\docs)", ""), QStringList());
    EXPECT_EQ(fs.listFolders(R"(c:\docs)"), QStringList({"Archive", "dirlink.doc", "sub.doc"}));
    EXPECT_THROW(fs.listFiles(R"(c:\nowhere)", "*.*"), Error);
    EXPECT_THROW(fs.listFolders(R"(c:\docs\a.doc)"), Error);

    // Names listed at a drive root join back to paths that resolve.
    put(home_ + "/Root.txt", "r");
    const QStringList atRoot = fs.listFiles(R"(c:\)", "*.txt");
    ASSERT_EQ(atRoot, QStringList({"Root.txt"}));
    EXPECT_EQ(dosJoin(R"(c:\)", atRoot[0]), R"(c:\Root.txt)");
    EXPECT_TRUE(fs.isFile(dosJoin(R"(c:\)", atRoot[0]).toLower()));
}

TEST_F(DosFs, FileSizeCountsBytesAndRefusesWhatCannotBeOpened) {
    FileSystem fs(map());
    struct SizeCase {
        qint64 bytes;
        qint32 size;
    };
    // Sparse files, so that the large ones take no disk space.
    const SizeCase sizes[] = {
        {0, 0},
        {5, 5},
        {2147483647LL, 2147483647},
        {2147483648LL, 2147483647},  // 2 GiB and more: the largest count, never negative
        {5LL << 30, 2147483647},
    };
    for (const SizeCase& c : sizes) {
        QFile f(home_ + "/sized.bin");
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ASSERT_TRUE(f.resize(c.bytes));
        f.close();
        EXPECT_EQ(fs.fileSize(R"(c:\SIZED.BIN)"), c.size) << c.bytes;
    }

    ASSERT_TRUE(QDir().mkpath(home_ + "/folder"));
    ASSERT_TRUE(QFile::link(home_ + "/gone", home_ + "/broken"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(home_ + "/pipe").constData(), 0600), 0);
    for (const char* bad : {R"(c:\missing.doc)", R"(c:\folder)", R"(c:\broken)", R"(c:\pipe)"})
        EXPECT_THROW(fs.fileSize(QString::fromUtf8(bad)), Error) << bad;
}

TEST_F(DosFs, LastWriteTimeKeepsMilliseconds) {
    put(home_ + "/t.txt", "t");
    const QDateTime when(QDate(2021, 3, 4), QTime(5, 6, 7, 123));
    {
        QFile f(home_ + "/t.txt");
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.setFileTime(when, QFileDevice::FileModificationTime));
    }
    FileSystem fs(map());
    const QDateTime got = fs.lastWriteTime(R"(c:\T.TXT)");
    EXPECT_EQ(got, when);
    EXPECT_EQ(got.time().msec(), 123);
    EXPECT_THROW(fs.lastWriteTime(R"(c:\none.txt)"), Error);
}

TEST_F(DosFs, ReadsUtf8OrWindows1252PerFile) {
    struct Case {
        QByteArray bytes;
        QStringList lines;
        const char* what;
    };
    const Case cases[] = {
        {"caf\xc3\xa9\r\nna\xc3\xafve\n", {u"café"_s, u"naïve"_s}, "UTF-8, CR LF and LF"},
        {"\xef\xbb\xbf" "bom", {"bom"}, "byte-order mark dropped, no final line end"},
        {"caf\xe9 \x80 \x93q\x94\r\n", {u"café € “q”"_s}, "not UTF-8: Windows-1252"},
        {"\xc3\xa9\n\xe9", {u"Ã©"_s, u"é"_s}, "one bad line decides for the whole file"},
        {"ok \xc3", {u"ok Ã"_s}, "a sequence cut off by the end of the file is not UTF-8"},
        {"a\n\nb", {"a", "", "b"}, "empty line kept"},
        {"\n", {""}, "one empty line"},
        {"", {}, "empty file"},
    };
    FileSystem fs(map());
    for (const Case& c : cases) {
        put(home_ + "/in.txt", c.bytes);
        EXPECT_EQ(fs.readLines(R"(c:\in.txt)"), c.lines) << c.what;
    }
    EXPECT_THROW(fs.readLines(R"(c:\none.txt)"), Error);
}

TEST_F(DosFs, WritesUtf8AndReplacesWholeFiles) {
    FileSystem fs(map());
    fs.writeText(R"(c:\out.txt)", "first version, longer than the second\n");
    fs.writeText(R"(c:\OUT.TXT)", u"Grüße\r\n€"_s);
    EXPECT_EQ(bytesOf(home_ + "/out.txt"), QByteArray("Gr\xc3\xbc\xc3\x9f" "e\r\n\xe2\x82\xac"));
    EXPECT_FALSE(QFileInfo::exists(home_ + "/OUT.TXT"));
    EXPECT_THROW(fs.writeText(R"(c:\no\such\folder\x.txt)", "x"), Error);
}

TEST_F(DosFs, CreatesAndRemovesFoldersAndFiles) {
    FileSystem fs(map());
    fs.createFolder(R"(c:\Work\A\B)");
    EXPECT_TRUE(QFileInfo(home_ + "/Work/A/B").isDir());
    fs.createFolder(R"(c:\work\a\b)");  // exists already, by another case
    EXPECT_FALSE(QFileInfo::exists(home_ + "/work"));
    put(home_ + "/file", "f");
    EXPECT_THROW(fs.createFolder(R"(c:\file\sub)"), Error);

    EXPECT_FALSE(fs.removeFolder(R"(c:\work\a)"));  // not empty
    EXPECT_FALSE(fs.removeFolder(R"(c:\nowhere)"));
    EXPECT_THROW(fs.removeFolder(R"(c:\file)"), Error);
    EXPECT_TRUE(fs.removeFolder(R"(c:\work\a\b)"));
    EXPECT_FALSE(QFileInfo::exists(home_ + "/Work/A/B"));

    // A tree goes with its hidden files, but a link inside is not followed.
    put(top_ + "/outside/keep.txt", "keep");
    put(home_ + "/Tree/x/.hidden", "h");
    put(home_ + "/Tree/y.txt", "y");
    ASSERT_TRUE(QFile::link(top_ + "/outside", home_ + "/Tree/x/link"));
    fs.removeTree(R"(c:\tree)");
    EXPECT_FALSE(QFileInfo::exists(home_ + "/Tree"));
    EXPECT_TRUE(QFileInfo::exists(top_ + "/outside/keep.txt"));
    EXPECT_NO_THROW(fs.removeTree(R"(c:\tree)"));
    ASSERT_TRUE(QFile::link(top_ + "/outside", home_ + "/TreeLink"));
    EXPECT_THROW(fs.removeTree(R"(c:\treelink)"), Error);
    EXPECT_TRUE(QFileInfo::exists(top_ + "/outside/keep.txt"));
    EXPECT_THROW(fs.removeTree(R"(c:\file)"), Error);
    EXPECT_THROW(fs.removeTree(R"(c:\)"), Error);
    EXPECT_TRUE(QFileInfo::exists(home_ + "/file"));

    ASSERT_TRUE(QFile::link(home_ + "/file", home_ + "/filelink"));
    fs.removeFile(R"(c:\FILELINK)");
    EXPECT_FALSE(QFileInfo(home_ + "/filelink").isSymLink());
    EXPECT_TRUE(QFileInfo::exists(home_ + "/file"));
    fs.removeFile(R"(c:\FILE)");
    EXPECT_FALSE(QFileInfo::exists(home_ + "/file"));
    EXPECT_THROW(fs.removeFile(R"(c:\file)"), Error);
    EXPECT_THROW(fs.removeFile(R"(c:\work)"), Error);
}

// Restores an environment variable when the test ends.
class EnvGuard {
public:
    EnvGuard(const char* name, const QByteArray& value)
        : name_(name), had_(qEnvironmentVariableIsSet(name)), old_(qgetenv(name)) {
        qputenv(name, value);
    }
    ~EnvGuard() {
        if (had_)
            qputenv(name_, old_);
        else
            qunsetenv(name_);
    }

private:
    const char* name_;
    bool had_;
    QByteArray old_;
};

TEST_F(DosFs, MovesToTheHomeTrashEvenBeforeItsDataFolderExists) {
    // A fresh home whose data folder does not exist yet.
    const QByteArray dataHome = QFile::encodeName(home_ + "/.local/share");
    EnvGuard home("HOME", QFile::encodeName(home_));
    EnvGuard data("XDG_DATA_HOME", dataHome);
    put(home_ + "/Work/Old.txt", "old");
    ASSERT_TRUE(QDir::setCurrent(home_ + "/Work"));

    FileSystem fs(map());
    const QString trashed = fs.moveToTrash(R"(c:\work\old.txt)");
    EXPECT_FALSE(QFileInfo::exists(home_ + "/Work/Old.txt"));
    EXPECT_TRUE(trashed.startsWith(R"(c:\.local\share\Trash\files\Old.txt)")) << qPrintable(trashed);
    EXPECT_EQ(bytesOf(fs.toHost(trashed)), "old");
    EXPECT_TRUE(QFileInfo(home_ + "/.local/share/Trash/info").isDir());
    EXPECT_FALSE(QFileInfo::exists(home_ + "/Work/files"));
    EXPECT_FALSE(QFileInfo::exists(home_ + "/Work/info"));

    EXPECT_THROW(fs.moveToTrash(R"(c:\work\old.txt)"), Error);
    EXPECT_THROW(fs.moveToTrash(R"(c:\)"), Error);
}

}  // namespace
}  // namespace kv
