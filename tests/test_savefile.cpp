// Files written whole or not at all, several together all or none, and the reason a file
// cannot be written named as it is.
#include "app/savefile.h"

#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}

// Every file below `folder` with what it holds.
QMap<QString, QByteArray> tree(const QString& folder)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        files[path.mid(folder.size() + 1)] = contents(path);
    }
    return files;
}

} // namespace

class TestSaveFile : public QObject {
    Q_OBJECT
private slots:
    // Each row writes `paths` into a folder that holds old.csv and the folders named,
    // after the paths named read-only have lost their write bits.  The message's %1 is
    // the folder; with no message, every file holds its data.  After a failure the
    // folder is as it was: no new file, no temporary left, old.csv untouched.
    void reasons_data()
    {
        QTest::addColumn<QStringList>("paths");
        QTest::addColumn<QStringList>("folders");
        QTest::addColumn<QStringList>("readOnly");
        QTest::addColumn<QString>("message");
        const QString saving = "Impossibile salvare il file «%1/";
        QTest::newRow("into a folder that does not exist") << QStringList{"gone/a.csv"} << QStringList() << QStringList()
            << saving + "gone/a.csv»: la cartella %1/gone non esiste.";
        QTest::newRow("over a folder") << QStringList{"sub"} << QStringList{"sub"} << QStringList()
            << saving + "sub»: con questo nome c'è già una cartella.";
        QTest::newRow("over a read-only file in a writable folder") << QStringList{"old.csv"} << QStringList()
            << QStringList{"old.csv"} << saving + "old.csv»: il file esiste già ed è protetto da scrittura.";
        QTest::newRow("into a read-only folder") << QStringList{"ro/a.csv"} << QStringList{"ro"} << QStringList{"ro"}
            << saving + "ro/a.csv»: non hai il permesso di scrivere in questa cartella.";
        QTest::newRow("the second file fails, the first is not written")
            << QStringList{"a.csv", "gone/b.png"} << QStringList() << QStringList()
            << saving + "gone/b.png»: la cartella %1/gone non esiste.";
        QTest::newRow("the second file fails, the first keeps its old contents")
            << QStringList{"old.csv", "sub"} << QStringList{"sub"} << QStringList()
            << saving + "sub»: con questo nome c'è già una cartella.";
        QTest::newRow("one file named twice, spelt two ways") << QStringList{"a.csv", "sub/../a.csv"}
            << QStringList{"sub"} << QStringList() << saving + "sub/../a.csv»: è indicato per due risultati diversi.";
        QTest::newRow("all written, an old file replaced") << QStringList{"a.csv", "sub/b.svg", "old.csv"}
            << QStringList{"sub"} << QStringList() << QString();
    }
    void reasons()
    {
        QFETCH(QStringList, paths);
        QFETCH(QStringList, folders);
        QFETCH(QStringList, readOnly);
        QFETCH(QString, message);
        QTemporaryDir dir;
        const QString old = dir.filePath("old.csv");
        QFile oldFile(old);
        QVERIFY(oldFile.open(QIODevice::WriteOnly) && oldFile.write("old") == 3);
        oldFile.close();
        for (const QString& folder : folders)
            QVERIFY(QDir(dir.path()).mkdir(folder));
        for (const QString& path : readOnly) {
            QFile::setPermissions(dir.filePath(path), QFile::ReadOwner | QFile::ExeOwner);
            if (QFileInfo(dir.filePath(path)).isWritable())
                QSKIP("write bits do not stop this user (root writes anyway)");
        }
        QMap<QString, QByteArray> expected = tree(dir.path());
        QList<FileToSave> files;
        for (const QString& path : paths) {
            files.append({dir.filePath(path), "data of " + path.toUtf8()});
            if (message.isEmpty())
                expected[path] = files.last().data;
        }

        const std::optional<QString> failure = saveFiles(files);

        QCOMPARE(failure.value_or(QString()), message.isEmpty() ? QString() : message.arg(dir.path()));
        QCOMPARE(tree(dir.path()), expected);
    }
};

QTEST_GUILESS_MAIN(TestSaveFile)
#include "test_savefile.moc"
