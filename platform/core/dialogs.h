// Message boxes as the modules see them. The application implements this
// with QMessageBox; tests use RecordingDialogs to observe what was shown.
#pragma once

#include <QString>
#include <QStringList>

namespace kv {

class Dialogs {
public:
    virtual ~Dialogs() = default;
    // A plain message box with an OK button; returns when the user closes it.
    virtual void showMessage(const QString& text) = 0;
    // The general error handler's report of an error that ended a step.
    virtual void showError(const QString& text) = 0;
};

class RecordingDialogs : public Dialogs {
public:
    void showMessage(const QString& text) override { messages << text; }
    void showError(const QString& text) override { errors << text; }

    QStringList messages;
    QStringList errors;
};

}  // namespace kv
