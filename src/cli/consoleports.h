// The ports of the actions on a terminal: the main window's fields as the command
// line's values, messages on standard error, and the progress of a long run as one
// line there, with Ctrl+C to stop it.
#pragma once

#include "app/platform.h"

#include <QElapsedTimer>
#include <QMap>

#include <csignal>

// The main window's fields and result boxes, held in memory.
class ConsoleForm1 : public Form1Port {
public:
    explicit ConsoleForm1(MessagePort& messages) : messages_(messages) {}

    QString text(Form1Field field) const override { return texts_.value(field); }
    void setText(Form1Field field, const QString& text) override { texts_[field] = text; }
    void setTextColour(Form1Field, Rgb) override {}
    void setCaption(Form1Result box, const QString& text) override { captions_[box] = text; }
    void ShowMessage(const QString& text) override { messages_.ShowMessage(text); }

    QString caption(Form1Result box) const { return captions_.value(box); }

private:
    MessagePort& messages_;
    QMap<Form1Field, QString> texts_;
    QMap<Form1Result, QString> captions_;
};

// Each message on a line of its own on standard error.
class ConsoleMessages : public MessagePort {
public:
    void ShowMessage(const QString& text) override;
    int count() const { return count_; }

private:
    int count_ = 0;
};

// While it lives, Ctrl+C (SIGINT) cancels the run instead of killing the program.  A
// run expected to last half a second or more shows its progress on one line of
// standard error, when that is a terminal.
class ConsoleProgress : public ProgressPort {
public:
    ConsoleProgress();
    ~ConsoleProgress() override;
    ConsoleProgress(const ConsoleProgress&) = delete;
    ConsoleProgress& operator=(const ConsoleProgress&) = delete;

    bool periodsDone(std::int32_t done, std::int32_t total) override;

private:
    void clearLine();

    bool terminal_;
    bool shown_ = false;
    QElapsedTimer sinceStart_;
    QElapsedTimer sinceUpdate_;
    void (*previousHandler_)(int) = nullptr;
};
