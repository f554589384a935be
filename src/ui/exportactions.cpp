#include "exportactions.h"

#include "app/savefile.h"
#include "windowpicture.h"

#include <QAction>
#include <QClipboard>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeySequence>
#include <QSettings>
#include <QStandardPaths>
#include <QWidget>

namespace {

const QString kPngType = QStringLiteral("Immagine PNG (*.png)");
const QString kSvgType = QStringLiteral("Immagine SVG (*.svg)");
const QString kCsvType = QStringLiteral("Dati CSV (*.csv)");

// The platform's save dialog, opened in the folder last used for the same kind of file
// (or the user's Pictures or Documents folder the first time).
QString chooseWithDialog(QWidget* parent, const QString& proposed, const QString& types, QString* chosenType)
{
    const bool picture = types.contains(QLatin1String("*.png"));
    const QString key = picture ? QStringLiteral("cartelle/immagini") : QStringLiteral("cartelle/dati");
    const auto standard = picture ? QStandardPaths::PicturesLocation : QStandardPaths::DocumentsLocation;
    QSettings settings;
    QString folder = settings.value(key, QStandardPaths::writableLocation(standard)).toString();
    if (!QFileInfo(folder).isDir()) // gone since, or never made on this desktop
        folder = QDir::homePath();
    const QString title = picture ? QStringLiteral("Salva immagine") : QStringLiteral("Esporta dati");
    const QString path = QFileDialog::getSaveFileName(parent, title, folder + u'/' + proposed, types, chosenType);
    if (!path.isEmpty())
        settings.setValue(key, QFileInfo(path).absolutePath());
    return path;
}

// The path with the file type's extension, unless it already ends with it.
QString withSuffix(const QString& path, const QString& suffix)
{
    return path.endsWith(u'.' + suffix, Qt::CaseInsensitive) ? path : path + u'.' + suffix;
}

} // namespace

ExportActions::ExportActions(QWidget* window, QWidget* plot, MessagePort& messages, Content content)
    : QObject(window), window_(window), plot_(plot), messages_(messages), content_(std::move(content))
{
    chooseFile_ = [this](const QString& proposed, const QString& types, QString* chosenType) {
        return chooseWithDialog(window_, proposed, types, chosenType);
    };
    plot_->setContextMenuPolicy(Qt::ActionsContextMenu);
    actions_ = {add("SalvaImmagine", QStringLiteral("Salva immagine…"), QKeySequence(Qt::CTRL | Qt::Key_S)),
                add("CopiaImmagine", QStringLiteral("Copia immagine"), QKeySequence(Qt::CTRL | Qt::Key_C)),
                add("EsportaDati", QStringLiteral("Esporta dati…"), QKeySequence(Qt::CTRL | Qt::Key_E))};
    connect(actions_[0], &QAction::triggered, this, &ExportActions::savePicture);
    connect(actions_[1], &QAction::triggered, this, &ExportActions::copyPicture);
    connect(actions_[2], &QAction::triggered, this, &ExportActions::exportData);
    setEnabled(false);
}

QAction* ExportActions::add(const char* name, const QString& text, const QKeySequence& shortcut)
{
    auto* action = new QAction(text, plot_);
    action->setObjectName(QString::fromLatin1(name));
    action->setShortcut(shortcut);
    action->setShortcutContext(Qt::WindowShortcut);
    plot_->addAction(action);
    return action;
}

QAction* ExportActions::addExport(const char* name, const QString& text, const QString& fileName, const QString& type,
                                  std::function<QByteArray()> data)
{
    QAction* action = add(name, text, QKeySequence());
    connect(action, &QAction::triggered, this, [this, fileName, type, data = std::move(data)] { saveData(fileName, type, data()); });
    action->setEnabled(isEnabled());
    exports_.push_back(action);
    return action;
}

void ExportActions::setEnabled(bool enabled)
{
    for (QAction* action : actions_)
        action->setEnabled(enabled);
    for (QAction* action : exports_)
        action->setEnabled(enabled);
}

bool ExportActions::isEnabled() const
{
    return actions_[0]->isEnabled();
}

void ExportActions::setFileChooser(FileChooser chooser)
{
    chooseFile_ = std::move(chooser);
}

void ExportActions::savePicture()
{
    QString type = kPngType;
    const QString path = chooseFile_(content_.baseName + QStringLiteral(".png"), kPngType + QStringLiteral(";;") + kSvgType, &type);
    if (path.isEmpty())
        return;
    const bool svg = path.endsWith(QLatin1String(".svg"), Qt::CaseInsensitive)
                     || (!path.endsWith(QLatin1String(".png"), Qt::CaseInsensitive) && type == kSvgType);
    const QByteArray data = svg ? content_.svg() : WindowPicture::png(content_.picture());
    if (const auto failure = saveFile(withSuffix(path, svg ? QStringLiteral("svg") : QStringLiteral("png")), data))
        messages_.ShowMessage(*failure);
}

void ExportActions::copyPicture()
{
    QGuiApplication::clipboard()->setImage(content_.picture());
}

void ExportActions::exportData()
{
    saveData(content_.baseName + QStringLiteral(".csv"), kCsvType, content_.csv());
}

void ExportActions::saveData(const QString& proposed, const QString& type, const QByteArray& data)
{
    QString chosen = type;
    const QString path = chooseFile_(proposed, type, &chosen);
    if (path.isEmpty())
        return;
    // The suffix of "Dati CSV (*.csv)" is "csv".
    const QString suffix = type.section(QStringLiteral("*."), 1).chopped(1);
    if (const auto failure = saveFile(withSuffix(path, suffix), data))
        messages_.ShowMessage(*failure);
}
