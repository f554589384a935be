// Files the program writes: whole or not at all, and several of them all or none.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

class QSaveFile;

// One file to write: where, and what goes in it.
struct FileToSave {
    QString path;
    QByteArray data;
};

// Files written together: each is first written whole to a temporary file beside its
// target, and no target is touched until every temporary is complete and on disk.
// Temporaries not put in place are removed when this goes away.
class PendingFiles {
public:
    PendingFiles();
    ~PendingFiles();
    PendingFiles(const PendingFiles&) = delete;
    PendingFiles& operator=(const PendingFiles&) = delete;

    // Writes every file to its temporary.  On the first failure drops them all and
    // returns an Italian message that names the file and the reason.
    std::optional<QString> prepare(const QList<FileToSave>& files);
    // Puts the prepared files in place, or returns the message of the one that failed.
    std::optional<QString> commit();

private:
    std::vector<std::unique_ptr<QSaveFile>> files_;
};

// Writes every one of `files` or, on a failure, none of them, leaving any existing
// file as it was.  Returns nothing on success, or an Italian message that names the
// file and the reason.
std::optional<QString> saveFiles(const QList<FileToSave>& files);

// The same for one file.
std::optional<QString> saveFile(const QString& path, const QByteArray& data);
