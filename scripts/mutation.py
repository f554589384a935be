#!/usr/bin/env python3
"""Mutation pass: plants one single-line fault at a time in the sources, rebuilds and
runs the whole suite, and reports which faults no test catches.

    scripts/mutation.py [--tree DIR] [--build DIR] [--only SUBSTRING]

Run it on a copy of the tree (git worktree add /tmp/mut HEAD), since every fault is
written into the sources for the length of one build.  Each fault names the line it
changes by a piece of its text, which must stand on exactly one line of the file.
"""
import argparse
import os
import re
import subprocess
import sys
import time

# (subsystem, file, text on the line, replacement text).  Left out as equivalent:
# keeping an exponent sign with no digits ("1e-": from_chars stops before the "e"
# anyway), rounding twips without the +7 (every twip value of the layout is a whole
# number of pixels), and a cancel seen by the progress dialog one period later.
MUTANTS = [
    ("number reading", "src/app/numbers.cpp", "return c == u' ' || c == u'\\t' || c == u'\\n';", "return c == u' ' || c == u'\\t';"),
    ("number reading", "src/app/numbers.cpp", "number.negative = in.peek() == u'-';", "number.negative = in.peek() == u'+';"),
    ("number reading", "src/app/numbers.cpp", "return number.negative ? -value : value;", "return value;"),
    ("number reading", "src/app/numbers.cpp", "const std::size_t first = digits.find_first_of(\"123456789\");", "const std::size_t first = digits.find_first_of(\"0123456789\");"),
    ("number display", "src/app/numbers.cpp", "if (point.size() == 1)", "if (point.size() == 2)"),
    ("number display", "src/app/numbers.cpp", "return c.toString(value, 'E', 2);", "return c.toString(value, 'E', 3);"),
    ("number display", "src/app/numbers.cpp", "return c.toString(value, 'f', 2);", "return c.toString(value, 'f', 1);"),
    ("rounding", "src/app/numbers.cpp", "rounded <= 2147483647.0", "rounded < 2147483647.0"),
    ("rounding", "src/app/numbers.cpp", "const double rounded = std::nearbyint(value);", "const double rounded = std::round(value);"),
    ("design", "src/design/design.cpp", "m.D = 1 - m.Vi / m.Vo;", "m.D = (m.Vo - m.Vi) / m.Vo;"),
    ("design", "src/design/design.cpp", "if (!(m.Vo > 0 && m.Vo >= m.Vi))", "if (!(m.Vo > 0 && m.Vo > m.Vi))"),
    ("design", "src/design/design.cpp", "m.DeltaVo = *v * 0.001;", "m.DeltaVo = *v / 1000;"),
    ("design", "src/design/design.cpp", "return m.Io >= 0 || refuse(m, form1, kIoMessage);", "return m.Io > 0 || refuse(m, form1, kIoMessage);"),
    ("design", "src/design/design.cpp", "return a.div(a.mul(*ripplePercent, m.Iim), 100);", "return a.mul(*ripplePercent, a.div(m.Iim, 100));"),
    ("design", "src/design/design.cpp", "return a.add(a.div(m.DeltaiL, 2), m.Iim);", "return a.add(m.DeltaiL, m.Iim);"),
    ("design", "src/design/design.cpp", "m.IDm = m.Io;", "m.IDm = m.Iim;"),
    ("design", "src/design/design.cpp", "form1.setTextColour(field, Colours::kBrightBlue);", "form1.setTextColour(field, Colours::kBlack);"),
    ("design", "src/design/design.cpp", "form1.setText(Form1Field::Text6, QStringLiteral(\"1.5\"));", "form1.setText(Form1Field::Text6, QStringLiteral(\"1,5\"));"),
    ("design", "src/design/design.cpp", "double mul(double a, double b) { return check(a * b, a != 0 && b != 0); }", "double mul(double a, double b) { return check(a * b, false); }"),
    ("field check", "src/sim/fieldcheck.cpp", "if (code >= u'0' && code <= u'9')", "if (code >= u'0' && code <= u'8')"),
    ("field check", "src/sim/fieldcheck.cpp", "code == u'-' || code == u'+';", "code == u'-';"),
    ("field check", "src/sim/fieldcheck.cpp", "ui.ShowMessage(m.MsgText);", "ui.ShowMessage(m.MsgBadFormat);"),
    ("phases", "src/sim/verification.cpp", "constexpr double kPercent = 0.01;", "constexpr double kPercent = 0.1;"),
    ("phases", "src/sim/verification.cpp", "form1.setTextColour(f.field, Colours::kBlack);", ";"),
    ("phases", "src/sim/verification.cpp", "if (!(m.D > 0 && m.D < 1)) {", "if (!(m.D > 0 && m.D <= 1)) {"),
    ("phases", "src/sim/verification.cpp", "{&kVi, &kD, &kFreq, &kL, &kC, &kRL, &kN, &kNP, &kNI}", "{&kVi, &kFreq, &kD, &kL, &kC, &kRL, &kN, &kNP, &kNI}"),
    ("phases", "src/sim/verification.cpp", "form2.setHoverText(QString());", ";"),
    ("phases", "src/sim/verification.cpp", "{Form2Summary::Label8, &Model::SimIDP},", "{Form2Summary::Label8, &Model::SimIDm},"),
    ("phases", "src/sim/verification.cpp", "&& readCount(m, form1, kN, m.N) && readCount(m, form1, kNP, m.NP)", "&& readCount(m, form1, kN, m.N) && readCount(m, form1, kNI, m.NP)"),
    ("stepping", "src/sim/periodstepper.h", "return {c.onRise + x.iL, x.vo - (c.Dt * x.vo) / c.CRL};", "return {c.onRise + x.iL, x.vo - c.Dt * (x.vo / c.CRL)};"),
    ("stepping", "src/sim/periodstepper.h", "(x.vo - (c.Dt * x.vo) / c.CRL) + (c.Dt * x.iL) / c.C};", "(x.vo - (c.Dt * x.vo) / c.CRL) + (c.Dt * x.iL) / c.L};"),
    ("stepping", "src/sim/periodstepper.h", "for (std::int32_t k = 1; k < p.onSamples; ++k) {", "for (std::int32_t k = 1; k <= p.onSamples; ++k) {"),
    ("stepping", "src/sim/periodstepper.h", "State x = resume;", "State x = start;"),
    ("stepping", "src/sim/periodstepper.h", "return p.onSamples == 0 ? start : onStep(c, resume);", "return resume;"),
    ("stepping", "src/sim/periodstepper.h", "if (p.onSamples == p.n)", "if (p.onSamples == p.n - 1)"),
    ("stepping", "src/sim/simulation.cpp", "wave[1] = wave[n_];", "wave[1] = wave[n_ + 1];"),
    ("stepping", "src/sim/simulation.cpp", "id_[k] = x.vo / c_.RL + ic_[k];", "id_[k] = next.vo / c_.RL + ic_[k];"),
    ("stepping", "src/sim/simulation.cpp", "vl_[k] = ((next.iL - x.iL) * c_.L) / c_.Dt;", "vl_[k] = ((next.iL - x.iL) * c_.C) / c_.Dt;"),
    ("stepping", "src/sim/simulation.cpp", "const std::optional<std::int32_t> offStart = RoundToInt32(m.N * m.D + 1);", "const std::optional<std::int32_t> offStart = onSamples ? std::optional(*onSamples + 1) : std::nullopt;"),
    ("stepping", "src/sim/simulation.cpp", "const double dt = (1 / m.Freq) / m.N;", "const double dt = 1 / (m.Freq * m.N);"),
    ("stepping", "src/sim/simulation.cpp", "for (std::int64_t done = 1; done < total; ++done) {", "for (std::int64_t done = 1; done <= total; ++done) {"),
    ("steady state", "src/sim/simulation.cpp", "total = done + 1 + (periods - (done + 1)) % cycle;", "total = done + 1;"),
    ("steady state", "src/sim/simulation.cpp", "if (bits == bitsOf(previous))", "if (false)"),
    ("steady state", "src/sim/simulation.cpp", "distance_ *= 2;", "distance_ *= 1;"),
    ("steady state", "src/sim/simulation.cpp", "StateBits bitsOf(State x) { return {std::bit_cast<std::uint64_t>(x.iL), std::bit_cast<std::uint64_t>(x.vo)}; }", "StateBits bitsOf(State x) { return {std::bit_cast<std::uint64_t>(x.iL), std::bit_cast<std::uint64_t>(x.iL)}; }"),
    ("steady state", "src/sim/progresspace.cpp", "const std::int64_t left = std::min(std::int64_t{total} - done, std::int64_t{done});", "const std::int64_t left = std::int64_t{total} - done;"),
    ("memory cap", "src/sim/simulation.cpp", "if (m.N > kMaxSamplesPerPeriod)", "if (m.N >= kMaxSamplesPerPeriod)"),
    ("memory cap", "src/sim/simulation.h", "std::int32_t(kSimulationMemoryBudget / (5 * std::int64_t(sizeof(double))) - 2);", "std::int32_t(kSimulationMemoryBudget / (5 * std::int64_t(sizeof(double))) - 1);"),
    ("checks", "src/sim/simulation.cpp", "if (!(iL > 0))", "if (iL < 0)"),
    ("sums", "src/sim/simulation.cpp", "s = m.Dt * sample + s;", "s = m.Dt * sample;"),
    ("sums", "src/sim/simulation.cpp", "return m.Freq * s;", "return m.Freq * s / m.N;"),
    ("sums", "src/sim/simulation.cpp", "(m.MaxVo - m.MinVo) * 1000, m.MaxIL,", "(m.MaxVo - m.MinVo) * 100, m.MaxIL,"),
    ("sums", "src/sim/simulation.cpp", "periodMean(m, m.WaveID),", "periodMean(m, m.WaveIL),"),
    ("extremes", "src/sim/extremes.cpp", "double extreme = samples.front();\n    for (const double sample : samples) {\n        const double x = std::fabs(sample);\n        if (x <= extreme)", None),
    ("extremes", "src/sim/extremes.cpp", "void FindMaxIC(Model& m) { m.MaxIC = largestAbsolute(periodSamples(m.WaveIC, m.N)); }", "void FindMaxIC(Model& m) { m.MaxIC = largestAbsolute(periodSamples(m.WaveVL, m.N)); }"),
    ("extremes", "src/sim/extremes.h", "return std::span(wave).subspan(1, static_cast<std::size_t>(n));", "return std::span(wave).subspan(0, static_cast<std::size_t>(n));"),
    ("plot scaling", "src/plot/plotgeometry.h", "{&Model::WaveIC, 70, 6, Colours::kGreen},", "{&Model::WaveIC, 70, 9, Colours::kGreen},"),
    ("plot scaling", "src/plot/plot.cpp", "&Model::MaxIL, &Model::MaxIC, &Model::MaxVo, &Model::MaxVL, &Model::MaxIL};", "&Model::MaxIL, &Model::MaxIC, &Model::MaxVo, &Model::MaxVL, &Model::MaxID};"),
    ("plot scaling", "src/plot/plot.cpp", "const double y = fullScale == 0 ? b.zeroLine :", "const double y = fullScale == 0 ? 0 :"),
    ("plot scaling", "src/plot/plot.cpp", "for (int y = 100; y >= 1; y -= 5)", "for (int y = 100; y >= 0; y -= 5)"),
    ("plot scaling", "src/plot/plot.cpp", "ticks.push_back({static_cast<float>(x), 0, static_cast<float>(x), 0.5f});", "ticks.push_back({static_cast<float>(x), 0, static_cast<float>(x), 0.2f});"),
    ("plot scaling", "src/plot/plotgeometry.h", "return (100.0 / np) * (k + 1) / n + (100.0 / np) * (period - 1);", "return (100.0 / np) * k / n + (100.0 / np) * (period - 1);"),
    ("plot scaling", "src/plot/plotgeometry.h", "inline double deviceY(double y, int height) { return (100 - y) / 100 * (height - 1); }", "inline double deviceY(double y, int height) { return (100 - y) / 100 * height; }"),
    ("plot scaling", "src/ui/plotimage.cpp", "const double y = h > 1 ? 100 - device.y() / (h - 1) * 100 : 0;", "const double y = h > 1 ? 100 - device.y() / h * 100 : 0;"),
    ("reducer", "src/plot/tracereducer.cpp", "&& e->highest >= pending->lowest) {", "|| true) {"),
    ("reducer", "src/plot/tracereducer.cpp", "return static_cast<float>((column + 0.5) / (width_ - 1) * 100);", "return static_cast<float>(column / double(width_ - 1) * 100);"),
    ("reducer", "src/plot/rangeextremes.cpp", "std::size_t lo = (first + kBlockSize - 1) / kBlockSize;", "std::size_t lo = first / kBlockSize;"),
    ("reducer", "src/plot/tracereducer.cpp", "if (run.last < n_) {", "if (run.last < n_ - 1) {"),
    ("readout", "src/plot/readout.cpp", "if (y >= 80.0f)", "if (y > 80.0f)"),
    ("readout", "src/plot/readout.cpp", "if (y >= 10.0f)", "if (y >= 20.0f)"),
    ("readout", "src/plot/readout.cpp", "{&Model::MaxVL, u\"t = \", u\"vL(t) = \", u\"V\"},", "{&Model::MaxVL, u\"t= \", u\"vL(t) = \", u\"V\"},"),
    ("readout", "src/plot/readout.cpp", "const double t = static_cast<double>(x) / 100 * drawn.NP * 1000000 / drawn.Freq;", "const double t = static_cast<double>(x) / 100 * m.NP * 1000000 / drawn.Freq;"),
    ("readout", "src/plot/readout.cpp", "m.*band.fullScale = largestAbsolute(periodSamples(wave, drawn.N));", "m.*band.fullScale = largestAbsolute(periodSamples(wave, std::min(m.N, drawn.N)));"),
    ("readout", "src/plot/readout.cpp", "(m.*band.fullScale) / plotBand.span;", "(m.*band.fullScale) / 18;"),
    ("layout", "src/ui/form1.cpp", "{{\"Text14\",  5400, 6240, 1935, 375}", "{{\"Text14\",  5400, 6420, 1935, 375}"),
    ("layout", "src/ui/form2.cpp", "{\"Option3\", 15360, 4440, 735, 615}", "{\"Option3\", 15360, 4480, 735, 615}"),
    ("layout", "src/ui/form1.cpp", "{{\"Label49\", 5040, 6240,  255, 255}, \"NP\"},", "{{\"Label49\", 5040, 6600,  255, 255}, \"NP\"},"),
    ("layout", "src/ui/form1.cpp", "field(F::Text5), field(F::Text6), buttons_[0], field(F::Text7), field(F::Text8),", "field(F::Text5), field(F::Text6), buttons_[2], field(F::Text7), field(F::Text8),"),
    ("windows", "src/ui/form1.cpp", "UiStyle::pressOnEnter(button);", ";"),
    ("windows", "src/ui/uistyle.cpp", "if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter)", "if (key->key() != Qt::Key_Return)"),
    ("windows", "src/ui/waveformhost.cpp", "[this](QPoint place) { lastPlace_ = place; }", "[](QPoint) {}"),
    ("windows", "src/ui/windowplacement.cpp", "const std::pair cost{overlap(window, keepClear), overlap(window, rather)};", "const std::pair cost{overlap(window, rather), overlap(window, keepClear)};"),
    ("windows", "src/ui/windowplacement.cpp", "const int x = std::max(screen.left(), std::min(topLeft.x(), screen.right() + 1 - size.width()));", "const int x = std::max(screen.left(), std::min(topLeft.x(), screen.right() - size.width()));"),
    ("windows", "src/ui/form2.cpp", "setWindowState(windowState() & ~Qt::WindowMinimized);", ";"),
    ("windows", "src/ui/form1.cpp", "waveforms_.present();", ";"),
    ("windows", "src/ui/messagebox.cpp", "grid->addItem(new QSpacerItem(UiStyle::titleBarWidth(), 0), grid->rowCount(), 0, 1, grid->columnCount());", ";"),
    ("windows", "src/ui/form2.cpp", "QToolTip::hideText();", ";"),
    ("export", "src/sim/waveformcsv.cpp", "csv += shortestText(static_cast<double>(k - 1) * m.Dt);", "csv += shortestText(static_cast<double>(k) * m.Dt);"),
    ("export", "src/ui/form2.cpp", "    setExportEnabled(true);", ";"),
    ("export", "src/ui/windowpicture.cpp", "plot->setDrawingShown(false);", ";"),
    ("export", "src/ui/form2.cpp", "|| (!path.endsWith(QLatin1String(\".png\"), Qt::CaseInsensitive) && type == kSvgType);", "|| type == kSvgType;"),
    ("export", "src/app/savefile.cpp", "if (!folder.exists())", "if (false)"),
    ("command line", "src/cli/commandline.cpp", ": QString::fromLatin1(o.byDefault);", ": QString();"),
    ("command line", "src/cli/commandline.cpp", "out += (out.size() > 1 ? \", \\\"\" : \"\\\"\") + QByteArray(r.key) + \"\\\": \" + shortestText(r.value);", "out += (out.size() > 1 ? \", \\\"\" : \"\\\"\") + QByteArray(r.key) + \"\\\": \" + r.text.toUtf8();"),
    ("command line", "src/cli/commandline.cpp", "    if (outcome.end != RunEnd::Drawn)", "    if (false)"),
    ("command line", "src/cli/consoleports.cpp", "    if (interrupted) {", "    if (false) {"),
    ("command line", "src/cli/commandline.cpp", "return kUsageError;", "return kRefused;"),
    ("command line", "src/cli/commandline.cpp", "if (given.contains(QLatin1String(\"-h\")) || given.contains(QLatin1String(\"--help\")))", "if (given.contains(QLatin1String(\"--help\")))"),
    ("command line", "src/cli/commandline.cpp", "    if (!parser.positionalArguments().isEmpty())", "    if (false)"),
    ("command line", "src/cli/commandline.cpp", "    QLocale::setDefault(QLocale::c());", ";"),
    ("command line", "src/cli/commandline.cpp", "const auto picture = [&](const QString&) { return WindowPicture::png(WindowPicture::picture(w.form1)); };", "const auto picture = [&](const QString&) { return QByteArray(); };"),
    ("command line", "src/cli/commandline.cpp", "        failure = writeToStandardOutput(resultsText(results, request.json));", "        writeToStandardOutput(resultsText(results, request.json));"),
    ("command line", "src/cli/commandline.cpp", "std::optional<QString> failure = pending.prepare(files);", "std::optional<QString> failure = saveFiles(files);"),
]


