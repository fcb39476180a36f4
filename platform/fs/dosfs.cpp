// DOS path helpers, file masks and the mapping of DOS paths onto the host
// file system. Host access goes through Qt where Qt offers the operation and
// through POSIX where the exact error matters (rmdir) or where entries must be
// read as raw names (case-insensitive lookups, listings).
#include "platform/fs/dosfs.h"

#include "platform/core/error.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStringDecoder>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <mutex>

#include <dirent.h>
#include <time.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kv {

namespace {

bool isSeparator(QChar c) { return c == u'\\' || c == u'/'; }

bool isDriveLetter(QChar c) {
    const char16_t u = c.toLower().unicode();
    return u >= u'a' && u <= u'z';
}

bool hasDrive(const QString& path) {
    return path.size() >= 2 && path[1] == u':' && isDriveLetter(path[0]);
}

qsizetype lastSeparator(const QString& path) {
    for (qsizetype i = path.size() - 1; i >= 0; --i)
        if (isSeparator(path[i]))
            return i;
    return -1;
}

QString systemError(int err) { return QString::fromLocal8Bit(std::strerror(err)); }

// ---- Wildcards --------------------------------------------------------------

// Case-folded code points, so that "?" stands for one character even outside
// the Basic Multilingual Plane.
QList<uint> folded(const QString& s) {
    QList<uint> out = s.toUcs4();
    for (uint& c : out)
        c = QChar::toCaseFolded(c);
    return out;
}

// "*" matches any run, "?" one character; everything else matches itself.
// Backtracks only to the last "*", which is enough for this pattern language.
bool wildcardMatch(const QList<uint>& pattern, const QList<uint>& name) {
    qsizetype p = 0, n = 0, starP = -1, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == u'?' || pattern[p] == name[n])) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == u'*') {
            starP = p++;
            starN = n;
        } else if (starP >= 0) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == u'*')
        ++p;
    return p == pattern.size();
}

bool wildcardMatch(const QString& pattern, const QString& name) {
    return wildcardMatch(folded(pattern), folded(name));
}

bool patternMatches(const QString& pattern, const QString& name) {
    if (wildcardMatch(pattern, name))
        return true;
    // "x.*" stands for "x with any extension or none".
    if (pattern.endsWith(u".*") && wildcardMatch(pattern.chopped(2), name))
        return true;
    // A three-letter extension also finds the longer extensions that begin
    // with it, as the short names of long file names did: "*.htm" finds
    // "page.html".
    const qsizetype dot = pattern.lastIndexOf(u'.');
    if (dot < 0)
        return false;
    const QString ext = pattern.mid(dot + 1);
    if (ext.size() != 3 || !std::all_of(ext.begin(), ext.end(), [](QChar c) { return c.isLetter(); }))
        return false;
    const qsizetype nameDot = name.lastIndexOf(u'.');
    if (nameDot < 0 || name.size() - nameDot - 1 <= 3)
        return false;
    return name.mid(nameDot + 1, 3).compare(ext, Qt::CaseInsensitive) == 0 &&
           wildcardMatch(pattern.left(dot), name.left(nameDot));
}

// ---- Host paths -------------------------------------------------------------

QString hostJoin(const QString& folder, const QString& name) {
    return folder.endsWith(u'/') ? folder + name : folder + u'/' + name;
}

bool hostEntryExists(const QString& path) {
    struct stat st;
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0;
}

// Names of a folder's entries, "." and ".." left out, and names with a
// backslash too: a DOS path cannot carry them. A name whose bytes are not
// valid UTF-8 decodes to one that names nothing on the host, so callers that
// check the entry (listings) drop it. Returns false when the folder cannot be
// read.
bool readFolder(const QString& hostFolder, QStringList* names, int* err) {
    DIR* dir = ::opendir(QFile::encodeName(hostFolder).constData());
    if (!dir) {
        *err = errno;
        return false;
    }
    while (const dirent* entry = ::readdir(dir)) {
        const QByteArray raw(entry->d_name);
        if (raw == "." || raw == "..")
            continue;
        const QString name = QFile::decodeName(raw);
        if (!name.contains(u'\\'))
            names->append(name);
    }
    ::closedir(dir);
    return true;
}

