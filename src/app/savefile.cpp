#include "savefile.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

namespace {

// Why a file could not be created in its folder.
QString whyNotCreated(const QSaveFile& file, const QString& path)
{
    const QFileInfo info(path);
    const QDir folder = info.absoluteDir();
    if (!folder.exists())
        return QStringLiteral("la cartella %1 non esiste").arg(QDir::toNativeSeparators(folder.path()));
    if (info.isDir())
        return QStringLiteral("con questo nome c'è già una cartella");
    if (!QFileInfo(folder.path()).isWritable() || file.error() == QFileDevice::PermissionsError)
        return QStringLiteral("non hai il permesso di scrivere in questa cartella");
    return QStringLiteral("non si può creare un file in questa cartella");
}

} // namespace

std::optional<QString> saveFile(const QString& path, const QByteArray& data)
{
    QSaveFile file(path);
    QString why;
    if (!file.open(QIODevice::WriteOnly))
        why = whyNotCreated(file, path);
    // A short write sets no error: the data are counted instead.
    else if (file.write(data) != data.size() || !file.commit())
        why = QStringLiteral("la scrittura non è riuscita: forse il disco è pieno");
    else
        return std::nullopt;
    file.cancelWriting();
    return QStringLiteral("Impossibile salvare il file «%1»: %2.").arg(QDir::toNativeSeparators(path), why);
}
