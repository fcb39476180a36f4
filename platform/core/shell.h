// "Open with the registered program" and addresses, as the modules see them.
// Paths are DOS paths; the application's implementation resolves them.
#pragma once

#include <QString>
#include <QStringList>

namespace kv {

class Shell {
public:
    virtual ~Shell() = default;
    // Opens a document with the program registered for its kind; kv::Error
    // when there is no such file or nothing could open it.
    virtual void openDocument(const QString& dosPath) = 0;
    // Opens an address such as "mailto:..." with the user's default program.
    virtual void openUrl(const QString& url) = 0;
};

class RecordingShell : public Shell {
public:
    void openDocument(const QString& dosPath) override { opened << dosPath; }
    void openUrl(const QString& url) override { opened << url; }

    QStringList opened;
};

}  // namespace kv