// The key under which names equal without regard to case meet: each code
// point folded on its own, exactly as QString::compare(Qt::CaseInsensitive)
// compares them.
QString foldKey(const QString& name) {
    const QList<uint> points = folded(name);
    return QString::fromUcs4(reinterpret_cast<const char32_t*>(points.constData()), points.size());
}

bool isUnder(const QString& path, const QString& root) {
    if (root == u"/")
        return path.startsWith(u'/');
    return path == root || (path.startsWith(root) && path[root.size()] == u'/');
}

void sortNames(QStringList* names) {
    std::sort(names->begin(), names->end(), [](const QString& a, const QString& b) {
        const int c = a.compare(b, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a < b;
    });
}

}  // namespace

// Finds entries by name without regard to case. A stored lower-case path
// names files that carry capitals on the host, so such lookups are common and
// come in bulk (every file of a folder, one after another); listing the
// folder for each would cost time in the square of its size. The folded
// names of a folder are therefore kept and used again while the folder's
// identity and change times stay the same. A listing is kept only once the
// folder has been unchanged for a few seconds: a change within the same tick
// of the file system's clock as the last one would leave the times as they
// were, and the wait (longer than the two seconds of the coarsest clocks in
// use) rules that out.
class FolderNameIndex {
public:
    // The entry of hostFolder whose name equals name without regard to case,
    // the first in sorted order when several do; "" when there is none.
    QString find(const QString& hostFolder, const QString& name) {
        timespec now {};
        ::clock_gettime(CLOCK_REALTIME, &now);
        struct stat st;
        if (::stat(QFile::encodeName(hostFolder).constData(), &st) != 0 || !S_ISDIR(st.st_mode))
            return {};
        const QString key = foldKey(name);
        std::lock_guard<std::mutex> lock(mutex_);
        const auto known = folders_.constFind(hostFolder);
        if (known != folders_.cend() && known->sameAs(st))
            return known->byKey.value(key);

        QStringList names;
        int err = 0;
        if (!readFolder(hostFolder, &names, &err))
            return {};
        if (now.tv_sec - st.st_ctim.tv_sec <= settleSeconds) {
            folders_.remove(hostFolder);
            QString best;
            for (const QString& n : names)
                if (n.compare(name, Qt::CaseInsensitive) == 0 && (best.isEmpty() || n < best))
                    best = n;
            return best;
        }
        Listing listing;
        listing.stamp = st;
        for (const QString& n : names) {
            QString& best = listing.byKey[foldKey(n)];
            if (best.isEmpty() || n < best)
                best = n;
        }
        const QString found = listing.byKey.value(key);
        if (folders_.size() >= maxFolders)
            folders_.clear();
        folders_.insert(hostFolder, std::move(listing));
        return found;
    }

private:
    static constexpr time_t settleSeconds = 3;
    static constexpr qsizetype maxFolders = 256;

    struct Listing {
        struct stat stamp;
        QHash<QString, QString> byKey;  // folded name -> the entry it stands for

        bool sameAs(const struct stat& st) const {
            return st.st_dev == stamp.st_dev && st.st_ino == stamp.st_ino &&
                   st.st_mtim.tv_sec == stamp.st_mtim.tv_sec && st.st_mtim.tv_nsec == stamp.st_mtim.tv_nsec &&
                   st.st_ctim.tv_sec == stamp.st_ctim.tv_sec && st.st_ctim.tv_nsec == stamp.st_ctim.tv_nsec;
        }
    };

    std::mutex mutex_;
    QHash<QString, Listing> folders_;
};

// ---- Pure helpers -------------------------------------------------------------

QString dosDrive(const QString& path) { return hasDrive(path) ? path.left(2) : QString(); }

