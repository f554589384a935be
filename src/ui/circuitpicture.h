// The boost-converter schematic shown in the main window, drawn as vectors so it
// stays crisp at any device pixel ratio.
#pragma once

#include <QSize>
#include <QWidget>

class QPainter;

class CircuitPicture : public QWidget {
    Q_OBJECT
public:
    explicit CircuitPicture(QWidget* parent = nullptr);

    // The drawing is 649 × 302 px, anchored at the widget's top-left corner; a widget
    // smaller than that shows only the part that fits.
    static QSize drawingSize() { return {649, 302}; }

    // Paints the schematic in drawing pixels, origin at the top-left corner.
    static void paint(QPainter& painter);

    QSize sizeHint() const override { return drawingSize(); }

protected:
    void paintEvent(QPaintEvent* event) override;
};
