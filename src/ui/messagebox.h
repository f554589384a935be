#pragma once

#include "app/platform.h"

class QWidget;

// Shows messages as modal, OK-only boxes titled with the application's name.
class MessageBoxPort : public MessagePort {
public:
    explicit MessageBoxPort(QWidget* parent = nullptr) : parent_(parent) {}
    void ShowMessage(const QString& text) override;

private:
    QWidget* parent_;
};