QString dosFolderPart(const QString& path) {
    const qsizetype sep = lastSeparator(path);
    if (sep < 0)
        return hasDrive(path) ? path.left(2) : QString();
    qsizetype end = sep;
    while (end > 0 && isSeparator(path[end - 1]))
        --end;
    const QString folder = path.left(end);
    if (folder.isEmpty())
        return QStringLiteral("\\");
    if (folder.size() == 2 && hasDrive(folder))
        return folder + u'\\';
    return folder;
}

QString dosFileName(const QString& path) {
    const qsizetype sep = lastSeparator(path);
    if (sep >= 0)
        return path.mid(sep + 1);
    return hasDrive(path) ? path.mid(2) : path;
}

QString dosExtension(const QString& path) {
    const QString name = dosFileName(path);
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot < 0 ? QString() : name.mid(dot);
}

QString dosJoin(const QString& folder, const QString& name) {
    qsizetype start = 0;
    while (start < name.size() && isSeparator(name[start]))
        ++start;
    const QString rest = name.mid(start);
    if (folder.isEmpty())
        return rest;
    if (isSeparator(folder.back()))
        return folder + rest;
    return folder + u'\\' + rest;
}

bool maskMatches(const QString& mask, const QString& fileName) {
    const QStringList patterns = mask.split(u';', Qt::SkipEmptyParts);
    return std::any_of(patterns.begin(), patterns.end(),
                       [&](const QString& p) { return patternMatches(p, fileName); });
}

// ---- Drives -------------------------------------------------------------------

DriveMap DriveMap::standard() {
    DriveMap map;
    map.roots.insert(u'c', QDir::homePath());
    map.roots.insert(u'z', QStringLiteral("/"));
    return map;
}

FileSystem::FileSystem(DriveMap map) : names_(std::make_shared<FolderNameIndex>()) {
    for (auto it = map.roots.cbegin(); it != map.roots.cend(); ++it) {
        const QChar drive = it.key().toLower();
        if (!isDriveLetter(drive))
            throw Error(QStringLiteral("\"%1\" is not a drive letter").arg(it.key()));
        if (map_.roots.contains(drive))
            throw Error(QStringLiteral("Drive %1: is mapped twice").arg(drive));
        if (!QDir::isAbsolutePath(it.value()))
            throw Error(QStringLiteral("The root of drive %1: is not an absolute path: %2")
                            .arg(drive, it.value()));
        const QString root = QDir::cleanPath(it.value());
        map_.roots.insert(drive, root);
    }
    for (auto it = map_.roots.cbegin(); it != map_.roots.cend(); ++it) {
        matchRoots_.append({it.key(), it.value()});
        // The host reports real locations (the current directory, for one),
        // so a root reached through a link must match there too.
        const QString real = QFileInfo(it.value()).canonicalFilePath();
        if (!real.isEmpty() && real != it.value())
            matchRoots_.append({it.key(), real});
    }
}

QString FileSystem::dosOf(const QString& hostPath, QString* why) const {
    if (hostPath.isEmpty()) {
        *why = QStringLiteral("The host path is empty");
        return {};
    }
    const QString path = QDir::cleanPath(QDir::current().absoluteFilePath(hostPath));
    const Root* best = nullptr;
    for (const Root& root : matchRoots_)
        if (isUnder(path, root.path) && (!best || root.path.size() > best->path.size()))
            best = &root;
    if (!best) {
        *why = QStringLiteral("%1 lies on no drive").arg(path);
        return {};
    }
    QString rest = best->path == u"/" ? path.mid(1) : path.mid(best->path.size() + 1);
    if (rest.contains(u'\\')) {
        *why = QStringLiteral("%1 has a name with a backslash, which a DOS path cannot hold").arg(path);
        return {};
    }
    rest.replace(u'/', u'\\');
    return QString(best->drive) + QStringLiteral(":\\") + rest;
}

