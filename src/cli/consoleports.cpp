#include "consoleports.h"

#include "sim/runprogress.h"

#include <cerrno>
#include <cstdio>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t interrupted = 0;

extern "C" void onInterrupt(int)
{
    interrupted = 1;
}

// The line is redrawn at most this often.
constexpr qint64 kUpdateEveryMs = 100;

} // namespace

std::optional<QString> writeToStandardOutput(const QByteArray& text)
{
    errno = 0;
    const auto size = static_cast<std::size_t>(text.size());
    if (std::fwrite(text.constData(), 1, size, stdout) == size && std::fflush(stdout) == 0)
        return std::nullopt;
    const bool full = errno == ENOSPC || errno == EDQUOT;
    return QStringLiteral("Impossibile scrivere sull'uscita standard: %1.")
        .arg(full ? QStringLiteral("il disco è pieno") : QStringLiteral("la scrittura non è riuscita"));
}

void ConsoleMessages::ShowMessage(const QString& text)
{
    ++count_;
    std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
}

ConsoleProgress::ConsoleProgress() : terminal_(isatty(STDERR_FILENO) == 1)
{
    interrupted = 0;
    previousHandler_ = std::signal(SIGINT, onInterrupt);
    sinceStart_.start();
    sinceUpdate_.start();
}

ConsoleProgress::~ConsoleProgress()
{
    finished();
    std::signal(SIGINT, previousHandler_);
}

bool ConsoleProgress::advanced(const RunProgress& progress)
{
    if (interrupted) {
        clearLine();
        return false;
    }
    if (!terminal_ || sinceUpdate_.elapsed() < kUpdateEveryMs)
        return true;
    sinceUpdate_.start();
    if (shown_ || progressWorthShowing(sinceStart_.elapsed(), progress))
        show(progress);
    return true;
}

void ConsoleProgress::show(const RunProgress& progress)
{
    const QString note = progressNote(progress);
    if (!shown_ || note != note_) {
        clearLine();
        if (!note.isEmpty())
            std::fprintf(stderr, "%s\n", note.toLocal8Bit().constData());
        note_ = note;
    }
    std::fprintf(stderr, "\r%s (Ctrl+C per interrompere) ", progressStatus(progress).toLocal8Bit().constData());
    std::fflush(stderr);
    shown_ = true;
}

void ConsoleProgress::finished()
{
    clearLine();
}

void ConsoleProgress::clearLine()
{
    if (shown_)
        std::fprintf(stderr, "\r%78s\r", "");
    shown_ = false;
}
