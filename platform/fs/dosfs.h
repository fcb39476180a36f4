// The DOS path namespace: every path the programs compute, store or compare is
// a DOS-style path ("c:\docs\report.doc"); this layer maps such paths to the
// host file system and is the only code that knows host paths.
//
// A DOS path is a drive letter, ":" and components separated by "\" ("/" is
// accepted as a separator too). A drive root is written "d:\"; other folders
// have no trailing backslash. Paths without a drive are relative to the
// current directory, "\x" is rooted on the current directory's drive, and
// "d:x" is relative to the current directory when it lies on d:, else to the
// root of d:. "." and ".." are resolved by text and never climb above a
// drive root. Names are compared without regard to case.
#pragma once

#include <QChar>
#include <QDateTime>
#include <QMap>
#include <QString>
#include <QStringList>
#include <functional>

#include <memory>

class QFileInfo;

namespace kv {

class FolderNameIndex;

// ---- Pure helpers on DOS paths (no file system access) -------------------

// "c:" for "c:\docs\report.doc", as written; "" when the path has no drive.
QString dosDrive(const QString& path);
// "c:\docs" for "c:\docs\report.doc"; "c:\" for "c:\x.doc"; "" for a bare
// name; "c:" for the drive-relative "c:x.doc".
QString dosFolderPart(const QString& path);
// "report.doc" for "c:\docs\report.doc"; "" when the path ends in a separator.
QString dosFileName(const QString& path);
// ".doc": from the last dot of the file name, the dot included; "" when the
// name has no dot.
QString dosExtension(const QString& path);
// Folder and name with exactly one backslash between them: "d:\" + "x.doc" is
// "d:\x.doc", "c:\docs" + "x.doc" is "c:\docs\x.doc", "c:" + "x.doc" is
// "c:\x.doc"; an empty folder gives the name alone.
QString dosJoin(const QString& folder, const QString& name);

// Whether fileName (a name, not a path) matches mask, a list of patterns
// separated by ";" (";*.doc;*.htm"). Empty patterns are ignored, so an empty
// mask matches nothing. "*" stands for any run of characters, "?" for one
// character; letters match without regard to case; there are no other
// special characters. A pattern ending in ".*" also matches names the part
// before it matches ("*.*" matches every name, with or without a dot). A
// pattern whose extension (after its last dot) is exactly three letters also
// matches names whose extension is longer and begins with those letters
// (";*.htm" matches "x.html"); a pattern with a shorter extension matches it
// exactly (";*.mp" does not match "x.mp3").
bool maskMatches(const QString& mask, const QString& fileName);

// ---- Drives and the host file system --------------------------------------

// Drive letters (lower case) and the host folders they stand for.
struct DriveMap {
    QMap<QChar, QString> roots;

    // 'c' is the user's home folder, 'z' is "/".
    static DriveMap standard();
};

// Resolves DOS paths against a DriveMap and performs the file operations the
// programs need. Every operation that fails throws kv::Error with a message
// naming the DOS path; the predicates (exists, isDir, isFile) never throw.
// The current directory is the process's own. Besides the map, an object
// keeps the names of folders it has searched without regard to case, and uses
// them again only while a folder is provably unchanged; copies share them, and
// the object may be used from several threads.
class FileSystem {
public:
    // Throws kv::Error when a key is not a letter or a root is not an
    // absolute host path. Roots are cleaned ("/tmp/x/" is "/tmp/x").
    explicit FileSystem(DriveMap map);

    // The host path for a DOS path. Each existing component is matched
    // without regard to case: the entry of exactly that name when there is
    // one, else the first in sorted order of those that differ only by case.
    // From the first component that does not exist on, components are kept
    // as written. Throws kv::Error for an empty path, a network path
    // ("\\server\share"), an unknown drive, or a path without a drive while
    // the current directory lies under no drive.
    QString toHost(const QString& dosPath) const;
    // The DOS path of a host path (relative host paths are taken from the
    // process's current directory), on the drive whose root is the longest
    // that contains it; a root given through a symbolic link also matches
    // under its real location. The drive letter is lower case; the rest keeps
    // the host's case. Throws kv::Error when no root contains the path or a
    // component holds a backslash (such a name cannot be written as a DOS
    // path).
    QString toDos(const QString& hostPath) const;
    // "c:", "z:", ... in letter order.
    QStringList drives() const;