QString FileSystem::resolve(const QString& dosPath, QString* why) const {
    if (dosPath.isEmpty()) {
        *why = QStringLiteral("The path is empty");
        return {};
    }
    if (dosPath.contains(QChar(0))) {
        *why = QStringLiteral("The path holds a NUL character");
        return {};
    }
    if (dosPath.size() >= 2 && isSeparator(dosPath[0]) && isSeparator(dosPath[1])) {
        *why = QStringLiteral("Network paths are not supported: %1").arg(dosPath);
        return {};
    }

    // Make the path absolute: a drive and its components.
    const bool withDrive = hasDrive(dosPath);
    const QString rest = withDrive ? dosPath.mid(2) : dosPath;
    const bool rooted = !rest.isEmpty() && isSeparator(rest[0]);
    QChar drive = withDrive ? dosPath[0].toLower() : QChar();
    QStringList parts;
    if (!withDrive || !rooted) {
        QString cwdWhy;
        const QString cwd = dosOf(QDir::currentPath(), &cwdWhy);
        if (!withDrive && cwd.isEmpty()) {
            *why = QStringLiteral("%1 has no drive, and the current folder is on none: %2")
                       .arg(dosPath, cwdWhy);
            return {};
        }
        if (!withDrive)
            drive = cwd[0];
        // "x", and "d:x" while the current folder is on d:, continue the
        // current folder; "d:x" otherwise starts at the root of d:.
        if (!rooted && !cwd.isEmpty() && cwd[0] == drive)
            parts = cwd.mid(3).split(u'\\', Qt::SkipEmptyParts);
    }
    qsizetype i = 0;
    while (i < rest.size()) {
        qsizetype j = i;
        while (j < rest.size() && !isSeparator(rest[j]))
            ++j;
        const QString part = rest.mid(i, j - i);
        if (part == u"..") {
            if (!parts.isEmpty())
                parts.removeLast();
        } else if (!part.isEmpty() && part != u".") {
            parts.append(part);
        }
        i = j + 1;
    }

    const auto root = map_.roots.constFind(drive);
    if (root == map_.roots.cend()) {
        *why = QStringLiteral("There is no drive %1: (%2)").arg(drive, dosPath);
        return {};
    }

    // Match each component without regard to case while the folders exist.
    QString host = *root;
    bool existing = true;
    for (const QString& part : parts) {
        if (existing) {
            const QString exact = hostJoin(host, part);
            if (hostEntryExists(exact)) {
                host = exact;
                continue;
            }
            const QString match = names_->find(host, part);
            if (!match.isEmpty()) {
                host = hostJoin(host, match);
                continue;
            }
            existing = false;
        }
        host = hostJoin(host, part);
    }
    return host;
}

bool FileSystem::isDriveRoot(const QString& hostPath) const {
    const QString path = QDir::cleanPath(hostPath);
    return std::any_of(matchRoots_.begin(), matchRoots_.end(),
                       [&](const Root& r) { return r.path == path; });
}

QString FileSystem::toHost(const QString& dosPath) const {
    QString why;
    const QString host = resolve(dosPath, &why);
    if (host.isEmpty())
        throw Error(why);
    return host;
}

QString FileSystem::toDos(const QString& hostPath) const {
    QString why;
    const QString dos = dosOf(hostPath, &why);
    if (dos.isEmpty())
        throw Error(why);
    return dos;
}

QStringList FileSystem::drives() const {
    QStringList out;
    for (auto it = map_.roots.cbegin(); it != map_.roots.cend(); ++it)
        out.append(QString(it.key()) + u':');
    return out;
}

QString FileSystem::currentDir() const { return toDos(QDir::currentPath()); }

void FileSystem::setCurrentDir(const QString& dosPath) {
    const QString host = toHost(dosPath);
    if (!QFileInfo(host).isDir() || !QDir::setCurrent(host))
        throw Error(QStringLiteral("Cannot make %1 the current folder").arg(dosPath));
}

// ---- Queries ------------------------------------------------------------------

bool FileSystem::exists(const QString& p) const {
    QString why;
    const QString host = resolve(p, &why);
    return !host.isEmpty() && QFileInfo(host).exists();
}

