// The windows as pictures, for a file, the clipboard or the command line.
#pragma once

#include <QByteArray>
#include <QImage>

#include <functional>
#include <vector>

class PlotSurface;
class PlotWidget;
class QWidget;
struct Model;

namespace WindowPicture {

// A window's client area as the student sees it (for the waveform window: plot, legend
// and summary values), without hover text or focus frame, at its device pixel ratio.
QImage picture(QWidget& window);

QByteArray png(const QImage& image);

// The waveform window's picture as SVG: the texts as text, the plot's frame and traces as paths,
// the traces reduced as the plot reduces them, so the file stays small however many
// samples are shown.  `m` holds the plot on screen (m.Drawn).
QByteArray waveformSvg(QWidget& form2, const Model& m);

// Any window with a retained plot as SVG: the window's widgets as the toolkit paints
// them, and the plot as paths, drawn by `drawPlot` onto an empty surface.
QByteArray svg(QWidget& window, PlotWidget& plot, const std::function<void(PlotSurface&)>& drawPlot);

// The same for a window with several retained plots, each drawn by its own function.
struct DrawnPlot {
    PlotWidget* plot = nullptr;
    std::function<void(PlotSurface&)> draw;
};
QByteArray svg(QWidget& window, const std::vector<DrawnPlot>& plots);

} // namespace WindowPicture
