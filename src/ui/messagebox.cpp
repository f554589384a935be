#include "messagebox.h"

#include <QApplication>
#include <QMessageBox>

void MessageBoxPort::ShowMessage(const QString& text)
{
    QMessageBox box(QMessageBox::NoIcon, QApplication::applicationDisplayName(), text,
                    QMessageBox::Ok, parent_);
    box.setObjectName(QStringLiteral("MessageBox"));
    box.exec();
}
