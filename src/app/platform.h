// The operations the actions need from the windowing system.  The Qt windows
// implement these ports; tests implement them with fakes that record every call.
#pragma once

#include <QString>

#include <cstdint>
#include <optional>

struct Model;

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
    friend bool operator==(Rgb, Rgb) = default;
};

namespace Colours {
inline constexpr Rgb kBlack{0, 0, 0};
inline constexpr Rgb kBrightBlue{0, 0, 255};
inline constexpr Rgb kRed{255, 0, 0};
inline constexpr Rgb kGreen{0, 255, 0};
inline constexpr Rgb kBlue{0, 0, 255};
inline constexpr Rgb kMagenta{255, 0, 255};
inline constexpr Rgb kCyan{0, 255, 255};
} // namespace Colours

// A modal, OK-only message box with the application's title; returns when closed.
class MessagePort {
public:
    virtual ~MessagePort() = default;
    virtual void ShowMessage(const QString& text) = 0;
};

// The fields and result boxes of the main window.
enum class Form1Field { Text1 = 1, Text2, Text3, Text4, Text5, Text6, Text7, Text8,
                        Text9, Text10, Text11, Text12, Text13, Text14, Text15 };
enum class Form1Result { Label24, Label25, Label26, Label27, Label32 };

class Form1Port : public MessagePort {
public:
    virtual QString text(Form1Field field) const = 0;
    virtual void setText(Form1Field field, const QString& text) = 0;
    virtual void setTextColour(Form1Field field, Rgb colour) = 0;
    virtual void setCaption(Form1Result box, const QString& text) = 0;
    // The full value a result box shows, for copying back into a field; none: nothing.
    virtual void setExactValue(Form1Result box, std::optional<double> value) = 0;
};

// The summary boxes of the waveform window.
enum class Form2Summary { Label2, Label5, Label8, Label9, Label16 };

// The waveform window: its plot, its waveform selector and its summary boxes.
class Form2Port {
public:
    virtual ~Form2Port() = default;
    // Shows the window without blocking; a shown window stays shown.
    virtual void show() = 0;
    // Empties the plot (the blank picture of the window's hidden picture box).
    virtual void clearPlot() = 0;
    // Tick marks and zero lines of the five bands.
    virtual void drawPlotFrame() = 0;
    // The five traces of the last simulated period in `m`, with its maxima.
    virtual void plotTraces(const Model& m) = 0;
    virtual void setCaption(Form2Summary box, const QString& text) = 0;
    // The full value a summary box shows; none: nothing.
    virtual void setExactValue(Form2Summary box, std::optional<double> value) = 0;
    // A short line in the middle of the empty plot (an empty text: none).
    virtual void setPlotHint(const QString& text) = 0;
    // Options are numbered 1..5 (iL, iC, Vo, vL, id); 0 means none selected.
    virtual int selectedOption() const = 0;
    virtual void selectOption(int option) = 0;
    virtual void setHoverText(const QString& text) = 0;
    // Whether the view of the start-up can be opened for the last run (Model::Simulated).
    virtual void setStartupAvailable(bool available) = 0;
};

// Gives the waveform window, creating it (not shown) the first time it is needed
// and again after the user has closed it.
class Form2Host {
public:
    virtual ~Form2Host() = default;
    virtual Form2Port& obtainForm2() = 0;
};

// How far a run has got.  Until the start states of the periods repeat nobody knows
// where a run ends: it may settle at any period.  Once the end is known (the states
// repeat, or what remains is a known stretch), the bar can run over what is left.
struct RunProgress {
    std::int64_t done = 0;      // periods stepped so far
    std::int64_t requested = 0; // periods asked for (NI)
    std::int64_t end = 0;       // periods that will have been stepped at the end; 0: unknown
    std::int64_t knownAt = 0;   // `done` when the end became known
    bool repeated = false;      // the end is known because the states repeat
    bool endKnown() const { return end > 0; }
    friend bool operator==(const RunProgress&, const RunProgress&) = default;
};

class ProgressPort {
public:
    virtual ~ProgressPort() = default;
    // Told after each simulated period; returns false when the student cancels.
    virtual bool advanced(const RunProgress& progress) = 0;
    // The run is over, however it ended: whatever shows the progress goes away now,
    // before any message about the run is shown.
    virtual void finished() = 0;
};
