#include "messagebox.h"

#include "uistyle.h"

#include <QGridLayout>
#include <QMessageBox>
#include <QSpacerItem>

void MessageBoxPort::ShowMessage(const QString& text)
{
    QMessageBox box(QMessageBox::NoIcon, UiStyle::programTitle(), text, QMessageBox::Ok, parent_);
    box.setObjectName(QStringLiteral("MessageBox"));
    // A short message makes a narrow box, whose title bar would cut the title short;
    // the box sizes itself from its layout, so the layout gets a row of that width.
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
        grid->addItem(new QSpacerItem(UiStyle::titleBarWidth(), 0), grid->rowCount(), 0, 1, grid->columnCount());
    box.exec();
}
