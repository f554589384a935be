// The main window: circuit picture, design requirements and results, verification
// fields, simulation counts, legends and the three action buttons, all at fixed
// positions.  It computes nothing: each button hands the model and this window (as
// Form1Port) to the action of the core library.
#pragma once

#include "app/platform.h"

#include <QWidget>

#include <array>
#include <functional>
#include <memory>

class QLabel;
class QLineEdit;
class QPushButton;
class WaveformHost;
struct Model;

class Form1 : public QWidget, public Form1Port {
    Q_OBJECT
public:
    using ProgressFactory = std::function<std::unique_ptr<ProgressPort>()>;

    // `progressFactory` gives a fresh progress display for each verification run;
    // without one the run shows none.
    Form1(Model& model, MessagePort& messages, WaveformHost& waveforms,
          ProgressFactory progressFactory = {}, QWidget* parent = nullptr);

    QString text(Form1Field field) const override;
    void setText(Form1Field field, const QString& text) override;
    void setTextColour(Form1Field field, Rgb colour) override;
    void setCaption(Form1Result box, const QString& text) override;
    void setExactValue(Form1Result box, std::optional<double> value) override;
    QString caption(Form1Result box) const;
    void ShowMessage(const QString& text) override;

private:
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();

    void makeCaptions();
    void makeResultBoxes();
    void makeFields();
    void makeButtons();
    void setFocusOrder(QWidget* picture1, QWidget* picture2);
    QLineEdit* field(Form1Field field) const;

    Model& model_;
    MessagePort& messages_;
    WaveformHost& waveforms_;
    ProgressFactory progressFactory_;
    std::array<QLineEdit*, 15> fields_{};  // Text1..Text15
    std::array<QLabel*, 5> results_{};     // in Form1Result order
    std::array<QPushButton*, 3> buttons_{}; // Command1, Command3, Command2
};
