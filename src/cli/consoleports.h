// The ports of the actions on a terminal: messages on standard error, and the progress
// of a long run as one line there, with Ctrl+C to stop it.
#pragma once

#include "app/platform.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QString>

#include <csignal>
#include <optional>

// Writes `text` to standard output and makes sure it got there: a full disk or a closed
// output is no success.  Returns nothing, or the Italian message that says why not.
std::optional<QString> writeToStandardOutput(const QByteArray& text);

// Each message on a line of its own on standard error.
class ConsoleMessages : public MessagePort {
public:
    void ShowMessage(const QString& text) override;
    int count() const { return count_; }

private:
    int count_ = 0;
};

// While it lives, Ctrl+C (SIGINT) cancels the run instead of killing the program.  A
// run expected to last half a second or more shows its progress on standard error,
// when that is a terminal: what the count means on a line of its own, said again
// whenever it changes, and the count on a line that is redrawn in place.
class ConsoleProgress : public ProgressPort {
public:
    ConsoleProgress();
    ~ConsoleProgress() override;
    ConsoleProgress(const ConsoleProgress&) = delete;
    ConsoleProgress& operator=(const ConsoleProgress&) = delete;

    bool advanced(const RunProgress& progress) override;
    void finished() override;

private:
    void show(const RunProgress& progress);
    void clearLine();

    bool terminal_;
    bool shown_ = false;
    QString note_; // the meaning of the count, as last written
    QElapsedTimer sinceStart_;
    QElapsedTimer sinceUpdate_;
    void (*previousHandler_)(int) = nullptr;
};
