// The one error type of the Korvane programs.
//
// A failing table operation, file operation or converter throws kv::Error.
// No step catches it: it ends the chain of steps the user's action started and
// reaches the application's general error handler (app/), which shows the
// message and lets the program go on with the next user action.
#pragma once

#include <QString>
#include <stdexcept>

namespace kv {

class Error : public std::runtime_error {
public:
    explicit Error(const QString& message)
        : std::runtime_error(message.toStdString()), message_(message) {}

    const QString& message() const { return message_; }

private:
    QString message_;
};

}  // namespace kv