def apply(tree, path, find, replace):
    full = os.path.join(tree, path)
    with open(full, encoding="utf-8") as f:
        text = f.read()
    if replace is None:  # a multi-line anchor: mutate only its first line
        first = find.split("\n")[0]
        count = text.count(find)
        if count != 1:
            raise SystemExit(f"{path}: anchor found {count} times")
        at = text.index(find)
        mutated = text[:at] + first.replace("samples.front()", "std::fabs(samples.front())") + text[at + len(first):]
    else:
        if text.count(find) != 1:
            raise SystemExit(f"{path}: '{find}' found {text.count(find)} times")
        mutated = text.replace(find, replace)
    with open(full, "w", encoding="utf-8") as f:
        f.write(mutated)
    return full, text


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--tree", default=os.path.join(os.path.dirname(__file__), ".."))
    parser.add_argument("--build", default=None)
    parser.add_argument("--only", default="")
    args = parser.parse_args()
    tree = os.path.abspath(args.tree)
    build = os.path.abspath(args.build or os.path.join(tree, "build-mutation"))
    subprocess.run(["cmake", "-S", tree, "-B", build, "-DCMAKE_BUILD_TYPE=RelWithDebInfo"], check=True,
                   stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "--build", build, "-j2"], check=True, stdout=subprocess.DEVNULL)
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen", XDG_RUNTIME_DIR="/tmp")
    rows, caught = [], 0
    chosen = [m for m in MUTANTS if args.only in m[1] or args.only in m[0]]
    for number, (subsystem, path, find, replace) in enumerate(chosen, 1):
        full, original = apply(tree, path, find, replace)
        started = time.time()
        try:
            built = subprocess.run(["cmake", "--build", build, "-j2"], capture_output=True, text=True)
            if built.returncode != 0:
                verdict, failing = "does not build", []
            else:
                run = subprocess.run(["ctest", "--test-dir", build, "-j2", "--timeout", "120", "--output-on-failure"],
                                     capture_output=True, text=True, env=env)
                failing = sorted(set(re.findall(r"FAIL!  : (\w+::\w+)", run.stdout)))
                tests = sorted(set(re.findall(r"\d+ - (\w+) \(", run.stdout)))
                failing = failing or tests
                verdict = "caught" if run.returncode != 0 else "SURVIVED"
        finally:
            with open(full, "w", encoding="utf-8") as f:
                f.write(original)
        caught += verdict == "caught"
        line = (find if replace is not None else find.split("\n")[0]).strip()
        rows.append((subsystem, path, line, verdict, failing))
        print(f"{number:3}/{len(chosen)} {verdict:14} {subsystem:14} {path}: {line[:70]}  "
              f"[{', '.join(failing)[:120]}] {time.time() - started:.0f}s", flush=True)
    subprocess.run(["cmake", "--build", build, "-j2"], stdout=subprocess.DEVNULL)
    counted = [r for r in rows if r[3] != "does not build"]
    print(f"\n{caught} of {len(counted)} faults caught ({100.0 * caught / max(1, len(counted)):.1f} %)")
    return 0 if caught == len(counted) else 1


if __name__ == "__main__":
    sys.exit(main())
