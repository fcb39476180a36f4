// The registry of the main program's modules. app/ creates it at start-up;
// it creates every module in the program's fixed order and keeps them until
// the program ends. Modules reach each other through it.
#pragma once

#include <QList>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

namespace kv {

class Dialogs;
class FileSystem;
class Module;
class Shell;
class TfmDoIndexing;
class TfmGreetings;
class TfmScreenTester;
class TfmSelectFiles;
class TfmSelectSource;
class TfmSettings;

// What the modules need from the world around them.
struct Environment {
    FileSystem& fs;
    Dialogs& dialogs;
    Shell& shell;
    QString programFolder;  // host folder holding the ini files
};

class Modules {
public:
    explicit Modules(Environment env);
    ~Modules();
    Modules(const Modules&) = delete;
    Modules& operator=(const Modules&) = delete;

    Environment& env() { return env_; }
    FileSystem& fs() { return env_.fs; }
    Dialogs& dialogs() { return env_.dialogs; }
    Shell& shell() { return env_.shell; }
    // Host path of an ini file beside the program ("kvs.ini").
    QString iniFile(const QString& name) const;

    TfmGreetings& greetings() { return *greetings_; }
    TfmSelectFiles& selectFiles() { return *selectFiles_; }
    TfmSettings& settings() { return *settings_; }
    TfmDoIndexing& doIndexing() { return *doIndexing_; }
    TfmSelectSource& selectSource() { return *selectSource_; }
    TfmScreenTester& screenTester() { return *screenTester_; }

    // Every module, in creation order.
    const QList<Module*>& all() const { return all_; }

    // Runs a step started by a user's action. An error ends the step (and
    // whatever it had started) and the general error handler shows it; the
    // program goes on with the next action.
    void runStep(const std::function<void()>& step);

    // Writes every module's stored values; called once as the program ends.
    void storeAll();

private:
    template <typename T>
    T* create();

    Environment env_;
    QList<Module*> all_;
    std::vector<std::unique_ptr<Module>> owned_;
    TfmGreetings* greetings_ = nullptr;
    TfmSelectFiles* selectFiles_ = nullptr;
    TfmSettings* settings_ = nullptr;
    TfmDoIndexing* doIndexing_ = nullptr;
    TfmSelectSource* selectSource_ = nullptr;
    TfmScreenTester* screenTester_ = nullptr;
};

}  // namespace kv
