// The command line: the design and the verification of the windows, run without any
// display for scripts, with the results as text or JSON and the waveforms as files.
#pragma once

// Runs `convertitore-boost progetto|verifica [options]`, `--help` or `--version`.
// Returns the exit status: 0 done, 1 an input or the simulation refused (or the run
// cancelled, or a file not written), 2 a usage error.
int runCommandLine(int argc, char* argv[]);
