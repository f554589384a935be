// What takes a result window's contents out of it: the context menu of its plot, with
// the usual shortcuts working anywhere in the window, to save the window's picture as
// PNG or SVG, to copy it, and to export its data as CSV.
#pragma once

#include "app/platform.h"

#include <QByteArray>
#include <QImage>
#include <QObject>
#include <QString>

#include <array>
#include <functional>
#include <vector>

class QAction;
class QKeySequence;
class QWidget;

class ExportActions : public QObject {
public:
    // What the window gives to take out, and the file name proposed ("forme-d-onda"
    // gives "forme-d-onda.png", ".svg" and ".csv").
    struct Content {
        QString baseName;
        std::function<QImage()> picture;
        std::function<QByteArray()> svg;
        std::function<QByteArray()> csv;
    };
    // Asks where to save: given the proposed path and the file types, returns the path
    // chosen (empty: cancelled) and the type chosen.  The platform's file dialog by
    // default, opened in the folder last used for the same kind of file.
    using FileChooser = std::function<QString(const QString& proposed, const QString& types, QString* chosenType)>;

    // The actions go into the context menu of `plot`, in `window`; `messages` tells the
    // student of a file that could not be written.  They start disabled.
    ExportActions(QWidget* window, QWidget* plot, MessagePort& messages, Content content);

    // An action of the same menu, its shortcut working anywhere in the window.
    QAction* add(const char* name, const QString& text, const QKeySequence& shortcut);
    // A further data file of the window, saved as the CSV is, through the same chooser:
    // proposed as `fileName`, of the file type `type` (e.g. "Netlist SPICE (*.cir)"),
    // whose suffix is added unless the name ends with it.  Enabled with the others.
    QAction* addExport(const char* name, const QString& text, const QString& fileName, const QString& type,
                       std::function<QByteArray()> data);
    // The three actions of taking out, usable only while there is something to take.
    void setEnabled(bool enabled);
    bool isEnabled() const;
    void setFileChooser(FileChooser chooser);

private:
    void savePicture();
    void copyPicture();
    void exportData();
    void saveData(const QString& proposed, const QString& type, const QByteArray& data);

    QWidget* window_;
    QWidget* plot_;
    MessagePort& messages_;
    Content content_;
    FileChooser chooseFile_;
    std::array<QAction*, 3> actions_{}; // SalvaImmagine, CopiaImmagine, EsportaDati
    std::vector<QAction*> exports_;     // those of addExport
};