bool FileSystem::isDir(const QString& p) const {
    QString why;
    const QString host = resolve(p, &why);
    return !host.isEmpty() && QFileInfo(host).isDir();
}

bool FileSystem::isFile(const QString& p) const {
    QString why;
    const QString host = resolve(p, &why);
    return !host.isEmpty() && QFileInfo(host).isFile();
}

QStringList FileSystem::visibleEntries(
    const QString& folder,
    const std::function<bool(const QString& name, const QFileInfo& hostEntry)>& keep) const {
    const QString host = toHost(folder);
    QStringList names;
    int err = 0;
    if (!QFileInfo(host).isDir())
        throw Error(QStringLiteral("Folder not found: %1").arg(folder));
    if (!readFolder(host, &names, &err))
        throw Error(QStringLiteral("Cannot read the folder %1: %2").arg(folder, systemError(err)));
    QStringList out;
    for (const QString& name : names)
        if (!name.startsWith(u'.') && keep(name, QFileInfo(hostJoin(host, name))))
            out.append(name);
    sortNames(&out);
    return out;
}

QStringList FileSystem::listFiles(const QString& folder, const QString& mask) const {
    // isFile() follows links and is false for links that lead nowhere and
    // for devices, pipes and sockets.
    return visibleEntries(folder, [&mask](const QString& name, const QFileInfo& e) {
        return maskMatches(mask, name) && e.isFile();
    });
}

QStringList FileSystem::listFolders(const QString& folder) const {
    return visibleEntries(folder, [](const QString&, const QFileInfo& e) { return e.isDir(); });
}

qint32 FileSystem::fileSize(const QString& p) const {
    const QString host = toHost(p);
    const QFileInfo info(host);
    // Checked first: opening a pipe for reading would wait for a writer.
    if (!info.exists())
        throw Error(QStringLiteral("Cannot open %1 for reading: the file does not exist").arg(p));
    if (!info.isFile())
        throw Error(QStringLiteral("Cannot open %1 for reading: it is not a file").arg(p));
    QFile file(host);
    if (!file.open(QIODevice::ReadOnly))
        throw Error(QStringLiteral("Cannot open %1 for reading: %2").arg(p, file.errorString()));
    const qint64 size = file.size();
    constexpr qint64 largest = std::numeric_limits<qint32>::max();
    return static_cast<qint32>(std::min(size, largest));
}

QDateTime FileSystem::lastWriteTime(const QString& p) const {
    const QFileInfo info(toHost(p));
    if (!info.exists())
        throw Error(QStringLiteral("Cannot read the time of %1: it does not exist").arg(p));
    return info.lastModified();
}

// ---- Changes ------------------------------------------------------------------

void FileSystem::createFolder(const QString& p) const {
    const QString host = toHost(p);
    if (QFileInfo(host).isDir())
        return;
    if (!QDir().mkpath(host) || !QFileInfo(host).isDir())
        throw Error(QStringLiteral("Cannot create the folder %1").arg(p));
}

bool FileSystem::removeFolder(const QString& p) const {
    const QString host = toHost(p);
    if (::rmdir(QFile::encodeName(host).constData()) == 0)
        return true;
    const int err = errno;
    if (err == ENOENT || err == ENOTEMPTY || err == EEXIST)
        return false;
    if (err == ENOTDIR)
        throw Error(QStringLiteral("Cannot remove %1: it is not a folder").arg(p));
    throw Error(QStringLiteral("Cannot remove the folder %1: %2").arg(p, systemError(err)));
}

void FileSystem::removeTree(const QString& p, Leftovers leftovers) const {
    const QString host = toHost(p);
    const QFileInfo info(host);
    if (!info.exists() && !info.isSymLink())
        return;
    // Removing a whole drive is never what a caller means.
    if (isDriveRoot(host))
        throw Error(QStringLiteral("Refusing to remove the drive root %1").arg(p));
    // The walk would empty the link's target and then fail on the link.
    if (info.isSymLink())
        throw Error(QStringLiteral("Cannot remove %1: it is a link, not a folder").arg(p));
    if (!info.isDir())
        throw Error(QStringLiteral("Cannot remove %1: it is not a folder").arg(p));
    if (!QDir(host).removeRecursively() && leftovers == Leftovers::Fail)
        throw Error(QStringLiteral("Could not remove everything in %1").arg(p));
}

