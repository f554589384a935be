#include "savefile.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QSet>

#include <unistd.h>

namespace {

const QString kWriteFailed = QStringLiteral("la scrittura non è riuscita: forse il disco è pieno");

QString failure(const QString& path, const QString& why)
{
    return QStringLiteral("Impossibile salvare il file «%1»: %2.").arg(QDir::toNativeSeparators(path), why);
}

// Why a file could not be created in its folder.  QSaveFile refuses an existing file it
// may not write before it tries the folder, so that comes before the folder's rights.
QString whyNotCreated(const QSaveFile& file, const QString& path)
{
    const QFileInfo info(path);
    const QDir folder = info.absoluteDir();
    if (!folder.exists())
        return QStringLiteral("la cartella %1 non esiste").arg(QDir::toNativeSeparators(folder.path()));
    if (info.isDir())
        return QStringLiteral("con questo nome c'è già una cartella");
    if (info.exists() && !info.isWritable())
        return QStringLiteral("il file esiste già ed è protetto da scrittura");
    if (!QFileInfo(folder.path()).isWritable() || file.error() == QFileDevice::PermissionsError)
        return QStringLiteral("non hai il permesso di scrivere in questa cartella");
    return QStringLiteral("non si può creare un file in questa cartella");
}

// The temporary of `path` written whole and on disk, or the reason it is not.
std::optional<QString> writeTemporary(QSaveFile& file, const QByteArray& data)
{
    if (!file.open(QIODevice::WriteOnly))
        return whyNotCreated(file, file.fileName());
    // A short write sets no error: the data are counted instead.  The data go to disk
    // here, so that a full disk shows before any target is replaced.
    if (file.write(data) != data.size() || !file.flush() || ::fsync(file.handle()) != 0)
        return kWriteFailed;
    return std::nullopt;
}

} // namespace

PendingFiles::PendingFiles() = default;
PendingFiles::~PendingFiles() = default;

std::optional<QString> PendingFiles::prepare(const QList<FileToSave>& files)
{
    files_.clear();
    QSet<QString> targets;
    for (const FileToSave& f : files) {
        auto file = std::make_unique<QSaveFile>(f.path);
        // Two results for one file would leave only the second.
        const QString target = QFileInfo(f.path).absoluteFilePath();
        std::optional<QString> why = targets.contains(target)
                                         ? QStringLiteral("è indicato per due risultati diversi")
                                         : writeTemporary(*file, f.data);
        if (why) {
            files_.clear();
            return failure(f.path, *why);
        }
        targets.insert(target);
        files_.push_back(std::move(file));
    }
    return std::nullopt;
}

// All that is left to fail here is renaming a temporary over its target (and closing
// it): prepare() has written every byte and had it on disk.  Should a rename still
// fail, the files before it are in place already and cannot be taken back; the one that
// failed and those after it are dropped, and the message names the one that failed.
std::optional<QString> PendingFiles::commit()
{
    std::optional<QString> why;
    for (const auto& file : files_) {
        if (!why && !file->commit())
            why = failure(file->fileName(), kWriteFailed);
    }
    files_.clear();
    return why;
}

std::optional<QString> saveFiles(const QList<FileToSave>& files)
{
    PendingFiles pending;
    if (auto why = pending.prepare(files))
        return why;
    return pending.commit();
}

std::optional<QString> saveFile(const QString& path, const QByteArray& data)
{
    return saveFiles({{path, data}});
}