    // The process's current directory as a DOS path; throws kv::Error when it
    // lies under no drive.
    QString currentDir() const;
    // Makes a folder the process's current directory; kv::Error on failure.
    void setCurrentDir(const QString& dosPath);

    // False also for paths that cannot be resolved (an unknown drive).
    // Symbolic links are followed.
    bool exists(const QString& p) const;
    bool isDir(const QString& p) const;
    bool isFile(const QString& p) const;

    // Names of the ordinary files directly in a folder that match a mask (see
    // maskMatches), sorted without regard to case. Not listed: hidden (dot)
    // files, folders and links to folders, links that lead nowhere, devices,
    // pipes and sockets, and names a DOS path cannot carry (a backslash, or
    // bytes that are not valid in the host's file name encoding). Throws
    // kv::Error when the folder does not exist or cannot be read.
    QStringList listFiles(const QString& folder, const QString& mask) const;
    // Names of the sub-folders (links to folders included) of a folder, not
    // hidden, sorted the same way; kv::Error as for listFiles.
    QStringList listFolders(const QString& folder) const;

    // Length in bytes, measured by opening the file for reading. A file of
    // 2 GiB or more gives 2147483647, the largest 32-bit count, so that size
    // comparisons keep holding. Throws kv::Error when the path is not a file
    // or cannot be opened for reading.
    qint32 fileSize(const QString& p) const;
    // Last write time in local time, to the millisecond the host keeps;
    // kv::Error when the path does not exist.
    QDateTime lastWriteTime(const QString& p) const;

    // Creates a folder and any missing parents (names as written); kv::Error
    // on failure, including when a file stands in the way.
    void createFolder(const QString& p) const;
    // Removes an empty folder. Returns false, changing nothing, when the
    // folder does not exist or is not empty; throws kv::Error when the path is
    // not a folder or removal fails for another reason.
    bool removeFolder(const QString& p) const;
    // What removeTree does with what it cannot remove.
    enum class Leftovers { Fail, Keep };
    // Removes a folder and everything in it; links inside are removed, never
    // followed. Nothing to do when the path does not exist. Throws kv::Error
    // when the path is a drive root, a file or a link, and, unless leftovers
    // are kept, when anything could not be removed (what could be removed is
    // gone either way; a folder that keeps something stays).
    void removeTree(const QString& p, Leftovers leftovers = Leftovers::Fail) const;
    // Removes a file (a link itself, not its target); kv::Error on failure,
    // including a missing file or a folder.
    void removeFile(const QString& p) const;
    // Moves a file or folder to the user's freedesktop trash and returns its
    // DOS path there ("" when the trash lies under no drive). Throws kv::Error
    // when it cannot be trashed.
    QString moveToTrash(const QString& p) const;

    // The lines of a text file: UTF-8 (a leading byte-order mark dropped), or
    // Windows-1252 for the whole file when it is not valid UTF-8. Lines end
    // in LF or CR LF; a final line end adds no empty line. kv::Error when the
    // file cannot be read.
    QStringList readLines(const QString& p) const;
    // Replaces a file's contents with text as UTF-8 (no byte-order mark),
    // atomically: readers see the old or the new contents, never a part.
    // The folder must exist; kv::Error on failure.
    void writeText(const QString& p, const QString& text) const;

private:
    struct Root {
        QChar drive;
        QString path;  // as given, cleaned
    };

    // The host path, or "" with *why set when the path cannot be resolved.
    QString resolve(const QString& dosPath, QString* why) const;
    // The DOS path, or "" with *why set when no drive holds the host path.
    QString dosOf(const QString& hostPath, QString* why) const;
    bool isDriveRoot(const QString& hostPath) const;
    // The visible (non-dot) entries of a folder that pass `keep`, sorted; the
    // host entry is only looked at when `keep` asks it. kv::Error when the
    // folder does not exist or cannot be read.
    QStringList visibleEntries(
        const QString& folder,
        const std::function<bool(const QString& name, const QFileInfo& hostEntry)>& keep) const;

    DriveMap map_;
    QList<Root> matchRoots_;  // each root as given and, if different, its real location
    std::shared_ptr<FolderNameIndex> names_;  // shared by copies; guarded inside
};

}  // namespace kv