void FileSystem::removeFile(const QString& p) const {
    const QString host = toHost(p);
    const QFileInfo info(host);
    if (info.isDir() && !info.isSymLink())
        throw Error(QStringLiteral("Cannot remove %1: it is a folder").arg(p));
    QFile file(host);
    if (!file.remove())
        throw Error(QStringLiteral("Cannot remove %1: %2").arg(p, file.errorString()));
}

QString FileSystem::moveToTrash(const QString& p) const {
    const QString host = toHost(p);
    const QFileInfo info(host);
    if (!info.exists() && !info.isSymLink())
        throw Error(QStringLiteral("Cannot move %1 to the trash: it does not exist").arg(p));
    if (isDriveRoot(host))
        throw Error(QStringLiteral("Refusing to move the drive root %1 to the trash").arg(p));
    // Without this folder Qt does not find the home trash and writes files/
    // and info/ into the current directory instead, reporting success.
    const QString dataHome = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (dataHome.isEmpty() || !QDir().mkpath(dataHome))
        throw Error(QStringLiteral("Cannot move %1 to the trash: cannot create %2").arg(p, dataHome));
    QString trashed;
    if (!QFile::moveToTrash(host, &trashed))
        throw Error(QStringLiteral("Cannot move %1 to the trash").arg(p));
    // A freedesktop trash is <trash>/files beside <trash>/info, where <trash>
    // is the home trash or a .Trash folder at the top of another volume.
    const QDir files = QFileInfo(trashed).absoluteDir();
    QDir trash = files;
    trash.cdUp();
    const QString trashName = trash.dirName();
    const bool homeTrash = QDir::cleanPath(trash.absolutePath()) == QDir::cleanPath(dataHome + QStringLiteral("/Trash"));
    QDir above = trash;
    above.cdUp();
    const bool volumeTrash = trashName.startsWith(u".Trash-") || above.dirName() == u".Trash";
    if (files.dirName() != u"files" || !trash.exists(QStringLiteral("info")) || !(homeTrash || volumeTrash))
        throw Error(QStringLiteral("%1 was moved to %2, which is not a trash folder").arg(p, trashed));
    QString why;
    return dosOf(trashed, &why);
}

// ---- Text -----------------------------------------------------------------------

QStringList FileSystem::readLines(const QString& p) const {
    QFile file(toHost(p));
    if (!file.open(QIODevice::ReadOnly))
        throw Error(QStringLiteral("Cannot read %1: %2").arg(p, file.errorString()));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw Error(QStringLiteral("Cannot read %1: %2").arg(p, file.errorString()));

    // Stateless, so that a sequence cut off at the end of the file counts as
    // invalid instead of waiting for more input.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(bytes);
    if (utf8.hasError()) {
        QStringDecoder ansi("Windows-1252");
        if (!ansi.isValid())
            throw Error(QStringLiteral("Cannot read %1: no Windows-1252 decoder on this system").arg(p));
        text = ansi(bytes);
    }

    if (text.isEmpty())
        return {};
    QStringList lines = text.split(u'\n');
    if (text.endsWith(u'\n'))
        lines.removeLast();
    for (QString& line : lines)
        if (line.endsWith(u'\r'))
            line.chop(1);
    return lines;
}

void FileSystem::writeText(const QString& p, const QString& text) const {
    QSaveFile file(toHost(p));
    if (!file.open(QIODevice::WriteOnly))
        throw Error(QStringLiteral("Cannot write %1: %2").arg(p, file.errorString()));
    const QByteArray bytes = text.toUtf8();
    if (file.write(bytes) != bytes.size() || !file.commit())
        throw Error(QStringLiteral("Cannot write %1: %2").arg(p, file.errorString()));
}

}  // namespace kv
